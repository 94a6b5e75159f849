// The list operations of the display list and the pen cache, without X.
#include <algorithm>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "app_state.h"
#include "content/display_list.h"
#include "support/segments.h"

namespace {

std::vector<unsigned long> order(const PenCache& cache) {
  std::vector<unsigned long> pixels;
  const Pen* last = nullptr;
  for (const Pen* p = cache.head; p; p = p->next) {
    EXPECT_EQ(p->prev, last);
    pixels.push_back(p->pixel);
    last = p;
  }
  EXPECT_EQ(cache.tail, last);
  return pixels;
}

Segment seg(int length, Pen* pen, int advance_x, int advance_y) {
  return new_segment(length, pen, advance_x, advance_y);
}

bool same(const Segment& a, const Segment& b) {
  return a.length == b.length && a.pen == b.pen && a.advance_x == b.advance_x &&
         a.advance_y == b.advance_y;
}

void expect_reads_back(const SegmentList* list, const std::vector<Segment>& want) {
  std::vector<Segment> got = segments_of(list);
  ASSERT_EQ(got.size(), want.size());
  EXPECT_EQ(list->count, want.size());
  for (std::size_t i = 0; i < want.size(); ++i) EXPECT_TRUE(same(got[i], want[i])) << "at " << i;
}

TEST(SegmentList, ReadsBackEveryValueInTheOrderAppended) {
  Pen a{}, b{};
  const std::vector<Segment> table = {
      seg(3, &a, 4, 5),                          // a run
      seg(0, &b, -1, 0),                         // a pure move back
      seg(INT16_MAX, &a, INT16_MAX, INT16_MAX),  // the longest run and moves
      seg(INT16_MIN, &b, INT16_MIN, INT16_MIN),  // the most negative
      seg(-1, nullptr, -32000, 1),               // no pen at all
      seg(0, &a, 0, 0),                          // nothing
  };
  SegmentList* list = new_segment_list();
  expect_reads_back(list, {});  // an empty list reads nothing
  for (const Segment& s : table) EXPECT_EQ(append_segment(list, s), list->tail);
  expect_reads_back(list, table);
  EXPECT_EQ(list->pens.size(), 3u);  // a, b and none, each numbered once
  free_segment_list(list);
  free_segment_list(new_segment_list());  // an empty list frees only itself
}

// Pen numbers past the sixteen bits of a stored segment take the wide form,
// here also at block boundaries, and are read back as the same pens.
TEST(SegmentList, PensPastSixteenBitsTakeTheWideForm) {
  std::vector<Pen> pens(kWidePen + 10);
  std::vector<Segment> want;
  SegmentList* list = new_segment_list();
  for (Pen& pen : pens) want.push_back(seg(1, &pen, 1, 0));
  for (int i = 0; i < 5; ++i) {  // numbers met again, wide and narrow alternately
    want.push_back(seg(2, &pens.back(), -2, 1));
    want.push_back(seg(3, &pens.front(), 3, 0));
  }
  for (const Segment& s : want) append_segment(list, s);
  expect_reads_back(list, want);
  EXPECT_EQ(list->pens.size(), pens.size());
  std::uint64_t places = 0;
  for (const SegmentBlock& block : list->blocks) places += block.used;
  EXPECT_EQ(places, want.size() + 10 + 5);  // one place more for each wide one
  free_segment_list(list);
}

TEST(SegmentList, BlocksDoubleUpToTheLargestAndAWideSegmentNeverStraddlesTwo) {
  std::vector<Pen> pens(kWidePen + 1);
  SegmentList* list = new_segment_list();
  std::vector<Segment> want;
  auto add = [&](Segment s) {
    want.push_back(s);
    append_segment(list, s);
  };
  for (std::uint32_t i = 0; i < kWidePen; ++i) add(seg(1, &pens[i], 1, 0));  // all narrow
  while (list->blocks.back().capacity - list->blocks.back().used > 1) add(seg(2, &pens[0], 2, 0));
  std::uint32_t full = static_cast<std::uint32_t>(list->blocks.size() - 1);
  add(seg(7, &pens[kWidePen], 7, 0));  // its second place would not fit
  ASSERT_EQ(list->blocks.size(), full + 2u);
  EXPECT_EQ(list->blocks[full].used, list->blocks[full].capacity - 1);
  EXPECT_EQ(list->blocks.back().used, 2u);
  for (std::uint32_t i = 0; i < 4 * kLargestBlockPlaces; ++i) {
    add(seg(static_cast<int>(i % 300), &pens[i % 3], static_cast<int>(i % 7) - 3, 0));
  }
  expect_reads_back(list, want);
  std::uint32_t capacity = kFirstBlockPlaces;
  for (const SegmentBlock& block : list->blocks) {
    EXPECT_EQ(block.capacity, capacity);
    capacity = std::min(2 * capacity, kLargestBlockPlaces);
  }
  // The place past a block's used places reads on in the next block.
  SegmentCursor cursor = segment_at(list, {full, list->blocks[full].used});
  Segment s;
  ASSERT_TRUE(next_segment(&cursor, &s));
  EXPECT_TRUE(same(s, seg(7, &pens[kWidePen], 7, 0)));
  free_segment_list(list);
}

TEST(SegmentList, TheTailChangesInPlace) {
  std::vector<Pen> pens(kWidePen + 1);
  SegmentList* list = new_segment_list();
  StoredSegment* narrow = append_segment(list, seg(1, &pens[0], 1, 0));
  narrow->length = 5;
  narrow->advance_x = 5;
  for (std::uint32_t i = 1; i <= kWidePen; ++i) append_segment(list, seg(0, &pens[i], 0, 0));
  StoredSegment* wide = list->tail;
  wide->length = 9;
  wide->advance_y = 1;
  std::vector<Segment> got = segments_of(list);
  EXPECT_TRUE(same(got.front(), seg(5, &pens[0], 5, 0)));
  EXPECT_TRUE(same(got.back(), seg(9, &pens[kWidePen], 0, 1)));
  free_segment_list(list);
}

struct PenFixture : testing::Test {
  PenCache cache{};
  Pen pens[4] = {};
  Pen* pen(int i, unsigned long pixel) {
    pens[i].pixel = pixel;
    return &pens[i];
  }
};

TEST_F(PenFixture, PushPutsAtTheHead) {
  EXPECT_EQ(push_pen_front(&cache, nullptr), nullptr);
  push_pen_front(&cache, pen(0, 10));
  push_pen_front(&cache, pen(1, 20));
  push_pen_front(&cache, pen(2, 30));
  EXPECT_EQ(order(cache), (std::vector<unsigned long>{30, 20, 10}));
}

TEST_F(PenFixture, MoveToFrontFromEveryPlace) {
  push_pen_front(&cache, pen(0, 10));
  push_pen_front(&cache, pen(1, 20));
  push_pen_front(&cache, pen(2, 30));
  move_pen_to_front(&cache, &pens[1]);  // middle
  EXPECT_EQ(order(cache), (std::vector<unsigned long>{20, 30, 10}));
  move_pen_to_front(&cache, &pens[0]);  // tail: its prev becomes the tail
  EXPECT_EQ(order(cache), (std::vector<unsigned long>{10, 20, 30}));
  move_pen_to_front(&cache, &pens[0]);  // head stays head
  EXPECT_EQ(order(cache), (std::vector<unsigned long>{10, 20, 30}));
}

TEST_F(PenFixture, ACacheOfOneKeepsItsOnlyPen) {
  push_pen_front(&cache, pen(0, 10));
  EXPECT_EQ(move_pen_to_front(&cache, &pens[0]), &pens[0]);
  EXPECT_EQ(cache.head, &pens[0]);
  EXPECT_EQ(cache.tail, &pens[0]);
  EXPECT_EQ(pens[0].prev, nullptr);
  EXPECT_EQ(pens[0].next, nullptr);
}

TEST_F(PenFixture, MoveOnAnEmptyCacheOrNoPenGivesNone) {
  EXPECT_EQ(move_pen_to_front(&cache, &pens[0]), nullptr);
  EXPECT_EQ(move_pen_to_front(&cache, nullptr), nullptr);
}

TEST_F(PenFixture, FindWalksFromTheHeadWithoutReordering) {
  AppState state{};
  state.pens = &cache;
  EXPECT_EQ(find_pen(&state, 10), nullptr);
  push_pen_front(&cache, pen(0, 10));
  push_pen_front(&cache, pen(1, 20));
  EXPECT_EQ(find_pen(&state, 10), &pens[0]);
  EXPECT_EQ(find_pen(&state, 99), nullptr);
  EXPECT_EQ(order(cache), (std::vector<unsigned long>{20, 10}));
}

}  // namespace
