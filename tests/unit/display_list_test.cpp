// The list operations of the display list and the pen cache, without X.
#include <vector>

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "content/display_list.h"

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

TEST(SegmentList, AppendLinksBothWays) {
  SegmentList* list = new_segment_list();
  EXPECT_EQ(append_segment(list, nullptr), nullptr);
  Segment* first = append_segment(list, new_segment(3, nullptr, 4, 5));
  EXPECT_EQ(list->head, first);
  EXPECT_EQ(list->tail, first);
  EXPECT_EQ(first->prev, nullptr);
  EXPECT_EQ(first->next, nullptr);
  EXPECT_EQ(first->length, 3);
  EXPECT_EQ(first->advance_x, 4);
  EXPECT_EQ(first->advance_y, 5);
  Segment* second = append_segment(list, new_segment(0, nullptr, -1, 0));
  EXPECT_EQ(list->head, first);
  EXPECT_EQ(list->tail, second);
  EXPECT_EQ(first->next, second);
  EXPECT_EQ(second->prev, first);
  EXPECT_EQ(second->next, nullptr);
  free_segment_list(list);
  free_segment_list(new_segment_list());  // an empty list frees only itself
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
