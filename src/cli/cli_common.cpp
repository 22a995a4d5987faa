#include "cli_common.h"

#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "cad/write_atomic.h"
#include "error.h"
#include "session/dialogs.h"
#include "session/profile_input.h"
#include "text/format.h"

namespace lumora::cli {

std::optional<std::filesystem::path> CliInterface::choose_file(const FileDialog& dialog) {
  const auto it = files.find(dialog.title);
  if (it == files.end()) return std::nullopt;
  return it->second;
}

void CliInterface::show_message(const std::string&, const std::string& message,
                                const std::string& detail) {
  end_progress();
  std::cerr << message << "\n";
  if (!detail.empty()) std::cerr << detail << "\n";
}

std::optional<std::size_t> CliInterface::choose_item(const std::string&,
                                                     const std::vector<std::string>& items) {
  std::cerr << "文件中有多条路线，请用 --alignment NAME 选择其一:\n";
  for (const auto& item : items) std::cout << item << "\n";
  return std::nullopt;
}

void CliInterface::progress(int k, int n) {
  if (!show_progress) return;
  std::cerr << "\r" << k << "/" << n << std::flush;
  progress_shown_ = true;
}

void CliInterface::warn(const std::string& text) {
  end_progress();
  std::cerr << "警告: " << text << "\n";
}

void CliInterface::end_progress() {
  if (progress_shown_) std::cerr << "\n";
  progress_shown_ = false;
}

const CLI::Validator kFinite(
    [](std::string& s) {
      double v = 0;
      if (!CLI::detail::lexical_cast(s, v) || !std::isfinite(v)) {
        return std::string("must be a finite number: ") + text::excerpt(s);
      }
      return std::string();
    },
    "FINITE");

std::vector<std::filesystem::path> AlignmentArgs::files() const {
  std::vector<std::filesystem::path> out;
  for (const auto* f : {&pi, &elements, &landxml, &chain_breaks, &eye_offset_file, &profile.file}) {
    if (!f->empty()) out.emplace_back(*f);
  }
  return out;
}

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
  init.eye_offset_text = text::format_shortest(a.eye_offset);
  if (!a.profile.name.empty() && a.landxml.empty()) {
    throw CLI::ValidationError("--profile-name", "names the profile of a --landxml alignment");
  }
  init.read_profile = !a.profile.file.empty();
  if (init.read_profile) ui.files[session::kProfileDialog.title] = a.profile.file;
  init.profile_name = a.profile.name;
  return s.initialize(init);
}

void add_svg_background_option(CLI::App& cmd, std::string& background) {
  cmd.add_option("--svg-background", background,
                 "SVG background: dark (default, for the screen) or light (for printing)")
      ->check(CLI::IsMember({"dark", "light"}));
}

// The scratch file of a run without -o: its folder is made when the run
// starts and holds nothing until the result is written, and both are removed
// however the run ends, an interrupt included (plain buffers, so that the
// signal handler may read them).
namespace {
char g_scratch_dir[256];
char g_scratch_file[512];
}  // namespace

void remove_scratch() {
  cad::remove_pending_temp_file();
  if (g_scratch_file[0]) ::unlink(g_scratch_file);
  if (g_scratch_dir[0]) ::rmdir(g_scratch_dir);
}

std::optional<std::filesystem::path> make_scratch_file(const char* name) {
  std::string dir = (std::filesystem::temp_directory_path() / "lumora-XXXXXX").string();
  if (dir.size() >= sizeof g_scratch_dir || !::mkdtemp(dir.data())) {
    std::cerr << kMsgSaveCancelled << "\n" << dir << ": 无法建立临时文件夹\n";
    return std::nullopt;
  }
  const auto file = std::filesystem::path(dir) / name;
  if (file.native().size() >= sizeof g_scratch_file) {
    ::rmdir(dir.c_str());
    std::cerr << kMsgSaveCancelled << "\n" << dir << ": 无法建立临时文件夹\n";
    return std::nullopt;
  }
  std::strcpy(g_scratch_dir, dir.c_str());
  std::strcpy(g_scratch_file, file.c_str());
  return file;
}

bool copy_scratch_to_stdout(const std::filesystem::path& file) {
  std::FILE* f = std::fopen(file.c_str(), "rb");
  if (f) {
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) std::fwrite(buf, 1, n, stdout);
    std::fclose(f);
  }
  remove_scratch();
  if (std::fflush(stdout) != 0) {
    std::cerr << kMsgSaveCancelled << "\n"
              << "标准输出: 无法写入\n";
    return false;
  }
  return true;
}

}  // namespace lumora::cli
