#include "render/row_index.h"

#include <algorithm>

#include "content/display_list.h"

namespace {

constexpr std::size_t kMaxSpans = UINT32_MAX;

// One span per run of segments in one row; with as many spans as a list
// has, growing by doubling costs little next to the list itself.
bool fill_index(RowIndex* index, const SegmentList* list) {
  std::int64_t pen_x = 0, row = 0, reach = 0;
  bool open = false;
  SegmentCursor cursor = first_segment(list);
  SegmentPlace place = place_of(cursor);  // of the segment after a row move
  Segment s;
  while (next_segment(&cursor, &s)) {
    if (!open) {
      if (index->spans.size() == kMaxSpans) return false;
      reach = std::max(reach, row);
      index->spans.push_back({row, reach, pen_x, place});
      open = true;
    }
    pen_x += s.advance_x;
    if (s.advance_y != 0) {
      row += s.advance_y;
      index->lowest_row = std::min(index->lowest_row, row);
      open = false;
      place = place_of(cursor);
    }
  }
  return true;
}

}  // namespace

RowIndex* build_row_index(const SegmentList* list, unsigned long paper_pixel) {
  auto* index = new RowIndex;
  index->list = list;
  index->paper_pixel = paper_pixel;
  index->lowest_row = 0;
  for (const Pen* pen : list->pens) index->ink.push_back(pen->pixel != paper_pixel);
  if (!fill_index(index, list)) {
    delete index;
    return nullptr;
  }
  std::vector<std::uint32_t>& by_row = index->by_row;
  by_row.resize(index->spans.size());
  for (std::uint32_t i = 0; i < by_row.size(); ++i) by_row[i] = i;
  std::stable_sort(by_row.begin(), by_row.end(), [&](std::uint32_t a, std::uint32_t b) {
    return index->spans[a].row < index->spans[b].row;
  });
  return index;
}

void free_row_index(RowIndex* index) {
  delete index;
}

namespace {

// The spans of source row `row` among the first `reached` spans.
void add_row(const RowIndex& index, std::int64_t row, std::uint32_t reached,
             std::vector<std::uint32_t>* out) {
  auto first =
      std::lower_bound(index.by_row.begin(), index.by_row.end(), row,
                       [&](std::uint32_t i, std::int64_t r) { return index.spans[i].row < r; });
  for (auto it = first; it != index.by_row.end() && index.spans[*it].row == row; ++it) {
    if (*it < reached) out->push_back(*it);
  }
}

bool flat(const Projection& p, std::int64_t d) {
  RowEdges r = row_edges(p, d);
  return !r.finite || r.top == r.bottom;
}

}  // namespace

std::uint32_t reached_spans(const Projection& p, const RowIndex& index) {
  // The walk stops after the first span that takes the pen below the bottom
  // row: the spans it reaches are those whose reach is at most the position.
  auto stop = std::upper_bound(index.spans.begin(), index.spans.end(), p.position,
                               [](std::int64_t pos, const RowSpan& s) { return pos < s.reach; });
  return static_cast<std::uint32_t>(stop - index.spans.begin());
}

bool blur_spans(const Projection& p, const RowIndex& index, std::vector<std::uint32_t>* spans) {
  spans->clear();
  if (!fast_path_serves(p)) return false;
  if (p.position < 0 || index.spans.empty()) return true;
  std::uint32_t reached = reached_spans(p, index);
  // The farthest row drawn: rows above row 0 lie further away than it.
  std::int64_t farthest;
  if (__builtin_sub_overflow(p.position, index.lowest_row, &farthest)) farthest = INT64_MAX;

  // Near rows, each at least a pixel row tall: all of them.
  std::int64_t d = 0;
  for (; d <= farthest; ++d) {
    RowEdges r = row_edges(p, d);
    if (!r.finite || r.edge_bottom - r.edge_top < 1.0) break;
    if (r.top != r.bottom) add_row(index, p.position - d, reached, spans);
  }
  // Far rows, thinner than a pixel row: the near boundaries of rows d and on
  // round to the same screen row k up to the last row that reaches it, which
  // is the one row among them that is not flat.
  while (d <= farthest) {
    int k = row_edges(p, d).bottom;
    if (k < 1) break;
    std::int64_t last = farthest_reaching_down_to(p, RowBoundary::kNear, k, d, farthest);
    if (!flat(p, last)) add_row(index, p.position - last, reached, spans);
    if (last == farthest) break;
    d = last + 1;
  }
  std::sort(spans->begin(), spans->end());
  spans->erase(std::unique(spans->begin(), spans->end()), spans->end());
  return true;
}
