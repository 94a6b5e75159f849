// The draw passes into a real pixmap, read back: which screen rows a band
// covers in each mode, nothing at a negative position, no stray marks when
// the corners leave the 16-bit range, and the bounded polygons against the
// server's own polygon fill.
#include "support/app_fixture.h"

#include <cstring>
#include <random>

#include <X11/Xutil.h>

#include "content/display_list.h"
#include "render/draw_pass.h"
#include "render/draw_step.h"
#include "render/row_index.h"
#include "support/shared_image.h"

namespace {

struct RenderX : AppFixture {
  void SetUp() override {
    AppFixture::SetUp();
    start_app({});
    state.pens = new_pen_cache();
    state.segments = new_segment_list();
    probe_pixels(&state);
  }
  void add(bool ink, int length, int advance_x, int advance_y) {
    Pen* pen = pen_for_pixel(&state, ink ? state.ink_pixel : state.paper_pixel);
    append_segment(state.segments, new_segment(length, pen, advance_x, advance_y));
  }
  std::vector<int> ink_rows_at(XImage* image, int x) {
    std::vector<int> rows;
    for (int y = 0; y < state.height; ++y) {
      if (XGetPixel(image, x, y) != state.paper_pixel) rows.push_back(y);
    }
    return rows;
  }
  int ink_pixels(XImage* image) {
    int count = 0;
    for (int y = 0; y < state.height; ++y) {
      for (int x = 0; x < state.width; ++x) count += XGetPixel(image, x, y) != state.paper_pixel;
    }
    return count;
  }
};

TEST_F(RenderX, BandsCoverTheirRowsInEachMode) {
  add(true, 320, 0, 0);
  state.position = 102;  // row 0 lies from screen row 236 to 238
  const struct {
    DrawMode mode;
    std::vector<int> rows;
  } cases[] = {{kDrawBlur, {236, 237}}, {kDrawNoblur, {236, 237}}, {kDrawFill, {236, 237, 238}}};
  for (const auto& c : cases) {
    XImage* image = frame(c.mode);
    EXPECT_EQ(ink_rows_at(image, 320), c.rows);
    XDestroyImage(image);
  }
}

TEST_F(RenderX, FarRowsShowOnlyInNoblurAndFill) {
  add(true, 320, 0, 0);
  state.position = 127;  // a flat row at screen row 211
  XImage* blur = frame(kDrawBlur);
  EXPECT_EQ(ink_pixels(blur), 0);
  XDestroyImage(blur);
  for (DrawMode mode : {kDrawNoblur, kDrawFill}) {
    XImage* image = frame(mode);
    EXPECT_EQ(ink_rows_at(image, 320), std::vector<int>{211});
    XDestroyImage(image);
  }
}

TEST_F(RenderX, NothingIsDrawnAtANegativePosition) {
  add(true, 320, 0, 1);
  state.position = -1;
  for (DrawMode mode : {kDrawBlur, kDrawNoblur, kDrawFill}) {
    XImage* image = frame(mode);
    EXPECT_EQ(ink_pixels(image), 0);
    XDestroyImage(image);
  }
}

TEST_F(RenderX, ExtremeLengthXLeavesNoStrayMarks) {
  state.length_x = 1;
  state.position = 0;
  add(false, 0, 250, 0);  // far right of the centre: wholly off the frame
  add(true, 1, -250, 0);
  XImage* off = frame(kDrawFill);
  EXPECT_EQ(ink_pixels(off), 0);
  XDestroyImage(off);

  add(true, 320, 0, 0);  // the whole source width: the whole frame width
  for (DrawMode mode : {kDrawBlur, kDrawNoblur}) {
    XImage* image = frame(mode);
    EXPECT_EQ(ink_pixels(image), 5 * 640);  // rows 475 to 479, nothing else
    EXPECT_EQ(ink_rows_at(image, 0), (std::vector<int>{475, 476, 477, 478, 479}));
    XDestroyImage(image);
  }
}

struct Rectangles {
  Display* display;
  Drawable drawable;
  GC gc;
  void rectangle(int x, int y, int w, int h) { XFillRectangle(display, drawable, gc, x, y, w, h); }
};

// The rows that stand in for a polygon beyond the coordinate range fill
// exactly the pixels that the server fills for the same polygon.
TEST_F(RenderX, BoundedPolygonRowsMatchTheServersFill) {
  Display* d = state.display;
  Pen* ink = pen_for_pixel(&state, state.ink_pixel);
  std::mt19937 random(7);
  std::uniform_int_distribution<int> x(-50, 690), y(-5, 485);
  SharedImage server_view(d, 640, 480), our_view(d, 640, 480);
  for (int i = 0; i < 300; ++i) {
    int top = y(random), bottom = top + 1 + (i % 9);
    Band b{x(random),
           x(random),
           x(random),
           x(random),
           static_cast<std::int16_t>(top),
           static_cast<std::int16_t>(bottom)};
    if (i % 3 == 0) b.top_end = b.top_start;  // triangles too
    if (b.top_start > b.top_end) std::swap(b.top_start, b.top_end);
    if (b.bottom_start > b.bottom_end) std::swap(b.bottom_start, b.bottom_end);

    XFillRectangle(d, state.frame_pixmap, state.paper_gc, 0, 0, 640, 480);
    XPoint points[4] = {{(short)b.bottom_start, b.bottom},
                        {(short)b.top_start, b.top},
                        {(short)b.top_end, b.top},
                        {(short)b.bottom_end, b.bottom}};
    if (b.top_start == b.top_end) points[2] = points[3];
    XFillPolygon(d, state.frame_pixmap, ink->gc, points, b.top_start == b.top_end ? 3 : 4, Convex,
                 CoordModeOrigin);
    XImage* server = server_view.read(state.frame_pixmap);
    ASSERT_NE(server, nullptr);

    XFillRectangle(d, state.frame_pixmap, state.paper_gc, 0, 0, 640, 480);
    Rectangles sink{d, state.frame_pixmap, ink->gc};
    Requests<Rectangles> out{sink, 640, 480};
    out.fill_band_rows(b);
    XImage* ours = our_view.read(state.frame_pixmap);
    ASSERT_NE(ours, nullptr);

    // Pixel by pixel only when the bytes differ, which may be padding.
    int differ = 0;
    if (std::memcmp(server->data, ours->data,
                    static_cast<std::size_t>(ours->bytes_per_line) * 480)) {
      for (int py = 0; py < 480; ++py) {
        for (int px = 0; px < 640; ++px)
          differ += XGetPixel(server, px, py) != XGetPixel(ours, px, py);
      }
    }
    EXPECT_EQ(differ, 0) << "band " << b.bottom_start << " " << b.top_start << " " << b.top_end
                         << " " << b.bottom_end << " rows " << top << "-" << bottom;
  }
}

}  // namespace

namespace {

bool same_pixels(XImage* a, XImage* b) {
  std::size_t size = static_cast<std::size_t>(a->bytes_per_line) * a->height;
  return a->bytes_per_line == b->bytes_per_line && std::memcmp(a->data, b->data, size) == 0;
}

}  // namespace

// The program draws through the row index: in every mode the frame must be
// the plain walk's to the pixel, near and far, with lines that step back up.
TEST_F(RenderX, TheIndexDrawsThePlainWalksFrame) {
  std::mt19937 random(11);
  for (int line = 0; line < 400; ++line) {
    for (int row = 0; row < 16; ++row) {
      int x = 0;
      for (int run = 0; run < 6; ++run) {
        int length = 1 + static_cast<int>(random() % 40);
        add(run % 2 == 1, length, length, 0);
        x += length;
      }
      add(false, 1, -x, 1);
    }
    add(false, 1, 0, line % 7 == 0 ? -3 : 1);  // the line space, now and then negative
  }
  state.row_index = build_row_index(state.segments, state.paper_pixel);
  ASSERT_NE(state.row_index, nullptr);
  for (DrawMode mode : {kDrawBlur, kDrawNoblur, kDrawFill}) {
    for (int length_y : {100, 7}) {
      for (std::int64_t position : {0, 40, 300, 2000, 6000, 7000}) {
        state.length_y = length_y;
        state.position = position;
        XImage* indexed = frame(mode);
        RowIndex* index = state.row_index;
        state.row_index = nullptr;
        XImage* plain = frame(mode);
        state.row_index = index;
        EXPECT_GT(ink_pixels(plain), 0) << position;
        EXPECT_TRUE(same_pixels(indexed, plain)) << "length_y " << length_y << " at " << position;
        XDestroyImage(indexed);
        XDestroyImage(plain);
      }
    }
  }
}
