// The far rows' ink maps: built once from the indexed list, and read to
// tell whether a block of spans may mark a pixel still undecided.
#include "render/far_row_maps.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Far wider than the few units in the last place by which the double
// evaluation of a projection can differ from the exact value.
constexpr double kSlack = 1e-7;

std::size_t block_spans(int level) {
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

RunMarks run_marks(DrawMode mode, std::int64_t x0, int length) {
  RunMarks m{};
  std::int64_t x1 = x0 + length;
  if (mode == kDrawFill) {
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

// Whether spans [from, end) keep rows growing in list order, and no move
// went above the first span's row.
bool rows_grow(const RowIndex& index, std::size_t from) {
  for (std::size_t i = std::max<std::size_t>(from, 1); i < index.spans.size(); ++i) {
    if (index.spans[i].row <= index.spans[i - 1].row) return false;
  }
  return index.spans.empty() || index.lowest_row >= index.spans.front().row;
}

// Calls f(span, x0, length) for every ink run of spans [from, end) in
// list order, with the span's number counted from the index's first span
// ever, while it returns true; false when it stopped early.
template <class F>
bool for_each_ink_run(const RowIndex& index, std::size_t from, F f) {
  bool going = true;
  for (std::size_t i = from; going && i < index.spans.size(); ++i) {
    std::uint64_t span = index.span_base + i;
    each_ink_run(
        index, static_cast<std::uint32_t>(i),
        [&](std::uint32_t, std::int64_t x0, int length) { going = going && f(span, x0, length); });
  }
  return going;
}

InkMap& map_of(FarRowMaps* far, int level, int kind, std::uint64_t block) {
  return far->maps[level][kind][block - far->block_base[level]];
}

// Marks the ink runs of spans [from, end) in the block maps of level 0;
// false as soon as a run lies outside the buckets from far->origin.
bool fill_first_level(const RowIndex& index, std::size_t from, FarRowMaps* far) {
  int maps = far->mode == kDrawNoblur ? 2 : 1;
  std::int64_t end = far->origin + kMapBuckets * far->bucket_width;
  return for_each_ink_run(index, from, [&](std::uint64_t span, std::int64_t x0, int length) {
    RunMarks m = run_marks(far->mode, x0, length);
    for (int k = 0; k < maps; ++k) {
      if (!m.in[k]) continue;
      if (m.first[k] < far->origin || m.last[k] >= end) return false;
      InkMap& map = map_of(far, 0, k, span >> kBlockShift);
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
void find_extent(const RowIndex& index, FarRowMaps* far) {
  std::int64_t first = std::numeric_limits<std::int64_t>::max();
  std::int64_t last = std::numeric_limits<std::int64_t>::min();
  for_each_ink_run(index, 0, [&](std::uint64_t, std::int64_t x0, int length) {
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

std::uint64_t blocks_for(std::uint64_t spans, int level) {
  return (spans + block_spans(level) - 1) / block_spans(level);
}

// Maps for every span of the index, empty ones for the spans new to them.
void cover_spans(const RowIndex& index, FarRowMaps* far, bool fresh) {
  int maps = far->mode == kDrawNoblur ? 2 : 1;
  std::uint64_t spans = index.span_base + index.spans.size();
  for (int level = 0; level < kBlockLevels; ++level) {
    if (fresh) far->block_base[level] = index.span_base >> (kBlockShift * (level + 1));
    std::uint64_t blocks = blocks_for(spans, level) - far->block_base[level];
    for (int k = 0; k < maps; ++k) {
      if (fresh) far->maps[level][k].clear();
      far->maps[level][k].resize(blocks, InkMap{});
    }
  }
}

// The blocks of the upper levels over level-0 blocks [first, end), anew.
void fill_upper_levels(FarRowMaps* far, std::uint64_t first, std::uint64_t end) {
  for (int level = 1; level < kBlockLevels; ++level) {
    first >>= kBlockShift;
    end = (end + (1u << kBlockShift) - 1) >> kBlockShift;
    std::uint64_t below_base = far->block_base[level - 1];
    for (int k = 0; k < 2; ++k) {
      const std::vector<InkMap>& below = far->maps[level - 1][k];
      for (std::uint64_t b = std::max(first, far->block_base[level]); b < end; ++b) {
        if (b - far->block_base[level] >= far->maps[level][k].size()) break;
        InkMap& into = map_of(far, level, k, b);
        into = InkMap{};
        std::uint64_t child = std::max(b << kBlockShift, below_base);
        for (; child < (b + 1) << kBlockShift && child - below_base < below.size(); ++child) {
          for (int w = 0; w < kMapWords; ++w) into[w] |= below[child - below_base][w];
        }
      }
    }
  }
}

// The first and last source x of any marked bucket.
void trim_extent(FarRowMaps* far) {
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

// The bucket range of source x [first, last] (as doubles, inclusive) within
// the maps; false when it lies outside them.
bool buckets_of(const FarRowMaps& far, double first, double last, std::int64_t* from,
                std::int64_t* to) {
  double lo = std::max(first, static_cast<double>(far.ink_first));
  double hi = std::min(last, static_cast<double>(far.ink_last));
  if (!(lo <= hi)) return false;
  *from = (static_cast<std::int64_t>(lo) - far.origin) / far.bucket_width;
  *to = (static_cast<std::int64_t>(hi) - far.origin) / far.bucket_width;
  return true;
}

// Every span of the index mapped anew. Text and pictures that fit the
// source width mostly lie within the first buckets of one source pixel
// each: one reading of the list then fills the maps. Otherwise a first
// reading finds where the ink lies.
void map_all_spans(const RowIndex& index, FarRowMaps* far) {
  far->origin = 0;
  far->bucket_width = 1;
  cover_spans(index, far, true);
  if (!fill_first_level(index, 0, far)) {
    find_extent(index, far);
    cover_spans(index, far, true);
    fill_first_level(index, 0, far);
  }
  fill_upper_levels(far, far->block_base[0], far->block_base[0] + far->maps[0][0].size());
  trim_extent(far);
}

}  // namespace

bool build_far_row_maps(const RowIndex& index, DrawMode mode, FarRowMaps* far) {
  if (mode == kDrawBlur || !rows_grow(index, 0)) return false;
  far->mode = mode;
  map_all_spans(index, far);
  return true;
}

bool extend_far_row_maps(const RowIndex& index, std::size_t first_new, FarRowMaps* far) {
  if (!rows_grow(index, first_new)) return false;
  cover_spans(index, far, false);
  // The last span read before may have taken more segments of its row.
  first_new = first_new > 0 ? first_new - 1 : 0;
  if (!fill_first_level(index, first_new, far)) {
    map_all_spans(index, far);  // ink beyond the buckets: wider ones
    return true;
  }
  std::uint64_t first = (index.span_base + first_new) >> kBlockShift;
  fill_upper_levels(far, first, far->block_base[0] + far->maps[0][0].size());
  trim_extent(far);
  return true;
}

void drop_far_row_blocks(const RowIndex& index, FarRowMaps* far) {
  for (int level = 0; level < kBlockLevels; ++level) {
    std::uint64_t first = index.span_base >> (kBlockShift * (level + 1));
    if (first <= far->block_base[level]) continue;
    std::uint64_t gone = first - far->block_base[level];
    for (std::vector<InkMap>& maps : far->maps[level]) {
      maps.erase(maps.begin(), maps.begin() + static_cast<std::ptrdiff_t>(
                                                  std::min<std::uint64_t>(gone, maps.size())));
    }
    far->block_base[level] = first;
  }
}

BlockReach block_reach(const Projection& p, const RowIndex& index, const FarRowMaps& maps,
                       std::uint32_t first, std::uint32_t last) {
  // The rows' boundaries lie between the far one of the farthest row and the
  // near one (noblur: the far one) of the nearest.
  RowEdges farthest = row_edges(p, p.position - index.spans[first].row);
  RowEdges nearest = row_edges(p, p.position - index.spans[last].row);
  if (!farthest.finite || !nearest.finite) return {false, 0, 0};
  return {true, x_scale_at(p, farthest.edge_top),
          x_scale_at(p, maps.mode == kDrawFill ? nearest.edge_bottom : nearest.edge_top)};
}

bool may_mark(const Projection& p, const FarRowMaps& far, int level, std::uint64_t block,
              const BlockReach& reach, int x) {
  if (!reach.finite) return true;
  // Screen x is v + 0.5 truncated toward zero: x holds [x - 0.5, x + 0.5),
  // and 0 also (-1.5, 0).
  double lo = x == 0 ? -1.5 : x - 0.5, hi = x + 0.5;
  double a1 = source_x_at(p, lo, reach.step_far), a2 = source_x_at(p, lo, reach.step_near);
  double b1 = source_x_at(p, hi, reach.step_far), b2 = source_x_at(p, hi, reach.step_near);
  double lo_first = std::min(a1, a2), hi_first = std::min(b1, b2), hi_last = std::max(b1, b2);
  double slack = kSlack * (1.0 + std::abs(lo_first) + std::abs(hi_last));
  lo_first -= slack;
  hi_first -= slack;
  hi_last += slack;
  std::int64_t from, to;
  if (far.mode == kDrawFill) {
    // Some x of a run's [x0, x1] lies in the pixel's source range; when that
    // holds no whole x, a run over it holds the x on both sides.
    double first_x = std::ceil(lo_first), last_x = std::floor(hi_last);
    if (first_x > last_x) std::swap(first_x, last_x);
    return buckets_of(far, first_x, last_x, &from, &to) &&
           any_bucket(far.maps[level][kMarkMap][block - far.block_base[level]], from, to);
  }
  // A point at x0 marks the pixel when x0 lies in its range; a line from x0
  // to x1 when the pixel's right border lies in (x0, x1].
  if (buckets_of(far, std::ceil(lo_first), std::ceil(hi_last) - 1, &from, &to) &&
      any_bucket(far.maps[level][kMarkMap][block - far.block_base[level]], from, to)) {
    return true;
  }
  return buckets_of(far, std::ceil(hi_first), std::ceil(hi_last), &from, &to) &&
         any_bucket(far.maps[level][kCrossMap][block - far.block_base[level]], from, to);
}
