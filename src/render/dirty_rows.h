// What a frame drew, row by row: for every screen row the span of columns
// that the frame's points, lines, polygons and rectangles may have touched
// (a little more, never less). Root mode keeps these for the frames still
// held in its pixmaps, and fills and copies only the bands they cover: the
// pixels outside them are paper in both frames. Plain arithmetic.
#pragma once

#include <vector>

struct RowExtents {
  int width = 0, height = 0;  // of the frame, screen pixels
  std::vector<int> first;     // per row: the first column drawn
  std::vector<int> end;       // per row: one past the last; empty when <= first
};

// A rectangle of the frame, screen pixels.
struct PixelBand {
  int x, y, width, height;
  bool operator==(const PixelBand&) const = default;
};

// Nothing drawn in a frame of width x height.
void clear_extents(RowExtents* extents, int width, int height);
// The box between two corners (inclusive, in either order), cut to the frame.
void note_box(RowExtents* extents, int x0, int y0, int x1, int y1);

// Rectangles covering every pixel drawn in `a` or in `b` (of one size), one
// per run of up to `band_rows` rows that holds any; appended to `bands`.
// What must be repainted where a pixmap holding one frame is to show another.
void changed_bands(const RowExtents& a, const RowExtents& b, int band_rows,
                   std::vector<PixelBand>* bands);
// The same for one frame: the bands that cover what it drew.
void frame_bands(const RowExtents& drawn, int band_rows, std::vector<PixelBand>* bands);
