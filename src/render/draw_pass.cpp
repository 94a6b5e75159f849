// The X side of the draw passes: the walk's requests become Xlib calls on
// frame_pixmap with the segment's pen GC. Xlib buffers them; frame_step
// flushes once per frame.
#include "render/draw_pass.h"

#include <X11/Xlib.h>

#include "app/app_state.h"
#include "render/row_index.h"
#include "render/walk.h"

namespace {

static_assert(sizeof(ScreenPoint) == sizeof(XPoint));

struct XlibSink {
  Display* display;
  Drawable drawable;
  GC gc;

  void use(const Pen* pen) { gc = pen->gc; }
  void point(int x, int y) { XDrawPoint(display, drawable, gc, x, y); }
  void line(int x1, int y1, int x2, int y2) { XDrawLine(display, drawable, gc, x1, y1, x2, y2); }
  void polygon(const ScreenPoint* points, int count) {
    XPoint xpoints[4];
    for (int i = 0; i < count; ++i) xpoints[i] = {points[i].x, points[i].y};
    XFillPolygon(display, drawable, gc, xpoints, count, Convex, CoordModeOrigin);
  }
  void rectangle(int x, int y, int width, int height) {
    XFillRectangle(display, drawable, gc, x, y, width, height);
  }
};

Projection projection_of(const AppState* s) {
  return {s->width, s->height, s->source_width, s->length_x, s->length_y, s->position};
}

template <Mode mode>
void draw(AppState* s) {
  XlibSink sink{s->display, s->frame_pixmap, nullptr};
  walk_segments<mode>(projection_of(s), s->segments->head, s->paper_pixel, sink);
}

}  // namespace

void draw_noblur(AppState* state) {
  draw<Mode::kNoblur>(state);
}
// Through the row index when there is one: the same requests as the plain
// walk, without visiting the rows that draw nothing.
void draw_blur(AppState* state) {
  AppState* s = state;
  RowIndex* index = s->row_index;
  Projection p = projection_of(s);
  if (index && blur_spans(p, *index, &index->frame)) {
    XlibSink sink{s->display, s->frame_pixmap, nullptr};
    walk_blur_spans(p, *index, index->frame, s->paper_pixel, sink);
    return;
  }
  draw<Mode::kBlur>(state);
}
void draw_fill(AppState* state) {
  draw<Mode::kFill>(state);
}
