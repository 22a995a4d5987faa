// lumora-cli sight-check: the available sight distance (可用视距) along the
// line against obstructions and the road surface, in one or both
// directions, with the result file, the summary of the deficient ranges and
// the drawing.
#include <unistd.h>

#include <iostream>

#include "cad/write_atomic.h"
#include "cad/writers.h"
#include "cli_common.h"
#include "error.h"
#include "session/dialogs.h"
#include "session/input_files.h"
#include "text/format.h"

namespace lumora::cli {
namespace {

class SightCheckCommand : public Command {
 public:
  double sight = 110;
  int drawing_interval = 1;
  std::string sight_file, at, list, interval, from, to, out, drawing;
  std::string svg_background = "dark";
  SightCheckArgs sc;
  bool with_design = false;
  CLI::Option* at_opt = nullptr;
  CLI::Option* list_opt = nullptr;
  CLI::Option* iv_opt = nullptr;
  DesignSpeedArgs speed;

  std::vector<std::filesystem::path> inputs() const override {
    std::vector<std::filesystem::path> in = sight_check_inputs(sc);
    in.emplace_back(sight_file);
    in.emplace_back(list);
    return in;
  }
  std::filesystem::path output() const override { return out; }

  int run(session::Session& s, CliInterface& ui) override {
    if (!drawing.empty()) {
      // The drawing, like the result file, may not replace a file the run
      // reads.
      auto read = s.input_files();
      for (auto& p : inputs()) {
        if (!p.empty()) read.push_back(std::move(p));
      }
      if (!out.empty()) read.emplace_back(out);
      session::check_not_input(drawing, read);
      (void)cad::write_target(drawing);
    }
    session::SightCheckOptions opt;
    apply_sight_check_args(*app, sc, opt);
    // The design speed gives the required distance and both heights;
    // --eye-height and --object-height override them, or the defaults.
    const auto req = resolve_design_speed(speed);
    if (!sight_file.empty()) {
      opt.sight_file = true;
      ui.files[session::kSightLimitDialog.title] = sight_file;
    } else if (req) {
      opt.sight_text = text::format_shortest(req->sight_distance);
    } else {
      opt.sight_text = text::format_shortest(sight);
    }
    if (req) {
      opt.heights.eye = req->eye_height;
      opt.heights.object = req->object_height;
    }
    if (*speed.eye_opt) opt.heights.eye = speed.eye_height;
    if (*speed.object_opt) opt.heights.object = speed.object_height;
    opt.elevation = &s.elevation();
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
      std::cerr << "sight-check: one of --at, --list or --interval is required\n";
      return 2;
    }
    opt.draw = !drawing.empty();
    opt.drawing_interval = drawing_interval;

    std::filesystem::path tmp_out;
    if (out.empty()) {
      const auto scratch = make_scratch_file("sight-check.txt");
      if (!scratch) return 1;
      tmp_out = *scratch;
      ui.files[session::kSightSaveDialog.title] = tmp_out;
    } else {
      ui.files[session::kSightSaveDialog.title] = out;
    }
    ui.show_progress = isatty(2) != 0 && opt.mode != session::ChainageMode::single;
    if (with_design && opt.draw && !s.design_line()) {
      remove_scratch();
      return 1;
    }
    const auto r = s.sight_check(opt);
    ui.end_progress();
    if (!r) {
      remove_scratch();
      return 1;
    }
    if (opt.draw) {
      cad::SvgOptions svg;
      if (svg_background == "light") svg.background = cad::SvgBackground::light;
      try {
        cad::write_drawing(*s.drawing(), drawing, svg);
      } catch (...) {
        remove_scratch();
        throw;
      }
    }
    // The summary goes to standard output; when the result file does too,
    // it follows on standard error so that the file stays whole.
    std::ostream& summary = tmp_out.empty() ? std::cout : std::cerr;
    if (!tmp_out.empty() && !copy_scratch_to_stdout(tmp_out)) return 1;
    for (const auto& line : r->summary) summary << line << "\n";
    return 0;
  }
};

}  // namespace

std::unique_ptr<Command> make_sight_check_command(CLI::App& app, AlignmentArgs& a) {
  auto cmd = std::make_unique<SightCheckCommand>();
  auto* c = cmd->app = app.add_subcommand(
      "sight-check",
      "Check the available sight distance (可用视距) in 3D against obstructions and the road "
      "surface, forward, backward or both, and write the sight-check result file");
  add_alignment_options(*c, a);
  auto* so = c->add_option("--sight", cmd->sight, "required sight distance in metres (default 110)")
                 ->check(kFinite);
  auto* sf = c->add_option("--sight-file", cmd->sight_file,
                           "sight-distance limit file (chainage and required sight distance)");
  so->excludes(sf);
  add_sight_check_options(*c, cmd->sc, false);
  add_profile_options(*c, a);
  add_design_speed_options(*c, cmd->speed)->excludes(so)->excludes(sf);
  // The heights hold without a design speed too (default 1.2 m and 0.1 m).
  for (CLI::Option* h : {cmd->speed.eye_opt, cmd->speed.object_opt}) {
    h->remove_needs(cmd->speed.speed_opt);
    h->check(CLI::NonNegativeNumber);
  }
  cmd->at_opt = c->add_option("--at", cmd->at, "one chainage");
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
                "sight-check result file to write (default: standard output, the summary then "
                "on standard error)");
  auto* dr = c->add_option("--drawing", cmd->drawing,
                           "drawing to write: .dxf or .svg (obstructions, sight lines, deficient "
                           "ranges)");
  c->add_option("--drawing-interval", cmd->drawing_interval,
                "draw the sight line of every n-th chainage (default 1)")
      ->check(CLI::PositiveNumber)
      ->needs(dr);
  c->add_flag("--with-design-line", cmd->with_design, "draw the design line into the drawing first")
      ->needs(dr);
  add_svg_background_option(*c, cmd->svg_background);
  return cmd;
}

}  // namespace lumora::cli
