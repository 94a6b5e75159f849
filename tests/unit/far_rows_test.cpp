// Far rows resolved into their pixels: the frames of noblur and fill are
// the walk's, pixel for pixel, for text, columnar text and pictures of many
// pens at many positions and projections; the screen rows resolved are the
// deep ones; lists and frames the path does not serve fall back to the walk;
// the ink maps never rule out a pixel that a row marks.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "content/display_list.h"
#include "render/far_rows.h"
#include "render/row_index.h"
#include "render/walk.h"
#include "support/hashing_sink.h"
#include "support/material.h"
#include "support/raster_sink.h"

namespace {

// The list indexed, with the far rows' facts of both modes.
struct Indexed {
  RowIndex* index;
  FarRows* far[2];
  explicit Indexed(const Material& m) : index(build_row_index(m.list, 0)) {
    far[0] = build_far_rows(*index, kDrawNoblur);
    far[1] = build_far_rows(*index, kDrawFill);
  }
  ~Indexed() {
    free_far_rows(far[0]);
    free_far_rows(far[1]);
    free_row_index(index);
  }
  template <DrawMode mode>
  FarRows* of() const {
    return far[mode == kDrawFill];
  }
};

struct Tally {
  int frames = 0, resolved = 0;
  std::uint64_t spans_read = 0;
};

template <DrawMode mode>
void expect_frame(const Projection& p, const Indexed& x, Tally* tally) {
  SCOPED_TRACE(std::string(mode == kDrawFill ? "fill " : "noblur ") + std::to_string(p.width) +
               "x" + std::to_string(p.height) + " lx " + std::to_string(p.length_x) + " ly " +
               std::to_string(p.length_y) + " position " + std::to_string(p.position));
  // The frames' memory is kept from one frame to the next: fresh, it
  // would cost as much as the walk.
  static RasterSink want(0, 0), got(0, 0);
  want.reset(p.width, p.height);
  walk_ink_runs<mode>(p, *x.index, want);
  got.reset(p.width, p.height);
  draw_far_frame<mode>(p, *x.index, x.of<mode>(), got);
  EXPECT_TRUE(got == want);
  ++tally->frames;
  const FarFrame& far = x.of<mode>()->frame;
  tally->resolved += !far.screen_rows.empty();
  tally->spans_read += far.spans_read;
}

// Random positions to beyond the end and the ends themselves, for frames
// of several shapes: {width, height, length_x, length_y}.
std::vector<Projection> far_views(long rows, unsigned seed, int per_shape) {
  const int shapes[][4] = {{640, 480, 320, 100}, {640, 480, 320, 7},  {640, 480, 320, 30},
                           {640, 480, 40, 20},   {640, 480, 3000, 9}, {301, 200, 320, 11},
                           {1024, 768, 320, 40}, {64, 1000, 320, 100}};
  std::mt19937 random(seed);
  std::uniform_int_distribution<long> position(0, rows + rows / 4);
  std::vector<Projection> all;
  for (const auto& s : shapes) {
    for (int i = 0; i < per_shape; ++i) {
      all.push_back({s[0], s[1], 320, s[2], s[3], position(random)});
    }
    all.push_back({s[0], s[1], 320, s[2], s[3], rows});
    all.push_back({s[0], s[1], 320, s[2], s[3], rows * 3});
  }
  return all;
}

Tally expect_frames(const Material& m, const std::vector<Projection>& views) {
  Indexed x(m);
  EXPECT_NE(x.far[0], nullptr);
  EXPECT_NE(x.far[1], nullptr);
  Tally tally;
  for (const Projection& p : views) {
    expect_frame<kDrawNoblur>(p, x, &tally);
    expect_frame<kDrawFill>(p, x, &tally);
  }
  return tally;
}

// A table: cells of glyph-like runs in fixed columns with wide gaps between
// them on every line, and rows without letters above and below.
void make_table(Material* m, int lines, unsigned seed) {
  std::mt19937 random(seed);
  const int columns[][2] = {{0, 80}, {112, 40}, {184, 24}, {240, 72}};  // x, width
  for (int l = 0; l < lines; ++l, m->rows += 17) {
    for (int r = 0; r < 16; ++r) {
      int x = 0;
      for (const auto& c : columns) {
        if (r < 3 || r > 13) break;
        m->add(0, 0, c[0] - x, 0);
        int cell_end = c[0] + (random() % 4 ? c[1] : c[1] / 2);
        for (x = c[0]; x + 8 <= cell_end; x += 8) {
          int ink = 1 + random() % 5;
          m->add(1 + random() % 3, ink, ink, 0);
          m->add(0, 8 - ink, 8 - ink, 0);
        }
      }
      m->add(0, 0, -x, 1);
    }
    m->add(0, 0, 0, 1);
  }
}

// Pictures one after another, their rows of runs in 199 pens, shifted as
// centring does; the first is wider than the source picture.
void make_pictures(Material* m, int count, unsigned seed) {
  std::mt19937 random(seed);
  for (int picture = 0; picture < count; ++picture, m->rows += 700) {
    int width = picture == 0 ? 900 : 40 + static_cast<int>(random() % 280);
    int shift = (320 - width) / 2;
    for (int r = 0; r < 700; ++r) {
      m->add(0, 0, shift, 0);
      for (int x = 0, length; x < width; x += length) {
        length = std::min(1 + static_cast<int>(random() % 6), width - x);
        m->add(1 + static_cast<int>(random() % 199), length, length, 0);
      }
      m->add(0, 0, -width - shift, 1);
    }
  }
}

TEST(FarRows, FramesArePixelForPixelTheWalks) {
  struct Case {
    const char* material;
    void (*make)(Material*);
    int resolved_at_least;
    std::uint64_t spans_per_frame_below;  // of thousands of rows in the far screen rows
  } cases[] = {
      {"text", [](Material* m) { make_lines(m, 400, 16, 1, 21); }, 60, 300},
      {"table", [](Material* m) { make_table(m, 3000, 23); }, 70, 300},
      {"pictures", [](Material* m) { make_pictures(m, 12, 24); }, 60, 300},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.material);
    Material m(200);
    c.make(&m);
    Tally t = expect_frames(m, far_views(m.rows, 22, 4));
    EXPECT_GE(t.resolved, c.resolved_at_least);
    EXPECT_LT(t.spans_read / std::max(t.resolved, 1), c.spans_per_frame_below);
  }
}

// Only screen rows with kFarDepth source rows or more are resolved; the
// frames of a short list or near its start are the walk's, request for
// request; lists whose rows do not grow have no far rows.
TEST(FarRows, ShallowFramesAndRowsThatStepBackAreWalked) {
  Material m;
  make_lines(&m, 300, 16, 1, 26);
  Indexed x(m);
  Projection p{640, 480, 320, 320, 100, m.rows};
  ASSERT_TRUE(plan_far_frame(p, *x.index, x.far[0]->maps, &x.far[0]->frame));
  const FarFrame& far = x.far[0]->frame;
  for (const FarScreenRow& row : far.screen_rows) {
    EXPECT_GE(row.farthest - row.nearest + 1, kFarDepth) << row.y;
    EXPECT_EQ(row_edges(p, row.farthest).top, row.y);
    EXPECT_EQ(row_edges(p, row.nearest).top, row.y);
    EXPECT_NE(row_edges(p, row.nearest - 1).top, row.y);
  }
  const FarScreenRow& last = far.screen_rows.back();
  std::int64_t below = 0;  // rows of the next screen row
  for (std::int64_t d = last.nearest - 1; d >= 0 && row_edges(p, d).top == last.y + 1; --d) ++below;
  EXPECT_LT(below, kFarDepth);

  for (long position : {0L, 300L, 2000L}) {
    Projection near{640, 480, 320, 320, 100, position};
    EXPECT_FALSE(plan_far_frame(near, *x.index, x.far[0]->maps, &x.far[0]->frame)) << position;
    HashingSink walk, far_path;
    walk_ink_runs<kDrawNoblur>(near, *x.index, walk);
    draw_far_frame<kDrawNoblur>(near, *x.index, x.far[0], far_path);
    EXPECT_TRUE(walk == far_path) << position;
  }
  EXPECT_FALSE(
      plan_far_frame({640, 480, 320, 320, 0, m.rows}, *x.index, x.far[0]->maps, &x.far[0]->frame));
  EXPECT_FALSE(
      plan_far_frame({640, 480, 320, -5, 100, m.rows}, *x.index, x.far[0]->maps, &x.far[0]->frame));

  for (int space : {-3, -17}) {
    Material back;
    make_lines(&back, 50, 16, space, 27);
    RowIndex* index = build_row_index(back.list, 0);
    EXPECT_EQ(build_far_rows(*index, kDrawNoblur), nullptr) << space;
    EXPECT_EQ(build_far_rows(*index, kDrawFill), nullptr) << space;
    free_row_index(index);
  }
  EXPECT_EQ(build_far_rows(*x.index, kDrawBlur), nullptr);
}

// The maps of two rows: noblur keeps where runs start and the pixel borders
// their lines cross, fill every x its runs cover, both ends included.
TEST(FarRows, InkMapsOfTwoRows) {
  Material m;
  m.add(0, 0, 10, 0);
  m.add(1, 4, 4, 0);    // x 10 to 14
  m.add(0, 0, -14, 1);  // row 1
  m.add(0, 0, 20, 0);
  m.add(2, 0, 0, 0);  // x 20, zero length
  m.add(3, 2, 2, 1);  // x 20 to 22
  Indexed x(m);
  auto buckets = [](const InkMap& map) {
    std::string bits;
    for (int b = 0; b < 30; ++b) bits += (map[b >> 6] >> (b & 63)) & 1 ? '#' : '.';
    return bits;
  };
  const FarRowMaps& noblur = x.far[0]->maps;
  EXPECT_EQ(noblur.ink_first, 10);
  EXPECT_EQ(noblur.ink_last, 22);
  EXPECT_EQ(noblur.bucket_width, 1);
  EXPECT_EQ(buckets(noblur.maps[0][kMarkMap][0]), "..........#.........#.........");
  EXPECT_EQ(buckets(noblur.maps[0][kCrossMap][0]), "...........####......##.......");
  EXPECT_EQ(buckets(noblur.maps[3][kCrossMap][0]), buckets(noblur.maps[0][kCrossMap][0]));
  EXPECT_EQ(noblur.origin, 0);
  const FarRowMaps& fill = x.far[1]->maps;
  EXPECT_EQ(fill.ink_first, 10);
  EXPECT_EQ(buckets(fill.maps[0][kMarkMap][0]), "..........#####.....###.......");

  Material wide;  // ink beyond the first buckets: two source pixels a bucket
  wide.add(0, 0, -100, 0);
  wide.add(1, 5, 1000, 0);  // x -100 to -95
  wide.add(1, 3, 3, 1);     // x 900 to 903
  Indexed w(wide);
  EXPECT_EQ(w.far[1]->maps.origin, -100);
  EXPECT_EQ(w.far[1]->maps.bucket_width, 2);
  EXPECT_EQ(w.far[1]->maps.ink_last, 903);
  EXPECT_EQ(buckets(w.far[1]->maps.maps[0][kMarkMap][0]), "###...........................");
}

// Whatever a row marks on its screen row, the maps of its block may mark:
// one row at a time, far and near, magnified and not.
TEST(FarRows, TheMapsNeverRuleOutAMarkedPixel) {
  std::mt19937 random(28);
  RasterSink frame(640, 480);
  for (int trial = 0; trial < 300; ++trial) {
    Material m(5);
    int x = static_cast<int>(random() % 40);
    m.add(0, 0, x, 0);
    for (int r = 0; r < 12; ++r) {
      int length = static_cast<int>(random() % 30) - (trial % 5 == 0 ? 6 : 0);
      m.add(1 + static_cast<int>(random() % 4), length, std::abs(length) + 1, 0);
    }
    m.add(0, 0, 0, 1);
    Indexed ix(m);
    Projection p{640,
                 480,
                 320,
                 1 + static_cast<int>(random() % 400),
                 1 + static_cast<int>(random() % 200),
                 static_cast<long>(random() % 30000)};
    for (DrawMode mode : {kDrawNoblur, kDrawFill}) {
      frame.reset(p.width, p.height);
      if (mode == kDrawFill) {
        walk_ink_runs<kDrawFill>(p, *ix.index, frame);
      } else {
        walk_ink_runs<kDrawNoblur>(p, *ix.index, frame);
      }
      RowEdges row = row_edges(p, p.position);
      if (row.bottom - row.top > 1) continue;  // far rows only
      const FarRowMaps& far = ix.far[mode == kDrawFill]->maps;
      BlockReach reach = block_reach(p, *ix.index, far, 0, 0);
      for (int y : {static_cast<int>(row.top), static_cast<int>(row.bottom)}) {
        if (y < 0 || y >= p.height || (mode == kDrawNoblur && y != row.top)) continue;
        for (int px = 0; px < p.width; ++px) {
          if (frame.pixels[y * p.width + px] == 0) continue;
          for (int level = 0; level < kBlockLevels; ++level) {
            ASSERT_TRUE(may_mark(p, far, level, 0, reach, px))
                << "trial " << trial << " x " << px << " level " << level;
          }
        }
      }
    }
  }
}

}  // namespace
