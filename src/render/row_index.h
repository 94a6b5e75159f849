// An index of the display list by source row, built once after compilation,
// so that blur mode can go straight to the rows that draw something. Far
// away most rows are thinner than a pixel row and round to nothing in blur
// mode; the few that do leave a mark are found from the projection alone, and
// the index gives where their segments begin, with the pen's x there.
#pragma once

#include <cstdint>
#include <vector>

#include "content/display_list.h"
#include "render/draw_step.h"
#include "render/projection.h"

// A run of consecutive segments that all begin in one source row: it ends
// with the segment that moves the pen to another row (or with the list).
struct RowSpan {
  const Segment* first;
  const Segment* end;  // the next span's first segment, or null
  std::int64_t pen_x;  // source x at `first`
  std::int64_t row;    // source row of every segment in the span
  std::int64_t reach;  // the largest row of this span and all spans before it
};

struct RowIndex {
  std::vector<RowSpan> spans;         // in list order
  std::vector<std::uint32_t> by_row;  // span numbers ordered by row, then list order
  std::int64_t lowest_row;            // rows above row 0 come from negative advances
  std::vector<std::uint32_t> frame;   // the spans of the frame being drawn; kept, so
                                      // that a frame allocates nothing once warm
};

RowIndex* build_row_index(const SegmentList* list);
void free_row_index(RowIndex* index);

// The spans that blur mode must visit for a frame, in list order: those in
// rows that are not flat, among the spans the walk reaches before it stops.
// False when the projection is not one the index serves (a bottom edge at or
// behind the viewer); the plain walk is then the way.
bool blur_spans(const Projection& p, const RowIndex& index, std::vector<std::uint32_t>* spans);

// Blur mode's walk over the spans that blur_spans chose: the same requests,
// in the same order, as the plain walk makes.
template <class Sink>
void walk_blur_spans(const Projection& p, const RowIndex& index,
                     const std::vector<std::uint32_t>& spans, unsigned long paper_pixel,
                     Sink& sink) {
  Requests<Sink> out{sink, p.width, p.height};
  for (std::uint32_t i : spans) {
    const RowSpan& span = index.spans[i];
    std::int64_t d;
    if (__builtin_sub_overflow(p.position, span.row, &d)) continue;
    RowEdges row = row_edges(p, d);
    if (!row.finite) continue;
    std::int64_t pen_x = span.pen_x;
    for (const Segment* s = span.first; s != span.end; s = s->next) {
      if (s->pen->pixel != paper_pixel) {
        sink.use(s->pen);
        draw_step_blur(p, row, pen_x, s->length, out);
      }
      pen_x += s->advance_x;
    }
  }
}
