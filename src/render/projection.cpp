#include "render/projection.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Well inside the range where every double converts to int64 exactly.
constexpr double kFarCoordinate = 4.0e15;

}  // namespace

RowEdges row_edges(const Projection& p, std::int64_t d) {
  RowEdges r{};
  std::int64_t z_near, z_far;
  if (__builtin_add_overflow(d, static_cast<std::int64_t>(p.length_y), &z_near) ||
      __builtin_add_overflow(z_near, 1, &z_far) || z_near == 0 || z_far == 0) {
    return r;
  }
  double scale = static_cast<double>(p.height) * static_cast<double>(p.length_y);
  r.edge_top = scale / static_cast<double>(z_far);
  r.edge_bottom = scale / static_cast<double>(z_near);
  r.finite = true;
  r.top = round_row(r.edge_top);
  r.bottom = round_row(r.edge_bottom);
  r.step_top = x_scale_at(p, r.edge_top);
  r.step_bottom = x_scale_at(p, r.edge_bottom);
  return r;
}

bool fast_path_serves(const Projection& p) {
  return p.length_y >= 1 && p.length_x >= 1 && p.width >= 1 && p.height >= 1 &&
         p.position < std::numeric_limits<std::int64_t>::max() - p.length_y - 2;
}

namespace {

std::int16_t rounded_boundary(const Projection& p, RowBoundary boundary, std::int64_t d) {
  RowEdges r = row_edges(p, d);
  return boundary == RowBoundary::kFar ? r.top : r.bottom;
}

}  // namespace

std::int64_t farthest_reaching_down_to(const Projection& p, RowBoundary boundary, int y,
                                       std::int64_t nearest, std::int64_t farthest) {
  auto reaches = [&](std::int64_t d) { return rounded_boundary(p, boundary, d) >= y; };
  if (!reaches(nearest)) return nearest - 1;
  // A boundary at depth z rounds to y or below while height * length_y / z
  // >= y - 0.5; the far boundary of row d lies at depth d + length_y + 1.
  std::int64_t d = farthest;
  if (y >= 1) {
    double scale = static_cast<double>(p.height) * static_cast<double>(p.length_y);
    double depth = std::floor(scale / (y - 0.5));
    double guess = depth - p.length_y - (boundary == RowBoundary::kFar ? 1 : 0);
    if (guess < static_cast<double>(farthest)) d = static_cast<std::int64_t>(std::max(guess, 0.0));
  }
  d = std::clamp(d, nearest, farthest);
  // The guess is off by a row or so where rounding decides; bisection
  // bounds the search all the same.
  std::int64_t lo = nearest, hi = farthest;  // reaches(lo), and nothing past hi does
  if (reaches(d)) {
    lo = d;
    if (d < farthest && !reaches(d + 1)) return d;
  } else {
    hi = d - 1;
    if (reaches(hi)) return hi;
  }
  while (lo < hi) {
    std::int64_t mid = lo + (hi - lo + 1) / 2;
    if (reaches(mid)) {
      lo = mid;
    } else {
      hi = mid - 1;
    }
  }
  return lo;
}

double project_x(const Projection& p, std::int64_t x, double e) {
  std::int64_t from_centre = x - p.source_width / 2;
  std::int64_t divisor = static_cast<std::int64_t>(p.length_x) * p.height;
  return ((e * static_cast<double>(from_centre)) * static_cast<double>(p.width)) /
             static_cast<double>(divisor) +
         static_cast<double>(p.width / 2);
}

double x_scale_at(const Projection& p, double e) {
  return e * p.width / static_cast<double>(static_cast<std::int64_t>(p.length_x) * p.height);
}

double screen_x_at(const Projection& p, double x, double scale) {
  return (x - p.source_width / 2) * scale + p.width / 2;
}

double source_x_at(const Projection& p, double v, double scale) {
  return (v - p.width / 2) / scale + p.source_width / 2;
}

double source_v_at(const Projection& p, double y) {
  double depth = static_cast<double>(p.height) * p.length_y / y;
  return static_cast<double>(p.position) + 1 - (depth - p.length_y);
}

double screen_y_at_v(const Projection& p, double v) {
  double depth = static_cast<double>(p.position) + 1 - v + p.length_y;
  return static_cast<double>(p.height) * p.length_y / depth;
}

bool has_horizontal_scale(const Projection& p) {
  return static_cast<std::int64_t>(p.length_x) * p.height != 0;
}

std::int16_t round_row(double v) {
  double t = std::trunc(v + 0.5);
  if (!(t >= INT16_MIN)) return INT16_MIN;  // also NaN
  if (t > INT16_MAX) return INT16_MAX;
  return static_cast<std::int16_t>(t);
}

std::int64_t round_x(double v) {
  double t = std::trunc(v + 0.5);
  if (!(t >= -kFarCoordinate)) return static_cast<std::int64_t>(-kFarCoordinate);
  if (t > kFarCoordinate) return static_cast<std::int64_t>(kFarCoordinate);
  return static_cast<std::int64_t>(t);
}
