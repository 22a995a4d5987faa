// lumora-cli alignment: the built alignment as a table; lumora-cli point: the
// centre-line point and azimuth at chainage texts.
#include <iostream>

#include "cli_common.h"
#include "error.h"
#include "mainline/primitives.h"
#include "session/alignment_table.h"
#include "text/format.h"

namespace lumora::cli {
namespace {

using text::format_fixed;

class AlignmentCommand : public Command {
 public:
  int run(session::Session& s, CliInterface&) override {
    if (const auto* m = s.main_line()) {
      std::cout << session::tab_separated(session::alignment_table(*m));
      return 0;
    }
    const auto* h = s.interchange();
    std::cout << session::tab_separated(session::alignment_table(*h));
    // Below the table, lines after "#": the angle points of the design line
    // (where the direction jumps between two elements) and the file's unit.
    if (!h->corners().empty()) {
      std::cout << "# angle_point\tchainage\tstation\tdeflection_deg\tx\ty\n";
      for (const auto& c : h->corners()) {
        std::cout << "# " << c.k << '|' << c.k + 1 << '\t' << format_fixed(c.chainage, 6) << '\t'
                  << s.chain_breaks()->sj_dlstr_k(c.chainage) << '\t'
                  << format_fixed(c.deflection * 180 / zxbas::kPi, 6) << '\t'
                  << format_fixed(c.after.x, 6) << '\t' << format_fixed(c.after.y, 6) << '\n';
      }
    }
    if (!s.units_note().empty()) std::cout << "# " << s.units_note() << '\n';
    return 0;
  }
};

class PointCommand : public Command {
 public:
  std::vector<std::string> chainages;

  int run(session::Session& s, CliInterface& ui) override {
    for (const auto& t : chainages) {
      double c = 0;
      try {
        c = s.resolve_typed_chainage(t);
      } catch (const LumoraError& e) {
        ui.show_message(e.title(), e.message(), e.detail());
        return 1;
      }
      const auto p = s.alignment()->point_at(c);
      std::cout << t << '\t' << format_fixed(c, 6) << '\t' << format_fixed(p.x, 6) << '\t'
                << format_fixed(p.y, 6) << '\t' << format_fixed(p.azimuth, 9) << '\n';
    }
    return 0;
  }
};

}  // namespace

std::unique_ptr<Command> make_alignment_command(CLI::App& app, AlignmentArgs& a) {
  auto cmd = std::make_unique<AlignmentCommand>();
  cmd->app = app.add_subcommand(
      "alignment", "Print the built alignment: main points of every PI, or the element chain");
  add_alignment_options(*cmd->app, a);
  return cmd;
}

std::unique_ptr<Command> make_point_command(CLI::App& app, AlignmentArgs& a) {
  auto cmd = std::make_unique<PointCommand>();
  cmd->app =
      app.add_subcommand("point", "Print point and azimuth of the centre line at chainage texts");
  add_alignment_options(*cmd->app, a);
  cmd->app
      ->add_option("CHAINAGE", cmd->chainages,
                   "chainage texts (1250.5, B1250.5, K1+250.5, BK4+100.000)")
      ->required();
  return cmd;
}

}  // namespace lumora::cli
