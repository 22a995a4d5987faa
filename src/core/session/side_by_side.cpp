#include "session/side_by_side.h"

#include <algorithm>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace lumora::session {

void run_side_by_side(const std::function<void()>& a, const std::function<void()>& b) {
  if (!a || !b) {
    if (a) a();
    if (b) b();
    return;
  }
  std::exception_ptr error_b;
  std::thread other;
  try {
    other = std::thread([&] {
      try {
        b();
      } catch (...) {
        error_b = std::current_exception();
      }
    });
  } catch (const std::system_error&) {
    a();
    b();
    return;
  }
  std::exception_ptr error_a;
  try {
    a();
  } catch (...) {
    error_a = std::current_exception();
  }
  other.join();
  if (error_a) std::rethrow_exception(error_a);
  if (error_b) std::rethrow_exception(error_b);
}

std::size_t part_count(std::size_t n, std::size_t min_part) {
  const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
  return std::clamp<std::size_t>(n / std::max<std::size_t>(min_part, 1), 1, cores);
}

void for_parts(std::size_t n,
               const std::function<void(std::size_t, std::size_t, std::size_t)>& part,
               std::size_t min_part) {
  const std::size_t parts = part_count(n, min_part);
  std::vector<std::exception_ptr> errors(parts);
  auto range = [&](std::size_t k) {
    try {
      part(k, n * k / parts, n * (k + 1) / parts);
    } catch (...) {
      errors[k] = std::current_exception();
    }
  };
  // Each range but the first on a thread of its own, the first on this one.
  std::vector<std::thread> threads;
  for (std::size_t k = 1; k < parts; ++k) {
    try {
      threads.emplace_back(range, k);
    } catch (const std::system_error&) {
      range(k);
    }
  }
  range(0);
  for (auto& t : threads) t.join();
  for (const auto& e : errors) {
    if (e) std::rethrow_exception(e);
  }
}

}  // namespace lumora::session
