// Per-row extents of what a frame drew, and the bands of rows that cover
// those of two frames.
#include "render/dirty_rows.h"

#include <algorithm>

void clear_extents(RowExtents* extents, int width, int height) {
  extents->width = width;
  extents->height = height;
  extents->first.assign(height, width);
  extents->end.assign(height, 0);
}

void note_box(RowExtents* extents, int x0, int y0, int x1, int y1) {
  if (x1 < x0) std::swap(x0, x1);
  if (y1 < y0) std::swap(y0, y1);
  x0 = std::max(x0, 0);
  x1 = std::min(x1 + 1, extents->width);
  y0 = std::max(y0, 0);
  y1 = std::min(y1 + 1, extents->height);
  if (x1 <= x0) return;
  for (int y = y0; y < y1; ++y) {
    extents->first[y] = std::min(extents->first[y], x0);
    extents->end[y] = std::max(extents->end[y], x1);
  }
}

void changed_bands(const RowExtents& a, const RowExtents& b, int band_rows,
                   std::vector<PixelBand>* bands) {
  int height = std::min(a.height, b.height);
  for (int top = 0; top < height; top += band_rows) {
    int bottom = std::min(top + band_rows, height);
    int first = a.width, end = 0, first_row = bottom, end_row = top;
    for (int y = top; y < bottom; ++y) {
      int row_first = std::min(a.first[y], b.first[y]);
      int row_end = std::max(a.end[y], b.end[y]);
      if (row_end <= row_first) continue;
      first = std::min(first, row_first);
      end = std::max(end, row_end);
      first_row = std::min(first_row, y);
      end_row = y + 1;
    }
    if (end > first) bands->push_back({first, first_row, end - first, end_row - first_row});
  }
}

void frame_bands(const RowExtents& drawn, int band_rows, std::vector<PixelBand>* bands) {
  changed_bands(drawn, drawn, band_rows, bands);
}
