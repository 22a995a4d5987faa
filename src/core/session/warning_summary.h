// Warnings gathered into one line per fact.
//
// A long run meets the same fact again and again: a sight line whose start
// needed bisection is laid for every chainage that it passes, and a line of
// 100 km gives thousands of such lines from a few hundred sight lines.
// WarningSummary takes the facts in the order they arise and gives one
// warning for each run of the same fact at neighbouring places: the range
// of chainages it concerns and how many distinct things (sight lines,
// joints) it counts, e.g.
//   "桩号 K17+472 至 K17+539：68 条视线改用二分法确定起点".
// A run ends where another fact arrives, where interrupt() says that a place
// went by without the fact, and at flush(). Warnings leave through
// UserInterface::warn, one call per summarised fact, in order.
//
// Example:
//   WarningSummary w(ui, [&](double c) { return breaks.sj_dlstr_k(c); });
//   for (...) {
//     for (double q : r.fallback_chainages) w.add("条视线改用二分法确定起点", c, q);
//     if (r.fallback_chainages.empty()) w.interrupt();
//   }
//   w.flush();
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "session/user_interface.h"

namespace lumora::session {

class WarningSummary {
 public:
  using Format = std::function<std::string(double)>;

  WarningSummary(UserInterface& ui, Format chainage_text);
  ~WarningSummary();  // flushes
  WarningSummary(const WarningSummary&) = delete;
  WarningSummary& operator=(const WarningSummary&) = delete;

  /// The fact `what` (the words after the count) at continuous chainage c,
  /// about the thing identified by `key`: a run counts its distinct keys.
  /// `detail`, when not empty, is listed after the count (the first few).
  void add(const std::string& what, double c, double key, const std::string& detail = {});
  /// A warning of its own, passed on at once after the run before it.
  void note(const std::string& text);
  /// A place went by without the fact of the current run: the run ends.
  void interrupt();
  /// Delivers the current run.
  void flush();

  /// The most details a line lists.
  static constexpr std::size_t kMaxDetails = 5;

 private:
  UserInterface& ui_;
  Format format_;
  bool open_ = false;
  std::string what_;
  double first_ = 0, last_ = 0;
  std::set<double> keys_;
  std::vector<std::string> details_;
  std::size_t detail_count_ = 0;
};

}  // namespace lumora::session
