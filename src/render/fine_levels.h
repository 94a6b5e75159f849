// A letter rasterized from its outline for smooth frames, as runs of
// coverage per row, at the finest resolution and at coarser levels averaged
// from it. Pure.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

// Fine pixels a source pixel, across and down, of letters drawn from
// their outlines near the bottom edge.
constexpr int kFineScale = 8;

// Coarser copies of a letter beside the finest: level n has kFineScale >> n
// cells a source pixel, so that a screen row reads about as many rows of
// cells as it spans pixels.
constexpr int kFineLevels = 3;

// A letter's outline rasterized at kFineScale, or averaged to a coarser
// level, as runs of coverage.
struct FineRun {
  std::int32_t x, length;  // cells from the bitmap's left
  std::uint8_t coverage;   // 255: wholly ink
};
// A row's ink as it is drawn: a cell partly inked beside a run of wholly
// inked ones is taken as that run reaching into the cell as far as the
// cell's coverage, so that a stroke across a row is one span, not three.
struct FineSpan {
  float from, to;  // cells from the bitmap's left
  float coverage;  // 1: wholly ink
};
struct FineLevel {
  std::int32_t left, top;           // cells from the letter's origin and the line's top
  std::vector<std::uint32_t> rows;  // per bitmap row its first run, and the end of the last
  std::vector<FineRun> runs;
  std::vector<std::uint32_t> span_rows;  // the same for the spans
  std::vector<FineSpan> spans;
};
struct FineGlyph {
  std::array<FineLevel, kFineLevels> levels;  // from the finest
};

// A coverage bitmap of `width` x `height` cells, row by row, as runs and
// as spans.
FineLevel fine_level_of(const std::uint8_t* cells, int width, int height, int left, int top);
// The level whose cells are `factor` x `factor` cells of `fine`, each their
// average, on a grid aligned to the letter's origin; with its spans.
FineLevel coarser_level(const FineLevel& fine, int factor);
