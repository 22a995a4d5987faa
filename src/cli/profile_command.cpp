// lumora-cli profile: the vertical-curve table of the road's profile, with
// the standard's minimums at a design speed, or elevations and grades at
// chainage texts.
#include <cmath>
#include <iostream>

#include "cli_common.h"
#include "error.h"
#include "session/alignment_table.h"
#include "session/vertical_curve_table.h"
#include "text/format.h"

namespace lumora::cli {
namespace {

using text::format_fixed;

class ProfileCommand : public Command {
 public:
  std::vector<std::string> at;
  DesignSpeedArgs speed;

  int run(session::Session& s, CliInterface& ui) override {
    const profile::Profile* p = s.profile();
    if (!p) {
      throw DataFormatError("没有纵断面: 请用 --profile 给出纵断面文件，或用带纵断面的LandXML路线");
    }
    if (!at.empty()) return print_at(s, ui, *p);
    const auto req = resolve_design_speed(speed);
    std::cout << session::tab_separated(session::vertical_curve_table(*p, *s.chain_breaks(), req));
    return 0;
  }

 private:
  int print_at(session::Session& s, CliInterface& ui, const profile::Profile& p) {
    for (const auto& t : at) {
      double c = 0;
      try {
        c = s.resolve_typed_chainage(t);
      } catch (const LumoraError& e) {
        ui.show_message(e.title(), e.message(), e.detail());
        return 1;
      }
      std::cout << t << '\t' << format_fixed(c, 6) << '\t' << format_fixed(p.elevation_at(c), 6)
                << '\t' << format_fixed(p.grade_at(c) * 100, 6) << '\n';
    }
    return 0;
  }
};

}  // namespace

std::unique_ptr<Command> make_profile_command(CLI::App& app, AlignmentArgs& a) {
  auto cmd = std::make_unique<ProfileCommand>();
  cmd->app = app.add_subcommand(
      "profile",
      "Print the vertical curves of the road's profile (with the standard's minimums at "
      "--design-speed), or elevation and grade at --at chainages");
  add_alignment_options(*cmd->app, a);
  add_profile_options(*cmd->app, a);
  auto* speed = add_design_speed_options(*cmd->app, cmd->speed);
  cmd->app
      ->add_option("--at", cmd->at,
                   "chainage texts: print text, continuous chainage, elevation and grade (%)")
      ->excludes(speed);
  return cmd;
}

}  // namespace lumora::cli
