// The required stopping sight distance and the driver's eye and object
// heights for a design speed, from the tables of the standard chosen (JTG
// D20-2017 or the AASHTO Green Book 2018, tables.h), and the minimum
// vertical curves the standard asks at that speed.
//
// Lookups are exact: the design speed must be one of the table's speeds
// (within 1e-9 km/h); any other speed is refused with the list of speeds.
// AASHTO's truck distances are not tabulated here: the truck vehicle is
// refused with it.
//
// Example:
//   SightRequirement r = resolve_sight(100, Standard::jtg, Vehicle::car);
//   r.sight_distance;   // 160
//   r.eye_height;       // 1.2
//   resolve_sight(90, Standard::jtg, Vehicle::car);   // throws: 120, 100, …
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumora::standards {

enum class Standard { jtg, aashto };
enum class Vehicle { car, truck };

/// "jtg" / "aashto" and "car" / "truck" (DataFormatError otherwise).
Standard parse_standard(std::string_view s);
Vehicle parse_vehicle(std::string_view s);
/// "JTG D20-2017", "AASHTO 2018".
std::string standard_name(Standard s);

/// The design speeds of a standard's table, fastest first.
std::vector<int> design_speeds(Standard s);

struct SightRequirement {
  double speed = 0;  // km/h
  Standard standard = Standard::jtg;
  Vehicle vehicle = Vehicle::car;
  double sight_distance = 0;  // m
  double eye_height = 0;      // m above the road
  double object_height = 0;   // m above the road
};

/// The stopping sight distance and the heights at a design speed. The
/// overrides replace the table's heights (each must be a finite number, the
/// eye above 0, the object at least 0). Throws DataFormatError for a speed
/// outside the table (the detail lists its speeds), for the AASHTO truck and
/// for a bad override.
SightRequirement resolve_sight(double speed, Standard standard, Vehicle vehicle,
                               std::optional<double> eye_height = std::nullopt,
                               std::optional<double> object_height = std::nullopt);

/// The minimum vertical curves of a standard at a design speed. JTG gives
/// radii and lengths (一般值 and 极限值 / 最小值), AASHTO the K values; the
/// fields of the other standard are 0.
struct CurveMinimums {
  double crest_general = 0, crest_limit = 0;  // JTG, m
  double sag_general = 0, sag_limit = 0;      // JTG, m
  double length_general = 0, length_min = 0;  // JTG, m
  double k_crest = 0, k_sag = 0;              // AASHTO, m per % of grade change
};
/// Throws DataFormatError for a speed outside the table.
CurveMinimums curve_minimums(double speed, Standard standard);

}  // namespace lumora::standards
