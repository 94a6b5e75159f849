// The draw passes of the program: the walk's requests, through the row index
// when there is one, become Xlib calls on the target. The frame loop and the
// desktop flush once per frame.
#include "render/draw_pass.h"

#include <deque>

#include <X11/Xlib.h>

#include "app_state.h"
#include "render/far_rows.h"
#include "render/row_index.h"
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

void index_display_list(AppState* state) {
  AppState* s = state;
  s->row_index = build_row_index(s->segments, s->paper_pixel);
  if (!s->row_index || s->draw_mode == kDrawBlur) return;
  s->far_rows =
      build_far_rows(*s->row_index, s->draw_mode == kDrawNoblur ? kDrawNoblur : kDrawFill);
}
