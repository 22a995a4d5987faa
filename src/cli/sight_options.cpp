// The options shared by the subcommands that need the road's profile, the
// sight distance of a design speed, or a sight check (sight-check, report).
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

void add_sight_check_options(CLI::App& c, SightCheckArgs& s, bool heights) {
  c.add_option("--obstructions", s.obstruction_files,
               "obstruction file (名称 起点 终点 起点偏距 终点偏距 高度|-); repeatable")
      ->allow_extra_args(false);
  c.add_option("--obstructions-dxf", s.dxf_files,
               "DXF file whose layers hold obstructions; repeatable, each followed by --layer")
      ->allow_extra_args(false);
  c.add_option("--layer", s.layers,
               "layer of the last --obstructions-dxf: NAME (unlimited), NAME=HEIGHT (above the "
               "road) or NAME=z (vertex elevations as tops); repeatable")
      ->allow_extra_args(false);
  s.direction_opt =
      c.add_option("--direction", s.direction, "forward (顺, default), backward (逆) or both")
          ->check(CLI::IsMember({"forward", "backward", "both"}));
  s.bo_opt = c.add_option("--backward-eye-offset", s.backward_offset,
                          "eye offset of the backward direction, positive to the left of "
                          "increasing chainage (default: the forward offset negated)")
                 ->check(kFinite);
  auto* bf = c.add_option("--backward-eye-offset-file", s.backward_offset_file,
                          "eye-offset file of the backward direction");
  s.bo_opt->excludes(bf);
  if (heights) {
    c.add_option("--eye-height", s.eye_height, "eye height above the road in metres (1.2)")
        ->check(kFinite)
        ->check(CLI::NonNegativeNumber);
    c.add_option("--object-height", s.object_height, "object height above the road in metres (0.1)")
        ->check(kFinite)
        ->check(CLI::NonNegativeNumber);
  }
  s.max_opt = c.add_option("--max-distance", s.max_distance,
                           "farthest target searched in metres (default: twice the required)")
                  ->check(kFinite);
}

void apply_sight_check_args(const CLI::App& cmd, const SightCheckArgs& s,
                            session::SightCheckOptions& opt) {
  for (const auto& f : s.obstruction_files) opt.obstruction_files.emplace_back(f);
  // Every --layer after an --obstructions-dxf belongs to it (a layer
  // before the first file belongs to the first).
  if (!s.dxf_files.empty()) {
    opt.obstruction_dxf.resize(s.dxf_files.size());
    for (std::size_t i = 0; i < s.dxf_files.size(); ++i) {
      opt.obstruction_dxf[i].file = s.dxf_files[i];
    }
    std::size_t file = 0, layer = 0, files_seen = 0;
    for (const auto* r : cmd.parse_order()) {
      if (r->get_name() == "--obstructions-dxf") {
        file = files_seen++;
      } else if (r->get_name() == "--layer") {
        opt.obstruction_dxf[file].layers.push_back(
            obstruction::parse_layer_request(s.layers.at(layer++)));
      }
    }
    for (const auto& d : opt.obstruction_dxf) {
      if (d.layers.empty()) {
        throw CLI::ValidationError("--obstructions-dxf " + d.file.string(),
                                   "needs at least one --layer NAME[=HEIGHT]");
      }
    }
  } else if (!s.layers.empty()) {
    throw CLI::ValidationError("--layer", "needs --obstructions-dxf");
  }
  opt.directions = s.direction == "both"       ? session::SightDirections::both
                   : s.direction == "backward" ? session::SightDirections::backward
                                               : session::SightDirections::forward;
  if (*s.bo_opt) opt.backward_offset = s.backward_offset;
  opt.backward_offset_file = s.backward_offset_file;
  opt.heights.eye = s.eye_height;
  opt.heights.object = s.object_height;
  if (*s.max_opt && !(s.max_distance > 0)) {
    throw CLI::ValidationError("--max-distance", "must be positive");
  }
  opt.max_distance = s.max_distance;
}

std::vector<std::filesystem::path> sight_check_inputs(const SightCheckArgs& s) {
  std::vector<std::filesystem::path> in = {s.backward_offset_file};
  for (const auto& f : s.obstruction_files) in.emplace_back(f);
  for (const auto& f : s.dxf_files) in.emplace_back(f);
  return in;
}

}  // namespace lumora::cli
