#include "session/warning_summary.h"

#include <fmt/format.h>

namespace lumora::session {

WarningSummary::WarningSummary(UserInterface& ui, Format chainage_text)
    : ui_(ui), format_(std::move(chainage_text)) {}

WarningSummary::~WarningSummary() {
  try {
    flush();
  } catch (...) {
    // a warning that cannot be shown is not worth a crash
  }
}

void WarningSummary::add(const std::string& what, double c, double key, const std::string& detail) {
  if (open_ && what != what_) flush();
  if (!open_) {
    open_ = true;
    what_ = what;
    first_ = last_ = c;
  }
  first_ = std::min(first_, c);
  last_ = std::max(last_, c);
  if (keys_.insert(key).second && !detail.empty()) {
    ++detail_count_;
    if (details_.size() < kMaxDetails) details_.push_back(detail);
  }
}

void WarningSummary::note(const std::string& text) {
  flush();
  ui_.warn(text);
}

void WarningSummary::interrupt() {
  flush();
}

void WarningSummary::flush() {
  if (!open_) return;
  const std::string a = format_(first_);
  const std::string b = format_(last_);
  std::string line = a == b ? fmt::format("桩号 {}：{} {}", a, keys_.size(), what_)
                            : fmt::format("桩号 {} 至 {}：{} {}", a, b, keys_.size(), what_);
  if (!details_.empty()) {
    line += "（";
    for (std::size_t i = 0; i < details_.size(); ++i) line += (i ? "；" : "") + details_[i];
    if (detail_count_ > details_.size())
      line += fmt::format("；…另{}处", detail_count_ - details_.size());
    line += "）";
  }
  open_ = false;
  keys_.clear();
  details_.clear();
  detail_count_ = 0;
  ui_.warn(line);
}

}  // namespace lumora::session
