#include "standards/standards.h"

#include <fmt/format.h>

#include <cmath>

#include "error.h"
#include "standards/tables.h"
#include "text/format.h"

namespace lumora::standards {
namespace {

template <class Table>
const typename Table::value_type& row(const Table& table, double speed, Standard s) {
  for (const auto& r : table) {
    if (std::fabs(r.speed - speed) < 1e-9) return r;
  }
  std::string list;
  for (const auto& r : table) list += (list.empty() ? "" : ", ") + std::to_string(r.speed);
  throw DataFormatError(fmt::format("设计速度{} km/h不在{}的表中 (可选: {} km/h)",
                                    text::format_shortest(speed), standard_name(s), list));
}

}  // namespace

Standard parse_standard(std::string_view s) {
  if (s == "jtg") return Standard::jtg;
  if (s == "aashto") return Standard::aashto;
  throw DataFormatError("规范「" + text::excerpt(s) + "」应为 jtg 或 aashto");
}

Vehicle parse_vehicle(std::string_view s) {
  if (s == "car") return Vehicle::car;
  if (s == "truck") return Vehicle::truck;
  throw DataFormatError("车型「" + text::excerpt(s) + "」应为 car 或 truck");
}

std::string standard_name(Standard s) {
  return s == Standard::jtg ? "JTG D20-2017" : "AASHTO 2018";
}

std::vector<int> design_speeds(Standard s) {
  std::vector<int> out;
  if (s == Standard::jtg) {
    for (const auto& r : kJtg) out.push_back(r.speed);
  } else {
    for (const auto& r : kAashto) out.push_back(r.speed);
  }
  return out;
}

SightRequirement resolve_sight(double speed, Standard standard, Vehicle vehicle,
                               std::optional<double> eye_height,
                               std::optional<double> object_height) {
  SightRequirement r;
  r.speed = speed;
  r.standard = standard;
  r.vehicle = vehicle;
  if (standard == Standard::jtg) {
    const JtgRow& j = row(kJtg, speed, standard);
    const bool car = vehicle == Vehicle::car;
    r.sight_distance = car ? j.car_stopping : j.truck_stopping;
    r.eye_height = car ? kJtgCarEye : kJtgTruckEye;
    r.object_height = kJtgObject;
  } else {
    if (vehicle == Vehicle::truck) {
      throw DataFormatError("AASHTO 2018 的货车停车视距未列入本程序的表 (请用 car，或给出视距)");
    }
    const AashtoRow& a = row(kAashto, speed, standard);
    r.sight_distance = a.stopping;
    r.eye_height = kAashtoEye;
    r.object_height = kAashtoObject;
  }
  if (eye_height) {
    if (!(std::isfinite(*eye_height) && *eye_height > 0)) {
      throw DataFormatError("视点高度「" + text::format_shortest(*eye_height) + "」必须大于0");
    }
    r.eye_height = *eye_height;
  }
  if (object_height) {
    if (!(std::isfinite(*object_height) && *object_height >= 0)) {
      throw DataFormatError("物高「" + text::format_shortest(*object_height) + "」不能为负");
    }
    r.object_height = *object_height;
  }
  return r;
}

CurveMinimums curve_minimums(double speed, Standard standard) {
  CurveMinimums m;
  if (standard == Standard::jtg) {
    const JtgRow& j = row(kJtg, speed, standard);
    m.crest_general = j.crest_general;
    m.crest_limit = j.crest_limit;
    m.sag_general = j.sag_general;
    m.sag_limit = j.sag_limit;
    m.length_general = j.length_general;
    m.length_min = j.length_min;
  } else {
    const AashtoRow& a = row(kAashto, speed, standard);
    m.k_crest = a.k_crest;
    m.k_sag = a.k_sag;
  }
  return m;
}

}  // namespace lumora::standards
