// The draw passes of the program: the walk's requests, through the row index
// when there is one, become Xlib calls on frame_pixmap. frame_step flushes
// once per frame.
#include "render/draw_pass.h"

#include <X11/Xlib.h>

#include "app_state.h"
#include "render/far_rows.h"
#include "render/row_index.h"
#include "render/walk.h"
#include "render/xlib_sink.h"

namespace {

Projection projection_of(const AppState* s) {
  return {s->width, s->height, s->source_width, s->length_x, s->length_y, s->position};
}

// Through the row index when there is one: the same requests as the walk
// of the list itself, read row by row from where each row starts, and in
// blur mode without visiting the rows that draw nothing. Noblur and fill
// resolve the deep far rows into their pixels when the index has their facts.
template <Mode mode>
void draw(AppState* s) {
  XlibSink sink(s->display, s->frame_pixmap, s->drawn_rows);
  Projection p = projection_of(s);
  RowIndex* index = s->row_index;
  if (!index || index->list != s->segments || index->paper_pixel != s->paper_pixel) {
    walk_segments<mode>(p, s->segments, s->paper_pixel, sink);
  } else if (mode == Mode::kBlur && blur_spans(p, *index, &index->frame)) {
    walk_blur_spans(p, *index, index->frame, sink);
  } else if (mode != Mode::kBlur && index->far_rows) {
    draw_far_frame<mode>(p, *index, index->far_rows, sink);
  } else {
    walk_ink_runs<mode>(p, *index, sink);
  }
}

}  // namespace

void draw_noblur(AppState* state) {
  draw<Mode::kNoblur>(state);
}
void draw_blur(AppState* state) {
  draw<Mode::kBlur>(state);
}
void draw_fill(AppState* state) {
  draw<Mode::kFill>(state);
}

void add_far_rows(AppState* state) {
  if (!state->row_index || state->draw_mode == kDrawBlur) return;
  Mode mode = state->draw_mode == kDrawNoblur ? Mode::kNoblur : Mode::kFill;
  state->row_index->far_rows = build_far_rows(*state->row_index, mode);
}
