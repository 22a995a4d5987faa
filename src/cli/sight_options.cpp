// The options shared by the subcommands that need the road's profile or the
// sight distance of a design speed.
#include <cmath>

#include "cli_common.h"

namespace lumora::cli {

void add_profile_options(CLI::App& cmd, AlignmentArgs& a) {
  auto* p = cmd.add_option("--profile", a.profile.file,
                           "profile file (纵断面变坡点文件): a title line, then \"chainage "
                           "elevation radius\" per PVI (replaces a LandXML profile)");
  cmd.add_option("--profile-name", a.profile.name,
                 "name of the LandXML ProfAlign to use (default: the alignment's first)")
      ->excludes(p);
}

CLI::Option* add_design_speed_options(CLI::App& cmd, DesignSpeedArgs& d) {
  d.speed_opt = cmd.add_option("--design-speed", d.speed,
                               "design speed in km/h: the standard's stopping sight distance "
                               "and eye and object heights")
                    ->check(kFinite);
  cmd.add_option("--standard", d.standard, "jtg (JTG D20-2017, default) or aashto (AASHTO 2018)")
      ->check(CLI::IsMember({"jtg", "aashto"}))
      ->needs(d.speed_opt);
  cmd.add_option("--vehicle", d.vehicle, "car (default) or truck (JTG only)")
      ->check(CLI::IsMember({"car", "truck"}))
      ->needs(d.speed_opt);
  d.eye_opt = cmd.add_option("--eye-height", d.eye_height,
                             "driver's eye height in metres (overrides the standard's)")
                  ->check(kFinite)
                  ->needs(d.speed_opt);
  d.object_opt = cmd.add_option("--object-height", d.object_height,
                                "object height in metres (overrides the standard's)")
                     ->check(kFinite)
                     ->needs(d.speed_opt);
  return d.speed_opt;
}

std::optional<standards::SightRequirement> resolve_design_speed(const DesignSpeedArgs& d) {
  if (!d.speed_opt || !*d.speed_opt) return std::nullopt;
  std::optional<double> eye, object;
  if (d.eye_opt && *d.eye_opt) eye = d.eye_height;
  if (d.object_opt && *d.object_opt) object = d.object_height;
  return standards::resolve_sight(d.speed, standards::parse_standard(d.standard),
                                  standards::parse_vehicle(d.vehicle), eye, object);
}

}  // namespace lumora::cli
