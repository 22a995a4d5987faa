// The bounds of the work one command may be asked to do. No real road comes
// near them; each exists so that a damaged or hostile file is refused with a
// message instead of running or allocating without end.
#pragma once

#include <cstddef>

namespace lumora {

/// Largest input file read (256 MiB): the longest real PI, element or list
/// files are a few megabytes.
inline constexpr std::size_t kMaxInputFileBytes = std::size_t{256} << 20;

/// Most lines of an input file (16 777 216): room for the longest chainage
/// list a run takes.
inline constexpr std::size_t kMaxInputLines = std::size_t{1} << 24;

/// Longest line of an input file (1 MiB).
inline constexpr std::size_t kMaxLineBytes = std::size_t{1} << 20;

/// Most chainages computed in one clearance run, from a list file or a fixed
/// interval (10 million: a 10 000 km line every metre).
inline constexpr std::size_t kMaxChainagesPerRun = 10'000'000;

/// Largest magnitude of a coordinate, chainage, radius or length in the data
/// files (1e9 m: a million kilometres). Beyond it a step of a millimetre is
/// lost in the rounding of a double.
inline constexpr double kMaxDataMagnitude = 1e9;

}  // namespace lumora
