// Smooth frames: the display list drawn with coverage instead of X
// primitives. Every pixel blends the colours of the runs over it with the
// paper, in proportion to how much of it they cover. A pixel sees the
// source through a box as wide as the larger of a screen pixel and a source
// pixel: near the bottom edge, where a source pixel spans several screen
// pixels, that interpolates between the centres of the source pixels
// (bilinear); towards the horizon, where a screen pixel spans many source
// pixels, it averages them. A far screen row reads its source rows on a
// grid fixed in the source, so that as the crawl moves the rows it reads
// change one at a time and the far field fades instead of flickering. Blur
// keeps its meaning: a row thinner than a pixel counts in proportion to
// its thickness, so farther is fainter; fill widens every run by half a
// screen pixel on either side, as its edges do. Pure: the X side puts the
// pixels on the screen (smooth_pass.cpp).
#pragma once

#include <cstdint>
#include <vector>

#include "render/draw_mode.h"
#include "render/projection.h"
#include "render/row_index.h"

using Rgb = std::uint32_t;  // 0xRRGGBB

// Source rows read for one far screen row, at most about this many.
constexpr int kSmoothRowSamples = 16;

struct SmoothFrame {
  int width = 0, height = 0;
  std::vector<Rgb> pixels;          // row by row
  std::vector<std::uint8_t> inked;  // by screen row: 1 when it holds anything but paper
  std::vector<float> sums[4];       // one row: coverage, red, green, blue, per x
  std::vector<float> steps[4];      // the same as differences, for the runs' insides
  bool touched;                     // a run was added to the row
};

// The frame of the list through `index` at `p` into `frame`, with the
// colours of the list's pens by pen number (pens beyond the table are
// drawn in `ink`).
void draw_smooth_frame(const Projection& p, const RowIndex& index, DrawMode mode,
                       const std::vector<Rgb>& pen_colours, Rgb ink, Rgb paper, SmoothFrame* frame);
