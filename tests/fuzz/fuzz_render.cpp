// The projection and the drawing decision over arbitrary parameters and
// display lists: no undefined behaviour, and no request with a coordinate
// outside the 16-bit range or a rectangle outside the frame. Smooth frames
// of the same lists and projections, in a frame small enough to sum.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "content/display_list.h"
#include "render/far_rows.h"
#include "render/row_index.h"
#include "render/smooth_frame.h"
#include "render/walk.h"
#include "support/hashing_sink.h"
#include "support/raster_sink.h"

namespace {

struct CheckingSink {
  int width, height;
  static void check(long v) {
    if (v < INT16_MIN || v > INT16_MAX) std::abort();
  }
  void use(const Pen*) {}
  void point(int x, int y) {
    check(x);
    check(y);
  }
  void line(int x1, int y1, int x2, int y2) {
    point(x1, y1);
    point(x2, y2);
  }
  void polygon(const ScreenPoint* points, int count) {
    if (count != 3 && count != 4) std::abort();
    (void)points;
  }
  void rectangle(int x, int y, int w, int h) {
    if (x < 0 || y < 0 || w < 1 || h != 1 || x + w > width || y >= height) std::abort();
  }
};

template <typename T>
T take(const std::uint8_t*& data, std::size_t& size) {
  T v{};
  std::size_t n = size < sizeof v ? size : sizeof v;
  std::memcpy(&v, data, n);
  data += n;
  size -= n;
  return v;
}

// Noblur and fill with the far rows resolved leave the walk's pixels, for
// the list with its row moves turned forward (a list whose rows step back
// has no far rows), in a frame small enough to paint.
void expect_far_rows_paint_the_walks_frame(Projection p, const SegmentList* list, Pen* ink,
                                           Pen* paper) {
  SegmentList* forward = new_segment_list();
  SegmentCursor cursor = first_segment(list);
  Segment g;
  while (next_segment(&cursor, &g)) {
    int down = g.advance_y < 0 ? -(g.advance_y + 1) : g.advance_y;
    append_segment(forward, new_segment(g.length, g.pen == ink ? ink : paper, g.advance_x, down));
  }
  p.width = 1 + p.width % 300;
  p.height = 1 + p.height % 300;
  if (RowIndex* index = build_row_index(forward, paper->pixel)) {
    for (DrawMode mode : {kDrawNoblur, kDrawFill}) {
      FarRows* far = build_far_rows(*index, mode);
      if (!far) std::abort();
      RasterSink walked(p.width, p.height), resolved(p.width, p.height);
      if (mode == kDrawFill) {
        walk_ink_runs<kDrawFill>(p, *index, walked);
        draw_far_frame<kDrawFill>(p, *index, far, resolved);
      } else {
        walk_ink_runs<kDrawNoblur>(p, *index, walked);
        draw_far_frame<kDrawNoblur>(p, *index, far, resolved);
      }
      if (!(walked == resolved)) std::abort();
      free_far_rows(far);
    }
    free_row_index(index);
  }
  free_segment_list(forward);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Projection p{};
  p.width = 1 + take<std::uint16_t>(data, size) % 32767;
  p.height = 1 + take<std::uint16_t>(data, size) % 32767;
  p.source_width = take<std::int32_t>(data, size);
  p.length_x = take<std::int32_t>(data, size);
  p.length_y = take<std::int32_t>(data, size);
  p.position = take<std::int64_t>(data, size);

  Pen ink{nullptr, 1, nullptr, nullptr}, paper{nullptr, 0, nullptr, nullptr};
  SegmentList* list = new_segment_list();
  while (size >= 7) {
    std::uint8_t kind = take<std::uint8_t>(data, size);
    std::int16_t length = take<std::int16_t>(data, size);
    std::int16_t advance_x = take<std::int16_t>(data, size);
    std::int16_t advance_y = take<std::int16_t>(data, size);
    append_segment(list, new_segment(length, kind & 1 ? &ink : &paper, advance_x, advance_y));
  }
  // The drawing steps' division-free x is the exact formula's x.
  if (has_horizontal_scale(p)) {
    std::int64_t x = 0;
    SegmentCursor cursor = first_segment(list);
    Segment g;
    while (next_segment(&cursor, &g)) {
      RowEdges r = row_edges(p, static_cast<std::uint16_t>(g.advance_y));
      x += g.advance_x;
      if (r.finite &&
          screen_x(p, x, r.edge_top, r.step_top) != round_x(project_x(p, x, r.edge_top))) {
        std::abort();
      }
    }
  }
  CheckingSink sink{p.width, p.height};
  walk_segments<kDrawBlur>(p, list, 0, sink);
  walk_segments<kDrawNoblur>(p, list, 0, sink);
  walk_segments<kDrawFill>(p, list, 0, sink);

  // Every mode through the row index makes the requests of the plain walk.
  if (RowIndex* index = build_row_index(list, paper.pixel)) {
    HashingSink plain[3], indexed[3];
    walk_segments<kDrawBlur>(p, list, paper.pixel, plain[0]);
    walk_segments<kDrawNoblur>(p, list, paper.pixel, plain[1]);
    walk_segments<kDrawFill>(p, list, paper.pixel, plain[2]);
    if (blur_spans(p, *index, &index->frame)) {
      walk_blur_spans(p, *index, index->frame, indexed[0]);
    } else {
      walk_ink_runs<kDrawBlur>(p, *index, indexed[0]);
    }
    walk_ink_runs<kDrawNoblur>(p, *index, indexed[1]);
    walk_ink_runs<kDrawFill>(p, *index, indexed[2]);
    for (int m = 0; m < 3; ++m) {
      if (!(indexed[m] == plain[m])) std::abort();
    }
    Projection small = p;
    small.width = 1 + p.width % 100;
    small.height = 1 + p.height % 100;
    std::vector<Rgb> pen_colours{0x000000, 0xffffff};
    std::vector<NearLine> near_lines;
    SmoothSource source{pen_colours, 0xffd84a, 0x000014, near_lines, 16};
    SmoothFrame frame;
    for (DrawMode mode : {kDrawBlur, kDrawNoblur, kDrawFill}) {
      draw_smooth_frame(small, *index, mode, source, &frame);
    }
    free_row_index(index);
  }
  expect_far_rows_paint_the_walks_frame(p, list, &ink, &paper);
  free_segment_list(list);
  return 0;
}
