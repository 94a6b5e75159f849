#include "render/row_index.h"

#include <algorithm>

#include "content/display_list.h"

namespace {

constexpr std::size_t kMaxSpans = UINT32_MAX;

// One span per run of segments in one row, from where the last reading
// stopped; with as many spans as a list has, growing by doubling costs
// little next to the list itself.
bool read_spans(RowIndex* index) {
  const SegmentList* list = index->list;
  SegmentCursor cursor = segment_at(list, index->next);
  SegmentPlace place = index->next;  // of the segment after a row move
  Segment s;
  while (next_segment(&cursor, &s)) {
    if (!index->open) {
      if (index->spans.size() == kMaxSpans) return false;
      if (!index->spans.empty() && index->row <= index->spans.back().row) index->rows_grow = false;
      index->reach = std::max(index->reach, index->row);
      index->spans.push_back({index->row, index->reach, index->pen_x, place});
      index->open = true;
    }
    index->pen_x += s.advance_x;
    if (s.advance_y != 0) {
      index->row += s.advance_y;
      index->lowest_row = std::min(index->lowest_row, index->row);
      index->open = false;
      place = place_of(cursor);
    }
  }
  index->next = place_of(cursor);
  return true;
}

bool earlier_row(const RowIndex& index, std::uint32_t a, std::uint32_t b) {
  return index.spans[a].row < index.spans[b].row;
}

// The new spans into by_row: at its end while rows grow, else merged in.
void order_new_spans(RowIndex* index, std::size_t first_new) {
  std::vector<std::uint32_t>& by_row = index->by_row;
  std::size_t before = by_row.size();
  for (std::size_t i = first_new; i < index->spans.size(); ++i) {
    by_row.push_back(static_cast<std::uint32_t>(i));
  }
  auto less = [&](std::uint32_t a, std::uint32_t b) { return earlier_row(*index, a, b); };
  std::stable_sort(by_row.begin() + before, by_row.end(), less);
  if (before > 0 && before < by_row.size() &&
      earlier_row(*index, by_row[before], by_row[before - 1])) {
    std::inplace_merge(by_row.begin(), by_row.begin() + before, by_row.end(), less);
  }
}

}  // namespace

RowIndex* build_row_index(const SegmentList* list, unsigned long paper_pixel) {
  auto* index = new RowIndex{};
  index->list = list;
  index->paper_pixel = paper_pixel;
  index->next = list->start;
  index->pen_x = list->start_x;
  index->row = index->reach = index->lowest_row = list->start_row;
  index->rows_grow = true;
  if (!extend_row_index(index)) {
    delete index;
    return nullptr;
  }
  return index;
}

void free_row_index(RowIndex* index) {
  delete index;
}

bool extend_row_index(RowIndex* index) {
  const SegmentList* list = index->list;
  for (std::size_t i = index->ink.size(); i < list->pens.size(); ++i) {
    index->ink.push_back(list->pens[i]->pixel != index->paper_pixel);
  }
  std::size_t first_new = index->spans.size();
  if (!read_spans(index)) return false;
  index->indexed = list->count;
  order_new_spans(index, first_new);
  return true;
}

bool row_index_is_current(const RowIndex* index, const SegmentList* list,
                          unsigned long paper_pixel) {
  return index && index->list == list && index->paper_pixel == paper_pixel &&
         index->indexed == list->count;
}

std::uint32_t first_span_from_row(const RowIndex& index, std::int64_t row) {
  auto it = std::lower_bound(index.spans.begin(), index.spans.end(), row,
                             [](const RowSpan& s, std::int64_t r) { return s.row < r; });
  return static_cast<std::uint32_t>(it - index.spans.begin());
}

void drop_spans(RowIndex* index, std::uint32_t count) {
  count = std::min<std::uint32_t>(count, static_cast<std::uint32_t>(index->spans.size()));
  if (count == 0) return;
  index->spans.erase(index->spans.begin(), index->spans.begin() + count);
  index->span_base += count;
  std::vector<std::uint32_t>& by_row = index->by_row;
  by_row.erase(
      std::remove_if(by_row.begin(), by_row.end(), [&](std::uint32_t i) { return i < count; }),
      by_row.end());
  for (std::uint32_t& i : by_row) i -= count;
  index->lowest_row = index->row;
  for (const RowSpan& span : index->spans)
    index->lowest_row = std::min(index->lowest_row, span.row);
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
