#include "render/projection.h"

#include <cmath>

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
  double divisor = static_cast<double>(static_cast<std::int64_t>(p.length_x) * p.height);
  r.step_top = r.edge_top * p.width / divisor;
  r.step_bottom = r.edge_bottom * p.width / divisor;
  return r;
}

double project_x(const Projection& p, std::int64_t x, double e) {
  std::int64_t from_centre = x - p.source_width / 2;
  std::int64_t divisor = static_cast<std::int64_t>(p.length_x) * p.height;
  return ((e * static_cast<double>(from_centre)) * static_cast<double>(p.width)) /
             static_cast<double>(divisor) +
         static_cast<double>(p.width / 2);
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
