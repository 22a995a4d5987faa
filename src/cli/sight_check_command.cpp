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
  double sight = 110, eye_height = 1.2, object_height = 0.1, max_distance = 0;
  double backward_offset = 0;
  int drawing_interval = 1;
  std::string sight_file, at, list, interval, from, to, out, drawing, direction = "forward";
  std::string backward_offset_file, svg_background = "dark";
  std::vector<std::string> obstruction_files, dxf_files, layers;
  bool with_design = false;
  CLI::Option* at_opt = nullptr;
  CLI::Option* list_opt = nullptr;
  CLI::Option* iv_opt = nullptr;
  CLI::Option* bo_opt = nullptr;
  CLI::Option* max_opt = nullptr;

  std::vector<std::filesystem::path> inputs() const override {
    std::vector<std::filesystem::path> in = {sight_file, list, backward_offset_file};
    for (const auto& f : obstruction_files) in.emplace_back(f);
    for (const auto& f : dxf_files) in.emplace_back(f);
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
    if (!sight_file.empty()) {
      opt.sight_file = true;
      ui.files[session::kSightLimitDialog.title] = sight_file;
    } else {
      opt.sight_text = text::format_shortest(sight);
    }
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
    for (const auto& f : obstruction_files) opt.obstruction_files.emplace_back(f);
    // Every --layer after an --obstructions-dxf belongs to it (a layer
    // before the first file belongs to the first).
    if (!dxf_files.empty()) {
      std::vector<std::pair<std::size_t, bool>> order;  // index, is a file
      for (const auto& r : app->parse_order()) {
        if (r->get_name() == "--obstructions-dxf") order.push_back({0, true});
        if (r->get_name() == "--layer") order.push_back({0, false});
      }
      opt.obstruction_dxf.resize(dxf_files.size());
      for (std::size_t i = 0; i < dxf_files.size(); ++i) opt.obstruction_dxf[i].file = dxf_files[i];
      std::size_t file = 0, layer = 0, files_seen = 0;
      for (const auto& [unused, is_file] : order) {
        (void)unused;
        if (is_file) {
          file = files_seen++;
          continue;
        }
        opt.obstruction_dxf[file].layers.push_back(
            obstruction::parse_layer_request(layers.at(layer++)));
      }
      for (const auto& d : opt.obstruction_dxf) {
        if (d.layers.empty()) {
          throw CLI::ValidationError("--obstructions-dxf " + d.file.string(),
                                     "needs at least one --layer NAME[=HEIGHT]");
        }
      }
    } else if (!layers.empty()) {
      throw CLI::ValidationError("--layer", "needs --obstructions-dxf");
    }
    opt.directions = direction == "both"       ? session::SightDirections::both
                     : direction == "backward" ? session::SightDirections::backward
                                               : session::SightDirections::forward;
    if (*bo_opt) opt.backward_offset = backward_offset;
    opt.backward_offset_file = backward_offset_file;
    opt.heights.eye = eye_height;
    opt.heights.object = object_height;
    if (*max_opt && !(max_distance > 0)) {
      throw CLI::ValidationError("--max-distance", "must be positive");
    }
    opt.max_distance = max_distance;
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
  c->add_option("--obstructions", cmd->obstruction_files,
                "obstruction file (名称 起点 终点 起点偏距 终点偏距 高度|-); repeatable")
      ->allow_extra_args(false);
  c->add_option("--obstructions-dxf", cmd->dxf_files,
                "DXF file whose layers hold obstructions; repeatable, each followed by --layer")
      ->allow_extra_args(false);
  c->add_option("--layer", cmd->layers,
                "layer of the last --obstructions-dxf: NAME (unlimited), NAME=HEIGHT (above the "
                "road) or NAME=z (vertex elevations as tops); repeatable")
      ->allow_extra_args(false);
  auto* so = c->add_option("--sight", cmd->sight, "required sight distance in metres (default 110)")
                 ->check(kFinite);
  auto* sf = c->add_option("--sight-file", cmd->sight_file,
                           "sight-distance limit file (chainage and required sight distance)");
  so->excludes(sf);
  c->add_option("--direction", cmd->direction, "forward (顺, default), backward (逆) or both")
      ->check(CLI::IsMember({"forward", "backward", "both"}));
  cmd->bo_opt = c->add_option("--backward-eye-offset", cmd->backward_offset,
                              "eye offset of the backward direction, positive to the left of "
                              "increasing chainage (default: the forward offset negated)")
                    ->check(kFinite);
  auto* bf = c->add_option("--backward-eye-offset-file", cmd->backward_offset_file,
                           "eye-offset file of the backward direction");
  cmd->bo_opt->excludes(bf);
  c->add_option("--eye-height", cmd->eye_height, "eye height above the road in metres (1.2)")
      ->check(kFinite)
      ->check(CLI::NonNegativeNumber);
  c->add_option("--object-height", cmd->object_height,
                "object height above the road in metres (0.1)")
      ->check(kFinite)
      ->check(CLI::NonNegativeNumber);
  cmd->max_opt = c->add_option("--max-distance", cmd->max_distance,
                               "farthest target searched in metres (default: twice the required)")
                     ->check(kFinite);
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
