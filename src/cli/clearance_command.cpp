// lumora-cli clearance: the maximum lateral clearance at one chainage, along a
// chainage list or at a fixed interval.
#include <unistd.h>

#include <iostream>

#include "cli_common.h"
#include "session/dialogs.h"
#include "text/format.h"

namespace lumora::cli {
namespace {

class ClearanceCommand : public Command {
 public:
  double sight = 110;
  std::string sight_file, side = "inside", at, list, interval, from, to, out;
  CLI::Option* at_opt = nullptr;
  CLI::Option* list_opt = nullptr;
  CLI::Option* iv_opt = nullptr;
  DesignSpeedArgs speed;

  std::vector<std::filesystem::path> inputs() const override { return {sight_file, list}; }
  std::filesystem::path output() const override { return out; }

  int run(session::Session& s, CliInterface& ui) override {
    session::ClearanceOptions opt;
    opt.side = side == "median" ? sight::Side::median : sight::Side::inside;
    if (!sight_file.empty()) {
      opt.sight_file = true;
      ui.files[session::kSightLimitDialog.title] = sight_file;
    } else if (const auto req = resolve_design_speed(speed)) {
      opt.sight_text = text::format_shortest(req->sight_distance);
    } else {
      opt.sight_text = text::format_shortest(sight);
    }
    std::filesystem::path tmp_out;
    if (*at_opt) {
      opt.mode = session::ChainageMode::single;
      opt.single_chainage = at;
    } else if (*list_opt) {
      opt.mode = session::ChainageMode::list;
      ui.files[session::kChainageListDialog.title] = list;
    } else if (*iv_opt) {
      opt.mode = session::ChainageMode::interval;
      opt.interval_text = interval;
      opt.from_text = from;
      opt.to_text = to;
    } else {
      std::cerr << "clearance: one of --at, --list or --interval is required\n";
      return 2;
    }
    if (opt.mode != session::ChainageMode::single) {
      if (out.empty()) {
        // Written to a scratch file first, then copied to stdout whole.
        const auto scratch = make_scratch_file("result.txt");
        if (!scratch) return 1;
        tmp_out = *scratch;
        ui.files[session::kResultSaveDialog.title] = tmp_out;
      } else {
        ui.files[session::kResultSaveDialog.title] = out;
      }
      ui.show_progress = isatty(2) != 0;
    }
    const auto r = s.clearance(opt);
    ui.end_progress();
    if (!r) {
      remove_scratch();
      return 1;
    }
    if (opt.mode == session::ChainageMode::single) {
      std::cout << *r << '\n';
    } else if (!tmp_out.empty()) {
      if (!copy_scratch_to_stdout(tmp_out)) return 1;
    }
    return 0;
  }
};

}  // namespace

std::unique_ptr<Command> make_clearance_command(CLI::App& app, AlignmentArgs& a) {
  auto cmd = std::make_unique<ClearanceCommand>();
  auto* c = cmd->app = app.add_subcommand(
      "clearance",
      "Compute the maximum lateral clearance at a chainage, along a chainage list "
      "or at a fixed interval");
  add_alignment_options(*c, a);
  auto* so = c->add_option("--sight", cmd->sight, "sight distance in metres (default 110)")
                 ->check(kFinite);
  auto* sf = c->add_option("--sight-file", cmd->sight_file,
                           "sight-distance limit file (chainage and sight distance)");
  so->excludes(sf);
  add_design_speed_options(*c, cmd->speed)->excludes(so)->excludes(sf);
  c->add_option("--side", cmd->side, "inside: 弯道内侧 (default); median: 中央带")
      ->check(CLI::IsMember({"inside", "median"}));
  cmd->at_opt = c->add_option("--at", cmd->at, "one chainage: print its clearance");
  cmd->list_opt = c->add_option("--list", cmd->list, "chainage list file");
  cmd->iv_opt = c->add_option("--interval", cmd->interval, "fixed chainage interval in metres")
                    ->check(kFinite);
  cmd->at_opt->excludes(cmd->list_opt)->excludes(cmd->iv_opt);
  cmd->list_opt->excludes(cmd->iv_opt);
  c->add_option("--from", cmd->from, "first chainage of the interval (default: line start)")
      ->needs(cmd->iv_opt);
  c->add_option("--to", cmd->to, "last chainage of the interval (default: line end)")
      ->needs(cmd->iv_opt);
  c->add_option("-o,--output", cmd->out,
                "clearance result file to write (default: standard output)");
  return cmd;
}

}  // namespace lumora::cli
