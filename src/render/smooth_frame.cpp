// The coverage of a smooth frame, screen row by screen row: the source rows
// a row sees, each with its weight, then every ink run of those rows added
// across the row with the weight of how much of each pixel it covers.
#include "render/smooth_frame.h"

#include <algorithm>
#include <cmath>
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

// Rows read no farther either way than this, and in blocks of at most
// kWidestStep rows: a block's rows stay far inside the 64-bit range.
constexpr double kFarthestRow = 0x1p62;
constexpr std::int64_t kWidestStep = std::int64_t{1} << 60;

// Screen rows that row R spans: its thickness, for blur's fading.
double row_thickness(const Projection& p, std::int64_t row) {
  double scale = static_cast<double>(p.height) * p.length_y;
  double near = static_cast<double>(p.position) - static_cast<double>(row) + p.length_y;
  return scale / near - scale / (near + 1);
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
    const SmoothSource& source = r.source;
    double v = static_cast<double>(row) + 0.5;
    if (const NearLine* line = near_line_at(source.near_lines, source.line_height, v)) {
      add_letter_source_row(p, *line, row, scale, load4(r.ink.data()) * weight, &f->row);
      return;
    }
  }
  double widen = r.mode == kDrawFill ? 0.5 : 0;
  double offset = screen_x_at(p, 0, scale);
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
      add_run(&f->row, a, b, box, load4(c.data()) * weight);
    });
  }
  touch(&f->row, from, to, box);
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
  double rows_seen = source_v_at(p, y + 1.0) - (y == 0 ? -1e300 : source_v_at(p, y));
  bool magnified = rows_seen < 1;
  // Outlines where a source pixel spans a pixel and a half or more; below
  // that the source's own letters are as fine as the screen.
  if (rows_seen < kFineFrom) {
    const SmoothSource& source = r.source;
    double v = source_v_at(p, centre);
    if (const NearLine* line = near_line_at(source.near_lines, source.line_height, v)) {
      add_letter_rows(p, *line, y, load4(r.ink.data()), &f->row);
      return;
    }
  }
  double top = magnified
                   ? source_v_at(p, centre) - 0.5
                   : (y == 0 ? -std::numeric_limits<double>::infinity() : source_v_at(p, y - 0.5));
  double bottom = magnified ? top + 1 : source_v_at(p, y + 1.5);
  double from = std::max({top, static_cast<double>(first_row), -kFarthestRow});
  double to = std::min({bottom, last, kFarthestRow});
  if (!(to > from)) return;
  std::int64_t step = 1;
  while (step < kWidestStep && static_cast<double>(step) * kSmoothRowSamples < to - from) step *= 2;
  auto lowest = static_cast<std::int64_t>(std::floor(from));
  std::int64_t row = lowest - ((lowest % step) + step) % step;
  for (; static_cast<double>(row) < to; row += step) {
    double a = std::max(from, static_cast<double>(row));
    double b = std::min(to, static_cast<double>(row + step));
    if (!(b > a)) continue;
    double weight = magnified ? b - a
                              : tent_below(centre, screen_y_at_v(p, b)) -
                                    tent_below(centre, screen_y_at_v(p, a));
    // Rows taller than a pixel are placed across at the pixel's depth, so
    // that a row's letters do not jump between its screen rows; thinner
    // ones at their own.
    double scale = magnified ? x_scale_at(p, centre) : x_scale_at(p, screen_y_at_v(p, row + 0.5));
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

// Notes what row y of the frame holds: [first, end) written when inked.
void note_row(SmoothFrame* f, int y, bool inked) {
  f->inked[y] = inked;
  if (inked) {
    f->written_first[y] = f->row.first;
    f->written_end[y] = f->row.end;
  }
}

// The touched pixels of row y blended over the paper; the differences
// cleared behind them for the next row.
void finish_row(SmoothFrame* f, int y, const Colour& paper) {
  SmoothRow& row = f->row;
  float* steps = &row.steps[4 * static_cast<std::size_t>(row.first)];
  int count = row.end - row.first;
  const Float4 zero{}, paper4{0, paper[1], paper[2], paper[3]};
  Float4 running{};
  Rgb* out = f->rows + static_cast<std::size_t>(y) * f->stride + row.first;
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
  note_row(f, y, inked);
}

// The same for a row of ink alone: each pixel's colour is the blend of
// its coverage, from the frame's table.
void finish_one_colour_row(SmoothFrame* f, int y) {
  SmoothRow& row = f->row;
  float* cover = &row.cover[static_cast<std::size_t>(row.first)];
  int count = row.end - row.first;
  float running = 0;
  Rgb* out = f->rows + static_cast<std::size_t>(y) * f->stride + row.first;
  bool inked = false;
  for (int i = 0; i < count; ++i) {
    running += cover[i];
    cover[i] = 0;
    if (!(running > 1e-4f)) continue;
    out[i] = f->ink_levels[static_cast<int>(std::min(running, 1.0f) * kInkLevels + 0.5f)];
    inked = true;
  }
  cover[count] = 0;
  row.one_colour = false;
  note_row(f, y, inked);
}

// The frame's table of ink over paper by coverage.
void note_ink_levels(SmoothFrame* f, const Colour& ink, const Colour& paper) {
  f->ink_levels.resize(kInkLevels + 1);
  Float4 ink4 = load4(ink.data()), paper4 = load4(paper.data());
  for (int i = 0; i <= kInkLevels; ++i) {
    float part = static_cast<float>(i) / kInkLevels;
    f->ink_levels[i] = rgb_of(ink4 * part + paper4 * (1 - part));
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
  clear_smooth_row(&f->row, f->width);
  f->pens.clear();
  for (Rgb c : source.pen_colours) f->pens.push_back(colour_of(c));
  RowPass r{p, index, mode, f->pens, source, colour_of(source.ink), reached_spans(p, index)};
  std::int64_t first_row = index.lowest_row;
  Colour paper_colour = colour_of(source.paper);
  note_ink_levels(f, r.ink, paper_colour);
  for (int y = 0; y < f->height; ++y) {
    f->row.first = f->width;
    f->row.end = 0;
    add_screen_row(r, y, first_row, f);
    if (f->row.first >= f->row.end) {
      f->row.one_colour = false;
    } else if (f->row.one_colour) {
      finish_one_colour_row(f, y);
    } else {
      finish_row(f, y, paper_colour);
    }
  }
}
