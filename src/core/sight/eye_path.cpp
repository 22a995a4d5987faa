#include "sight/eye_path.h"

#include <cmath>
#include <stdexcept>

#include "error.h"
#include "sight/plane.h"
#include "text/format.h"

namespace lumora::sight {
namespace {

// Longest line the chord table is built for (10 000 km): far beyond any road,
// and it keeps a corrupt end chainage from asking for an absurd table.
constexpr double kMaxTableMetres = 1e7;

std::string at_chainage(double c) {
  return "桩号 " + text::format_fixed3(c);
}

}  // namespace

EyePath EyePath::build(const Alignment& line, EyeOffset offset) {
  const double start = line.start_chainage();
  const double end = line.end_chainage();
  if (!std::isfinite(start) || !std::isfinite(end)) {
    throw DataFormatError("线路起点或终点桩号不是有限数");
  }
  if (end < start) throw DataFormatError("线路终点桩号小于起点桩号");

  EyePath p(line, std::move(offset));
  p.origin_ = std::floor(start);
  p.last_ = std::floor(end - p.origin_);
  if (p.last_ > kMaxTableMetres) throw DataFormatError("线路过长，无法建立视点轨迹表");

  const long last = static_cast<long>(p.last_);
  p.table_.reserve(static_cast<std::size_t>(last + 1000));
  auto checked_eye_point = [&p](double c) {
    const zxbas::Vec2 e = p.eye_point(c);
    if (!std::isfinite(e.x) || !std::isfinite(e.y)) {
      throw DataFormatError(at_chainage(c) + ": 视点坐标不是有限数");
    }
    return e;
  };
  zxbas::Vec2 prev = checked_eye_point(p.origin_ - 500);
  for (long j = -499; j <= last + 500; ++j) {
    const zxbas::Vec2 next = checked_eye_point(p.origin_ + static_cast<double>(j));
    p.table_.push_back(pt_pt(prev, next));
    prev = next;
  }
  return p;
}

zxbas::Vec2 EyePath::eye_point(double c) const {
  const Pose pose = line_->point_at(c);
  const double d = offset_.at(c);
  return {pose.x + std::cos(pose.azimuth - zxbas::kPi / 2) * d,
          pose.y + std::sin(pose.azimuth - zxbas::kPi / 2) * d};
}

bool EyePath::covers(double q, double z) const {
  if (!std::isfinite(q) || !std::isfinite(z)) return false;
  // Both ends within a metre of the table, and every chord the sum takes
  // inside it.
  if (q < origin_ - 501 || z >= origin_ + last_ + 501) return false;
  const double j1 = (std::floor(q) == q ? q : std::floor(q + 1)) - origin_ + 1;
  const double j2 = std::floor(z) - origin_;
  return j1 > j2 || (j1 >= -499 && j2 <= last_ + 500);
}

double EyePath::chord(long j) const {
  if (j < -499 || static_cast<double>(j) > last_ + 500) {
    throw std::out_of_range("eye path chord index");
  }
  return table_[static_cast<std::size_t>(j + 499)];
}

double EyePath::ypjplus_js(double q, double z) const {
  if (!std::isfinite(q)) throw DataFormatError(at_chainage(q) + ": 视线起点桩号不是有限数");
  if (!std::isfinite(z)) throw DataFormatError(at_chainage(z) + ": 视线终点桩号不是有限数");
  if (!covers(q, z)) {
    const double outside = q < origin_ - 500 ? q : z;
    throw DataFormatError(at_chainage(outside) + ": 视线超出视点轨迹表范围");
  }
  // Start: from a whole metre q the chords begin at q itself; from a
  // fractional q the exact piece up to the next whole metre comes first.
  double sum = 0;
  double j1 = 0;
  if (std::floor(q) == q) {
    j1 = q - origin_ + 1;
  } else {
    const double next = std::floor(q + 1);
    sum = pt_pt(eye_point(q), eye_point(next));
    j1 = next - origin_ + 1;
  }
  const double fz = std::floor(z);
  for (double j = j1; j <= fz - origin_; ++j) sum += table_[static_cast<std::size_t>(j + 499)];
  // The remainder from the last whole metre to z (0 when z is whole).
  sum += pt_pt(eye_point(fz), eye_point(z));
  if (!std::isfinite(sum)) throw DataFormatError(at_chainage(z) + ": 视点轨迹长度不是有限数");
  return sum;
}

}  // namespace lumora::sight
