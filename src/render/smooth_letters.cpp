// A line's letters cell row by cell row, each letter's spans added across
// the screen row where the projection puts them.
#include "render/smooth_letters.h"

#include <algorithm>
#include <limits>

namespace {

// The coarsest level whose cells are no larger than a pixel, for a screen
// row that spans `rows_seen` source rows, `scale` pixels a source pixel
// across.
int fine_level_for(double rows_seen, double scale) {
  int n = 0;
  auto fits = [&](int cells) { return cells * rows_seen >= 1 && scale <= cells; };
  while (n + 1 < kFineLevels && fits(kFineScale >> (n + 1))) ++n;
  return n;
}

// Where a near line's letters land on a screen row of `scale` pixels a
// source pixel, at a level, and the pixels they reached.
struct CellRows {
  const NearLine& line;
  int level, cells;
  double cell, offset, box;
  double from = std::numeric_limits<double>::infinity(), to = -from;
};

CellRows cell_rows(const Projection& p, const NearLine& line, int level, double scale) {
  int cells = kFineScale >> level;
  double cell = scale / cells;
  return {line, level, cells, cell, screen_x_at(p, 0, scale), std::max(1.0, cell)};
}

// Cell row k of the line's letters into the targets, `values` where a
// cell is wholly ink: four sums, or with `one_colour` the coverage alone
// (values[0]).
template <bool one_colour>
void add_cell_row(CellRows* c, std::int64_t k, Float4 values, const RowTargets& out) {
  for (const NearLine::Letter& letter : c->line.letters) {
    const FineLevel& g = letter.glyph->levels[c->level];
    std::int64_t row = k - g.top;
    if (row < 0 || row + 1 >= static_cast<std::int64_t>(g.span_rows.size())) continue;
    double origin = (static_cast<double>(letter.x) * c->cells + g.left) * c->cell + c->offset;
    for (std::uint32_t i = g.span_rows[row]; i < g.span_rows[row + 1]; ++i) {
      const FineSpan& span = g.spans[i];
      double a = origin + span.from * c->cell, b = origin + span.to * c->cell;
      c->from = std::min(c->from, a);
      c->to = std::max(c->to, b);
      if (one_colour) {
        add_cover_edge_to(out, a, values[0] * span.coverage);
        add_cover_edge_to(out, b, -values[0] * span.coverage);
      } else {
        for (int t = 0; t < out.count; ++t) {
          add_run(out.rows[t], a, b, c->box, values * (span.coverage * out.weights[t]));
        }
      }
    }
  }
}

}  // namespace

const NearLine* near_line_at(const std::vector<NearLine>& lines, int line_height, double v) {
  auto after = std::upper_bound(lines.begin(), lines.end(), v, [](double at, const NearLine& l) {
    return at < static_cast<double>(l.top_row);
  });
  if (after == lines.begin()) return nullptr;
  const NearLine& line = *(after - 1);
  return v < static_cast<double>(line.top_row + line_height) ? &line : nullptr;
}

void add_letter_rows(const Projection& p, const NearLine& line, int y, Float4 ink, SmoothRow* row) {
  double near_v = source_v_at(p, y + 1.0) - static_cast<double>(line.top_row);
  double far_v = source_v_at(p, y) - static_cast<double>(line.top_row);
  double scale = x_scale_at(p, y + 0.5);
  CellRows c = cell_rows(p, line, fine_level_for(near_v - far_v, scale), scale);
  double top = far_v * c.cells, bottom = near_v * c.cells;
  if (bottom - top < 1) {
    double centre = (top + bottom) / 2;
    top = centre - 0.5;
    bottom = centre + 0.5;
  }
  for (auto k = static_cast<std::int64_t>(floor_int(top)); static_cast<double>(k) < bottom; ++k) {
    double seen = std::min(bottom, k + 1.0) - std::max(top, static_cast<double>(k));
    auto weight = static_cast<float>(seen / (bottom - top));
    if (!(weight > 0)) continue;
    RowTargets out{{row}, {weight}, 1};
    if (c.box > 1) {
      add_cell_row<false>(&c, k, ink, out);
    } else {  // letters are ink: their coverage is enough
      add_cell_row<true>(&c, k, Float4{1}, out);
    }
  }
  (c.box > 1 ? row->stepped : row->covered) = true;
  touch(row, c.from, c.to, c.box);
}

void add_letter_source_row(const Projection& p, const NearLine& line, std::int64_t source_row,
                           double scale, Float4 ink, const RowTargets& out) {
  int level = 0;
  while (level + 1 < kFineLevels && scale <= (kFineScale >> (level + 1))) ++level;
  CellRows c = cell_rows(p, line, level, scale);
  auto part = static_cast<float>(1.0 / c.cells);
  std::int64_t first = (source_row - line.top_row) * c.cells;
  for (std::int64_t k = first; k < first + c.cells; ++k) {
    if (c.box > 1) {
      add_cell_row<false>(&c, k, ink * part, out);
    } else {
      add_cell_row<true>(&c, k, Float4{part}, out);
    }
  }
  for (int t = 0; t < out.count; ++t) {
    (c.box > 1 ? out.rows[t]->stepped : out.rows[t]->covered) = true;
    touch(out.rows[t], c.from, c.to, c.box);
  }
}
