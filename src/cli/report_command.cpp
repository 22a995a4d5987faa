// lumora-cli report: the calculation report (计算书) as an A4 PDF. Runs the
// clearance along a chainage list or at an interval, with the options of
// `clearance`, and, when obstructions are given or --sight-check asks for
// it, the sight check at the same chainages with the options of
// `sight-check`; then writes the report of the run: inputs and settings, the
// alignment's table, the clearance plot and per-curve summary, the sight
// check's ASD plots, deficient ranges and obstructions, the profile, the
// plan with the envelope, and every row as an appendix.
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
  std::string sight_file, side = "inside", list, interval, from, to, out, result, sight_result;
  bool sight_check = false;
  SightCheckArgs sc;
  CLI::Option* list_opt = nullptr;
  CLI::Option* iv_opt = nullptr;
  DesignSpeedArgs speed;

  std::vector<std::filesystem::path> inputs() const override {
    auto in = sight_check_inputs(sc);
    in.emplace_back(sight_file);
    in.emplace_back(list);
    return in;
  }
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
    const auto same = [](const std::string& a, const std::string& b) {
      return !a.empty() && !b.empty() &&
             std::filesystem::weakly_canonical(a) == std::filesystem::weakly_canonical(b);
    };
    if (same(result, out) || same(sight_result, out) || same(result, sight_result)) {
      std::cerr << "report: --result, --sight-result and -o must name different files\n";
      return 2;
    }
    const bool check = sight_check || !sc.obstruction_files.empty() || !sc.dxf_files.empty();
    if (!check && !sight_result.empty()) {
      std::cerr << "report: --sight-result needs a sight check (--obstructions, "
                   "--obstructions-dxf or --sight-check)\n";
      return 2;
    }
    session::SightCheckOptions so;
    if (check) {
      apply_sight_check_args(*app, sc, so);
      so.mode = opt.mode;
      so.interval_text = opt.interval_text;
      so.from_text = opt.from_text;
      so.to_text = opt.to_text;
      so.sight_file = opt.sight_file;
      so.sight_text = opt.sight_text;
      if (req) {
        so.heights.eye = req->eye_height;
        so.heights.object = req->object_height;
      }
      if (s.profile()) so.elevation = &s.elevation();
    }
    std::filesystem::path result_file = result;
    if (result_file.empty()) {
      const auto scratch = make_scratch_file("result.txt");
      if (!scratch) return 1;
      result_file = *scratch;
    }
    ui.files[session::kResultSaveDialog.title] = result_file;
    ui.show_progress = isatty(2) != 0;
    std::filesystem::path extra_scratch;
    const auto cleanup = [&] {
      std::error_code ec;
      if (!extra_scratch.empty()) std::filesystem::remove(extra_scratch, ec);
      remove_scratch();
    };
    const auto r = s.clearance(opt);
    ui.end_progress();
    if (!r) {
      remove_scratch();
      return 1;
    }
    if (check) {
      std::filesystem::path sight_file_out = sight_result;
      if (sight_file_out.empty() && result.empty()) {
        // Beside the clearance's scratch copy, removed before its folder.
        sight_file_out = extra_scratch = result_file.parent_path() / "sight-check.txt";
      } else if (sight_file_out.empty()) {
        const auto scratch = make_scratch_file("sight-check.txt");
        if (!scratch) return 1;
        sight_file_out = *scratch;
      }
      ui.files[session::kSightSaveDialog.title] = sight_file_out;
      const auto r2 = s.sight_check(so);
      ui.end_progress();
      if (!r2) {
        cleanup();
        return 1;
      }
      for (const auto& line : r2->summary) std::cout << line << "\n";
    }
    report::ensure_application();
    report::CollectOptions how;
    how.version = LUMORA_VERSION;
    how.result_is_scratch = result.empty();
    how.sight_result_is_scratch = sight_result.empty();
    how.requirement = req;
    try {
      report::write_report(report::collect(s, how), out);
    } catch (...) {
      cleanup();
      throw;
    }
    cleanup();
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
  add_sight_check_options(*c, cmd->sc, false);
  c->add_flag("--sight-check", cmd->sight_check,
              "run the sight check at the same chainages even without obstructions (the road "
              "surface only); obstructions imply it. Heights: the design speed's, else 1.2 and "
              "0.1 m");
  c->add_option("--sight-result", cmd->sight_result,
                "also keep the sight-check result file of the run here");
  c->add_option("-o,--output", cmd->out, "the report to write (PDF)")->required();
  return cmd;
}

}  // namespace lumora::cli
