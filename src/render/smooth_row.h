// One screen row of a smooth frame as it is summed: runs of colour added
// across it with how much of each pixel they cover, four sums a pixel
// (coverage, then red, green and blue times it) kept as differences from
// the pixel before, so that a run costs the same whatever its length. Pure.
#pragma once

#include <algorithm>
#include <cstring>
#include <vector>

using Float4 = float __attribute__((vector_size(16)));

inline Float4 load4(const float* at) {
  Float4 v;
  std::memcpy(&v, at, sizeof v);
  return v;
}
inline void store4(float* at, Float4 v) {
  std::memcpy(at, &v, sizeof v);
}

// floor and ceil as ints, without a call into the maths library; values
// beyond 2^30 either way, which no pixel reaches, are held there.
constexpr double kFarthestX = 1 << 30;
inline int floor_int(double v) {
  v = std::clamp(v, -kFarthestX, kFarthestX);
  int i = static_cast<int>(v);
  return i - (static_cast<double>(i) > v);
}
inline int ceil_int(double v) {
  v = std::clamp(v, -kFarthestX, kFarthestX);
  int i = static_cast<int>(v);
  return i + (static_cast<double>(i) < v);
}

struct SmoothRow {
  int width = 0;
  // Four a pixel, width + 2 pixels; zero outside [first, end], the pixels
  // that runs touched.
  std::vector<float> steps;
  // Runs of ink: their coverage alone, one a pixel, the same way.
  std::vector<float> cover;
  bool stepped = false, covered = false;  // whether `steps`, `cover` hold anything
  int first = 0, end = 0;
};

// A row `width` pixels wide with nothing added.
void clear_smooth_row(SmoothRow* row, int width);

// Notes the pixels that runs over screen x [from, to), seen through a box
// `box` pixels wide, may touch.
inline void touch(SmoothRow* row, double from, double to, double box) {
  int first = std::max(floor_int(from - box), 0);
  int end = std::min(floor_int(to + box) + 2, row->width);
  if (first >= end) return;
  row->first = std::min(row->first, first);
  row->end = std::max(row->end, end);
}

// Where an edge at screen x t falls: the pixel floor(t), held to the row
// (and NaN to its left end), and the part of that pixel right of t.
struct EdgeAt {
  int pixel;
  float right;
};
[[gnu::always_inline]] inline EdgeAt edge_at(const SmoothRow* row, double t) {
  t = t > 0 ? t : 0;  // and NaN
  t = t < row->width ? t : row->width;
  int i = static_cast<int>(t);
  return {i, static_cast<float>(t - i)};
}

// An edge at screen x t of what lies right of it, through the differences:
// pixel floor(t) gets `values` times its part right of t, every pixel after
// it the whole. A run [a, b) is the edge at a less the edge at b.
[[gnu::always_inline]] inline void add_edge(SmoothRow* row, double t, Float4 values) {
  EdgeAt e = edge_at(row, t);
  float* at = &row->steps[4 * static_cast<std::size_t>(e.pixel)];
  store4(at, load4(at) + values * (1 - e.right));
  store4(at + 4, load4(at + 4) + values * e.right);
}

// The same edge for a row of one colour, `value` its coverage.
[[gnu::always_inline]] inline void add_cover_edge(SmoothRow* row, double t, float value) {
  EdgeAt e = edge_at(row, t);
  row->cover[e.pixel] += value * (1 - e.right);
  row->cover[e.pixel + 1] += value * e.right;
}

// The screen rows that one source row is added to, each with its weight:
// one near the bottom edge, up to three for a far row seen through a tent.
constexpr int kMostTargets = 3;
struct RowTargets {
  SmoothRow* rows[kMostTargets];
  float weights[kMostTargets];
  int count;
};

// An edge of coverage `value` at screen x t into every target, times its
// weight.
[[gnu::always_inline]] inline void add_cover_edge_to(const RowTargets& t, double x, float value) {
  EdgeAt e = edge_at(t.rows[0], x);
  for (int i = 0; i < t.count; ++i) {
    float* cover = t.rows[i]->cover.data();
    float w = value * t.weights[i];
    cover[e.pixel] += w * (1 - e.right);
    cover[e.pixel + 1] += w * e.right;
  }
}

// A run seen through a box wider than a pixel.
void add_box_run(SmoothRow* row, double from, double to, double box, Float4 values);

// Adds `values` (weight, then red, green and blue times the weight) a pixel
// of a run over screen x [from, to), seen through a box `box` pixels wide
// around each pixel's centre; the caller notes what it touched.
[[gnu::always_inline]] inline void add_run(SmoothRow* row, double from, double to, double box,
                                           Float4 values) {
  if (!(to > from)) return;
  if (box > 1) {
    add_box_run(row, from, to, box, values);
    return;
  }
  add_edge(row, from, values);  // each pixel's share of [from, to)
  add_edge(row, to, -values);
}
