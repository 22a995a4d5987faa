// Vertical alignments for the sight tests and benchmarks: one crest
// parabola everywhere, and grade lines through PVIs joined by symmetric
// parabolic vertical curves of given radii (crests where the grade falls,
// sags where it rises), the end grades continued beyond the ends.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

#include "profile/elevation.h"

namespace lumora::visibility::testing {

// z = −(u − c)² / 2r: a crest of radius r at chainage c.
class Crest final : public Elevation {
 public:
  Crest(double c, double r) : c_(c), r_(r) {}
  double elevation_at(double u) const override { return -(u - c_) * (u - c_) / (2 * r_); }
  double grade_at(double u) const override { return -(u - c_) / r_; }

 private:
  double c_, r_;
};

class ParabolicProfile final : public Elevation {
 public:
  struct Pvi {
    double c = 0;  // chainage
    double z = 0;  // elevation
    double r = 0;  // radius of the vertical curve (0: none)
  };

  explicit ParabolicProfile(std::vector<Pvi> pvis) : p_(std::move(pvis)) {}

  double elevation_at(double u) const override {
    const std::size_t k = segment(u);
    double z = p_[k].z + grade(k) * (u - p_[k].c);
    for (std::size_t j : {k, k + 1}) {
      if (j == 0 || j + 1 >= p_.size() || p_[j].r <= 0) continue;
      const double g1 = grade(j - 1);
      const double g2 = grade(j);
      const double half = p_[j].r * std::fabs(g2 - g1) / 2;
      const double x = u - (p_[j].c - half);
      if (x <= 0 || x >= 2 * half) continue;
      z = p_[j].z - g1 * half + g1 * x + (g2 - g1) / (4 * half) * x * x;
    }
    return z;
  }

  const std::vector<Pvi>& pvis() const { return p_; }

  double grade_at(double u) const override {
    const double h = 1e-4;
    return (elevation_at(u + h) - elevation_at(u - h)) / (2 * h);
  }

 private:
  double grade(std::size_t k) const { return (p_[k + 1].z - p_[k].z) / (p_[k + 1].c - p_[k].c); }
  // The grade segment k (from PVI k to k + 1) that holds u.
  std::size_t segment(double u) const {
    auto it =
        std::upper_bound(p_.begin(), p_.end(), u, [](double v, const Pvi& p) { return v < p.c; });
    const auto k = static_cast<std::size_t>(std::max<std::ptrdiff_t>(it - p_.begin() - 1, 0));
    return std::min(k, p_.size() - 2);
  }

  std::vector<Pvi> p_;
};

// PVIs every `spacing` metres from `from` to `to`, grades alternating
// between +g and −g, crest and sag radii taken in turn from the lists.
inline ParabolicProfile rolling_profile(double from, double to, double spacing, double g,
                                        const std::vector<double>& crests,
                                        const std::vector<double>& sags) {
  std::vector<ParabolicProfile::Pvi> p;
  double z = 100;
  std::size_t nc = 0, ns = 0;
  int k = 0;
  for (double c = from; c <= to + spacing; c += spacing, ++k) {
    double r = 0;
    if (k > 0) r = k % 2 ? crests[nc++ % crests.size()] : sags[ns++ % sags.size()];
    p.push_back({c, z, r});
    z += (k % 2 ? -g : g) * spacing;
  }
  return ParabolicProfile(std::move(p));
}

}  // namespace lumora::visibility::testing
