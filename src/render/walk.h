// The walk that every draw pass performs: segments from the first, the pen
// moving by their advances, each non-paper segment drawn in the row where it
// begins, and a stop at the first segment that moves the pen below the row
// at the bottom edge. Row boundaries are computed once per source row. The
// pen starts where the list begins: x 0 of row 0, unless older segments
// were dropped.
#pragma once

#include <cstdint>

#include "content/display_list.h"
#include "render/draw_step.h"
#include "render/projection.h"

template <DrawMode mode, class Sink>
void walk_segments(const Projection& p, const SegmentList* list, unsigned long paper_pixel,
                   Sink& sink) {
  if (p.position < 0 || list->count == 0 || !has_horizontal_scale(p)) return;
  Requests<Sink> out{sink, p.width, p.height};
  std::int64_t pen_x = list->start_x, pen_row = list->start_row;
  if (pen_row > p.position) return;
  RowEdges row = row_edges(p, p.position - pen_row);
  SegmentCursor cursor = first_segment(list);
  Segment s;
  while (next_segment(&cursor, &s)) {
    if (s.pen->pixel != paper_pixel && row.finite) {
      sink.use(s.pen);
      draw_step<mode>(p, row, pen_x, s.length, out);
    }
    if (s.advance_y != 0) {
      pen_row += s.advance_y;
      std::int64_t d;
      if (__builtin_sub_overflow(p.position, pen_row, &d)) {
        row.finite = false;  // unreachably far
      } else if (d >= 0) {
        row = row_edges(p, d);
      }
    }
    if (pen_row > p.position) return;
    pen_x += s.advance_x;
  }
}
