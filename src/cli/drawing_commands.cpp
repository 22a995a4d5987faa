// lumora-cli design-line and envelope: the drawings, as DXF or SVG.
#include "cad/writers.h"
#include "cli_common.h"
#include "session/dialogs.h"

namespace lumora::cli {
namespace {

cad::SvgOptions svg_options(const std::string& background) {
  cad::SvgOptions svg;
  if (background == "light") svg.background = cad::SvgBackground::light;
  return svg;
}

class DesignLineCommand : public Command {
 public:
  std::string out, svg_background = "dark";

  std::filesystem::path output() const override { return out; }

  int run(session::Session& s, CliInterface&) override {
    if (!s.design_line()) return 1;
    cad::write_drawing(*s.drawing(), out, svg_options(svg_background));
    return 0;
  }
};

class EnvelopeCommand : public Command {
 public:
  std::string result_file, out, svg_background = "dark";
  bool no_sight_lines = false, no_trajectory = false, with_design = false;

  std::vector<std::filesystem::path> inputs() const override { return {result_file}; }
  std::filesystem::path output() const override { return out; }

  int run(session::Session& s, CliInterface& ui) override {
    if (with_design && !s.design_line()) return 1;
    ui.files[session::kResultOpenDialog.title] = result_file;
    if (!s.envelope(!no_sight_lines, !no_trajectory)) return 1;
    cad::write_drawing(*s.drawing(), out, svg_options(svg_background));
    return 0;
  }
};

}  // namespace

std::unique_ptr<Command> make_design_line_command(CLI::App& app, AlignmentArgs& a) {
  auto cmd = std::make_unique<DesignLineCommand>();
  auto* c = cmd->app = app.add_subcommand("design-line", "Draw the design line as DXF or SVG");
  add_alignment_options(*c, a);
  c->add_option("-o,--output", cmd->out, "drawing to write: .dxf or .svg")->required();
  add_svg_background_option(*c, cmd->svg_background);
  return cmd;
}

std::unique_ptr<Command> make_envelope_command(CLI::App& app, AlignmentArgs& a) {
  auto cmd = std::make_unique<EnvelopeCommand>();
  auto* c = cmd->app = app.add_subcommand(
      "envelope", "Draw the sight-distance envelope of a clearance result file as DXF or SVG");
  add_alignment_options(*c, a);
  c->add_option("RESULT-FILE", cmd->result_file, "clearance result file")->required();
  c->add_flag("--no-sight-lines", cmd->no_sight_lines, "do not draw the sight lines (视距线)");
  c->add_flag("--no-trajectory", cmd->no_trajectory, "do not draw the eye path (轨迹线)");
  c->add_flag("--with-design-line", cmd->with_design,
              "draw the design line into the same drawing first");
  c->add_option("-o,--output", cmd->out, "drawing to write: .dxf or .svg")->required();
  add_svg_background_option(*c, cmd->svg_background);
  return cmd;
}

}  // namespace lumora::cli
