// The X side of the draw passes: the requests a pass makes become Xlib calls
// on one drawable with the segment's pen GC. Xlib buffers them; the caller
// flushes.
#pragma once

#include <X11/Xlib.h>

#include "content/display_list.h"
#include "render/draw_step.h"

static_assert(sizeof(ScreenPoint) == sizeof(XPoint));

constexpr int kXlibBatch = 1024;

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
  XPoint points[kXlibBatch];
  XSegment lines[kXlibBatch];

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
    if (batch != kind || count == kXlibBatch) {
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
