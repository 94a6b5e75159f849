// The far rows' ink maps, the plan of a frame and the resolution of one far
// screen row. The maps are built once from the indexed list; everything else
// runs per frame and allocates nothing once warm.
#include "render/far_rows.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Far wider than the few units in the last place by which the double
// evaluation of a projection can differ from the exact value.
constexpr double kSlack = 1e-7;

std::size_t block_rows(int level) {
  return std::size_t{1} << (kBlockShift * (level + 1));
}

// Calls f(word, bits) for the words that buckets [first, last] touch, with
// the bits of those buckets in each, until f returns true.
template <class F>
bool each_word(std::int64_t first, std::int64_t last, F f) {
  for (std::int64_t b = first; b <= last;) {
    int word = static_cast<int>(b >> 6), bit = static_cast<int>(b & 63);
    int count = static_cast<int>(std::min<std::int64_t>(last - b + 1, 64 - bit));
    if (f(word, (~0ull >> (64 - count)) << bit)) return true;
    b += count;
  }
  return false;
}

void set_buckets(InkMap* map, std::int64_t first, std::int64_t last) {
  each_word(first, last, [&](int word, std::uint64_t bits) {
    (*map)[word] |= bits;
    return false;
  });
}

bool any_bucket(const InkMap& map, std::int64_t first, std::int64_t last) {
  return each_word(first, last,
                   [&](int word, std::uint64_t bits) { return (map[word] & bits) != 0; });
}

// The source x ranges that the maps record for one ink run; false for a
// map that records nothing of it. Noblur's reversed runs are recorded as
// covering everything (wild): they are left to the resolution.
struct RunMarks {
  std::int64_t first[2], last[2];
  bool in[2];
  bool wild;
};

RunMarks run_marks(Mode mode, std::int64_t x0, int length) {
  RunMarks m{};
  std::int64_t x1 = x0 + length;
  if (mode == Mode::kFill) {
    m.first[kMarkMap] = std::min(x0, x1);
    m.last[kMarkMap] = std::max(x0, x1);
    m.in[kMarkMap] = true;
    return m;
  }
  m.first[kMarkMap] = m.last[kMarkMap] = x0;
  m.in[kMarkMap] = true;
  if (length > 0) {
    m.first[kCrossMap] = x0 + 1;
    m.last[kCrossMap] = x1;
    m.in[kCrossMap] = true;
  } else if (length < 0) {
    m.first[kCrossMap] = x1;
    m.last[kCrossMap] = x0;
    m.in[kCrossMap] = true;
    m.wild = true;
  }
  return m;
}

bool rows_grow(const RowIndex& index) {
  for (std::size_t i = 1; i < index.spans.size(); ++i) {
    if (index.spans[i].row <= index.spans[i - 1].row) return false;
  }
  return index.lowest_row == 0;
}

// Calls f(span, x0, length) for every ink run of the list, in list order,
// while it returns true; false when it stopped early.
template <class F>
bool for_each_ink_run(const RowIndex& index, F f) {
  SegmentCursor cursor = first_segment(index.list);
  const StoredSegment* s;
  std::uint32_t pen, span = 0;
  std::int64_t pen_x = 0;
  const std::uint8_t* ink = index.ink.data();
  while (next_stored_segment(&cursor, &s, &pen)) {
    if (ink[pen] && !f(span, pen_x, s->length)) return false;
    pen_x += s->advance_x;
    if (s->advance_y != 0) ++span;
  }
  return true;
}

// Marks every ink run in the block maps of level 0; false as soon as a run
// lies outside the buckets from far->origin.
bool fill_first_level(const RowIndex& index, FarRows* far) {
  int maps = far->mode == Mode::kNoblur ? 2 : 1;
  std::int64_t end = far->origin + kMapBuckets * far->bucket_width;
  return for_each_ink_run(index, [&](std::uint32_t span, std::int64_t x0, int length) {
    RunMarks m = run_marks(far->mode, x0, length);
    for (int k = 0; k < maps; ++k) {
      if (!m.in[k]) continue;
      if (m.first[k] < far->origin || m.last[k] >= end) return false;
      InkMap& map = far->maps[0][k][span >> kBlockShift];
      if (m.wild) {
        set_buckets(&map, 0, kMapBuckets - 1);
      } else {
        set_buckets(&map, (m.first[k] - far->origin) / far->bucket_width,
                    (m.last[k] - far->origin) / far->bucket_width);
      }
    }
    return true;
  });
}

// The source x range of all runs, for a list whose ink leaves the first
// buckets.
void find_extent(const RowIndex& index, FarRows* far) {
  std::int64_t first = std::numeric_limits<std::int64_t>::max();
  std::int64_t last = std::numeric_limits<std::int64_t>::min();
  for_each_ink_run(index, [&](std::uint32_t, std::int64_t x0, int length) {
    RunMarks m = run_marks(far->mode, x0, length);
    for (int k = 0; k < 2; ++k) {
      if (!m.in[k]) continue;
      first = std::min(first, m.first[k]);
      last = std::max(last, m.last[k]);
    }
    return true;
  });
  far->origin = first;
  far->bucket_width = (last - first) / kMapBuckets + 1;
}

void clear_maps(const RowIndex& index, FarRows* far) {
  int maps = far->mode == Mode::kNoblur ? 2 : 1;
  std::size_t spans = index.spans.size();
  for (int level = 0; level < kBlockLevels; ++level) {
    for (int k = 0; k < maps; ++k) {
      far->maps[level][k].assign((spans + block_rows(level) - 1) / block_rows(level), InkMap{});
    }
  }
}

void fill_upper_levels(FarRows* far) {
  for (int level = 1; level < kBlockLevels; ++level) {
    for (int k = 0; k < 2; ++k) {
      const std::vector<InkMap>& below = far->maps[level - 1][k];
      std::vector<InkMap>& maps_here = far->maps[level][k];
      for (std::size_t b = 0; b < below.size(); ++b) {
        InkMap& into = maps_here[b >> kBlockShift];
        for (int w = 0; w < kMapWords; ++w) into[w] |= below[b][w];
      }
    }
  }
}

// The first and last source x of any marked bucket.
void trim_extent(FarRows* far) {
  InkMap all{};
  for (const std::vector<InkMap>& maps : far->maps[kBlockLevels - 1]) {
    for (const InkMap& map : maps) {
      for (int w = 0; w < kMapWords; ++w) all[w] |= map[w];
    }
  }
  int first = kMapBuckets, last = -1;
  for (int b = 0; b < kMapBuckets; ++b) {
    if ((all[b >> 6] >> (b & 63)) & 1) {
      first = std::min(first, b);
      last = b;
    }
  }
  if (last < 0) first = last = 0;  // no ink at all
  far->ink_first = far->origin + first * far->bucket_width;
  far->ink_last = far->origin + (last + 1) * far->bucket_width - 1;
}

}  // namespace

// Text and pictures that fit the source width mostly lie within the first
// buckets of one source pixel each: one reading of the list then fills the
// maps. Otherwise a first reading finds where the ink lies.
FarRows* build_far_rows(const RowIndex& index, Mode mode) {
  if (mode == Mode::kBlur || !rows_grow(index)) return nullptr;
  auto* far = new FarRows;
  far->mode = mode;
  far->origin = 0;
  far->bucket_width = 1;
  clear_maps(index, far);
  if (!fill_first_level(index, far)) {
    find_extent(index, far);
    clear_maps(index, far);
    fill_first_level(index, far);
  }
  fill_upper_levels(far);
  trim_extent(far);
  return far;
}

void free_far_rows(FarRows* far) {
  delete far;
}

namespace {

std::int16_t top_at(const Projection& p, std::int64_t d) {
  return row_edges(p, d).top;
}

// The largest distance in [lo, hi] whose row's far boundary rounds to
// screen row y or lower down, or lo - 1 if there is none; top_at does not
// grow with the distance.
std::int64_t last_reaching(const Projection& p, int y, std::int64_t lo, std::int64_t hi) {
  if (top_at(p, lo) < y) return lo - 1;
  while (lo < hi) {
    std::int64_t mid = lo + (hi - lo + 1) / 2;
    if (top_at(p, mid) >= y) {
      lo = mid;
    } else {
      hi = mid - 1;
    }
  }
  return lo;
}

std::uint32_t first_span_from_row(const RowIndex& index, std::int64_t row) {
  auto it = std::lower_bound(index.spans.begin(), index.spans.end(), row,
                             [](const RowSpan& s, std::int64_t r) { return s.row < r; });
  return static_cast<std::uint32_t>(it - index.spans.begin());
}

bool served(const Projection& p, const RowIndex& index) {
  return p.position >= 0 && p.length_y >= 1 && p.length_x >= 1 && p.width >= 1 && p.height >= 1 &&
         !index.spans.empty() &&
         p.position < std::numeric_limits<std::int64_t>::max() - p.length_y - 2;
}

}  // namespace

bool plan_far_frame(const Projection& p, const RowIndex& index, FarRows* far) {
  far->screen_rows.clear();
  far->spans_read = 0;
  if (!served(p, index)) return false;
  std::uint32_t reached = reached_spans(p, index);
  if (reached == 0) return false;
  std::int64_t d_far = p.position - index.spans[0].row;
  std::int64_t d_near = p.position - index.spans[reached - 1].row;
  int y = top_at(p, d_far), nearest_y = top_at(p, d_near);
  // The farthest screen row may hold only the list's first few rows: it is
  // then walked, and resolving starts with the next.
  for (int farthest_y = y; y <= nearest_y && y < p.height; ++y) {
    std::int64_t farthest = std::min(d_far, last_reaching(p, y, d_near, d_far));
    std::int64_t nearest = std::max(d_near, last_reaching(p, y + 1, d_near, d_far) + 1);
    bool deep = farthest - nearest + 1 >= kFarDepth;
    if (deep) {
      far->screen_rows.push_back({y, nearest, farthest});
    } else if (y != farthest_y) {
      break;
    }
  }
  if (far->screen_rows.empty()) return false;
  far->reached = reached;
  far->walk_before = first_span_from_row(index, p.position - far->screen_rows.front().farthest);
  // Walked last: noblur's rows that mark lower screen rows only; in fill
  // also the nearest row of the last resolved screen row, whose near side
  // lies on the next.
  std::int64_t boundary = p.position - far->screen_rows.back().nearest;
  far->walk_from = first_span_from_row(index, far->mode == Mode::kFill ? boundary : boundary + 1);
  far->walk_from = std::min(far->walk_from, reached);
  return true;
}

namespace {

// The marks a run's requests make on one screen row, as the server draws
// them with the pen GCs: a point its pixel, a line from x1 up to but not
// including x2, a line of length zero nothing. Other rows and other
// requests (which far rows never make) are no marks on it.
struct MarkSink {
  std::vector<FarRows::Mark>* marks;
  int y;
  std::uint32_t pen;
  void use(const Pen*) {}
  void point(int x, int py) {
    if (py == y) marks->push_back({x, x, pen});
  }
  void line(int x1, int y1, int x2, int y2) {
    if (y1 != y || y2 != y || x1 == x2) return;
    if (x1 < x2) {
      marks->push_back({x1, x2 - 1, pen});
    } else {
      marks->push_back({x2 + 1, x1, pen});
    }
  }
  void polygon(const ScreenPoint*, int) {}
  void rectangle(int, int, int, int) {}
};

// Reads span i in its row and lets its marks decide the pixels still
// undecided: within a row the later run wins, so the marks go backwards.
template <Mode mode>
void resolve_span(const Projection& p, const RowIndex& index, FarRows* far, std::uint32_t i,
                  int y) {
  const RowSpan& span = index.spans[i];
  RowEdges row = row_edges(p, p.position - span.row);
  if (!row.finite) return;
  ++far->spans_read;
  far->marks.clear();
  MarkSink marks{&far->marks, y, 0};
  Requests<MarkSink> out{marks, p.width, p.height};
  SegmentCursor cursor = segment_at(index.list, span.first);
  const std::uint8_t* ink = index.ink.data();
  std::int64_t pen_x = span.pen_x;
  const StoredSegment* s;
  std::uint32_t pen;
  while (next_stored_segment(&cursor, &s, &pen)) {
    if (ink[pen]) {
      marks.pen = pen;
      draw_step<mode>(p, row, pen_x, s->length, out);
    }
    if (s->advance_y != 0) break;
    pen_x += s->advance_x;
  }
  std::int64_t window_last = far->window_first + static_cast<std::int64_t>(far->owner.size()) - 1;
  for (auto m = far->marks.rbegin(); m != far->marks.rend(); ++m) {
    std::int64_t from = std::max<std::int64_t>(m->first, far->window_first);
    std::int64_t to = std::min(m->last, window_last);
    for (std::int64_t x = from; x <= to; ++x) {
      std::uint32_t& owner = far->owner[x - far->window_first];
      if (owner == kNoPenNumber) owner = m->pen;
    }
  }
}

// Screen x of source x on a boundary with `step` screen pixels per source
// pixel, unrounded.
double screen_at(const Projection& p, double x, double step) {
  return (x - p.source_width / 2) * step + p.width / 2;
}

// Source x where the screen value v lies, on a boundary with `step`.
double source_at(const Projection& p, double v, double step) {
  return (v - p.width / 2) / step + p.source_width / 2;
}

double step_of(const Projection& p, double e) {
  return e * p.width / static_cast<double>(static_cast<std::int64_t>(p.length_x) * p.height);
}

// The bucket range of source x [first, last] (as doubles, inclusive) within
// the maps; false when it lies outside them.
bool buckets_of(const FarRows& far, double first, double last, std::int64_t* from,
                std::int64_t* to) {
  double lo = std::max(first, static_cast<double>(far.ink_first));
  double hi = std::min(last, static_cast<double>(far.ink_last));
  if (!(lo <= hi)) return false;
  *from = (static_cast<std::int64_t>(lo) - far.origin) / far.bucket_width;
  *to = (static_cast<std::int64_t>(hi) - far.origin) / far.bucket_width;
  return true;
}

}  // namespace

BlockReach block_reach(const Projection& p, const RowIndex& index, const FarRows& far,
                       std::uint32_t first, std::uint32_t last) {
  // The rows' boundaries lie between the far one of the farthest row and the
  // near one (noblur: the far one) of the nearest.
  RowEdges farthest = row_edges(p, p.position - index.spans[first].row);
  RowEdges nearest = row_edges(p, p.position - index.spans[last].row);
  if (!farthest.finite || !nearest.finite) return {false, 0, 0};
  return {true, step_of(p, farthest.edge_top),
          step_of(p, far.mode == Mode::kFill ? nearest.edge_bottom : nearest.edge_top)};
}

bool may_mark(const Projection& p, const FarRows& far, int level, std::size_t block,
              const BlockReach& reach, int x) {
  if (!reach.finite) return true;
  // Screen x is v + 0.5 truncated toward zero: x holds [x - 0.5, x + 0.5),
  // and 0 also (-1.5, 0).
  double lo = x == 0 ? -1.5 : x - 0.5, hi = x + 0.5;
  double a1 = source_at(p, lo, reach.step_far), a2 = source_at(p, lo, reach.step_near);
  double b1 = source_at(p, hi, reach.step_far), b2 = source_at(p, hi, reach.step_near);
  double lo_first = std::min(a1, a2), hi_first = std::min(b1, b2), hi_last = std::max(b1, b2);
  double slack = kSlack * (1.0 + std::abs(lo_first) + std::abs(hi_last));
  lo_first -= slack;
  hi_first -= slack;
  hi_last += slack;
  std::int64_t from, to;
  if (far.mode == Mode::kFill) {
    // Some x of a run's [x0, x1] lies in the pixel's source range; when that
    // holds no whole x, a run over it holds the x on both sides.
    double first_x = std::ceil(lo_first), last_x = std::floor(hi_last);
    if (first_x > last_x) std::swap(first_x, last_x);
    return buckets_of(far, first_x, last_x, &from, &to) &&
           any_bucket(far.maps[level][kMarkMap][block], from, to);
  }
  // A point at x0 marks the pixel when x0 lies in its range; a line from x0
  // to x1 when the pixel's right border lies in (x0, x1].
  if (buckets_of(far, std::ceil(lo_first), std::ceil(hi_last) - 1, &from, &to) &&
      any_bucket(far.maps[level][kMarkMap][block], from, to)) {
    return true;
  }
  return buckets_of(far, std::ceil(hi_first), std::ceil(hi_last), &from, &to) &&
         any_bucket(far.maps[level][kCrossMap][block], from, to);
}

namespace {

// The screen x that rows at distances [nearest, ...] can reach on screen
// row y: the maps' source x projected at the nearest row, which is the
// widest, and the centre, which every farther row approaches.
void open_window(const Projection& p, FarRows* far, std::int64_t nearest) {
  RowEdges r = row_edges(p, nearest);
  double step = step_of(p, std::max(r.edge_top, r.edge_bottom));
  double centre = p.width / 2;
  double left = std::min(screen_at(p, static_cast<double>(far->ink_first), step), centre);
  double right = std::max(screen_at(p, static_cast<double>(far->ink_last), step), centre);
  double first = std::max(std::floor(left) - 2, 0.0);
  double last = std::min(std::ceil(right) + 2, p.width - 1.0);
  far->owner.clear();
  far->undecided.clear();
  if (!(first <= last)) {
    far->window_first = 0;
    return;
  }
  far->window_first = static_cast<int>(first);
  far->owner.assign(static_cast<std::size_t>(last - first) + 1, kNoPenNumber);
  for (int x = far->window_first; x <= static_cast<int>(last); ++x) far->undecided.push_back(x);
}

void drop_decided(FarRows* far) {
  auto decided = [&](int x) { return far->owner[x - far->window_first] != kNoPenNumber; };
  far->undecided.erase(std::remove_if(far->undecided.begin(), far->undecided.end(), decided),
                       far->undecided.end());
}

// Blocks known to hold a run that may mark an undecided pixel, by level,
// while the undecided pixels stay the same.
struct MarkedBlocks {
  std::size_t block[kBlockLevels];
  long version[kBlockLevels];
};

template <Mode mode>
void resolve_rows(const Projection& p, const RowIndex& index, FarRows* far,
                  const FarScreenRow& row) {
  open_window(p, far, row.nearest);
  std::int64_t farthest = std::min(row.farthest + (mode == Mode::kFill ? 1 : 0), p.position);
  std::uint32_t first = first_span_from_row(index, p.position - farthest);
  std::uint32_t end = first_span_from_row(index, p.position - row.nearest + 1);
  long version = 0;  // of the undecided pixels
  MarkedBlocks marked;
  for (int l = 0; l < kBlockLevels; ++l) marked.version[l] = -1;
  // From the nearest row backwards; at each row, the largest block around
  // it that cannot mark an undecided pixel is passed over whole.
  for (std::int64_t i = static_cast<std::int64_t>(end) - 1;
       i >= first && !far->undecided.empty();) {
    auto at = static_cast<std::uint32_t>(i);
    bool passed = false;
    for (int level = kBlockLevels - 1; level >= 0 && !passed; --level) {
      std::size_t block = at >> (kBlockShift * (level + 1));
      if (marked.version[level] == version && marked.block[level] == block) continue;
      std::uint32_t start = static_cast<std::uint32_t>(block << (kBlockShift * (level + 1)));
      start = std::max(start, first);
      BlockReach reach = block_reach(p, index, *far, start, at);
      bool may = false;
      for (int x : far->undecided) {
        if (may_mark(p, *far, level, block, reach, x)) {
          may = true;
          break;
        }
      }
      if (may) {
        marked.block[level] = block;
        marked.version[level] = version;
      } else {
        i = static_cast<std::int64_t>(start) - 1;
        passed = true;
      }
    }
    if (passed) continue;
    resolve_span<mode>(p, index, far, at, row.y);
    std::size_t before = far->undecided.size();
    drop_decided(far);
    if (far->undecided.size() != before) ++version;
    --i;
  }
}

}  // namespace

void resolve_screen_row(const Projection& p, const RowIndex& index, FarRows* far,
                        const FarScreenRow& row) {
  if (far->mode == Mode::kFill) {
    resolve_rows<Mode::kFill>(p, index, far, row);
  } else {
    resolve_rows<Mode::kNoblur>(p, index, far, row);
  }
}
