// Shared pieces of the fuzz harnesses. A harness feeds the bytes to a reader
// (or a whole run) and accepts two outcomes: a result, or one of the
// project's typed errors (LumoraError). Anything else ends the run as a
// finding: a sanitizer report, an exception of another type, a timeout
// (libFuzzer's -timeout), or a number that is not finite although the core
// raised no error.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "alignment.h"
#include "error.h"
#include "text/encoding.h"

namespace lumora::fuzz {

inline std::string_view bytes(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

/// The lines of a file holding `data` (decoded as the readers decode it).
/// Throws DataFormatError for bytes that are neither UTF-8 nor GBK.
inline std::vector<std::string> lines_of(std::string_view data) {
  return text::split_lines(text::decode_file_bytes(data, "fuzz"));
}

/// Several files in one input, separated by lines holding only "%%".
inline std::vector<std::string> parts_of(std::string_view data, std::size_t count) {
  std::vector<std::string> parts(count);
  std::size_t k = 0;
  std::size_t start = 0;
  while (start <= data.size() && k < count) {
    std::size_t end = data.find("\n%%", start);
    if (k + 1 == count || end == std::string_view::npos) {
      parts[k] = std::string(data.substr(start));
      break;
    }
    parts[k++] = std::string(data.substr(start, end - start));
    start = data.find('\n', end + 1);
    start = start == std::string_view::npos ? data.size() + 1 : start + 1;
  }
  return parts;
}

[[noreturn]] inline void fail(const std::string& what) {
  std::fprintf(stderr, "fuzz: %s\n", what.c_str());
  std::abort();
}

/// A number the core handed out without an error must be finite.
inline void check_finite(double v, const char* what) {
  if (!std::isfinite(v)) fail(std::string(what) + " is not finite");
}

inline void check_pose(const Pose& p) {
  check_finite(p.x, "point x");
  check_finite(p.y, "point y");
  check_finite(p.azimuth, "azimuth");
}

/// Runs f; the project's typed errors are an accepted outcome.
template <class F>
void guarded(F&& f) {
  try {
    f();
  } catch (const LumoraError& e) {
    // The typed error must carry the system's message.
    if (e.message().empty()) fail("typed error without a message");
  }
}

}  // namespace lumora::fuzz
