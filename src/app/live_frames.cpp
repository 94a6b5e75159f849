// Reading on while the frames run, and dropping what the crawl left behind.
#include "app/live_frames.h"

#include <algorithm>

#include "app_state.h"
#include "app/frame_pacing.h"
#include "content/display_list.h"
#include "content/source_intake.h"
#include "render/draw_pass.h"
#include "render/projection.h"

namespace {

// Dropped in pieces of at least this many rows, so that the indexes are
// cut seldom.
constexpr std::int64_t kDropSlackRows = 16384;

void drop_receded_lines(AppState* s) {
  Projection p{s->width, s->height, s->source_width, s->length_x, s->length_y, s->position};
  std::int64_t keep = rows_kept_behind(p);
  std::int64_t behind;
  if (__builtin_sub_overflow(s->position, s->segments->start_row, &behind)) return;
  if (behind > keep + kDropSlackRows) drop_lines_before(s, s->position - keep);
}

}  // namespace

std::int64_t rows_kept_behind(const Projection& p) {
  if (!fast_path_serves(p)) return kMostKeptRows;
  std::int64_t last = farthest_reaching_down_to(p, RowBoundary::kNear, 1, 0, kMostKeptRows);
  return std::clamp(last + 1, kKeptRows, kMostKeptRows);
}

void take_new_material(AppState* state) {
  AppState* s = state;
  std::int64_t end = s->segments->rows;
  if (continue_intake(s, monotonic_ns() + kIntakeBudgetNs)) {
    index_display_list(s);
    if (end <= s->position) s->redraw = 1;  // it shows at once
  }
  if (s->intake) drop_receded_lines(s);
}

void keep_position_on_the_list(AppState* state) {
  AppState* s = state;
  if (s->segments && s->segments->start_row > 0 && s->position < s->segments->start_row) {
    s->position = s->segments->start_row;
  }
}
