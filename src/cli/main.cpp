// lumora-cli: the computations of Lumora for batch use, scripts and tests.
//
//   lumora-cli alignment  --pi F [--chain-breaks F] | --elements F | --landxml F [--alignment N]
//   lumora-cli point      ALIGNMENT-OPTIONS CHAINAGE...
//   lumora-cli clearance  ALIGNMENT-OPTIONS [--sight S | --sight-file F] [--side inside|median]
//                         (--at C | --list F | --interval D [--from A] [--to B]) [-o F]
//   lumora-cli design-line ALIGNMENT-OPTIONS [--svg-background dark|light] -o OUT.dxf|OUT.svg
//   lumora-cli envelope   ALIGNMENT-OPTIONS RESULT-FILE [--no-sight-lines] [--no-trajectory]
//                         [--with-design-line] [--svg-background dark|light] -o OUT.dxf|OUT.svg
//   lumora-cli profile    ALIGNMENT-OPTIONS [--profile F | --profile-name N]
//                         [--design-speed V [--standard jtg|aashto] [--vehicle car|truck]
//                         | --at C...]
//   lumora-cli sight-check ALIGNMENT-OPTIONS [--profile F] [--obstructions F]...
//                         [--obstructions-dxf F --layer NAME[=H|=z]...]... [SIGHT-OPTIONS]
//                         [--direction forward|backward|both] (--at C | --list F | --interval D)
//                         [-o F] [--drawing OUT.dxf|OUT.svg]
//   lumora-cli report     ALIGNMENT-OPTIONS [--profile F | --profile-name N]
//                         [--sight S | --sight-file F | --design-speed V [--standard jtg|aashto]]
//                         [--side inside|median] (--list F | --interval D [--from A] [--to B])
//                         [--result F] -o OUT.pdf
//
// Each subcommand lives in a file of its own (cli_common.h lists them).
//
// Exit codes: 0 success, 1 a data error or another message of the system
// (printed on stderr as the message, then its detail), 2 wrong usage.
#include <signal.h>

#include <iostream>

#include "cad/write_atomic.h"
#include "cli_common.h"
#include "error.h"
#include "session/input_files.h"

namespace {

extern "C" void on_interrupt(int sig) {
  lumora::cli::remove_scratch();
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

// No output may name a file the run reads.
void refuse_input_as_output(const std::filesystem::path& out,
                            const std::vector<std::filesystem::path>& inputs) {
  std::vector<std::filesystem::path> named;
  for (const auto& p : inputs) {
    if (!p.empty()) named.push_back(p);
  }
  lumora::session::check_not_input(out, named);
  (void)lumora::cad::write_target(out);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace lumora::cli;
  CLI::App app{
      "Lumora: maximum lateral clearance (最大横净距) of highway alignments, and their CAD "
      "drawings.\nFiles are read as GBK or UTF-8. Chainage texts are plain numbers (1250.5) or a "
      "segment letter and a number (B1250.5) where the line has chain breaks."};
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("lumora-cli ") + LUMORA_VERSION);
  app.set_help_all_flag("--help-all", "Show the help of every subcommand");

  AlignmentArgs a;
  std::vector<std::unique_ptr<Command>> commands;
  commands.push_back(make_alignment_command(app, a));
  commands.push_back(make_point_command(app, a));
  commands.push_back(make_clearance_command(app, a));
  commands.push_back(make_design_line_command(app, a));
  commands.push_back(make_envelope_command(app, a));
  commands.push_back(make_sight_check_command(app, a));
  commands.push_back(make_profile_command(app, a));
#ifdef LUMORA_REPORT
  commands.push_back(make_report_command(app, a));
#endif

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? 0 : 2;
  }

  Command* cmd = nullptr;
  for (const auto& c : commands) {
    if (c->app->parsed()) cmd = c.get();
  }
  if (!cmd) return 2;

  CliInterface ui;
  lumora::session::Session s(ui);
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) ::signal(sig, on_interrupt);
  try {
    // The files of the run, none of which an output may replace.
    auto inputs = a.files();
    for (auto& p : cmd->inputs()) inputs.push_back(std::move(p));
    const auto out = cmd->output();
    if (!out.empty()) refuse_input_as_output(out, inputs);

    if (!initialize(s, ui, a)) return 1;
    return cmd->run(s, ui);
  } catch (const CLI::ValidationError& e) {
    remove_scratch();
    std::cerr << e.what() << "\n";
    return 2;
  } catch (const lumora::LumoraError& e) {
    remove_scratch();
    ui.show_message(e.title(), e.message(), e.detail());
    return 1;
  } catch (const std::exception& e) {
    remove_scratch();
    ui.show_message(lumora::kTitleError, lumora::kMsgDataFormat, e.what());
    return 1;
  }
}
