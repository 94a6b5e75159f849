// The draw passes of the program: the walk's requests, through the row index
// when there is one, become Xlib calls on the target. The frame loop and the
// desktop flush once per frame.
#include "render/draw_pass.h"

#include <algorithm>
#include <deque>

#include <X11/Xlib.h>

#include "app_state.h"
#include "content/fine_text.h"
#include "render/far_rows.h"
#include "render/row_index.h"
#include "render/smooth_pass.h"
#include "render/walk.h"
#include "render/xlib_sink.h"

namespace {

Projection projection_of(const AppState* s, const DrawTarget& target) {
  return {target.width, target.height, s->source_width, s->length_x, s->length_y, s->position};
}

// Through the row index when it indexes the list as it is now: the same
// requests as the walk of the list itself, read row by row from where each
// row starts, and in blur mode without visiting the rows that draw nothing.
// Noblur and fill resolve the deep far rows into their pixels when there
// are far rows.
template <DrawMode mode>
void draw(AppState* s, const DrawTarget& target) {
  XlibSink sink(s->display, target.drawable, target.drawn);
  Projection p = projection_of(s, target);
  RowIndex* index = s->row_index;
  if (!row_index_is_current(index, s->segments, s->paper_pixel)) {
    walk_segments<mode>(p, s->segments, s->paper_pixel, sink);
  } else if (mode == kDrawBlur && blur_spans(p, *index, &index->frame)) {
    walk_blur_spans(p, *index, index->frame, sink);
  } else if (mode != kDrawBlur && s->far_rows) {
    draw_far_frame<mode>(p, *index, s->far_rows, sink);
  } else {
    walk_ink_runs<mode>(p, *index, sink);
  }
}

}  // namespace

void draw_pass(AppState* state, const DrawTarget& target) {
  if (state->smooth_pass) {
    draw_smooth(state, target);
    return;
  }
  if (!target.painted) {  // the default's requests draw on paper
    XFillRectangle(state->display, target.drawable, state->paper_gc, 0, 0, target.width,
                   target.height);
  }
  switch (state->draw_mode) {
    case kDrawNoblur:
      draw_noblur(state, target);
      break;
    case kDrawBlur:
      draw_blur(state, target);
      break;
    default:
      draw_fill(state, target);
      break;
  }
}

void draw_noblur(AppState* state, const DrawTarget& target) {
  draw<kDrawNoblur>(state, target);
}
void draw_blur(AppState* state, const DrawTarget& target) {
  draw<kDrawBlur>(state, target);
}
void draw_fill(AppState* state, const DrawTarget& target) {
  draw<kDrawFill>(state, target);
}

void free_display_list_indexes(AppState* state) {
  forget_smooth_rows(state);
  free_far_rows(state->far_rows);
  state->far_rows = nullptr;
  free_row_index(state->row_index);
  state->row_index = nullptr;
}

void index_display_list(AppState* state) {
  AppState* s = state;
  if (!s->row_index) {
    s->row_index = build_row_index(s->segments, s->paper_pixel);
    if (!s->row_index || s->draw_mode == kDrawBlur) return;
    DrawMode mode = s->draw_mode == kDrawNoblur ? kDrawNoblur : kDrawFill;
    s->far_rows = build_far_rows(*s->row_index, mode);
    return;
  }
  std::size_t first_new = s->row_index->spans.size();
  if (!extend_row_index(s->row_index)) {
    free_display_list_indexes(s);
    return;
  }
  if (s->far_rows && !extend_far_row_maps(*s->row_index, first_new, &s->far_rows->maps)) {
    free_far_rows(s->far_rows);
    s->far_rows = nullptr;
  }
}

void drop_lines_before(AppState* state, std::int64_t row) {
  AppState* s = state;
  RowIndex* index = s->row_index;
  SegmentList* list = s->segments;
  if (!index || !index->rows_grow) return;
  std::deque<std::int64_t>& starts = list->line_starts;
  auto after = std::upper_bound(starts.begin(), starts.end(), row);
  if (after == starts.begin()) return;
  std::int64_t cut = *(after - 1);
  std::uint32_t span = first_span_from_row(*index, cut);
  if (span == 0 || span >= index->spans.size() || index->spans[span].row != cut) return;
  starts.erase(starts.begin(), after - 1);
  const RowSpan& first = index->spans[span];
  drop_segments_before(list, first.first, first.pen_x, first.row);
  drop_spans(index, span);
  if (s->fine_text) drop_fine_lines_before(s->fine_text, list->start_row);
  if (s->far_rows) drop_far_row_blocks(*index, &s->far_rows->maps);
}
