// lumora-cli: the computations of Lumora for batch use, scripts and tests.
//
//   lumora-cli alignment  --pi F [--chain-breaks F] | --elements F | --landxml F [--alignment N]
//   lumora-cli point      ALIGNMENT-OPTIONS CHAINAGE...
//   lumora-cli clearance  ALIGNMENT-OPTIONS [--sight S | --sight-file F] [--side inside|median]
//                         (--at C | --list F | --interval D [--from A] [--to B]) [-o F]
//   lumora-cli design-line ALIGNMENT-OPTIONS [--svg-background dark|light] -o OUT.dxf|OUT.svg
//   lumora-cli envelope   ALIGNMENT-OPTIONS RESULT-FILE [--no-sight-lines] [--no-trajectory]
//                         [--with-design-line] [--svg-background dark|light] -o OUT.dxf|OUT.svg
//
// Exit codes: 0 success, 1 a data error or another message of the system
// (printed on stderr as the message, then its detail), 2 wrong usage.
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cad/write_atomic.h"
#include "cad/writers.h"
#include "error.h"
#include "session/dialogs.h"
#include "session/input_files.h"
#include "session/session.h"
#include "text/format.h"

namespace {

using lumora::FileDialog;
using lumora::text::format_fixed;
namespace session = lumora::session;

// The user interface of a command-line run: file dialogs are answered from
// the arguments, messages and warnings go to stderr.
class CliInterface : public lumora::UserInterface {
 public:
  std::map<std::string, std::filesystem::path> files;  // dialog title -> file
  bool show_progress = false;
  bool quiet_status = true;

  std::optional<std::filesystem::path> choose_file(const FileDialog& dialog) override {
    const auto it = files.find(dialog.title);
    if (it == files.end()) return std::nullopt;
    return it->second;
  }
  void show_message(const std::string&, const std::string& message,
                    const std::string& detail) override {
    end_progress();
    std::cerr << message << "\n";
    if (!detail.empty()) std::cerr << detail << "\n";
  }
  // Without --alignment a file of several alignments is not guessed at: its
  // names go to stdout, one a line, and the run ends.
  std::optional<std::size_t> choose_item(const std::string&,
                                         const std::vector<std::string>& items) override {
    std::cerr << "文件中有多条路线，请用 --alignment NAME 选择其一:\n";
    for (const auto& item : items) std::cout << item << "\n";
    return std::nullopt;
  }
  void set_status(const std::string&) override {}
  void progress(int k, int n) override {
    if (!show_progress) return;
    std::cerr << "\r" << k << "/" << n << std::flush;
    progress_shown_ = true;
  }
  void warn(const std::string& text) override {
    end_progress();
    std::cerr << "警告: " << text << "\n";
  }
  void end_progress() {
    if (progress_shown_) std::cerr << "\n";
    progress_shown_ = false;
  }

 private:
  bool progress_shown_ = false;
};

// A number option must be a finite number: "nan" and "inf" are wrong usage.
const CLI::Validator kFinite(
    [](std::string& s) {
      double v = 0;
      if (!CLI::detail::lexical_cast(s, v) || !std::isfinite(v)) {
        return std::string("must be a finite number: ") + lumora::text::excerpt(s);
      }
      return std::string();
    },
    "FINITE");

// The scratch file of a clearance run without -o: its folder is made when
// the run starts and holds nothing until the result is written, and both
// are removed however the run ends, an interrupt included.
char g_scratch_dir[256];
char g_scratch_file[512];

void remove_scratch() {
  lumora::cad::remove_pending_temp_file();
  if (g_scratch_file[0]) ::unlink(g_scratch_file);
  if (g_scratch_dir[0]) ::rmdir(g_scratch_dir);
}

extern "C" void on_interrupt(int sig) {
  remove_scratch();
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

// Files the run reads; no output may name one of them.
void refuse_input_as_output(const std::filesystem::path& out,
                            std::vector<std::filesystem::path> inputs) {
  inputs.erase(std::remove_if(inputs.begin(), inputs.end(),
                              [](const std::filesystem::path& p) { return p.empty(); }),
               inputs.end());
  session::check_not_input(out, inputs);
  (void)lumora::cad::write_target(out);
}

struct AlignmentArgs {
  std::string pi;
  std::string elements;
  std::string landxml;
  std::string landxml_alignment;
  std::string chain_breaks;
  double eye_offset = -7.25;
  std::string eye_offset_file;
};

void add_alignment_options(CLI::App& cmd, AlignmentArgs& a) {
  auto* pi = cmd.add_option("--pi", a.pi, "PI data file of a main line (交点法—主线)");
  auto* el = cmd.add_option("--elements", a.elements,
                            "interchange element file of a ramp (积木法—互通), instead of --pi");
  auto* lx = cmd.add_option("--landxml", a.landxml,
                            "LandXML 1.1/1.2 file: an alignment of a road-design suite, laid out "
                            "by elements like --elements");
  cmd.add_option("--alignment", a.landxml_alignment,
                 "name of the LandXML alignment to use (needed when the file holds several)")
      ->needs(lx);
  pi->excludes(el);
  lx->excludes(pi)->excludes(el);
  cmd.add_option("--chain-breaks", a.chain_breaks,
                 "chain-break file of the main line (absent: no chain breaks)")
      ->needs(pi);
  auto* eo = cmd.add_option("--eye-offset", a.eye_offset,
                            "driver-eye offset from the design line in metres, positive to the "
                            "left (default -7.25: 7.25 m to the right)")
                 ->check(kFinite);
  auto* ef = cmd.add_option("--eye-offset-file", a.eye_offset_file,
                            "driver-eye offset file (chainage and offset per line)");
  eo->excludes(ef);
}

// Initializes a session from the alignment options. Returns false (after the
// message) when initialization fails.
bool initialize(session::Session& s, CliInterface& ui, const AlignmentArgs& a) {
  if (a.pi.empty() && a.elements.empty() && a.landxml.empty()) {
    throw CLI::ValidationError("--pi, --elements or --landxml", "an alignment file is required");
  }
  session::InitOptions init;
  init.kind =
      a.pi.empty() ? session::AlignmentKind::interchange : session::AlignmentKind::main_line;
  ui.files[session::kAlignmentDialog.title] =
      !a.pi.empty() ? a.pi : (!a.elements.empty() ? a.elements : a.landxml);
  init.require_landxml = !a.landxml.empty();
  init.landxml_alignment = a.landxml_alignment;
  init.read_chain_breaks = !a.chain_breaks.empty();
  if (init.read_chain_breaks) ui.files[session::kChainBreakDialog.title] = a.chain_breaks;
  init.eye_offset_file = !a.eye_offset_file.empty();
  if (init.eye_offset_file) ui.files[session::kEyeOffsetDialog.title] = a.eye_offset_file;
  init.eye_offset_text = lumora::text::format_shortest(a.eye_offset);
  return s.initialize(init);
}

int print_alignment(const session::Session& s) {
  if (const auto* m = s.main_line()) {
    std::cout
        << "i\tname\tjd_k\tt1\tt2\tl\tk_zh\tk_hy\tk_qz\tk_yh\tk_hz\tx_zh\ty_zh\tx_hy\ty_hy\tx_"
           "qz\ty_qz\tx_yh\ty_yh\tx_hz\ty_hz\n";
    const int n = m->jd_count();
    for (int i = 1; i <= n; ++i) {
      const auto& j = m->jd(i);
      const bool end = (i == 1 || i == n);
      auto f = [](double v) { return format_fixed(v, 6); };
      auto k = [&](double v) { return end ? std::string() : f(v); };
      std::cout << i << '\t' << j.jd_name << '\t' << f(j.jd_k) << '\t' << f(j.jd_t1) << '\t'
                << f(j.jd_t2) << '\t' << f(j.jd_l) << '\t' << k(j.k_zh) << '\t' << k(j.k_hy) << '\t'
                << k(j.k_qz) << '\t' << k(j.k_yh) << '\t' << k(j.k_hz) << '\t' << f(j.x_zh) << '\t'
                << f(j.y_zh) << '\t' << f(j.x_hy) << '\t' << f(j.y_hy) << '\t' << f(j.x_qz) << '\t'
                << f(j.y_qz) << '\t' << f(j.x_yh) << '\t' << f(j.y_yh) << '\t' << f(j.x_hz) << '\t'
                << f(j.y_hz) << '\n';
    }
    return 0;
  }
  const auto* h = s.interchange();
  std::cout << "k\tr1\tr2\tlen\tchainage\tx\ty\tazimuth\n";
  const int n = h->ht_count();
  for (int k = 1; k <= n + 1; ++k) {
    if (k <= n) {
      std::cout << k << '\t' << format_fixed(h->ht_r1(k), 6) << '\t' << format_fixed(h->ht_r2(k), 6)
                << '\t' << format_fixed(h->ht_len(k), 6);
    } else {
      std::cout << k << "\t-\t-\t-";
    }
    std::cout << '\t' << format_fixed(h->ht_chainage(k), 6) << '\t' << format_fixed(h->ht_x(k), 6)
              << '\t' << format_fixed(h->ht_y(k), 6) << '\t' << format_fixed(h->ht_azimuth(k), 9)
              << '\n';
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "Lumora: maximum lateral clearance (最大横净距) of highway alignments, and their CAD "
      "drawings.\nFiles are read as GBK or UTF-8. Chainage texts are plain numbers (1250.5) or a "
      "segment letter and a number (B1250.5) where the line has chain breaks."};
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("lumora-cli ") + LUMORA_VERSION);
  app.set_help_all_flag("--help-all", "Show the help of every subcommand");

  AlignmentArgs a;
  std::vector<std::string> chainages;

  auto* alignment = app.add_subcommand(
      "alignment", "Print the built alignment: main points of every PI, or the element chain");
  add_alignment_options(*alignment, a);

  auto* point =
      app.add_subcommand("point", "Print point and azimuth of the centre line at chainage texts");
  add_alignment_options(*point, a);
  point->add_option("CHAINAGE", chainages, "chainage texts (1250.5, B1250.5)")->required();

  auto* clearance = app.add_subcommand(
      "clearance",
      "Compute the maximum lateral clearance at a chainage, along a chainage list "
      "or at a fixed interval");
  add_alignment_options(*clearance, a);
  double sight = 110;
  std::string sight_file, side = "inside", at, list, interval, from, to, output;
  auto* so = clearance->add_option("--sight", sight, "sight distance in metres (default 110)")
                 ->check(kFinite);
  auto* sf = clearance->add_option("--sight-file", sight_file,
                                   "sight-distance limit file (chainage and sight distance)");
  so->excludes(sf);
  clearance->add_option("--side", side, "inside: 弯道内侧 (default); median: 中央带")
      ->check(CLI::IsMember({"inside", "median"}));
  auto* at_opt = clearance->add_option("--at", at, "one chainage: print its clearance");
  auto* list_opt = clearance->add_option("--list", list, "chainage list file");
  auto* iv_opt = clearance->add_option("--interval", interval, "fixed chainage interval in metres")
                     ->check(kFinite);
  at_opt->excludes(list_opt)->excludes(iv_opt);
  list_opt->excludes(iv_opt);
  clearance->add_option("--from", from, "first chainage of the interval (default: line start)")
      ->needs(iv_opt);
  clearance->add_option("--to", to, "last chainage of the interval (default: line end)")
      ->needs(iv_opt);
  clearance->add_option("-o,--output", output,
                        "clearance result file to write (default: standard output)");

  auto* design = app.add_subcommand("design-line", "Draw the design line as DXF or SVG");
  add_alignment_options(*design, a);
  std::string drawing_out;
  design->add_option("-o,--output", drawing_out, "drawing to write: .dxf or .svg")->required();
  std::string svg_background = "dark";
  const char* svg_background_help =
      "SVG background: dark (default, for the screen) or light (for printing)";
  design->add_option("--svg-background", svg_background, svg_background_help)
      ->check(CLI::IsMember({"dark", "light"}));

  auto* envelope = app.add_subcommand(
      "envelope", "Draw the sight-distance envelope of a clearance result file as DXF or SVG");
  add_alignment_options(*envelope, a);
  std::string result_file;
  bool no_sight_lines = false, no_trajectory = false, with_design = false;
  envelope->add_option("RESULT-FILE", result_file, "clearance result file")->required();
  envelope->add_flag("--no-sight-lines", no_sight_lines, "do not draw the sight lines (视距线)");
  envelope->add_flag("--no-trajectory", no_trajectory, "do not draw the eye path (轨迹线)");
  envelope->add_flag("--with-design-line", with_design,
                     "draw the design line into the same drawing first");
  envelope->add_option("-o,--output", drawing_out, "drawing to write: .dxf or .svg")->required();
  envelope->add_option("--svg-background", svg_background, svg_background_help)
      ->check(CLI::IsMember({"dark", "light"}));

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? 0 : 2;
  }

  CliInterface ui;
  session::Session s(ui);
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) ::signal(sig, on_interrupt);
  try {
    // The files of the run, none of which an output may replace.
    const std::vector<std::filesystem::path> inputs = {
        a.pi, a.elements, a.chain_breaks, a.eye_offset_file, sight_file, list, result_file};
    const std::string& out_path = *clearance ? output : drawing_out;
    if (!out_path.empty()) refuse_input_as_output(out_path, inputs);

    if (!initialize(s, ui, a)) return 1;

    if (*alignment) return print_alignment(s);

    if (*point) {
      for (const auto& t : chainages) {
        double c = 0;
        try {
          c = s.resolve_typed_chainage(t);
        } catch (const lumora::LumoraError& e) {
          ui.show_message(e.title(), e.message(), e.detail());
          return 1;
        }
        const auto p = s.alignment()->point_at(c);
        std::cout << t << '\t' << format_fixed(c, 6) << '\t' << format_fixed(p.x, 6) << '\t'
                  << format_fixed(p.y, 6) << '\t' << format_fixed(p.azimuth, 9) << '\n';
      }
      return 0;
    }

    if (*clearance) {
      session::ClearanceOptions opt;
      opt.side = side == "median" ? lumora::sight::Side::median : lumora::sight::Side::inside;
      if (!sight_file.empty()) {
        opt.sight_file = true;
        ui.files[session::kSightLimitDialog.title] = sight_file;
      } else {
        opt.sight_text = lumora::text::format_shortest(sight);
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
        if (output.empty()) {
          // Written to a scratch file first, then copied to stdout whole.
          std::string dir = (std::filesystem::temp_directory_path() / "lumora-XXXXXX").string();
          if (dir.size() >= sizeof g_scratch_dir || !::mkdtemp(dir.data())) {
            std::cerr << lumora::kMsgSaveCancelled << "\n" << dir << ": 无法建立临时文件夹\n";
            return 1;
          }
          tmp_out = std::filesystem::path(dir) / "result.txt";
          std::strcpy(g_scratch_dir, dir.c_str());
          std::strcpy(g_scratch_file, tmp_out.c_str());
          ui.files[session::kResultSaveDialog.title] = tmp_out;
        } else {
          ui.files[session::kResultSaveDialog.title] = output;
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
        std::FILE* f = std::fopen(tmp_out.c_str(), "rb");
        if (f) {
          char buf[65536];
          std::size_t n;
          while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) std::fwrite(buf, 1, n, stdout);
          std::fclose(f);
        }
        remove_scratch();
        if (std::fflush(stdout) != 0) {
          std::cerr << lumora::kMsgSaveCancelled << "\n"
                    << "标准输出: 无法写入\n";
          return 1;
        }
      }
      return 0;
    }

    if (*design || *envelope) {
      if (*envelope && with_design && !s.design_line()) return 1;
      if (*design && !s.design_line()) return 1;
      if (*envelope) {
        ui.files[session::kResultOpenDialog.title] = result_file;
        if (!s.envelope(!no_sight_lines, !no_trajectory)) return 1;
      }
      lumora::cad::SvgOptions svg;
      if (svg_background == "light") svg.background = lumora::cad::SvgBackground::light;
      lumora::cad::write_drawing(*s.drawing(), drawing_out, svg);
      return 0;
    }
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
  return 0;
}
