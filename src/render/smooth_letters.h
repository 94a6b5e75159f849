// Rows of smooth frames drawn from the letters of their lines instead of
// the source picture's pixels: near the bottom edge, where a source row is
// taller than a pixel, and where a source pixel is wider than one. The
// letters' cells come at the coarsest level whose cells are no larger than
// a pixel. Pure.
#pragma once

#include <cstdint>
#include <vector>

#include "render/fine_levels.h"
#include "render/projection.h"
#include "render/smooth_row.h"

// A line whose rows are drawn from its letters.
struct NearLine {
  std::int64_t top_row;  // of its first pixel row
  struct Letter {
    std::int64_t x;  // source x of the origin
    const FineGlyph* glyph;
  };
  std::vector<Letter> letters;
};

// The line among `lines` (in source order, `line_height` rows each) that
// holds source v, or null.
const NearLine* near_line_at(const std::vector<NearLine>& lines, int line_height, double v);

// Screen row y within `line`, from its letters' cells under the pixel: a
// box of the pixel's own height, or of one cell where that is smaller
// (bilinear); `ink` where a pixel is wholly ink.
void add_letter_rows(const Projection& p, const NearLine& line, int y, Float4 ink, SmoothRow* row);

// Source row `source_row` of `line` into the targets, across screen rows
// of `scale` pixels a source pixel, wider than one: its letters' cells at
// the coarsest level whose cells are no wider than a pixel, each cell row
// an equal part of it.
void add_letter_source_row(const Projection& p, const NearLine& line, std::int64_t source_row,
                           double scale, Float4 ink, const RowTargets& out);
