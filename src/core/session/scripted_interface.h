// A user interface that follows a script: file dialogs are answered from a
// queue (an empty answer is a cancelled dialog), and everything the commands
// show is recorded. Used by tests and benchmarks to run the commands without
// a screen.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "session/user_interface.h"

namespace lumora::session {

class ScriptedInterface : public UserInterface {
 public:
  struct Message {
    std::string title;
    std::string message;
    std::string detail;
  };

  /// Queues the answer to the next file dialog; an empty path cancels it.
  void answer(std::filesystem::path path) { answers_.push_back(std::move(path)); }

  std::optional<std::filesystem::path> choose_file(const FileDialog& dialog) override {
    dialogs.push_back(dialog);
    if (answers_.empty()) return std::nullopt;
    auto p = answers_.front();
    answers_.pop_front();
    if (p.empty()) return std::nullopt;
    return p;
  }
  /// Queues the answer to the next choice of items; nullopt cancels it.
  void answer_choice(std::optional<std::size_t> index) { choice_answers_.push_back(index); }

  std::optional<std::size_t> choose_item(const std::string& title,
                                         const std::vector<std::string>& items) override {
    choices.push_back({title, items});
    if (choice_answers_.empty()) return std::nullopt;
    auto a = choice_answers_.front();
    choice_answers_.pop_front();
    return a;
  }
  void show_message(const std::string& title, const std::string& message,
                    const std::string& detail) override {
    messages.push_back({title, message, detail});
  }
  void set_status(const std::string& text) override { status = text; }
  void progress(int k, int n) override { last_progress = {k, n}; }
  void warn(const std::string& text) override { warnings.push_back(text); }
  void drawing_stage(const std::string& text) override { stages.push_back(text); }
  bool cancel_requested() override {
    return cancel_after > 0 && last_progress.first >= cancel_after;
  }

  std::vector<FileDialog> dialogs;
  std::vector<Message> messages;
  std::vector<std::string> warnings;
  std::vector<std::string> stages;
  std::vector<std::pair<std::string, std::vector<std::string>>> choices;
  std::string status = "需初始化！";
  std::pair<int, int> last_progress{0, 0};
  /// Press the cancel button once this many chainages are done (0: never).
  int cancel_after = 0;

 private:
  std::deque<std::filesystem::path> answers_;
  std::deque<std::optional<std::size_t>> choice_answers_;
};

}  // namespace lumora::session
