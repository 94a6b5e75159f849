// The coverage of a smooth frame, screen row by screen row: the source rows
// a row sees, each with its weight, then every ink run of those rows added
// across the row with the weight of how much of each pixel it covers.
#include "render/smooth_frame.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

constexpr double kFineFrom = 2.0 / 3;  // source rows a pixel, at most, for outlines

using Colour = std::array<float, 4>;  // 1, red, green, blue

Colour colour_of(Rgb rgb) {
  return {1, static_cast<float>(rgb >> 16 & 0xff), static_cast<float>(rgb >> 8 & 0xff),
          static_cast<float>(rgb & 0xff)};
}

// Source row coordinate v at screen y: row R lies from v = R (its far edge)
// to v = R + 1 (its near edge).
double source_v(const Projection& p, double y) {
  double depth = static_cast<double>(p.height) * p.length_y / y;
  return static_cast<double>(p.position) + 1 - (depth - p.length_y);
}

// Screen rows that row R spans: its thickness, for blur's fading.
double row_thickness(const Projection& p, std::int64_t row) {
  double scale = static_cast<double>(p.height) * p.length_y;
  double near = static_cast<double>(p.position - row) + p.length_y;
  return scale / near - scale / (near + 1);
}

// floor and ceil as ints, without a call into the maths library; values
// beyond 2^30 either way, which no pixel reaches, are held there.
constexpr double kFarthestX = 1 << 30;
int floor_int(double v) {
  v = std::clamp(v, -kFarthestX, kFarthestX);
  int i = static_cast<int>(v);
  return i - (static_cast<double>(i) > v);
}
int ceil_int(double v) {
  v = std::clamp(v, -kFarthestX, kFarthestX);
  int i = static_cast<int>(v);
  return i + (static_cast<double>(i) < v);
}

using Float4 = float __attribute__((vector_size(16)));

Float4 load4(const float* at) {
  Float4 v;
  std::memcpy(&v, at, sizeof v);
  return v;
}
void store4(float* at, Float4 v) {
  std::memcpy(at, &v, sizeof v);
}

// Notes the pixels that runs over screen x [from, to), seen through a box
// `box` pixels wide, may touch.
void touch(SmoothFrame* f, double from, double to, double box) {
  int first = std::max(floor_int(from - box), 0);
  int end = std::min(floor_int(to + box) + 2, f->width);
  if (first >= end) return;
  f->first = std::min(f->first, first);
  f->end = std::max(f->end, end);
}

// An edge at screen x t of what lies right of it, through the differences:
// pixel floor(t) gets `values` times its part right of t, every pixel after
// it the whole. A run [a, b) is the edge at a less the edge at b.
[[gnu::always_inline]] inline void add_edge(SmoothFrame* f, double t, Float4 values) {
  t = t > 0 ? t : 0;  // and NaN
  t = t < f->width ? t : f->width;
  int i = static_cast<int>(t);
  auto right = static_cast<float>(t - i);
  float* at = &f->steps[4 * static_cast<std::size_t>(i)];
  store4(at, load4(at) + values * (1 - right));
  store4(at + 4, load4(at + 4) + values * right);
}

// A run seen through a box wider than a pixel: pixel by pixel where the
// box holds one of its ends, the whole value between; into the
// differences as it goes.
[[gnu::noinline]] void add_box_run(SmoothFrame* f, double from, double to, double box,
                                   Float4 values) {
  int width = f->width;
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
    float* at = &f->steps[4 * static_cast<std::size_t>(x)];
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

// Adds `values` (weight, then red, green and blue times the weight) a pixel
// of a run over screen x [from, to), seen through a box `box` pixels wide
// around each pixel's centre; the caller notes what it touched.
[[gnu::always_inline]] inline void add_run(SmoothFrame* f, double from, double to, double box,
                                           Float4 values) {
  if (!(to > from)) return;
  if (box > 1) {
    add_box_run(f, from, to, box, values);
    return;
  }
  add_edge(f, from, values);  // each pixel's share of [from, to)
  add_edge(f, to, -values);
}

struct RowPass {
  const Projection& p;
  const RowIndex& index;
  DrawMode mode;
  const std::vector<Colour>& pens;  // by pen number
  const SmoothSource& source;
  Colour ink;
  std::uint32_t reached;  // spans the walk reaches
};

// Screen x of source x on a screen row of `scale`: x * scale + offset,
// as screen_x_at computes it.
double x_offset(const Projection& p, double scale) {
  return p.width / 2 - (p.source_width / 2) * scale;
}

// The near line that holds source v, or null.
const NearLine* near_line_at(const SmoothSource& source, double v) {
  const std::vector<NearLine>& lines = source.near_lines;
  auto after = std::upper_bound(lines.begin(), lines.end(), v, [](double at, const NearLine& l) {
    return at < static_cast<double>(l.top_row);
  });
  if (after == lines.begin()) return nullptr;
  const NearLine& line = *(after - 1);
  return v < static_cast<double>(line.top_row + source.line_height) ? &line : nullptr;
}

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

CellRows cell_rows(const RowPass& r, const NearLine& line, int level, double scale) {
  int cells = kFineScale >> level;
  double cell = scale / cells;
  return {line, level, cells, cell, x_offset(r.p, scale), std::max(1.0, cell)};
}

// Cell row k of the line's letters, `values` where a cell is wholly ink.
void add_cell_row(CellRows* c, std::int64_t k, Float4 values, SmoothFrame* f) {
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
      add_run(f, a, b, c->box, values * span.coverage);
    }
  }
}

// Screen row y within a near line, from its letters' cells under the
// pixel: a box of the pixel's own height, or of one cell where that is
// smaller (bilinear).
void add_fine_rows(const RowPass& r, const NearLine& line, int y, SmoothFrame* f) {
  const Projection& p = r.p;
  double near_v = source_v(p, y + 1.0) - static_cast<double>(line.top_row);
  double far_v = source_v(p, y) - static_cast<double>(line.top_row);
  double scale = x_scale_at(p, y + 0.5);
  CellRows c = cell_rows(r, line, fine_level_for(near_v - far_v, scale), scale);
  double top = far_v * c.cells, bottom = near_v * c.cells;
  if (bottom - top < 1) {
    double centre = (top + bottom) / 2;
    top = centre - 0.5;
    bottom = centre + 0.5;
  }
  const Float4 ink = load4(r.ink.data());
  for (auto k = static_cast<std::int64_t>(floor_int(top)); static_cast<double>(k) < bottom; ++k) {
    double seen = std::min(bottom, k + 1.0) - std::max(top, static_cast<double>(k));
    auto weight = static_cast<float>(seen / (bottom - top));
    if (weight > 0) add_cell_row(&c, k, ink * weight, f);
  }
  touch(f, c.from, c.to, c.box);
}

// Source row `row` of a near line across a screen row where a source pixel
// is wider than a pixel: its letters' cells at the coarsest level whose
// cells are no wider than one, each cell row of the source row an equal
// part of it.
void add_fine_source_row(const RowPass& r, const NearLine& line, std::int64_t row, float weight,
                         double scale, SmoothFrame* f) {
  int level = 0;
  while (level + 1 < kFineLevels && scale <= (kFineScale >> (level + 1))) ++level;
  CellRows c = cell_rows(r, line, level, scale);
  const Float4 values = load4(r.ink.data()) * (weight / static_cast<float>(c.cells));
  std::int64_t first = (row - line.top_row) * c.cells;
  for (std::int64_t k = first; k < first + c.cells; ++k) add_cell_row(&c, k, values, f);
  touch(f, c.from, c.to, c.box);
}

// Every ink run of source row `row`, with `weight`, across a screen row of
// `scale` screen pixels a source pixel; from its letters' outlines where a
// source pixel is wider than a pixel and the row has them (fill keeps its
// runs, which it widens).
void add_source_row(const RowPass& r, std::int64_t row, float weight, double scale,
                    SmoothFrame* f) {
  if (r.mode == kDrawBlur) weight *= static_cast<float>(std::min(1.0, 2 * row_thickness(r.p, row)));
  if (!(weight > 0)) return;
  const Projection& p = r.p;
  double box = std::max(1.0, scale);
  if (box > 1 && r.mode != kDrawFill) {
    if (const NearLine* line = near_line_at(r.source, static_cast<double>(row) + 0.5)) {
      add_fine_source_row(r, *line, row, weight, scale, f);
      return;
    }
  }
  double widen = r.mode == kDrawFill ? 0.5 : 0;
  double offset = x_offset(p, scale);
  const std::vector<std::uint32_t>& by_row = r.index.by_row;
  auto it =
      std::lower_bound(by_row.begin(), by_row.end(), row,
                       [&](std::uint32_t i, std::int64_t v) { return r.index.spans[i].row < v; });
  double from = std::numeric_limits<double>::infinity(), to = -from;
  for (; it != by_row.end() && r.index.spans[*it].row == row; ++it) {
    if (*it >= r.reached) continue;
    each_ink_run(r.index, *it, [&](std::uint32_t pen, std::int64_t x, int length) {
      double a = static_cast<double>(x) * scale + offset;
      double b = static_cast<double>(x + length) * scale + offset;
      if (a > b) std::swap(a, b);
      a -= widen;
      b += widen;
      from = std::min(from, a);
      to = std::max(to, b);
      const Colour& c = pen < r.pens.size() ? r.pens[pen] : r.ink;
      add_run(f, a, b, box, load4(c.data()) * weight);
    });
  }
  touch(f, from, to, box);
}

// Screen y of the boundary at source v (the inverse of source_v).
double screen_y(const Projection& p, double v) {
  double depth = static_cast<double>(p.position) + 1 - v + p.length_y;
  return static_cast<double>(p.height) * p.length_y / depth;
}

// How much of a tent of half-width 1 around `centre` lies below t.
double tent_below(double centre, double t) {
  double u = t - centre;
  if (u <= -1) return 0;
  if (u >= 1) return 1;
  return u < 0 ? (u + 1) * (u + 1) / 2 : 1 - (1 - u) * (1 - u) / 2;
}

// The source rows that screen row y sees, with their weights, into `f`'s
// sums. Where rows are taller than a pixel: a box of one source row around
// the pixel's centre (bilinear). Else the rows under a tent of two pixels
// around it, which keeps a far row from changing all at once as the crawl
// moves; on a fixed grid of rows, one row for a block, when they are many.
void add_screen_row(const RowPass& r, int y, std::int64_t first_row, SmoothFrame* f) {
  const Projection& p = r.p;
  double last = static_cast<double>(p.position) + 1;
  double centre = y + 0.5;
  double rows_seen = source_v(p, y + 1.0) - (y == 0 ? -1e300 : source_v(p, y));
  bool magnified = rows_seen < 1;
  // Outlines where a source pixel spans a pixel and a half or more; below
  // that the source's own letters are as fine as the screen.
  if (rows_seen < kFineFrom) {
    if (const NearLine* line = near_line_at(r.source, source_v(p, centre))) {
      add_fine_rows(r, *line, y, f);
      return;
    }
  }
  double top = magnified
                   ? source_v(p, centre) - 0.5
                   : (y == 0 ? -std::numeric_limits<double>::infinity() : source_v(p, y - 0.5));
  double bottom = magnified ? top + 1 : source_v(p, y + 1.5);
  double from = std::max(top, static_cast<double>(first_row)), to = std::min(bottom, last);
  if (!(to > from)) return;
  std::int64_t step = 1;
  while (static_cast<double>(step) * kSmoothRowSamples < to - from) step *= 2;
  auto lowest = static_cast<std::int64_t>(std::floor(from));
  std::int64_t row = lowest - ((lowest % step) + step) % step;
  for (; static_cast<double>(row) < to; row += step) {
    double a = std::max(from, static_cast<double>(row));
    double b = std::min(to, static_cast<double>(row + step));
    if (!(b > a)) continue;
    double weight =
        magnified ? b - a : tent_below(centre, screen_y(p, b)) - tent_below(centre, screen_y(p, a));
    // Rows taller than a pixel are placed across at the pixel's depth, so
    // that a row's letters do not jump between its screen rows; thinner
    // ones at their own.
    double scale = magnified ? x_scale_at(p, centre) : x_scale_at(p, screen_y(p, row + 0.5));
    if (weight > 0) add_source_row(r, row, static_cast<float>(weight), scale, f);
  }
}

// Red, green and blue of `c` (its last three), rounded and held to
// [0, 255].
Rgb rgb_of(Float4 c) {
#ifdef __SSE2__
  __m128i whole = _mm_cvtps_epi32(c);  // rounded to nearest
  __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(whole, whole), whole);
  // coverage, red, green, blue from the lowest byte up
  return __builtin_bswap32(static_cast<std::uint32_t>(_mm_cvtsi128_si32(bytes))) & 0xffffff;
#else
  c = c + 0.5f;
  const Float4 zero{};
  c = c < 0 ? zero : c;
  c = c > 255 ? zero + 255 : c;
  return static_cast<Rgb>(c[1]) << 16 | static_cast<Rgb>(c[2]) << 8 | static_cast<Rgb>(c[3]);
#endif
}

// The touched pixels of row y blended over the paper; the differences
// cleared behind them for the next row.
void finish_row(SmoothFrame* f, int y, const Colour& paper) {
  float* steps = &f->steps[4 * static_cast<std::size_t>(f->first)];
  int count = f->end - f->first;
  const Float4 zero{}, paper4{0, paper[1], paper[2], paper[3]};
  Float4 running{};
  Rgb* out = f->rows + static_cast<std::size_t>(y) * f->stride + f->first;
  bool inked = false;
  for (int i = 0; i < count; ++i) {
    Float4 v = running += load4(steps + 4 * i);
    store4(steps + 4 * i, zero);
    if (!(v[0] > 1e-4f)) continue;  // paper, as the frame began
    float scale = v[0] > 1 ? 1 / v[0] : 1;
    out[i] = rgb_of(v * scale + paper4 * (1 - std::min(v[0], 1.0f)));
    inked = true;
  }
  store4(steps + 4 * count, zero);
  f->inked[y] = inked;
  if (inked) {
    f->written_first[y] = f->first;
    f->written_end[y] = f->end;
  }
}

// The frame `width` x `height` all paper: only the pixels the last frame
// wrote are cleared when its size, paper and memory stay.
void clear_frame(SmoothFrame* f, int width, int height, Rgb paper) {
  auto area = static_cast<std::size_t>(width) * height;
  bool kept = f->width == width && f->height == height && f->paper == paper;
  if (!f->lent && f->pixels.size() != area) f->pixels.assign(area, paper);
  Rgb* rows = f->lent ? f->lent : f->pixels.data();
  std::size_t stride = f->lent ? f->lent_stride : static_cast<std::size_t>(width);
  kept = kept && rows == f->rows && stride == f->stride;
  f->width = width;
  f->height = height;
  f->paper = paper;
  f->rows = rows;
  f->stride = stride;
  if (!kept) {
    f->written_first.assign(height, 0);
    f->written_end.assign(height, width);
  }
  for (int y = 0; y < height; ++y) {
    Rgb* row = rows + static_cast<std::size_t>(y) * stride;
    std::fill(row + f->written_first[y], row + f->written_end[y], paper);
    f->written_first[y] = f->written_end[y] = 0;
  }
  f->inked.assign(height, 0);
}

}  // namespace

void draw_smooth_frame(const Projection& p, const RowIndex& index, DrawMode mode,
                       const SmoothSource& source, SmoothFrame* frame) {
  SmoothFrame* f = frame;
  clear_frame(f, std::max(p.width, 0), std::max(p.height, 0), source.paper);
  if (!fast_path_serves(p) || p.position < 0 || index.spans.empty()) return;
  f->steps.assign(4 * (static_cast<std::size_t>(f->width) + 2), 0.0f);
  f->pens.clear();
  for (Rgb c : source.pen_colours) f->pens.push_back(colour_of(c));
  RowPass r{p, index, mode, f->pens, source, colour_of(source.ink), reached_spans(p, index)};
  std::int64_t first_row = index.lowest_row;
  Colour paper_colour = colour_of(source.paper);
  for (int y = 0; y < f->height; ++y) {
    f->first = f->width;
    f->end = 0;
    add_screen_row(r, y, first_row, f);
    if (f->first < f->end) finish_row(f, y, paper_colour);
  }
}
