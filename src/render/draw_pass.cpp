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

constexpr int kBatch = 1024;

// Consecutive points, and consecutive lines, in one GC go to Xlib in one
// call: Xlib joins such primitives into one request anyway, and a call per
// primitive (each takes the display lock) costs the client more than the
// server spends drawing it. Anything else first sends what is pending, so
// that the primitives reach the server in the walk's order.
struct XlibSink {
  enum class Batch { kNone, kPoints, kLines };

  Display* display;
  Drawable drawable;
  GC gc = nullptr;
  Batch batch = Batch::kNone;
  int count = 0;
  XPoint points[kBatch];
  XSegment lines[kBatch];

  XlibSink(Display* d, Drawable target) : display(d), drawable(target) {}
  ~XlibSink() { flush(); }

  void use(const Pen* pen) {
    if (pen->gc == gc) return;
    flush();
    gc = pen->gc;
  }
  void point(int x, int y) {
    start(Batch::kPoints);
    points[count++] = {static_cast<short>(x), static_cast<short>(y)};
  }
  void line(int x1, int y1, int x2, int y2) {
    start(Batch::kLines);
    lines[count++] = {static_cast<short>(x1), static_cast<short>(y1), static_cast<short>(x2),
                      static_cast<short>(y2)};
  }
  void polygon(const ScreenPoint* corners, int n) {
    flush();
    XPoint xpoints[4];
    for (int i = 0; i < n; ++i) xpoints[i] = {corners[i].x, corners[i].y};
    XFillPolygon(display, drawable, gc, xpoints, n, Convex, CoordModeOrigin);
  }
  void rectangle(int x, int y, int width, int height) {
    flush();
    XFillRectangle(display, drawable, gc, x, y, width, height);
  }

  void start(Batch kind) {
    if (batch != kind || count == kBatch) {
      flush();
      batch = kind;
    }
  }
  void flush() {
    if (batch == Batch::kPoints) XDrawPoints(display, drawable, gc, points, count, CoordModeOrigin);
    if (batch == Batch::kLines) XDrawSegments(display, drawable, gc, lines, count);
    batch = Batch::kNone;
    count = 0;
  }
};

Projection projection_of(const AppState* s) {
  return {s->width, s->height, s->source_width, s->length_x, s->length_y, s->position};
}

// Through the row index when there is one: the same requests as the walk
// of the list itself, from the compact runs, and in blur mode without
// visiting the rows that draw nothing.
template <Mode mode>
void draw(AppState* s) {
  XlibSink sink(s->display, s->frame_pixmap);
  Projection p = projection_of(s);
  RowIndex* index = s->row_index;
  if (!index || index->paper_pixel != s->paper_pixel) {
    walk_segments<mode>(p, s->segments->head, s->paper_pixel, sink);
  } else if (mode == Mode::kBlur && blur_spans(p, *index, &index->frame)) {
    walk_blur_spans(p, *index, index->frame, sink);
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
