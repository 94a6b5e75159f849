// The coverage of a smooth frame: the far band from the source rows of a
// grid, each added to the screen rows around it; then the near rows one by
// one from the source rows each sees. A source row adds every ink run of it
// across a screen row with the weight of how much of each pixel it covers.
#include "render/smooth_frame.h"

#include "render/smooth_pixels.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kFineFrom = 2.0 / 3;  // source rows a pixel, at most, for outlines

// Rows read no farther either way than this, and in blocks of at most
// 2^kWidestLevel rows: a block's rows stay far inside the 64-bit range.
constexpr double kFarthestRow = 0x1p62;
constexpr int kWidestLevel = 60;

// Source rows a pixel that the far band reads, at least.
constexpr double kFarSamples = 2;

// How much ink over the paper `colour` is, 0 to 1, when it is a blend of
// the two (an antialiased letter's grey levels are); -1 when it is not.
float ink_share(Rgb colour, Rgb ink, Rgb paper) {
  auto channel = [](Rgb c, int shift) { return static_cast<int>(c >> shift & 0xff); };
  auto span = [&](int shift) { return channel(ink, shift) - channel(paper, shift); };
  int widest = 16;  // the channel where ink and paper differ most
  for (int shift : {8, 0}) {
    if (std::abs(span(shift)) > std::abs(span(widest))) widest = shift;
  }
  if (span(widest) == 0) return colour == ink ? 1 : -1;
  float share = static_cast<float>(channel(colour, widest) - channel(paper, widest)) /
                static_cast<float>(span(widest));
  if (!(share >= 0 && share <= 1)) return -1;
  for (int shift : {16, 8, 0}) {
    float blend =
        static_cast<float>(channel(paper, shift)) + share * static_cast<float>(span(shift));
    if (std::abs(blend - static_cast<float>(channel(colour, shift))) > 2) return -1;
  }
  return share;
}

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
  const std::vector<SmoothColour>& pens;  // by pen number
  const std::vector<float>& ink_shares;   // by pen number, see SmoothFrame
  const SmoothSource& source;
  SmoothColour ink;
  std::uint32_t reached;  // spans the walk reaches
  InkProfiles* profiles;  // of far rows of ink, kept from frame to frame
};

// A run over screen x [a, b) into every target.
[[gnu::always_inline]] inline void add_run_to(const RowTargets& t, double a, double b, double box,
                                              Float4 values) {
  if (box > 1 || t.count == 1) {
    for (int i = 0; i < t.count; ++i) add_run(t.rows[i], a, b, box, values * t.weights[i]);
    return;
  }
  if (!(b > a)) return;
  EdgeAt from = edge_at(t.rows[0], a), to = edge_at(t.rows[0], b);
  for (int i = 0; i < t.count; ++i) {
    Float4 v = values * t.weights[i];
    float* at = &t.rows[i]->steps[4 * static_cast<std::size_t>(from.pixel)];
    store4(at, load4(at) + v * (1 - from.right));
    store4(at + 4, load4(at + 4) + v * from.right);
    at = &t.rows[i]->steps[4 * static_cast<std::size_t>(to.pixel)];
    store4(at, load4(at) - v * (1 - to.right));
    store4(at + 4, load4(at + 4) - v * to.right);
  }
}

// Every ink run of source row `row` into the targets, across screen rows
// of `scale` screen pixels a source pixel; from its letters' outlines where
// a source pixel is wider than a pixel and the row has them (fill keeps its
// runs, which it widens).
void add_source_row(const RowPass& r, std::int64_t row, const RowTargets& t, double scale) {
  const Projection& p = r.p;
  double box = std::max(1.0, scale);
  if (box > 1 && r.mode != kDrawFill) {
    const SmoothSource& source = r.source;
    double v = static_cast<double>(row) + 0.5;
    if (const NearLine* line = near_line_at(source.near_lines, source.line_height, v)) {
      add_letter_source_row(p, *line, row, scale, load4(r.ink.data()), t);
      return;
    }
  }
  double offset = screen_x_at(p, 0, scale);
  if (r.mode != kDrawFill && scale > 0 && scale <= 1) {
    if (const InkProfile* ink = ink_profile(r.profiles, r.index, row, r.reached, r.ink_shares)) {
      ScreenSpan reached = add_ink_profile(*ink, scale, offset, t);
      for (int i = 0; i < t.count && reached.first < reached.end; ++i) {
        t.rows[i]->covered = true;
        touch(t.rows[i], reached.first, reached.end, 1);
      }
      return;
    }
  }
  double widen = r.mode == kDrawFill ? 0.5 : 0;
  double from = std::numeric_limits<double>::infinity(), to = -from;
  bool stepped = false, covered = false;
  each_ink_run_in_row(r.index, row, r.reached, [&](std::uint32_t pen, std::int64_t x, int length) {
    double a = static_cast<double>(x) * scale + offset;
    double b = static_cast<double>(x + length) * scale + offset;
    if (a > b) std::swap(a, b);
    a -= widen;
    b += widen;
    from = std::min(from, a);
    to = std::max(to, b);
    float share = pen < r.ink_shares.size() ? r.ink_shares[pen] : 1;
    // Ink over paper: its coverage is enough, but for fill, whose widened
    // runs overlap and are averaged where they do.
    if (box <= 1 && share >= 0 && r.mode != kDrawFill) {
      if (!(b > a)) return;
      covered = true;
      add_cover_edge_to(t, a, share);
      add_cover_edge_to(t, b, -share);
      return;
    }
    stepped = true;
    const SmoothColour& c = pen < r.pens.size() ? r.pens[pen] : r.ink;
    add_run_to(t, a, b, box, load4(c.data()));
  });
  for (int i = 0; i < t.count && from < to; ++i) {
    t.rows[i]->stepped |= stepped;
    t.rows[i]->covered |= covered;
    touch(t.rows[i], from, to, box);
  }
}

// Screen row y where its rows are taller than a pixel: a box of one source
// row around the pixel's centre (bilinear), or from the letters' outlines
// where a source pixel spans a pixel and a half or more; below that the
// source's own letters are as fine as the screen.
void add_near_screen_row(const RowPass& r, int y, SmoothFrame* f) {
  const Projection& p = r.p;
  double centre = y + 0.5;
  double rows_seen = source_v_at(p, y + 1.0) - source_v_at(p, y);
  if (rows_seen < kFineFrom) {
    const SmoothSource& source = r.source;
    double v = source_v_at(p, centre);
    if (const NearLine* line = near_line_at(source.near_lines, source.line_height, v)) {
      add_letter_rows(p, *line, y, load4(r.ink.data()), &f->row);
      return;
    }
  }
  double top = source_v_at(p, centre) - 0.5;
  double from = std::max({top, static_cast<double>(r.index.lowest_row), -kFarthestRow});
  double to = std::min({top + 1, static_cast<double>(p.position) + 1, kFarthestRow});
  if (!(to > from)) return;
  double scale = x_scale_at(p, centre);
  for (auto row = static_cast<std::int64_t>(std::floor(from)); static_cast<double>(row) < to;
       ++row) {
    double weight = std::min(to, row + 1.0) - std::max(from, static_cast<double>(row));
    if (r.mode == kDrawBlur) weight *= std::min(1.0, 2 * row_thickness(p, row));
    if (weight > 0) add_source_row(r, row, {{&f->row}, {static_cast<float>(weight)}, 1}, scale);
  }
}

// The grid's level at `row`: rows of blocks of 2^k, and how far towards the
// next level (0 to 1).
struct FarLevel {
  int k;
  double towards_next;
};
FarLevel far_level(const Projection& p, std::int64_t row) {
  double rows_a_pixel = 1 / row_thickness(p, row);
  double level = std::log2(rows_a_pixel / kFarSamples);
  if (!(level > 0)) return {0, 0};
  if (!(level < kWidestLevel)) return {kWidestLevel, 1};
  auto k = static_cast<int>(level);
  return {k, level - k};
}

// The first row of [from, to] whose level is below k, or to + 1.
std::int64_t far_level_end(const Projection& p, int k, std::int64_t from, std::int64_t to) {
  std::int64_t lo = from, hi = to + 1;  // far_level(lo..) >= k until hi
  while (lo < hi) {
    // [lo, hi] may be wider than the 64-bit range holds as a difference
    auto mid = lo + static_cast<std::int64_t>(
                        (static_cast<std::uint64_t>(hi) - static_cast<std::uint64_t>(lo)) / 2);
    if (far_level(p, mid).k < k) {
      hi = mid;
    } else {
      lo = mid + 1;
    }
  }
  return lo;
}

// How much of a tent of half-width 1 around `centre` lies below t.
double tent_below(double centre, double t) {
  double u = t - centre;
  if (u <= -1) return 0;
  if (u >= 1) return 1;
  return u < 0 ? (u + 1) * (u + 1) / 2 : 1 - (1 - u) * (1 - u) / 2;
}

// The screen rows the band is summing, y and the two below it: as many as
// a row no thicker than a pixel reaches through the tent.
struct BandRows {
  int y;
  SmoothRow* rows[kMostTargets];
  double weights[kMostTargets];  // received, ink or not
};

// Screen row b->y finished, divided by the weight it received, and the
// rows moved down by one.
void finish_band_row(SmoothFrame* f, BandRows* b, int end, const SmoothColour& paper) {
  if (b->y >= 0 && b->y < end) {
    float norm = b->weights[0] > 0 ? static_cast<float>(1 / b->weights[0]) : 0;
    finish_screen_row(f, b->rows[0], b->y, paper, norm);
  }
  SmoothRow* done = b->rows[0];
  for (int i = 0; i + 1 < kMostTargets; ++i) {
    b->rows[i] = b->rows[i + 1];
    b->weights[i] = b->weights[i + 1];
  }
  b->rows[kMostTargets - 1] = done;
  b->weights[kMostTargets - 1] = 0;
  ++b->y;
}

// Row s of the grid into the band's rows: the part of its block that it
// stands for, times what the tent of each screen row sees of it.
void add_far_row(const RowPass& r, std::int64_t s, const SmoothColour& paper, int end, BandRows* b,
                 SmoothFrame* f) {
  const Projection& p = r.p;
  FarLevel level = far_level(p, s);
  double part = (s >> level.k & 1) != 0 ? 1 - level.towards_next : 1 + level.towards_next;
  double rows = std::ldexp(part, level.k);
  double top = screen_y_at_v(p, static_cast<double>(s));
  double bottom = screen_y_at_v(p, static_cast<double>(s) + 1);
  if (!(rows > 0 && bottom > top)) return;
  int y = floor_int(top - 0.5);
  if (y >= end) return;
  while (b->y < y) finish_band_row(f, b, end, paper);
  double fade = r.mode == kDrawBlur ? std::min(1.0, 2 * (bottom - top)) : 1;
  RowTargets t{};
  for (int i = 0; i < kMostTargets; ++i) {
    double centre = y + i + 0.5;
    double share = rows * (tent_below(centre, bottom) - tent_below(centre, top));
    b->weights[i] += share;
    if (y + i >= 0 && y + i < end && share > 0) {
      t.rows[t.count] = b->rows[i];
      t.weights[t.count++] = static_cast<float>(share * fade);
    }
  }
  if (s < r.index.lowest_row || t.count == 0) return;
  add_source_row(r, s, t, x_scale_at(p, screen_y_at_v(p, static_cast<double>(s) + 0.5)));
}

// The far band, screen rows [0, end) whose pixels each span a source row
// or more. It reads source rows on a grid fixed in the source: every row
// where rows are at most kFarSamples a pixel, and where they are more, one
// row of each block of 2^k, with k growing with the depth so that a pixel
// keeps about kFarSamples of them. A row of the grid stands for its block
// and, as the next k nears, for more of its neighbour's, so that rows fade
// out of the grid instead of leaving it at once. Each row is seen where its
// depth puts it through a tent of two pixels around each screen row's
// centre, and each screen row is divided by the weight it received: it
// shows the average of the rows it sees. As the crawl moves the rows slide
// across the screen and nothing jumps, so the far field fades instead of
// flickering.
void add_far_band(const RowPass& r, int end, const SmoothColour& paper, SmoothFrame* f) {
  const Projection& p = r.p;
  // Rows from two pixels above the list's first row, for the weights of
  // the rows beside it, to those whose share reaches the band's last row.
  double top_y = std::floor(screen_y_at_v(p, static_cast<double>(r.index.lowest_row))) - 2;
  double first_v = top_y > 0 ? source_v_at(p, top_y) : -kFarthestRow;
  double last_v = std::min(source_v_at(p, end + 0.5), static_cast<double>(p.position));
  auto first =
      static_cast<std::int64_t>(std::clamp(std::floor(first_v), -kFarthestRow, kFarthestRow));
  auto last = static_cast<std::int64_t>(std::clamp(std::ceil(last_v), -kFarthestRow, kFarthestRow));
  if (first > last) return;
  BandRows b{-1, {&f->row, &f->next_row, &f->third_row}, {0, 0, 0}};
  int k = far_level(p, first).k;
  std::int64_t row = first;
  while (row <= last) {
    std::int64_t level_end = k > 0 ? far_level_end(p, k, row, last) : last + 1;
    std::int64_t step = std::int64_t{1} << k;
    for (std::int64_t s = ((row + step - 1) >> k) << k; s < level_end; s += step) {
      add_far_row(r, s, paper, end, &b, f);
    }
    row = level_end;
    if (k > 0) k = far_level(p, std::min(row, last)).k;
  }
  while (b.y < end) finish_band_row(f, &b, end, paper);
}

}  // namespace

void draw_smooth_frame(const Projection& p, const RowIndex& index, DrawMode mode,
                       const SmoothSource& source, SmoothFrame* frame) {
  SmoothFrame* f = frame;
  clear_frame(f, std::max(p.width, 0), std::max(p.height, 0), source.paper);
  if (!fast_path_serves(p) || p.position < 0 || index.spans.empty()) return;
  clear_smooth_row(&f->row, f->width);
  clear_smooth_row(&f->next_row, f->width);
  clear_smooth_row(&f->third_row, f->width);
  f->pens.clear();
  f->ink_shares.clear();
  for (Rgb c : source.pen_colours) {
    f->pens.push_back(colour_of(c));
    f->ink_shares.push_back(ink_share(c, source.ink, source.paper));
  }
  begin_ink_profiles(&f->profiles, index);
  RowPass r{p,
            index,
            mode,
            f->pens,
            f->ink_shares,
            source,
            colour_of(source.ink),
            reached_spans(p, index),
            &f->profiles};
  SmoothColour paper_colour = colour_of(source.paper);
  note_ink_levels(f, r.ink, paper_colour);
  // Pixels that span a source row or more form the far band at the top.
  int band_end = 1;
  while (band_end < f->height && source_v_at(p, band_end + 1.0) - source_v_at(p, band_end) >= 1) {
    ++band_end;
  }
  add_far_band(r, std::min(band_end, f->height), paper_colour, f);
  for (int y = band_end; y < f->height; ++y) {
    add_near_screen_row(r, y, f);
    finish_screen_row(f, &f->row, y, paper_colour, 1);
  }
}
