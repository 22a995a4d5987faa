// The standards' tables: a lookup per standard and vehicle, the overrides of
// the heights, and the refusals.
#include "standards/standards.h"

#include <gtest/gtest.h>

#include "error.h"

using namespace lumora::standards;
using lumora::DataFormatError;

TEST(Standards, Lookup) {
  const auto car = resolve_sight(100, Standard::jtg, Vehicle::car);
  EXPECT_EQ(car.sight_distance, 160);
  EXPECT_EQ(car.eye_height, 1.2);
  EXPECT_EQ(car.object_height, 0.1);
  const auto truck = resolve_sight(100, Standard::jtg, Vehicle::truck);
  EXPECT_EQ(truck.sight_distance, 180);
  EXPECT_EQ(truck.eye_height, 2.0);
  const auto us = resolve_sight(90, Standard::aashto, Vehicle::car, 1.5, std::nullopt);
  EXPECT_EQ(us.sight_distance, 160);
  EXPECT_EQ(us.eye_height, 1.5);
  EXPECT_EQ(us.object_height, 0.6);
  const auto m = curve_minimums(100, Standard::jtg);
  EXPECT_EQ(m.crest_general, 10000);
  EXPECT_EQ(m.crest_limit, 6500);
  EXPECT_EQ(m.sag_limit, 3000);
  EXPECT_EQ(m.length_min, 85);
  EXPECT_EQ(curve_minimums(130, Standard::aashto).k_crest, 124);
}

TEST(Standards, Refusals) {
  try {
    resolve_sight(90, Standard::jtg, Vehicle::car);
    FAIL();
  } catch (const DataFormatError& e) {
    EXPECT_NE(e.detail().find("120, 100, 80, 60, 40, 30, 20"), std::string::npos) << e.detail();
  }
  EXPECT_THROW(resolve_sight(100, Standard::aashto, Vehicle::truck), DataFormatError);
  EXPECT_THROW(resolve_sight(100, Standard::jtg, Vehicle::car, 0.0), DataFormatError);
  EXPECT_THROW(resolve_sight(100, Standard::jtg, Vehicle::car, {}, -0.1), DataFormatError);
  EXPECT_THROW(parse_standard("JTG"), DataFormatError);
}
