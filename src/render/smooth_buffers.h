// What a smooth frame draws into and keeps from one frame to the next: its
// pixels, the screen rows being summed, the pens' colours and the far
// rows' sums. Pure.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "render/ink_profiles.h"
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
