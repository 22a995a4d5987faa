// lumora-cli report: the calculation report (计算书) as an A4 PDF. Runs the
// clearance along a chainage list or at an interval, with the options of
// `clearance`, and writes the report of that run: inputs and settings, the
// alignment's table, the clearance plot and per-curve summary, the plan with
// the envelope, and every row as an appendix.
#include <unistd.h>

#include <iostream>

#include "cli_common.h"
#include "report.h"
#include "session/dialogs.h"
#include "text/format.h"

namespace lumora::cli {
namespace {

class ReportCommand : public Command {
 public:
  double sight = 110;
  std::string sight_file, side = "inside", list, interval, from, to, out, result;
  CLI::Option* list_opt = nullptr;
  CLI::Option* iv_opt = nullptr;
  DesignSpeedArgs speed;

  std::vector<std::filesystem::path> inputs() const override { return {sight_file, list}; }
  std::filesystem::path output() const override { return out; }

  int run(session::Session& s, CliInterface& ui) override {
    session::ClearanceOptions opt;
    opt.side = side == "median" ? sight::Side::median : sight::Side::inside;
    const auto req = resolve_design_speed(speed);
    if (!sight_file.empty()) {
      opt.sight_file = true;
      ui.files[session::kSightLimitDialog.title] = sight_file;
    } else if (req) {
      opt.sight_text = text::format_shortest(req->sight_distance);
    } else {
      opt.sight_text = text::format_shortest(sight);
    }
    if (*list_opt) {
      opt.mode = session::ChainageMode::list;
      ui.files[session::kChainageListDialog.title] = list;
    } else if (*iv_opt) {
      opt.mode = session::ChainageMode::interval;
      opt.interval_text = interval;
      opt.from_text = from;
      opt.to_text = to;
    } else {
      std::cerr << "report: one of --list or --interval is required\n";
      return 2;
    }
    if (!result.empty() &&
        std::filesystem::weakly_canonical(result) == std::filesystem::weakly_canonical(out)) {
      std::cerr << "report: --result and -o name the same file\n";
      return 2;
    }
    std::filesystem::path result_file = result;
    if (result_file.empty()) {
      const auto scratch = make_scratch_file("result.txt");
      if (!scratch) return 1;
      result_file = *scratch;
    }
    ui.files[session::kResultSaveDialog.title] = result_file;
    ui.show_progress = isatty(2) != 0;
    const auto r = s.clearance(opt);
    ui.end_progress();
    if (!r) {
      remove_scratch();
      return 1;
    }
    report::ensure_application();
    report::CollectOptions how;
    how.version = LUMORA_VERSION;
    how.result_is_scratch = result.empty();
    how.requirement = req;
    report::write_report(report::collect(s, how), out);
    remove_scratch();
    return 0;
  }
};

}  // namespace

std::unique_ptr<Command> make_report_command(CLI::App& app, AlignmentArgs& a) {
  auto cmd = std::make_unique<ReportCommand>();
  auto* c = cmd->app = app.add_subcommand(
      "report",
      "Compute the lateral clearance along a chainage list or at an interval and write the "
      "calculation report (计算书, A4 PDF)");
  add_alignment_options(*c, a);
  add_profile_options(*c, a);
  auto* so = c->add_option("--sight", cmd->sight, "sight distance in metres (default 110)")
                 ->check(kFinite);
  auto* sf = c->add_option("--sight-file", cmd->sight_file,
                           "sight-distance limit file (chainage and sight distance)");
  so->excludes(sf);
  add_design_speed_options(*c, cmd->speed)->excludes(so)->excludes(sf);
  c->add_option("--side", cmd->side, "inside: 弯道内侧 (default); median: 中央带")
      ->check(CLI::IsMember({"inside", "median"}));
  cmd->list_opt = c->add_option("--list", cmd->list, "chainage list file");
  cmd->iv_opt = c->add_option("--interval", cmd->interval, "fixed chainage interval in metres")
                    ->check(kFinite);
  cmd->list_opt->excludes(cmd->iv_opt);
  c->add_option("--from", cmd->from, "first chainage of the interval (default: line start)")
      ->needs(cmd->iv_opt);
  c->add_option("--to", cmd->to, "last chainage of the interval (default: line end)")
      ->needs(cmd->iv_opt);
  c->add_option("--result", cmd->result, "also keep the clearance result file of the run here");
  c->add_option("-o,--output", cmd->out, "the report to write (PDF)")->required();
  return cmd;
}

}  // namespace lumora::cli
