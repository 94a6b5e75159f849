// Smooth frames: the display list drawn with coverage instead of X
// primitives. Every pixel blends the colours of the runs over it with the
// paper, in proportion to how much of it they cover. A pixel sees the
// source through a box as wide as the larger of a screen pixel and a source
// pixel: near the bottom edge, where a source pixel spans several screen
// pixels, that interpolates between the centres of the source pixels
// (bilinear); towards the horizon, where a screen pixel spans many source
// pixels, it averages them. The far rows are read on a grid fixed in the
// source and each lands where its depth puts it, so that as the crawl moves
// they slide across the screen and the far field fades instead of
// flickering. Blur keeps its meaning: a row thinner than a pixel counts in
// proportion to its thickness, so farther is fainter; fill widens every run
// by half a screen pixel on either side, as its edges do. Pure: the X side
// puts the pixels on the screen (smooth_pass.cpp).
#pragma once

#include <vector>

#include "render/draw_mode.h"
#include "render/projection.h"
#include "render/row_index.h"
#include "render/smooth_buffers.h"
#include "render/smooth_letters.h"

// What a smooth frame is drawn from besides the list: the colours of the
// list's pens by pen number (pens beyond the table are drawn in `ink`),
// and the lines near the bottom edge whose letters have outlines, in
// source order, `line_height` rows each.
struct SmoothSource {
  const std::vector<Rgb>& pen_colours;
  Rgb ink, paper;
  const std::vector<NearLine>& near_lines;
  int line_height;
};

// The frame of the list through `index` at `p` into `frame`.
void draw_smooth_frame(const Projection& p, const RowIndex& index, DrawMode mode,
                       const SmoothSource& source, SmoothFrame* frame);
