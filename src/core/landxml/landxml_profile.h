// The vertical alignment of a LandXML alignment: the first <ProfAlign> of
// its <Profile> (or the one named), and the first <ProfSurf> as the ground
// line.
//
// ProfAlign elements, each "station elevation" in the file's linearUnit:
//   PVI                               a PVI without curve;
//   ParaCurve length                  a symmetric parabola of that length;
//   UnsymParaCurve lengthIn lengthOut the unsymmetrical parabola;
//   CircCurve radius length           a circle of that radius tangent to
//                                     both grades; the length (arc or
//                                     horizontal, exporters disagree) is only
//                                     checked loosely.
// Stations of a ProfAlign are the alignment's internal stations: the
// continuous chainage, from staStart on, that the station equations
// (chain breaks) translate into the numbering shown (a PVI at internal
// station 300 after an equation 289.625 → 290 is shown as B300.375). The
// exports that carry both equations and profiles write them so: their
// profiles end at the internal end station of the alignment, and their
// grades are round over internal stations. Profile::build then checks the
// profile (see profile/profile.h). A signed CircCurve radius (negative on
// crests, as some exporters write it) is taken by its magnitude.
//
// Example:
//   auto doc = Document::parse(bytes, "road.xml");
//   Road road = doc.build(0);
//   auto p = read_profile(bytes, "road.xml", doc.unit(), 0, "");
//   if (p) p->elevation_at(150);
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "profile/profile.h"

namespace lumora::landxml {

/// The profile of the alignment at `index` among the file's <Alignment>s
/// (Document::names() order; a joined run of alignments has none), or
/// nullopt when it has no ProfAlign. `unit` is metres per linearUnit
/// (Document::unit). `profile_name` picks a ProfAlign by name (empty: the
/// first). Throws DataFormatError naming the file and line for a ProfAlign
/// that cannot be read, every check of Profile::build, and a profile_name
/// the alignment does not have (listing the names it has).
std::optional<profile::Profile> read_profile(std::string_view bytes, const std::string& file,
                                             double unit, std::size_t index,
                                             const std::string& profile_name);

}  // namespace lumora::landxml
