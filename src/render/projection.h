// Perspective projection of the source picture onto the frame. The source
// picture lies on a floor: source row r is d = position - r rows behind the
// row at the bottom edge, at depth z = d + length_y, and its boundaries land
// on screen rows height * length_y / z. Everything here is plain arithmetic,
// in the order and with the rounding that the frames depend on.
#pragma once

#include <cstdint>

// What a draw pass reads of the program record.
struct Projection {
  int width;              // frame, screen pixels
  int height;             // frame, screen pixels
  int source_width;       // source pixels
  int length_x;           // source pixels across the frame width at the bottom edge
  int length_y;           // depth of the bottom edge, source rows
  std::int64_t position;  // source row at the bottom edge
};

struct RowEdges {
  // False when a boundary is not a finite number (a depth of 0, or a
  // distance beyond the 64-bit range): nothing is drawn in such a row.
  bool finite;
  double edge_top;      // exact screen y of the far boundary
  double edge_bottom;   // exact screen y of the near boundary
  std::int16_t top;     // edge_top rounded
  std::int16_t bottom;  // edge_bottom rounded
  // Screen pixels per source pixel along each boundary, for screen_x.
  double step_top, step_bottom;
};

enum class RowKind { kFlat, kOneLine, kTall };

// E(v) = height * length_y / (v + length_y), for the row d rows behind.
RowEdges row_edges(const Projection& p, std::int64_t d);

// Whether the indexed paths serve this projection: blur's search of the
// rows that leave a mark, and noblur's and fill's resolved far rows. They
// need a floor in front of the viewer, a frame and lengths of a pixel or
// more, and a position far enough from the end of the 64-bit range that no
// depth overflows; at a negative position they draw nothing, as the walk.
// Any other projection is drawn by the walk.
bool fast_path_serves(const Projection& p);

// Which boundary of a row a search looks at.
enum class RowBoundary { kFar, kNear };

// The farthest distance in [nearest, farthest] whose boundary still rounds
// to screen row y or below it; nearest - 1 when not even that of `nearest`
// does. Boundaries rise towards the horizon as the distance grows, so the
// answer is found from the inverse projection and checked against
// row_edges, whose rounding decides. For projections that
// fast_path_serves.
std::int64_t farthest_reaching_down_to(const Projection& p, RowBoundary boundary, int y,
                                       std::int64_t nearest, std::int64_t farthest);

// The unrounded screen x of source column x on a boundary at screen y e.
double project_x(const Projection& p, std::int64_t x, double e);

// Screen pixels per source pixel along a boundary at screen y e.
double x_scale_at(const Projection& p, double e);
// The unrounded screen x of source x on a boundary of `scale` screen pixels
// per source pixel, and its inverse: the source x at screen x v.
double screen_x_at(const Projection& p, double x, double scale);
double source_x_at(const Projection& p, double v, double scale);

// The unrounded source row coordinate at screen y (row R lies from R, its
// far edge, to R + 1, its near edge), and its inverse: the screen y of
// source row coordinate v.
double source_v_at(const Projection& p, double y);
double screen_y_at_v(const Projection& p, double v);

// False when length_x * height is 0: every x would divide by zero, and the
// pass draws nothing.
bool has_horizontal_scale(const Projection& p);

// v + 0.5 truncated toward zero, clamped to the 16-bit range.
std::int16_t round_row(double v);

// v + 0.5 truncated toward zero, kept far inside the 64-bit range (so that no
// conversion is ever undefined); NaN, which a finite row never gives, lands
// far outside any frame.
std::int64_t round_x(double v);

inline RowKind row_kind(std::int16_t top, std::int16_t bottom) {
  if (top == bottom) return RowKind::kFlat;
  if (static_cast<int>(top) + 1 == bottom) return RowKind::kOneLine;
  return RowKind::kTall;
}

// round_x(project_x(p, x, e)) without a division: the x is found from the
// boundary's step, and only when that lands so near a rounding boundary that
// the two ways of computing could round apart is the exact formula used.
// Inline and free of library calls: every drawn segment needs up to four.
inline std::int64_t screen_x(const Projection& p, std::int64_t x, double e, double step) {
  // Both ways agree to within a few units in the last place of the value;
  // this margin is far wider.
  constexpr double kMargin = 1e-7;
  constexpr double kNear = 4.0e15;  // beyond it the exact formula bounds the value
  double from_centre = static_cast<double>(x - p.source_width / 2);
  double t = from_centre * step + static_cast<double>(p.width / 2) + 0.5;
  double size = t < 0 ? -t : t;
  if (!(size < kNear)) return round_x(project_x(p, x, e));
  auto whole = static_cast<std::int64_t>(t);  // toward zero
  double fraction = t - static_cast<double>(whole);
  if (fraction < 0) fraction = -fraction;
  double margin = kMargin * (1.0 + size);
  if (fraction < margin || fraction > 1.0 - margin) return round_x(project_x(p, x, e));
  return whole;
}
