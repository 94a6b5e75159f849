// An index of the display list by source row. It copies nothing of the
// list: for each run of consecutive segments drawn in one source row it
// keeps where in the list the run starts and where the pen stands there, so
// that a pass can read the rows it needs straight from the list. Blur mode
// needs few: far away most rows are thinner than a pixel row and draw
// nothing in it, and the few that leave a mark are found from the
// projection alone, without visiting the rest.
//
// The index grows with the list: extended after segments were appended, it
// reads on from where it stopped. A segment is final once the call that
// appended it has returned (a line, a picture), and the index is extended
// only between such calls. When the oldest segments of the list are
// dropped, so are the spans that began there.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "content/display_list.h"
#include "render/draw_step.h"
#include "render/projection.h"

// The consecutive segments that all begin in one source row: it ends with
// the segment that moves the pen to another row (or with the list).
struct RowSpan {
  std::int64_t row;    // source row of every segment in the span
  std::int64_t reach;  // the largest row of this span and all spans before it
  std::int64_t pen_x;  // source x of the pen at its first segment
  SegmentPlace first;  // of its first segment in the list
};

struct RowIndex {
  const SegmentList* list;            // not owned
  std::vector<RowSpan> spans;         // in list order
  unsigned long paper_pixel;          // the colour the passes leave out
  std::vector<std::uint8_t> ink;      // by the list's pen numbers: 1 unless paper_pixel
  std::vector<std::uint32_t> by_row;  // span numbers ordered by row, then list order
  std::int64_t lowest_row;            // rows above the first come from negative advances
  std::vector<std::uint32_t> frame;   // the spans of the frame being drawn; kept, so
                                      // that a frame allocates nothing once warm
  std::uint64_t span_base;            // spans dropped before spans[0]

  // Where the reading of the list goes on.
  std::uint64_t indexed;  // segments of the list read (its count then)
  SegmentPlace next;      // of the next segment to read
  std::int64_t pen_x, row, reach;
  bool open;       // the last span takes the segments that follow in its row
  bool rows_grow;  // every span's row lies below the one before
};

// Null only when the list has more spans than the index counts; the passes
// then walk the list itself.
RowIndex* build_row_index(const SegmentList* list, unsigned long paper_pixel);
void free_row_index(RowIndex* index);

// Reads the segments appended since the index was built or last extended.
// False when the list now has more spans than the index counts: the caller
// frees the index and the passes walk the list.
bool extend_row_index(RowIndex* index);

// Whether the index is the list's as it is now, for that paper colour.
bool row_index_is_current(const RowIndex* index, const SegmentList* list,
                          unsigned long paper_pixel);

// The first span in row `row` or below it, in a list whose rows grow; the
// number of spans when there is none.
std::uint32_t first_span_from_row(const RowIndex& index, std::int64_t row);

// Forgets spans [0, count), whose segments the list dropped.
void drop_spans(RowIndex* index, std::uint32_t count);

// How many spans, from the first, the walk reaches before it stops at the
// first segment that moves the pen below the row at the bottom edge.
std::uint32_t reached_spans(const Projection& p, const RowIndex& index);

// The spans that blur mode must visit for a frame, in list order: those in
// rows that are not flat, among the spans the walk reaches. False when the
// projection is not one that fast_path_serves; walk_ink_runs then draws the
// frame.
bool blur_spans(const Projection& p, const RowIndex& index, std::vector<std::uint32_t>* spans);

// The reading of one span that every indexed path shares: f(pen, x, length)
// for each segment of span i that is not paper, in list order, with its pen
// number and the source x where it starts.
template <class F>
[[gnu::always_inline]] inline void each_ink_run(const RowIndex& index, std::uint32_t i, F f) {
  const RowSpan& span = index.spans[i];
  SegmentCursor cursor = segment_at(index.list, span.first);
  const std::uint8_t* ink = index.ink.data();
  std::int64_t pen_x = span.pen_x;
  const StoredSegment* s;
  std::uint32_t pen;
  while (next_stored_segment(&cursor, &s, &pen)) {
    if (ink[pen]) f(pen, pen_x, s->length);
    if (s->advance_y != 0) return;
    pen_x += s->advance_x;
  }
}

// Every ink run of source row `row` among the first `reached` spans, in
// list order, as each_ink_run gives them.
template <class F>
[[gnu::always_inline]] inline void each_ink_run_in_row(const RowIndex& index, std::int64_t row,
                                                       std::uint32_t reached, F f) {
  const std::vector<std::uint32_t>& by_row = index.by_row;
  auto it =
      std::lower_bound(by_row.begin(), by_row.end(), row,
                       [&](std::uint32_t i, std::int64_t v) { return index.spans[i].row < v; });
  for (; it != by_row.end() && index.spans[*it].row == row; ++it) {
    if (*it < reached) each_ink_run(index, *it, f);
  }
}

// The ink of span i, drawn in its row as the walk draws it.
template <DrawMode mode, class Sink>
void walk_span(const Projection& p, const RowIndex& index, std::uint32_t i, Sink& sink,
               Requests<Sink>& out) {
  std::int64_t d;
  if (__builtin_sub_overflow(p.position, index.spans[i].row, &d)) return;  // unreachably far
  RowEdges row = row_edges(p, d);
  if (!row.finite) return;
  Pen* const* pens = index.list->pens.data();
  std::uint32_t last_pen = kNoPenNumber;  // a row keeps to one ink for long
  each_ink_run(index, i, [&](std::uint32_t pen, std::int64_t x, int length) {
    if (pen != last_pen) sink.use(pens[last_pen = pen]);
    draw_step<mode>(p, row, x, length, out);
  });
}

// Every span the walk reaches, in list order: the requests of the walk.
template <DrawMode mode, class Sink>
void walk_ink_runs(const Projection& p, const RowIndex& index, Sink& sink) {
  if (p.position < 0 || !has_horizontal_scale(p)) return;
  Requests<Sink> out{sink, p.width, p.height};
  std::uint32_t reached = reached_spans(p, index);
  for (std::uint32_t i = 0; i < reached; ++i) walk_span<mode>(p, index, i, sink, out);
}

// Blur mode over the spans that blur_spans chose: the same requests, in the
// same order, as the walk makes.
template <class Sink>
void walk_blur_spans(const Projection& p, const RowIndex& index,
                     const std::vector<std::uint32_t>& spans, Sink& sink) {
  Requests<Sink> out{sink, p.width, p.height};
  for (std::uint32_t i : spans) walk_span<kDrawBlur>(p, index, i, sink, out);
}
