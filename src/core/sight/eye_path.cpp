#include "sight/eye_path.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>
#include <stdexcept>

#include "error.h"
#include "sight/plane.h"
#include "text/format.h"

namespace lumora::sight {
namespace {

// Longest line the chord table is built for (10 000 km): far beyond any road,
// and it keeps a corrupt end chainage from asking for an absurd table.
constexpr double kMaxTableMetres = 1e7;

// Whole metres per block of the table.
constexpr long kBlockMetres = 4096;

std::string at_chainage(double c) {
  return "桩号 " + text::format_fixed3(c);
}

}  // namespace

// Slot p of the table (p = j + 500, 0 … last + 1000) holds the eye point
// E(o + j) and the chord T(j) that ends there (slot 0 has no chord).
struct EyePath::Block {
  zxbas::Vec2 points[kBlockMetres];
  double chords[kBlockMetres];
};

struct EyePath::Table {
  explicit Table(std::size_t slots)
      : slots(slots), blocks((slots + kBlockMetres - 1) / kBlockMetres) {}
  ~Table() {
    for (auto& b : blocks) delete b.load(std::memory_order_relaxed);
  }
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  std::size_t slots;
  std::vector<std::atomic<Block*>> blocks;
  std::mutex fill;
};

EyePath EyePath::build(const Alignment& line, EyeOffset offset, std::vector<EyeCorner> corners) {
  const double start = line.start_chainage();
  const double end = line.end_chainage();
  if (!std::isfinite(start) || !std::isfinite(end)) {
    throw DataFormatError("线路起点或终点桩号不是有限数");
  }
  if (end < start) throw DataFormatError("线路终点桩号小于起点桩号");

  EyePath p(line, std::move(offset));
  std::sort(corners.begin(), corners.end(),
            [](const EyeCorner& a, const EyeCorner& b) { return a.chainage < b.chainage; });
  p.corners_ = std::move(corners);
  p.origin_ = std::floor(start);
  p.last_ = std::floor(end - p.origin_);
  if (p.last_ > kMaxTableMetres) throw DataFormatError("线路过长，无法建立视点轨迹表");

  const long last = static_cast<long>(p.last_);
  p.table_ = std::make_shared<Table>(static_cast<std::size_t>(last + 1001));
  // The two ends of the table at once: a line that breaks down beyond its
  // end tangents is refused by the initialization itself.
  for (const double c : {p.origin_ - 500, p.origin_ + p.last_ + 500}) {
    const zxbas::Vec2 e = p.eye_point(c);
    if (!std::isfinite(e.x) || !std::isfinite(e.y)) {
      throw DataFormatError(at_chainage(c) + ": 视点坐标不是有限数");
    }
  }
  return p;
}

const EyePath::Block& EyePath::block(std::size_t b) const {
  Table& t = *table_;
  if (const Block* ready = t.blocks[b].load(std::memory_order_acquire)) return *ready;
  std::lock_guard<std::mutex> lock(t.fill);
  if (const Block* ready = t.blocks[b].load(std::memory_order_relaxed)) return *ready;

  auto checked_eye_point = [this](long slot) {
    const double c = origin_ + static_cast<double>(slot - 500);
    const zxbas::Vec2 e = eye_point(c);
    if (!std::isfinite(e.x) || !std::isfinite(e.y)) {
      throw DataFormatError(at_chainage(c) + ": 视点坐标不是有限数");
    }
    return e;
  };
  auto fresh = std::make_unique<Block>();
  const long first = static_cast<long>(b) * kBlockMetres;
  const long end = std::min(first + kBlockMetres, static_cast<long>(t.slots));
  // The chord into the first slot starts at the last point of the block
  // before, evaluated again (the same value).
  zxbas::Vec2 prev = first > 0 ? checked_eye_point(first - 1) : zxbas::Vec2{};
  for (long slot = first; slot < end; ++slot) {
    const zxbas::Vec2 next = checked_eye_point(slot);
    fresh->points[slot - first] = next;
    fresh->chords[slot - first] = slot > 0 ? piece(origin_ + static_cast<double>(slot - 501), prev,
                                                   origin_ + static_cast<double>(slot - 500), next)
                                           : 0.0;
    prev = next;
  }
  Block* ready = fresh.release();
  t.blocks[b].store(ready, std::memory_order_release);
  return *ready;
}

zxbas::Vec2 EyePath::eye_point(double c) const {
  const Pose pose = line_->point_at(c);
  const double d = offset_.at(c);
  return {pose.x + std::cos(pose.azimuth - zxbas::kPi / 2) * d,
          pose.y + std::sin(pose.azimuth - zxbas::kPi / 2) * d};
}

double EyePath::piece(double a, zxbas::Vec2 ea, double b, zxbas::Vec2 eb) const {
  if (corners_.empty()) return pt_pt(ea, eb);
  auto it = std::upper_bound(corners_.begin(), corners_.end(), a,
                             [](double v, const EyeCorner& c) { return v < c.chainage; });
  if (it == corners_.end() || it->chainage > b) return pt_pt(ea, eb);
  double sum = 0;
  zxbas::Vec2 from = ea;
  for (; it != corners_.end() && it->chainage <= b; ++it) {
    const double d = offset_.at(it->chainage);
    const Pose& p = it->before;
    const zxbas::Vec2 end_before{p.x + std::cos(p.azimuth - zxbas::kPi / 2) * d,
                                 p.y + std::sin(p.azimuth - zxbas::kPi / 2) * d};
    const zxbas::Vec2 start_after = eye_point(it->chainage);
    sum += pt_pt(from, end_before) + pt_pt(end_before, start_after);
    from = start_after;
  }
  return sum + pt_pt(from, eb);
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
  const long slot = j + 500;
  return block(static_cast<std::size_t>(slot / kBlockMetres)).chords[slot % kBlockMetres];
}

zxbas::Vec2 EyePath::whole_point(long j) const {
  if (j < -500 || static_cast<double>(j) > last_ + 500) {
    throw std::out_of_range("eye path point index");
  }
  const long slot = j + 500;
  return block(static_cast<std::size_t>(slot / kBlockMetres)).points[slot % kBlockMetres];
}

double EyePath::add_chords(double sum, long j1, long j2) const {
  if (j1 > j2) return sum;
  if (j1 < -499 || static_cast<double>(j2) > last_ + 500) {
    throw std::out_of_range("eye path chord index");
  }
  for (long slot = j1 + 500; slot <= j2 + 500;) {
    const long b = slot / kBlockMetres;
    const Block& blk = block(static_cast<std::size_t>(b));
    const long stop = std::min(j2 + 500, (b + 1) * kBlockMetres - 1);
    for (long k = slot - b * kBlockMetres; k <= stop - b * kBlockMetres; ++k) sum += blk.chords[k];
    slot = stop + 1;
  }
  return sum;
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
    sum = piece(q, eye_point(q), next, eye_point(next));
    j1 = next - origin_ + 1;
  }
  const double fz = std::floor(z);
  sum = add_chords(sum, static_cast<long>(j1), static_cast<long>(fz - origin_));
  // The remainder from the last whole metre to z (0 when z is whole).
  sum += piece(fz, eye_point(fz), z, eye_point(z));
  if (!std::isfinite(sum)) throw DataFormatError(at_chainage(z) + ": 视点轨迹长度不是有限数");
  return sum;
}

}  // namespace lumora::sight
