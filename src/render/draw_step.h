// The drawing step of each mode: which requests one segment becomes in its
// row, with which points. Written over a Sink, so that the X layer sends the
// requests and the tests record them:
//   sink.point(x, y); sink.line(x1, y1, x2, y2);
//   sink.polygon(const ScreenPoint* points, int count);   // Convex, origin mode
//   sink.rectangle(x, y, width, height);  // only for bounded polygons
// Within the 16-bit coordinate range the requests are exactly those of the
// mode's table; beyond it they are bounded (bounds.h).
#pragma once

#include <cstdint>

#include "render/bounds.h"
#include "render/draw_mode.h"
#include "render/projection.h"

struct ScreenPoint {  // the layout of XPoint
  std::int16_t x, y;
};

template <class Sink>
struct Requests {
  Sink& sink;
  int width, height;  // of the frame

  void point(std::int64_t x, int y) {
    if (fits_x(x)) sink.point(static_cast<int>(x), y);
  }

  void line(std::int64_t x1, int y1, std::int64_t x2, int y2) {
    if (fits_x(x1) && fits_x(x2)) {
      sink.line(static_cast<int>(x1), y1, static_cast<int>(x2), y2);
      return;
    }
    LineSegment l{x1, y1, x2, y2};
    if (bound_line(&l, width, height)) {
      sink.line(static_cast<int>(l.x1), l.y1, static_cast<int>(l.x2), l.y2);
    }
  }

  // BS, TS, TE, BE; a triangle leaves out TE.
  void polygon(const Band& b, bool triangle) {
    if (fits_x(b.bottom_start) && fits_x(b.top_start) && fits_x(b.top_end) &&
        fits_x(b.bottom_end)) {
      ScreenPoint points[4] = {{static_cast<std::int16_t>(b.bottom_start), b.bottom},
                               {static_cast<std::int16_t>(b.top_start), b.top},
                               {static_cast<std::int16_t>(b.top_end), b.top},
                               {static_cast<std::int16_t>(b.bottom_end), b.bottom}};
      if (triangle) points[2] = points[3];
      sink.polygon(points, triangle ? 3 : 4);
      return;
    }
    fill_band_rows(b);
  }

  // The polygon's own pixels inside the frame, one rectangle per pixel row.
  void fill_band_rows(const Band& b) {
    int from = b.top < b.bottom ? b.top : b.bottom;
    int to = b.top < b.bottom ? b.bottom : b.top;
    if (from < 0) from = 0;
    if (to > height) to = height;
    for (int y = from; y < to; ++y) {
      std::int64_t first, end;
      if (!band_span(b, y, &first, &end)) continue;
      if (first < 0) first = 0;
      if (end > width) end = width;
      if (end > first) sink.rectangle(static_cast<int>(first), y, static_cast<int>(end - first), 1);
    }
  }
};

// The corners of a run of `length` source pixels from pen_x in a row.
inline Band band_of(const Projection& p, const RowEdges& row, std::int64_t pen_x, int length) {
  std::int64_t end_x = pen_x + length;
  return {screen_x(p, pen_x, row.edge_bottom, row.step_bottom),
          screen_x(p, pen_x, row.edge_top, row.step_top),
          screen_x(p, end_x, row.edge_top, row.step_top),
          screen_x(p, end_x, row.edge_bottom, row.step_bottom),
          row.top,
          row.bottom};
}

template <class Sink>
[[gnu::always_inline]] inline void draw_step_blur(const Projection& p, const RowEdges& row,
                                                  std::int64_t pen_x, int length,
                                                  Requests<Sink>& out) {
  RowKind kind = row_kind(row.top, row.bottom);
  if (kind == RowKind::kFlat) return;  // no x is projected for it
  Band b = band_of(p, row, pen_x, length);
  if (b.bottom_start == b.bottom_end) return;
  if (kind == RowKind::kOneLine) {
    out.line(b.top_start, b.top, b.top_end, b.top);
  } else {
    out.polygon(b, b.top_start == b.top_end);
  }
}

template <class Sink>
[[gnu::always_inline]] inline void draw_step_noblur(const Projection& p, const RowEdges& row,
                                                    std::int64_t pen_x, int length,
                                                    Requests<Sink>& out) {
  RowKind kind = row_kind(row.top, row.bottom);
  Band b = band_of(p, row, pen_x, length);
  bool empty = b.bottom_start == b.bottom_end;
  if (kind == RowKind::kFlat || kind == RowKind::kOneLine) {
    bool one_wide = kind == RowKind::kFlat && b.bottom_end - 1 == b.bottom_start;
    if (empty || one_wide) {
      out.point(b.top_start, b.top);
    } else {
      out.line(b.top_start, b.top, b.top_end, b.top);
    }
  } else if (empty) {
    out.line(b.top_start, b.top, b.bottom_start, b.bottom);
  } else {
    out.polygon(b, b.top_start == b.top_end);
  }
}

template <class Sink>
[[gnu::always_inline]] inline void draw_step_fill(const Projection& p, const RowEdges& row,
                                                  std::int64_t pen_x, int length,
                                                  Requests<Sink>& out) {
  RowKind kind = row_kind(row.top, row.bottom);
  Band b = band_of(p, row, pen_x, length);
  bool empty = b.bottom_start == b.bottom_end;
  if (kind != RowKind::kTall) {
    if (empty) {
      out.point(b.bottom_start, b.bottom);
      out.point(b.top_start, b.top);
    } else {
      out.line(b.top_start, b.top, b.top_end, b.top);
      out.line(b.bottom_start, b.bottom, b.bottom_end, b.bottom);
    }
    out.point(b.top_end, b.top);
    out.point(b.bottom_end, b.bottom);
  } else if (empty) {
    out.line(b.top_start, b.top, b.bottom_start, b.bottom);
    out.line(b.top_end, b.top, b.bottom_end, b.bottom);
    out.point(b.bottom_start, b.bottom);
    out.point(b.bottom_end, b.bottom);
  } else {
    bool triangle = b.top_start == b.top_end;
    out.polygon(b, triangle);
    out.line(b.bottom_start, b.bottom, b.bottom_end, b.bottom);
    // A triangle's right side runs from its apex TS (= TE) to BE.
    out.line(b.top_end, b.top, b.bottom_end, b.bottom);
    out.point(b.bottom_end, b.bottom);
  }
}

// The drawing step of the mode. The steps are forced inline, into the loops
// over a row's segments: a call per drawn run costs a pass more than the
// reading of the paper runs between them.
template <DrawMode mode, class Sink>
[[gnu::always_inline]] inline void draw_step(const Projection& p, const RowEdges& row,
                                             std::int64_t pen_x, int length, Requests<Sink>& out) {
  if constexpr (mode == kDrawBlur) draw_step_blur(p, row, pen_x, length, out);
  if constexpr (mode == kDrawNoblur) draw_step_noblur(p, row, pen_x, length, out);
  if constexpr (mode == kDrawFill) draw_step_fill(p, row, pen_x, length, out);
}
