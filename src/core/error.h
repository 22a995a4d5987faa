// Typed errors of the commands. Every error carries the system's message (the
// text the user sees in the message box), the box's title, and a detail that
// says where the data is wrong (file, line, field, chainage).
#pragma once

#include <stdexcept>
#include <string>

namespace lumora {

inline constexpr const char* kMsgDataFormat = "数据文件格式有误或操作有误！";
inline constexpr const char* kMsgReadCancelled = "读取文件被取消！";
inline constexpr const char* kMsgSaveCancelled = "保存文件被取消！";
inline constexpr const char* kTitleError = "错误";
inline constexpr const char* kTitleDataCheck = "数据有误";

class LumoraError : public std::runtime_error {
 public:
  LumoraError(std::string title, std::string message, std::string detail)
      : std::runtime_error(detail.empty() ? message : message + " " + detail),
        title_(std::move(title)),
        message_(std::move(message)),
        detail_(std::move(detail)) {}

  const std::string& title() const noexcept { return title_; }
  const std::string& message() const noexcept { return message_; }
  const std::string& detail() const noexcept { return detail_; }

 private:
  std::string title_;
  std::string message_;
  std::string detail_;
};

/// Bad data or an impossible operation: "数据文件格式有误或操作有误！".
class DataFormatError : public LumoraError {
 public:
  explicit DataFormatError(std::string detail)
      : LumoraError(kTitleError, kMsgDataFormat, std::move(detail)) {}
};

/// A file dialog closed without a file, or a file that cannot be opened.
class CancelledError : public LumoraError {
 public:
  enum class Kind { read, save };
  explicit CancelledError(Kind kind, std::string detail = {})
      : LumoraError(kTitleError, kind == Kind::read ? kMsgReadCancelled : kMsgSaveCancelled,
                    std::move(detail)),
        kind_(kind) {}
  Kind kind() const noexcept { return kind_; }

 private:
  Kind kind_;
};

/// A check of the user's data failed (chainage outside the line, in a gap of
/// the chain breaks, ...). Shown with the title "数据有误"; the message is the
/// check's own sentence.
class DataCheckError : public LumoraError {
 public:
  explicit DataCheckError(std::string message, std::string detail = {})
      : LumoraError(kTitleDataCheck, std::move(message), std::move(detail)) {}
};

}  // namespace lumora
