// The design tables of the standards, as data: stopping sight distance,
// eye and object heights, minimum vertical curve radii, lengths and K values
// by design speed. Each table names its source.
#pragma once

#include <array>

namespace lumora::standards {

/// One design speed of JTG D20-2017 (公路路线设计规范).
struct JtgRow {
  int speed;              // km/h
  double car_stopping;    // 停车视距, cars, m
  double truck_stopping;  // 货车停车视距 on level grade, m
  double crest_general;   // 凸形竖曲线最小半径 一般值, m
  double crest_limit;     // 凸形竖曲线最小半径 极限值, m
  double sag_general;     // 凹形竖曲线最小半径 一般值, m
  double sag_limit;       // 凹形竖曲线最小半径 极限值, m
  double length_general;  // 竖曲线最小长度 一般值, m
  double length_min;      // 竖曲线最小长度 最小值, m
};

// JTG D20-2017 公路路线设计规范: 停车视距 (cars: eye 1.2 m, object 0.1 m),
// 货车停车视距 on level grade (eye 2.0 m, object 0.1 m), 竖曲线最小半径
// 和最小长度 (crest and sag radii 一般值/极限值, lengths 一般值/最小值).
inline constexpr std::array<JtgRow, 7> kJtg{{
    {120, 210, 245, 17000, 11000, 6000, 4000, 250, 100},
    {100, 160, 180, 10000, 6500, 4500, 3000, 210, 85},
    {80, 110, 125, 4500, 3000, 3000, 2000, 170, 70},
    {60, 75, 85, 2000, 1400, 1500, 1000, 120, 50},
    {40, 40, 50, 700, 450, 700, 450, 90, 35},
    {30, 30, 35, 400, 250, 400, 250, 60, 25},
    {20, 20, 20, 200, 100, 200, 100, 50, 20},
}};
inline constexpr double kJtgCarEye = 1.2;
inline constexpr double kJtgTruckEye = 2.0;
inline constexpr double kJtgObject = 0.1;

/// One design speed of the AASHTO Green Book.
struct AashtoRow {
  int speed;        // km/h
  double stopping;  // stopping sight distance, m
  double k_crest;   // rate of vertical curvature K = L/A, crest, m per %
  double k_sag;     // K, sag
};

// AASHTO, A Policy on Geometric Design of Highways and Streets, 7th edition
// (2018), metric units, chapter 3: stopping sight distance on level
// roadways (eye 1.08 m, object 0.60 m), and chapter 3's design controls for
// crest and for sag vertical curves (rate of vertical curvature K).
inline constexpr std::array<AashtoRow, 12> kAashto{{
    {20, 20, 1, 3},
    {30, 35, 2, 6},
    {40, 50, 4, 9},
    {50, 65, 7, 13},
    {60, 85, 11, 18},
    {70, 105, 17, 23},
    {80, 130, 26, 30},
    {90, 160, 39, 38},
    {100, 185, 52, 45},
    {110, 220, 74, 55},
    {120, 250, 95, 63},
    {130, 285, 124, 73},
}};
inline constexpr double kAashtoEye = 1.08;
inline constexpr double kAashtoObject = 0.60;

}  // namespace lumora::standards
