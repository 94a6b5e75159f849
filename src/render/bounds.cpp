#include "render/bounds.h"

#include <algorithm>
#include <cmath>

namespace {

using Wide = __int128;

// ceil(n / d) for d > 0.
std::int64_t ceil_div(Wide n, Wide d) {
  Wide q = n / d;
  if (n % d != 0 && n > 0) ++q;
  return static_cast<std::int64_t>(q);
}

// ceil(x(y)) on the edge from (xa, ya) to (xb, yb), ya < yb: the first pixel
// column at or right of the edge on row y. The server takes pixel (x, y) to
// lie at exactly that point, so this is exact integer arithmetic.
std::int64_t first_column_right_of(std::int64_t xa, int ya, std::int64_t xb, int yb, int y) {
  Wide d = yb - ya;
  Wide n = d * xa + static_cast<Wide>(xb - xa) * (y - ya);
  return ceil_div(n, d);
}

std::int64_t edge_column(std::int64_t x_top, std::int64_t x_bottom, int top, int bottom, int y) {
  if (top < bottom) return first_column_right_of(x_top, top, x_bottom, bottom, y);
  return first_column_right_of(x_bottom, bottom, x_top, top, y);
}

}  // namespace

bool band_span(const Band& band, int y, std::int64_t* first, std::int64_t* end) {
  int top = band.top, bottom = band.bottom;
  if (top == bottom || y < std::min(top, bottom) || y >= std::max(top, bottom)) return false;
  std::int64_t a = edge_column(band.top_start, band.bottom_start, top, bottom, y);
  std::int64_t b = edge_column(band.top_end, band.bottom_end, top, bottom, y);
  *first = std::min(a, b);
  *end = std::max(a, b);
  return *end > *first;
}

bool bound_line(LineSegment* line, int width, int height) {
  LineSegment& l = *line;
  bool left = l.x1 < 0 && l.x2 < 0, right = l.x1 >= width && l.x2 >= width;
  bool above = l.y1 < 0 && l.y2 < 0, below = l.y1 >= height && l.y2 >= height;
  if (left || right || above || below) return false;
  auto clamp_x = [&](std::int64_t x) { return std::clamp<std::int64_t>(x, -1, width); };
  if (l.y1 == l.y2) {
    l.x1 = clamp_x(l.x1);
    l.x2 = clamp_x(l.x2);
    return true;
  }
  // Move each end that lies beyond the neighbourhood onto its border, along
  // the line's own course.
  const LineSegment o = l;
  auto pull_in = [&](std::int64_t x, int y, std::int64_t* to_x, int* to_y) {
    *to_x = clamp_x(x);
    *to_y = y;
    if (*to_x == x) return;
    double t = static_cast<double>(*to_x - o.x1) / static_cast<double>(o.x2 - o.x1);
    *to_y = static_cast<int>(std::lround(o.y1 + t * (o.y2 - o.y1)));
  };
  pull_in(o.x1, o.y1, &l.x1, &l.y1);
  pull_in(o.x2, o.y2, &l.x2, &l.y2);
  return true;
}
