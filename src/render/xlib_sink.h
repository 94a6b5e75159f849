// The X side of the draw passes: the requests a pass makes become Xlib calls
// on one drawable with the segment's pen GC. Xlib buffers them; the caller
// flushes. Given a RowExtents, the sink also notes where each request draws,
// whichever draw path sends it.
#pragma once

#include <X11/Xlib.h>

#include "content/display_list.h"
#include "render/dirty_rows.h"
#include "render/draw_step.h"

static_assert(sizeof(ScreenPoint) == sizeof(XPoint));

constexpr int kXlibBatch = 1024;

// Points and lines in one GC go to Xlib in batches: a call per primitive
// (each takes the display lock and may make a request of its own) costs the
// client more than the server spends drawing it. Primitives in one GC all
// paint its one colour over what lies beneath, so their order among
// themselves changes no pixel: points and lines gather in two batches until
// the GC changes, and only then are both sent, so that what one pen drew
// reaches the server before anything of the next.
struct XlibSink {
  Display* display;
  Drawable drawable;
  GC gc = nullptr;
  int point_count = 0, line_count = 0;
  XPoint points[kXlibBatch];
  XSegment lines[kXlibBatch];
  RowExtents* drawn;  // nullptr: not noted

  XlibSink(Display* d, Drawable target, RowExtents* extents = nullptr)
      : display(d), drawable(target), drawn(extents) {}
  ~XlibSink() { flush(); }

  void use(const Pen* pen) {
    if (pen->gc == gc) return;
    flush();
    gc = pen->gc;
  }
  void point(int x, int y) {
    if (drawn) note_box(drawn, x, y, x, y);
    if (point_count == kXlibBatch) flush_points();
    points[point_count++] = {static_cast<short>(x), static_cast<short>(y)};
  }
  void line(int x1, int y1, int x2, int y2) {
    // A thin line may stray a pixel from the box of its ends.
    if (drawn) note_box(drawn, x1 - 1, y1 - 1, x2 + 1, y2 + 1);
    if (line_count == kXlibBatch) flush_lines();
    lines[line_count++] = {static_cast<short>(x1), static_cast<short>(y1), static_cast<short>(x2),
                           static_cast<short>(y2)};
  }
  void polygon(const ScreenPoint* corners, int n) {
    XPoint xpoints[4];
    for (int i = 0; i < n; ++i) xpoints[i] = {corners[i].x, corners[i].y};
    if (drawn) note_corners(corners, n);
    XFillPolygon(display, drawable, gc, xpoints, n, Convex, CoordModeOrigin);
  }
  void rectangle(int x, int y, int width, int height) {
    if (drawn && width > 0 && height > 0) note_box(drawn, x, y, x + width - 1, y + height - 1);
    XFillRectangle(display, drawable, gc, x, y, width, height);
  }
  void note_corners(const ScreenPoint* corners, int n) {
    int x0 = corners[0].x, x1 = x0, y0 = corners[0].y, y1 = y0;
    for (int i = 1; i < n; ++i) {
      x0 = corners[i].x < x0 ? corners[i].x : x0;
      x1 = corners[i].x > x1 ? corners[i].x : x1;
      y0 = corners[i].y < y0 ? corners[i].y : y0;
      y1 = corners[i].y > y1 ? corners[i].y : y1;
    }
    note_box(drawn, x0, y0, x1, y1);
  }

  void flush_points() {
    if (point_count) XDrawPoints(display, drawable, gc, points, point_count, CoordModeOrigin);
    point_count = 0;
  }
  void flush_lines() {
    if (line_count) XDrawSegments(display, drawable, gc, lines, line_count);
    line_count = 0;
  }
  void flush() {
    flush_lines();
    flush_points();
  }
};
