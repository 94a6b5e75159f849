// Runs wider than a pixel's box, and a row made ready.
#include "render/smooth_row.h"

void clear_smooth_row(SmoothRow* row, int width) {
  row->width = width;
  row->steps.assign(4 * (static_cast<std::size_t>(width) + 2), 0.0f);
  row->cover.assign(static_cast<std::size_t>(width) + 2, 0.0f);
  row->stepped = row->covered = false;
  row->first = width;
  row->end = 0;
}

// Pixel by pixel where the box holds one of the run's ends, the whole value
// between; into the differences as it goes.
void add_box_run(SmoothRow* row, double from, double to, double box, Float4 values) {
  int width = row->width;
  from = std::max(from, -box - 2.0);
  to = std::min(to, width + box + 2.0);
  if (!(to > from)) return;
  double half = box / 2;
  Float4 part = values * static_cast<float>(1 / box);
  int first = std::max(0, ceil_int(from - half - 0.5));
  int last = std::min(width - 1, floor_int(to + half - 0.5));
  int inside_first = std::max(first, ceil_int(from + half - 0.5));
  int inside_last = std::min(last, floor_int(to - half - 0.5));
  Float4 before{};  // the value of the pixel before
  auto set = [&](int x, Float4 v) {
    float* at = &row->steps[4 * static_cast<std::size_t>(x)];
    store4(at, load4(at) + (v - before));
    before = v;
  };
  for (int x = first; x <= last; ++x) {
    if (x == inside_first && inside_first <= inside_last) {
      set(x, values);
      x = inside_last;
      continue;
    }
    double centre = x + 0.5;
    set(x, part * static_cast<float>(std::min(centre + half, to) - std::max(centre - half, from)));
  }
  if (first <= last) set(last + 1, Float4{});
}
