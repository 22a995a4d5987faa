// Sight lines shared between neighbouring chainages give exactly the numbers
// of laying every sight line afresh, and the list runs on several threads
// keep their order. (Stopping and errors at a row: tests/session.)
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <sstream>

#include "error.h"
#include "mainline/mainline.h"
#include "sight/clearance.h"
#include "sight/clearance_list.h"
#include "sight/generated_lines.h"
#include "test_alignments.h"

using lumora::DataFormatError;
using lumora::sight::Clearance;
using lumora::sight::clearance_list;
using lumora::sight::EyeOffset;
using lumora::sight::EyeOffsetTable;
using lumora::sight::EyePath;
using lumora::sight::ListOptions;
using lumora::sight::maxhjs;
using lumora::sight::Method;
using lumora::sight::SharedSightLines;
using lumora::sight::Side;
using lumora::sight::testing::ArcLine;

namespace {

std::uint64_t bits(double v) {
  return std::bit_cast<std::uint64_t>(v);
}

lumora::zxbas::MainLine generated(double km) {
  std::vector<std::string> lines;
  std::istringstream in(lumora::testing::generated_main_line(km));
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lumora::zxbas::MainLine::build(lumora::zxbas::read_pi_file(lines, "generated.jdx"));
}

// The eye 7.25 m right, moving to 5.5 m at a step and back over 400 m.
EyeOffset stepped_offsets() {
  return EyeOffset::table(EyeOffsetTable::from_rows({{1000, "1000", -7.25, 1},
                                                     {1800, "1800", -7.25, 2},
                                                     {1800, "1800", -5.5, 3},
                                                     {2600, "2600", -5.5, 4},
                                                     {3000, "3000", -9, 5}}));
}

std::string error_of(const std::function<void()>& f) {
  try {
    f();
  } catch (const DataFormatError& e) {
    return e.detail();
  }
  return "no error";
}

// Runs `chainages` through one SharedSightLines and compares every number,
// profile included, with maxhjs.
void expect_same_as_reference(const EyePath& path, const std::vector<double>& chainages, double s,
                              Side side) {
  SharedSightLines shared(path, side);
  SharedSightLines full(path, side, true);
  for (double c : chainages) {
    const Clearance ref = maxhjs(path, c, s, side);
    const Clearance got = shared.at(c, s);
    ASSERT_EQ(bits(got.maxhjj), bits(ref.maxhjj)) << c;
    ASSERT_EQ(bits(got.maxhqdzh), bits(ref.maxhqdzh)) << c;
    ASSERT_EQ(bits(got.maxhzdzh), bits(ref.maxhzdzh)) << c;
    ASSERT_EQ(bits(got.eye_offset), bits(ref.eye_offset)) << c;
    ASSERT_EQ(got.fallback_chainages, ref.fallback_chainages) << c;
    ASSERT_EQ(bits(full.at(c, s).maxhjj), bits(ref.maxhjj)) << c;
    ASSERT_EQ(full.last_profile().size(), ref.profile.size()) << c;
    for (std::size_t i = 0; i < ref.profile.size(); ++i) {
      ASSERT_EQ(bits(full.last_profile()[i]), bits(ref.profile[i])) << c << " " << i;
    }
  }
}

std::vector<double> steps(double from, double step, int count) {
  std::vector<double> v;
  for (int k = 0; k < count; ++k) v.push_back(from + k * step);
  return v;
}

}  // namespace

TEST(SharedSightLines, SameNumbersAsLayingEverySightLine) {
  const auto line = generated(3);
  const auto constant = EyePath::build(line, EyeOffset::constant(-7.25));
  const auto stepped = EyePath::build(line, stepped_offsets());
  // Whole metres (one new sight line per chainage), 20 m, half metres and
  // an interval that is not exact in binary; fractional S; backwards and
  // repeated chainages; through a step of the offsets (bisected fits).
  expect_same_as_reference(constant, steps(1400, 1, 60), 110, Side::inside);
  expect_same_as_reference(constant, steps(1400.5, 20, 12), 210, Side::median);
  expect_same_as_reference(constant, steps(1500.25, 0.5, 40), 110.5, Side::inside);
  expect_same_as_reference(constant, steps(1600.1, 0.3, 40), 110, Side::inside);
  expect_same_as_reference(constant, {2000, 2000, 1990, 2001, 2001.0000001}, 110, Side::median);
  expect_same_as_reference(stepped, steps(1750, 1, 120), 110, Side::inside);
  ASSERT_FALSE(maxhjs(stepped, 1850, 110, Side::inside).fallback_chainages.empty());
  expect_same_as_reference(stepped, steps(1745.5, 1, 40), 110.5, Side::median);

  // Another sight distance at the same chainages shares nothing.
  SharedSightLines shared(constant, Side::inside);
  shared.at(1700, 110);
  EXPECT_EQ(bits(shared.at(1701, 160).maxhjj),
            bits(maxhjs(constant, 1701, 160, Side::inside).maxhjj));
}

TEST(SharedSightLines, ErrorsAreThoseOfTheReference) {
  const ArcLine tight(0, 1000, -2000, 3000, 50, 1);
  const auto p = EyePath::build(tight, EyeOffset::constant(-7.25));
  SharedSightLines shared(p, Side::inside);
  for (double c : {-390.0, 1391.0, 500.0}) {
    for (double s : {110.0, 0.0, 1e12}) {
      EXPECT_EQ(error_of([&] { shared.at(c, s); }),
                error_of([&] { maxhjs(p, c, s, Side::inside); }))
          << c << " " << s;
    }
  }
  // After an error the object still gives the reference's numbers.
  EXPECT_EQ(bits(shared.at(501, 110).maxhjj), bits(maxhjs(p, 501, 110, Side::inside).maxhjj));
}

TEST(ClearanceList, RowsInOrderOnEveryThreadCount) {
  const auto line = generated(3);
  const auto path = EyePath::build(line, stepped_offsets());
  std::vector<double> chainages = steps(1700, 1, 700);
  std::vector<double> sights(chainages.size(), 110);
  for (std::size_t k = 300; k < 400; ++k) sights[k] = 160;

  std::vector<Clearance> ref;
  ListOptions o;
  o.method = Method::reference;
  clearance_list(path, chainages, sights, o, [&](std::size_t k, const Clearance& r) {
    EXPECT_EQ(k, ref.size());
    ref.push_back(r);
    return true;
  });
  ASSERT_EQ(ref.size(), chainages.size());
  for (unsigned threads : {1u, 2u, 3u}) {
    o.method = Method::shared;
    o.threads = threads;
    std::size_t next = 0;
    clearance_list(path, chainages, sights, o, [&](std::size_t k, const Clearance& r) {
      EXPECT_EQ(k, next++);
      EXPECT_EQ(bits(r.maxhjj), bits(ref[k].maxhjj)) << k;
      EXPECT_EQ(bits(r.maxhqdzh), bits(ref[k].maxhqdzh)) << k;
      EXPECT_EQ(r.fallback_chainages, ref[k].fallback_chainages) << k;
      return true;
    });
    EXPECT_EQ(next, chainages.size()) << threads;
  }
}

TEST(SharedSightLines, SmallIntervalsAndCornersGiveTheReferenceNumbers) {
  // Two arcs meeting at a corner (an angle point): sight lines share the
  // eye path's chord there; intervals of 0.1 m reuse sight lines 1 m on.
  const lumora::sight::testing::ArcLine line(0, 3000, 1000, 2000, 400, 1);
  auto before = line.point_at(1500);  // the end of an element turned 0.01 rad away
  before.x -= 0.05;
  before.azimuth += 0.01;
  const auto path = lumora::sight::EyePath::build(line, lumora::sight::EyeOffset::constant(-7.25),
                                                  {{1500.0, before}});
  lumora::sight::SharedSightLines shared(path, lumora::sight::Side::inside);
  for (int j = 0; j < 400; ++j) {
    const double c = 1400 + j * 0.1;
    const auto a = shared.at(c, 110);
    const auto b = lumora::sight::maxhjs(path, c, 110, lumora::sight::Side::inside);
    ASSERT_EQ(a.maxhjj, b.maxhjj) << c;
    ASSERT_EQ(a.maxhqdzh, b.maxhqdzh) << c;
  }
}
