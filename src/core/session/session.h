// The program-wide state and the commands that tie the parts together:
// initialization, the lateral-clearance command, the sight-distance envelope
// and the design-line drawing. The commands reach the user only through a
// UserInterface (file dialogs, message boxes, status label, progress), so
// every command, message and cancel path runs without a screen.
//
// Usage:
//   Session s(ui);
//   InitOptions init;                    // main line, eye 7.25 m right
//   if (s.initialize(init)) {
//     ClearanceOptions c;                // single chainage, S = 110, inside
//     c.single_chainage = "1500";
//     auto text = s.clearance(c);        // "-2.137", or nullopt after a message
//   }
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "alignment.h"
#include "cad/document.h"
#include "chainage/chain_breaks.h"
#include "interchange/interchange.h"
#include "mainline/mainline.h"
#include "profile/profile.h"
#include "session/result_file.h"
#include "session/sight_check.h"
#include "session/user_interface.h"
#include "sight/clearance.h"
#include "sight/clearance_list.h"
#include "sight/eye_path.h"

namespace lumora::session {

enum class AlignmentKind {
  main_line,    // "交点法—主线"
  interchange,  // "积木法—互通"
};

/// The inputs of "初 始 化".
struct InitOptions {
  AlignmentKind kind = AlignmentKind::main_line;
  bool eye_offset_file = false;           // "读取司机视点距设计线的距离文件"
  std::string eye_offset_text = "-7.25";  // "司机视点距设计线的距离"
  bool read_chain_breaks = true;          // the window always asks; scripts may do without
  // Interchange only: the alignment file must be LandXML (otherwise it is
  // recognised by its content), and the name of the LandXML alignment to
  // use (empty: the only one, or the user picks one).
  bool require_landxml = false;
  std::string landxml_alignment;
  // "读取纵断面文件": ask for the profile file after the alignment's files
  // (it takes the place of a LandXML profile). Without it a LandXML
  // alignment brings its own profile: the first ProfAlign, or the one named.
  bool read_profile = false;
  std::string profile_name;
};

enum class ChainageMode {
  single,    // "单个桩号"
  list,      // "读取桩号文件"
  interval,  // "固定桩号间距"
};

/// The inputs of "横净距计算".
struct ClearanceOptions {
  ChainageMode mode = ChainageMode::single;
  std::string single_chainage;        // the single chainage text
  std::string interval_text = "100";  // chainage interval
  std::string from_text;              // start chainage; empty = the line's start
  std::string to_text;                // end chainage; empty = the line's end
  bool sight_file = false;            // "读取视距限值文件"
  std::string sight_text = "110";     // "视距限值"
  sight::Side side = sight::Side::inside;
  /// How the list modes compute: sight lines shared between neighbouring
  /// chainages on all cores, or each chainage on its own (the same numbers).
  sight::Method method = sight::Method::shared;
  unsigned threads = 0;  // 0: one per core
};

/// The inputs of "横净距计算" with their numbers read: what a run computes
/// on. Chainage texts stay texts, since only the line's chain breaks can
/// place them.
struct ClearanceRun {
  ChainageMode mode = ChainageMode::single;
  std::string single_chainage;
  double interval = 100;  // 固定桩号间距, > 0 (interval mode only)
  std::string from_text;
  std::string to_text;
  bool sight_file = false;
  double sight = 110;  // 视距限值 (without the limit file)
  sight::Side side = sight::Side::inside;
  sight::Method method = sight::Method::shared;
  unsigned threads = 0;

  /// Reads the number boxes of `o` that its mode uses (text::input_number):
  /// DataFormatError naming the box and quoting its text.
  static ClearanceRun read(const ClearanceOptions& o);
  /// The run as the window's inputs would give it (numbers as their
  /// shortest texts), for the record of what the results came from.
  ClearanceOptions as_options() const;
};

/// A file a command read, named by the title of the dialog it was chosen in
/// ("读取平面资料", "读取视距限值文件", …).
struct InputFile {
  std::string role;
  std::filesystem::path path;
};

/// What the current results were computed from, for the calculation report.
struct RunRecord {
  InitOptions init;  // the initialization in force
  /// The run behind last_result(); nullopt when the rows were opened from a
  /// result file.
  std::optional<ClearanceOptions> clearance;
  /// The last sight check since the initialization (nullopt: none).
  std::optional<SightCheckOptions> sight_check;
  /// Every file read: the initialization's, then the run's (sight limits,
  /// chainage list) or the result file opened, then the sight check's.
  std::vector<InputFile> files;
};

class Session {
 public:
  explicit Session(UserInterface& ui);
  ~Session();

  /// "初 始 化". Reads the alignment, chain breaks and eye offsets, builds the
  /// eye path and shows "初始化完成！". Returns false after a message. A run
  /// that fails keeps the previous initialization in force, whole.
  bool initialize(const InitOptions& options);

  /// The effect of changing the eye offset in the window: back to
  /// "需初始化！".
  void invalidate();

  bool initialized() const { return state_ != nullptr; }

  /// Start and end chainage texts of the line, as the window shows them.
  std::string start_text() const;
  std::string end_text() const;

  /// For a LandXML alignment: the file's unit and start station beside the
  /// metres the program computes in ("文件单位 foot (1 foot = 0.3048 m)，
  /// staStart 0 foot = 0.000 m；长度、桩号和坐标均以米计"); empty otherwise.
  std::string units_note() const;

  /// "横净距计算". In single mode returns the clearance text ("0.000");
  /// in the list modes returns an empty text once the file is written.
  /// nullopt after a message.
  /// The numbers of `options` are read first (ClearanceRun::read): a text
  /// that is not a number ends the command before any file dialog.
  std::optional<std::string> clearance(const ClearanceOptions& options);
  std::optional<std::string> clearance(const ClearanceRun& run);

  /// The sight-distance limit file is read once per initialization and kept;
  /// this forgets it, so that the next run asks for the file again.
  void forget_sight_limits();

  /// The rows of the file that the last list or interval run wrote (empty
  /// before the first, and after a failed or cancelled run).
  /// After open_result(), the rows of the file opened.
  const std::vector<ResultRow>& last_result() const { return last_rows_; }
  /// The file those rows came from or went to (empty when there are none).
  const std::filesystem::path& last_result_path() const { return last_result_path_; }

  /// "打开结果文件…": reads a result file as the envelope command does (the
  /// same dialog, the same checks and messages) and keeps its rows as
  /// last_result(). Returns false after a message; the rows kept before stay.
  bool open_result();

  /// The settings and files behind the current initialization and results.
  RunRecord run_record() const;

  /// The title of the alignment: the title line of a PI data file, the
  /// alignment's name in a LandXML file, else the name of the alignment
  /// file. Empty before initialization.
  std::string title() const;
  /// The name of the alignment file (empty before initialization).
  std::string alignment_file() const;

  /// "视距包络图": reads a result file and draws it into the open drawing.
  bool envelope(bool draw_sight_lines, bool draw_trajectory);

  /// "视距检查": the available sight distance at the chainages of the mode,
  /// in the directions asked for (session/sight_check.h). Progress k/n and
  /// cancel as for the clearance; the result file goes through its save
  /// dialog. nullptr after a message or a cancel; else the result the
  /// session keeps (last_sight_check(), valid until the next sight check or
  /// initialization).
  const SightCheckResult* sight_check(const SightCheckOptions& options);
  /// The result of the last sight check since the initialization (nullptr
  /// when none succeeded): the rows as its file holds them.
  const SightCheckResult* last_sight_check() const { return last_sight_ ? &*last_sight_ : nullptr; }

  /// "设计线": draws the design line into the open drawing.
  bool design_line();

  /// The open drawing (nullptr before the first drawing command).
  cad::DrawingDocument* drawing() { return drawing_.get(); }

  // Read access to the current models, for scripts and tests.
  const Alignment* alignment() const;
  const zxbas::MainLine* main_line() const;
  const htbas::Interchange* interchange() const;
  const chainage::ChainBreakTable* chain_breaks() const;
  const sight::EyePath* eye_path() const;
  /// The vertical profile read with the alignment (nullptr when none was).
  const profile::Profile* profile() const;
  /// The road's elevations: the profile, or a level road without one.
  const Elevation& elevation() const;

  /// The files the current initialization read (alignment, chain breaks,
  /// eye offsets): no command may write over them.
  std::vector<std::filesystem::path> input_files() const;

  /// Resolves a chainage text typed by the user: the text must be a
  /// chainage text (DataFormatError), then dlstr_check, zh_dlstr, dlstr_sj
  /// (DataCheckError with the system's sentence); a lettered text within
  /// half a millimetre beyond its segment's end is taken at the end.
  double resolve_typed_chainage(const std::string& text) const;

 private:
  struct State;
  template <class F>
  bool run(F&& command);
  std::vector<ResultRow> read_result_rows(std::filesystem::path& path) const;

  UserInterface& ui_;
  std::unique_ptr<State> state_;
  std::vector<ResultRow> last_rows_;
  std::filesystem::path last_result_path_;
  std::optional<ClearanceOptions> last_options_;
  std::vector<InputFile> last_files_;
  std::optional<SightCheckResult> last_sight_;
  std::optional<SightCheckOptions> last_sight_options_;  // elevation not kept
  std::vector<InputFile> last_sight_files_;
  std::unique_ptr<cad::DrawingDocument> drawing_;
};

}  // namespace lumora::session
