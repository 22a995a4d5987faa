// The small interface through which the commands talk to the user: choose a
// file, show a message, set the status text, report progress, warn. The
// desktop window implements it with dialogs, the command line with its
// arguments, and the tests with a script.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace lumora {

/// A file dialog as a command opens it.
struct FileDialog {
  std::string title;   // e.g. "读取平面资料"
  std::string filter;  // e.g. "文本文件(*.txt;*.jdx)|*.txt;*.jdx|所有文件（*.*)|*.*"
  bool save = false;   // a save dialog (the file is to be written)
  /// A choice besides the file that a front end may offer as a button
  /// ("无断链"); choosing it answers as a cancel does (nullopt).
  std::string skip_choice = {};
};

class UserInterface {
 public:
  virtual ~UserInterface() = default;

  /// Asks for a file. nullopt when the user cancels.
  virtual std::optional<std::filesystem::path> choose_file(const FileDialog& dialog) = 0;

  /// Asks the user to pick one of several items (the alignments of a file
  /// that holds more than one). The index picked, or nullopt when the user
  /// cancels. The default cancels: a front end without such a choice lets
  /// the command say what it needs instead.
  virtual std::optional<std::size_t> choose_item(const std::string& /*title*/,
                                                 const std::vector<std::string>& /*items*/) {
    return std::nullopt;
  }

  /// Asks which alignment of a file to use: `names` as they are known
  /// (--alignment NAME), `details` one line each for the choice (length,
  /// start and end station, element count). The default offers the names.
  virtual std::optional<std::size_t> choose_alignment(const std::vector<std::string>& names,
                                                      const std::vector<std::string>& /*details*/) {
    return choose_item("选择路线", names);
  }

  /// A message box: title ("错误", "数据有误"), the system's message, and a
  /// detail that says where the data is wrong (may be empty).
  virtual void show_message(const std::string& title, const std::string& message,
                            const std::string& detail) = 0;

  /// The status label ("需初始化！", "初始化完成！", "计算完成！", ...).
  virtual void set_status(const std::string& text) = 0;

  /// Progress of a long run: entry k of n done.
  virtual void progress(int k, int n) = 0;

  /// A warning that does not stop the command (overlapping curves, a sight
  /// line that needed the fallback fit).
  virtual void warn(const std::string& text) = 0;

  /// The stage a design-line drawing has reached ("正在生成设计线", ...),
  /// which the drawing-status window shows.
  virtual void drawing_stage(const std::string& /*text*/) {}

  /// Polled after every chainage of a list or interval run: true ends the
  /// run with no file written and the status "计算已取消！". A window with a
  /// cancel button answers it; scripts never cancel.
  virtual bool cancel_requested() { return false; }
};

}  // namespace lumora
