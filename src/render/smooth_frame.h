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

#include <array>
#include <cstdint>
#include <vector>

#include "render/draw_mode.h"
#include "render/ink_profiles.h"
#include "render/projection.h"
#include "render/row_index.h"
#include "render/smooth_letters.h"
#include "render/smooth_row.h"

using Rgb = std::uint32_t;                  // 0xRRGGBB
using SmoothColour = std::array<float, 4>;  // 1, red, green, blue

// Steps of coverage between paper and ink in rows of ink alone.
constexpr int kInkLevels = 1024;

struct SmoothFrame {
  int width = 0, height = 0;
  // Where the caller lends memory for the pixels (a shared image's), rows
  // `lent_stride` pixels apart; null: the frame's own `pixels`.
  Rgb* lent = nullptr;
  std::size_t lent_stride = 0;
  std::vector<Rgb> pixels;
  // The pixels drawn, row by row `stride` apart. Setting `rows` to null
  // makes the next frame clear every pixel (memory that is new).
  Rgb* rows = nullptr;
  std::size_t stride = 0;
  std::vector<std::uint8_t> inked;  // by screen row: 1 when it holds anything but paper
  // By screen row, the pixels [first, end) the last frame wrote; the rest
  // of the row is paper, so that a new frame clears only these.
  std::vector<std::int32_t> written_first, written_end;
  Rgb paper = 0;                       // of the pixels kept
  SmoothRow row, next_row, third_row;  // the screen rows being summed
  std::vector<SmoothColour> pens;      // the pens' colours
  // By pen: how much ink over the paper its colour is, where it is a
  // blend of the two (the ink is 1), else -1.
  std::vector<float> ink_shares;
  InkProfiles profiles;         // far rows' ink, kept from frame to frame
  SmoothColour ink;             // of runs summed as coverage
  std::vector<Rgb> ink_levels;  // ink over paper by coverage, kInkLevels + 1
};

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
