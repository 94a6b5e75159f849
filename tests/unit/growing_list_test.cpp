// A display list that grows while it flies, and loses its oldest lines:
// indexes extended line by line draw the frames of indexes built at once
// over the same list, in every mode and with far rows; dropping the oldest
// lines changes no pixel of blur's frames within the rows kept, and in
// noblur and fill none but those of the top screen row.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "app_state.h"
#include "app/live_frames.h"
#include "content/display_list.h"
#include "render/draw_pass.h"
#include "render/far_rows.h"
#include "render/row_index.h"
#include "support/material.h"
#include "support/raster_sink.h"

namespace {

// Lines one at a time, each from a seed of its own, so that a list grown in
// pieces holds what a list made at once holds.
void add_lines(Material* m, int first, int count, int line_space = 1) {
  for (int l = first; l < first + count; ++l) {
    note_line_start(m->list);
    make_lines(m, 1, 16, line_space, 1000 + static_cast<unsigned>(l));
  }
}

struct Indexes {
  RowIndex* index;
  FarRows* far[2];
  explicit Indexes(const SegmentList* list) : index(build_row_index(list, 0)) {
    far[0] = build_far_rows(*index, kDrawNoblur);
    far[1] = build_far_rows(*index, kDrawFill);
  }
  ~Indexes() {
    free_far_rows(far[0]);
    free_far_rows(far[1]);
    free_row_index(index);
  }
  void extend() {
    std::size_t first_new = index->spans.size();
    ASSERT_TRUE(extend_row_index(index));
    for (FarRows* f : far) ASSERT_TRUE(extend_far_row_maps(*index, first_new, &f->maps));
  }
};

RasterSink frame(const Projection& p, Indexes* x, DrawMode mode) {
  RasterSink sink(p.width, p.height);
  if (mode == kDrawBlur) {
    if (blur_spans(p, *x->index, &x->index->frame)) {
      walk_blur_spans(p, *x->index, x->index->frame, sink);
    } else {
      walk_ink_runs<kDrawBlur>(p, *x->index, sink);
    }
  } else if (mode == kDrawNoblur) {
    draw_far_frame<kDrawNoblur>(p, *x->index, x->far[0], sink);
  } else {
    draw_far_frame<kDrawFill>(p, *x->index, x->far[1], sink);
  }
  return sink;
}

std::string view_of(const Projection& p, DrawMode mode) {
  return "mode " + std::to_string(mode) + " " + std::to_string(p.height) + " high, ly " +
         std::to_string(p.length_y) + " at " + std::to_string(p.position);
}

TEST(GrowingList, IndexesExtendedLineByLineDrawTheFramesOfOnesBuiltAtOnce) {
  Material growing;
  Indexes extended(growing.list);
  std::mt19937 random(5);
  int lines = 0;
  for (int step = 0; step < 8; ++step) {
    int count = step == 0 ? 1 : 1 + static_cast<int>(random() % 600);
    add_lines(&growing, lines, count);
    lines += count;
    extended.extend();
    Indexes built(growing.list);
    for (Projection p : {Projection{640, 480, 320, 320, 100, growing.rows},
                         Projection{640, 480, 320, 320, 7, growing.rows / 2},
                         Projection{300, 200, 320, 40, 30, growing.rows + 500}}) {
      for (DrawMode mode : {kDrawBlur, kDrawNoblur, kDrawFill}) {
        EXPECT_TRUE(frame(p, &extended, mode) == frame(p, &built, mode)) << view_of(p, mode);
      }
    }
  }
  Projection end{640, 480, 320, 320, 100, growing.rows};
  EXPECT_TRUE(plan_far_frame(end, *extended.index, extended.far[0]->maps, &extended.far[0]->frame))
      << "deep enough for far rows";
}

// The oldest lines dropped as the program drops them, against the list
// that keeps them.
TEST(GrowingList, DroppingTheOldestLinesKeepsTheFramesOfTheRowsKept) {
  Material kept, dropped;
  add_lines(&kept, 0, 2500);
  add_lines(&dropped, 0, 2500);
  Indexes all(kept.list);
  AppState s{};
  s.segments = dropped.list;
  s.paper_pixel = 0;
  s.draw_mode = kDrawFill;
  index_display_list(&s);
  Projection p{320, 48, 320, 320, 10, dropped.rows};
  std::int64_t keep = rows_kept_behind(p);
  drop_lines_before(&s, p.position - keep);
  EXPECT_GT(s.segments->start_row, p.position - keep - 2000);
  EXPECT_LE(s.segments->start_row, p.position - keep);
  RowIndex* index = s.row_index;
  for (std::int64_t ahead : {0, 300, 2000}) {
    p.position = dropped.rows - ahead;
    if (p.position - keep < s.segments->start_row) continue;
    RasterSink want = frame(p, &all, kDrawBlur), got(p.width, p.height);
    ASSERT_TRUE(blur_spans(p, *index, &index->frame));
    walk_blur_spans(p, *index, index->frame, got);
    EXPECT_TRUE(got == want) << view_of(p, kDrawBlur);
    RasterSink fill_want = frame(p, &all, kDrawFill), fill_got(p.width, p.height);
    draw_far_frame<kDrawFill>(p, *index, s.far_rows, fill_got);
    std::fill_n(fill_want.pixels.begin(), p.width, 0);  // the top row holds what receded
    std::fill_n(fill_got.pixels.begin(), p.width, 0);
    EXPECT_TRUE(fill_got.pixels == fill_want.pixels) << view_of(p, kDrawFill);
  }
  free_far_rows(s.far_rows);
  free_row_index(s.row_index);
}

}  // namespace
