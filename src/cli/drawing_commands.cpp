// lumora-cli design-line and envelope: the drawings, as DXF or SVG.
#include "cad/legible.h"
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

// An SVG turns upside-down texts always; a DXF keeps the rotations its
// layout gives unless --readable-text asks otherwise.
void write(const cad::DrawingDocument& doc, const std::string& out, const std::string& background,
           bool readable) {
  if (readable) {
    cad::write_drawing(cad::with_readable_text(doc), out, svg_options(background));
  } else {
    cad::write_drawing(doc, out, svg_options(background));
  }
}

void add_readable_text_option(CLI::App& cmd, bool& readable) {
  cmd.add_flag("--readable-text", readable,
               "turn texts that would read upside down (rotated between 90 and 270 degrees) by "
               "180 degrees in a DXF too (an SVG always has them turned)");
}

class DesignLineCommand : public Command {
 public:
  std::string out, svg_background = "dark";
  bool readable = false;

  std::filesystem::path output() const override { return out; }

  int run(session::Session& s, CliInterface&) override {
    if (!s.design_line()) return 1;
    write(*s.drawing(), out, svg_background, readable);
    return 0;
  }
};

class EnvelopeCommand : public Command {
 public:
  std::string result_file, out, svg_background = "dark";
  bool no_sight_lines = false, no_trajectory = false, with_design = false, readable = false;

  std::vector<std::filesystem::path> inputs() const override { return {result_file}; }
  std::filesystem::path output() const override { return out; }

  int run(session::Session& s, CliInterface& ui) override {
    if (with_design && !s.design_line()) return 1;
    ui.files[session::kResultOpenDialog.title] = result_file;
    if (!s.envelope(!no_sight_lines, !no_trajectory)) return 1;
    write(*s.drawing(), out, svg_background, readable);
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
  add_readable_text_option(*c, cmd->readable);
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
  add_readable_text_option(*c, cmd->readable);
  return cmd;
}

}  // namespace lumora::cli
