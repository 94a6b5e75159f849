// Every mode through the row index makes exactly the requests of the plain
// walk: for many positions and projections, for lists with negative line
// spaces that move the pen back up, and for lists that end without a row move.
#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "content/display_list.h"
#include "render/row_index.h"
#include "render/walk.h"
#include "support/hashing_sink.h"
#include "support/material.h"
#include "support/segments.h"

namespace {

template <DrawMode mode>
HashingSink plain(const Projection& p, const Material& m) {
  HashingSink sink;
  walk_segments<mode>(p, m.list, 0, sink);
  return sink;
}

template <DrawMode mode>
HashingSink through_runs(const Projection& p, const RowIndex& index) {
  HashingSink sink;
  walk_ink_runs<mode>(p, index, sink);
  return sink;
}

HashingSink through_blur_spans(const Projection& p, RowIndex* index) {
  HashingSink sink;
  EXPECT_TRUE(blur_spans(p, *index, &index->frame));
  walk_blur_spans(p, *index, index->frame, sink);
  return sink;
}

void expect_same(const HashingSink& got, const HashingSink& want, const char* how) {
  EXPECT_EQ(got.requests, want.requests) << how;
  EXPECT_TRUE(got == want) << how;
}

void expect_same_frames(const Material& m, const std::vector<Projection>& views) {
  RowIndex* index = build_row_index(m.list, 0);
  ASSERT_NE(index, nullptr);
  for (const Projection& p : views) {
    SCOPED_TRACE("view " + std::to_string(p.width) + "x" + std::to_string(p.height) + " lx " +
                 std::to_string(p.length_x) + " ly " + std::to_string(p.length_y) + " position " +
                 std::to_string(p.position));
    HashingSink blur = plain<kDrawBlur>(p, m);
    expect_same(through_blur_spans(p, index), blur, "blur, far rows skipped");
    expect_same(through_runs<kDrawBlur>(p, *index), blur, "blur");
    expect_same(through_runs<kDrawNoblur>(p, *index), plain<kDrawNoblur>(p, m), "noblur");
    expect_same(through_runs<kDrawFill>(p, *index), plain<kDrawFill>(p, m), "fill");
  }
  free_row_index(index);
}

std::vector<Projection> views(long rows, unsigned seed) {
  std::vector<Projection> all;
  std::mt19937 random(seed);
  std::uniform_int_distribution<long> position(-3, rows + 40);
  const int shapes[][4] = {{640, 480, 320, 100}, {641, 480, 320, 1},     {640, 480, 1, 100},
                           {300, 37, 320, 7},    {1024, 768, 500, 2},    {640, 1000, 320, 1000},
                           {64, 1, 320, 100},    {640, 480, 320, 100000}};
  for (const auto& s : shapes) {
    for (int i = 0; i < 12; ++i) all.push_back({s[0], s[1], 320, s[2], s[3], position(random)});
    all.push_back({s[0], s[1], 320, s[2], s[3], 0});
    all.push_back({s[0], s[1], 320, s[2], s[3], rows});
  }
  return all;
}

TEST(RowIndex, EveryModeThroughTheIndexMakesTheRequestsOfTheWalk) {
  Material m;
  make_lines(&m, 120, 16, 1, 1);
  expect_same_frames(m, views(m.rows, 2));
}

TEST(RowIndex, NegativeLineSpacesThatMoveThePenBackUp) {
  for (int space : {-3, -16, -20}) {
    Material m;
    make_lines(&m, 60, 16, space, 3);
    m.rows = 60 * 16;
    expect_same_frames(m, views(m.rows, 4));
  }
}

TEST(RowIndex, PicturesRowsAndAnUnfinishedLastRow) {
  Material m;
  make_lines(&m, 10, 16, 0, 5);
  for (int r = 0; r < 200; ++r) {  // a picture: one row move per row, no line space
    m.add(1, 5, 5, 0);
    m.add(2, 7, -5, 1);
  }
  m.add(3, 30, 30, 0);  // the list ends in the middle of a row
  m.rows = 10 * 16 + 200;
  expect_same_frames(m, views(m.rows, 6));
}

TEST(RowIndex, EmptyListsAndProjectionsItDoesNotServe) {
  Material empty;
  RowIndex* index = build_row_index(empty.list, 0);
  ASSERT_NE(index, nullptr);
  EXPECT_TRUE(blur_spans({640, 480, 320, 320, 100, 5}, *index, &index->frame));
  EXPECT_TRUE(index->frame.empty());
  EXPECT_FALSE(blur_spans({640, 480, 320, 320, 0, 5}, *index, &index->frame));
  EXPECT_FALSE(blur_spans({640, 480, 320, 320, -7, 5}, *index, &index->frame));
  free_row_index(index);
}

TEST(RowIndex, DeepInALongTextOnlyAFewSpansAreVisited) {
  Material m;
  make_lines(&m, 2000, 16, 1, 7);
  RowIndex* index = build_row_index(m.list, 0);
  Projection p{640, 480, 320, 320, 100, m.rows};
  ASSERT_TRUE(blur_spans(p, *index, &index->frame));
  EXPECT_LT(index->frame.size(), 700u);  // of 32,000 rows
  EXPECT_GT(index->frame.size(), 100u);
  free_row_index(index);
}

// Far pen positions and more pens than sixteen bits number are indexed too.
TEST(RowIndex, FarPenPositionsAndManyPens) {
  Material far;
  for (int i = 0; i < 65540; ++i) far.add(0, 0, INT16_MAX, 0);  // past 2^31 pixels
  far.add(1, 3, 3, 1);
  far.add(2, 4, 4, 0);
  far.rows = 1;
  expect_same_frames(far, views(far.rows, 8));

  Material many(UINT16_MAX + 2);
  for (int i = 0; i < UINT16_MAX + 2; ++i) many.add(i, 1, i % 64 == 63 ? -63 : 1, i % 64 == 63);
  many.rows = (UINT16_MAX + 2) / 64;
  expect_same_frames(many, views(many.rows, 9));
}

// Each span starts at its row's first segment, with the pen where the walk
// has it there, also where a row begins in a later block of the list.
TEST(RowIndex, SpansStartAtTheFirstSegmentOfTheirRow) {
  struct Want {
    std::int64_t row, reach, pen_x;
    std::size_t first;  // segment number in the list
  };
  Material m;
  m.add(1, 3, 3, 0);
  m.add(0, 0, -3, 1);  // row 0: segments 0 and 1
  m.add(0, 0, 5, 0);
  m.add(1, 2, 2, 2);   // row 1, from x 0: segments 2 and 3
  m.add(2, 1, 1, -1);  // row 3, from x 7
  m.add(3, 4, 0, 0);   // row 2, from x 8, to the end of the list
  const Want table[] = {{0, 0, 0, 0}, {1, 1, 0, 2}, {3, 3, 7, 4}, {2, 3, 8, 5}};
  RowIndex* index = build_row_index(m.list, 0);
  ASSERT_EQ(index->spans.size(), std::size(table));
  std::vector<Segment> all = segments_of(m.list);
  for (std::size_t i = 0; i < std::size(table); ++i) {
    const RowSpan& span = index->spans[i];
    EXPECT_EQ(span.row, table[i].row) << i;
    EXPECT_EQ(span.reach, table[i].reach) << i;
    EXPECT_EQ(span.pen_x, table[i].pen_x) << i;
    SegmentCursor cursor = segment_at(m.list, span.first);
    Segment s;
    ASSERT_TRUE(next_segment(&cursor, &s));
    EXPECT_EQ(s.length, all[table[i].first].length) << i;
    EXPECT_EQ(s.advance_x, all[table[i].first].advance_x) << i;
  }
  EXPECT_EQ(index->lowest_row, 0);
  free_row_index(index);

  Material lines;
  make_lines(&lines, 200, 16, 1, 10);
  ASSERT_GT(lines.list->blocks.size(), 3u);
  index = build_row_index(lines.list, 0);
  all = segments_of(lines.list);
  std::size_t span = 0, number = 0;
  bool starts = true;
  for (const Segment& s : all) {
    if (starts) {
      SegmentCursor cursor = segment_at(lines.list, index->spans[span++].first);
      Segment first;
      ASSERT_TRUE(next_segment(&cursor, &first));
      ASSERT_EQ(cursor.list, lines.list);
      EXPECT_TRUE(first.length == s.length && first.pen == s.pen &&
                  first.advance_x == s.advance_x && first.advance_y == s.advance_y)
          << "segment " << number;
    }
    starts = s.advance_y != 0;
    ++number;
  }
  EXPECT_EQ(span, index->spans.size());
  free_row_index(index);
}

}  // namespace
