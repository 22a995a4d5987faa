// The inputs and the result of "视距检查": the available sight distance along
// the line, in one or both directions, against the obstructions and the road
// surface, compared with the required sight distance.
//
// The session command (Session::sight_check) reads the obstructions, builds
// the eye path of each direction checked (forward: the initialization's; backward: its
// own offset, by default the forward offset negated, i.e. the other
// carriageway), computes one sight per chainage and direction, asks where to
// save the result file and writes it (session/sight_check_result.h), and on
// request draws the check into the open drawing.
//
// Example:
//   SightCheckOptions o;
//   o.mode = ChainageMode::interval;
//   o.interval_text = "20";
//   o.obstruction_files = {"examples/mainline-obstructions.txt"};
//   o.directions = SightDirections::both;
//   auto r = session.sight_check(o);   // nullptr after a message or a cancel
//   for (auto& line : r->summary) std::cout << line << "\n";
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "obstruction/dxf_obstructions.h"
#include "obstruction/obstruction.h"
#include "profile/elevation.h"
#include "session/sight_check_result.h"
#include "visibility/available_sight.h"

namespace lumora::session {

enum class ChainageMode;

enum class SightDirections { forward, backward, both };

/// One DXF file and the layers to read from it.
struct ObstructionDxf {
  std::filesystem::path file;
  std::vector<obstruction::LayerRequest> layers;
};

/// The inputs of "视距检查".
struct SightCheckOptions {
  ChainageMode mode{};                // as for the clearance
  std::string single_chainage;        // the single chainage text
  std::string interval_text = "100";  // chainage interval
  std::string from_text;              // empty: the line's start
  std::string to_text;                // empty: the line's end
  bool sight_file = false;            // required sight distance from the limit file
  std::string sight_text = "110";     // required sight distance

  std::vector<std::filesystem::path> obstruction_files;  // 障碍物文件
  std::vector<ObstructionDxf> obstruction_dxf;

  SightDirections directions = SightDirections::forward;
  /// The backward eye path's offset: a constant, or a file (an eye-offset
  /// file); neither: the forward offset negated.
  std::optional<double> backward_offset;
  std::filesystem::path backward_offset_file;

  visibility::Heights heights;           // eye 1.2 m, object 0.1 m
  double max_distance = 0;               // D_max; 0: twice the required
  const Elevation* elevation = nullptr;  // the road's profile; nullptr: level
  visibility::Method method = visibility::Method::fast;
  unsigned threads = 0;  // 0: one per core

  bool save = true;          // ask for the result file and write it
  bool draw = false;         // draw into the open drawing
  int drawing_interval = 1;  // draw every n-th sight line
};

/// What a sight check found.
struct SightCheckResult {
  std::vector<SightRow> rows;  // as the file holds them
  std::vector<DeficientRange> ranges;
  std::vector<std::string> summary;
  std::vector<obstruction::Obstruction> obstructions;
  bool forward = true;
  bool backward = false;
  bool on_profile = false;     // the road surface was a profile, not level
  std::filesystem::path path;  // the file written (empty when not saved)
};

}  // namespace lumora::session
