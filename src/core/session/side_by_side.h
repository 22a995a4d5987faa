// Work split over threads for the session's long serial steps (building both
// directions' searches, making and formatting a result file's rows): plain
// std::thread, the calling thread taking the first part, every error thrown
// on the calling thread after all parts have ended.
//
// Example:
//   run_side_by_side([&] { a(); }, [&] { b(); });
//   for_parts(rows.size(), [&](std::size_t k, std::size_t begin, std::size_t end) { ... });
#pragma once

#include <cstddef>
#include <functional>

namespace lumora::session {

/// Runs a and b (either may be empty) at once on two threads, or one after
/// the other where no thread can be started; the first error (a's before
/// b's) is thrown after both have ended.
void run_side_by_side(const std::function<void()>& a, const std::function<void()>& b);

/// The number of parts for_parts cuts n items into: one per core, fewer
/// where a part would hold under `min_part` items.
std::size_t part_count(std::size_t n, std::size_t min_part = 20000);

/// Calls part(k, begin, end) for k = 0 … part_count(n) − 1 at once, over
/// consecutive ranges covering the items 0 … n − 1.
void for_parts(std::size_t n,
               const std::function<void(std::size_t, std::size_t, std::size_t)>& part,
               std::size_t min_part = 20000);

}  // namespace lumora::session
