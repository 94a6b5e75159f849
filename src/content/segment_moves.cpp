#include "content/segment_moves.h"

#include <algorithm>

#include "content/display_list.h"

namespace {

constexpr std::int64_t kMaxAdvance = INT16_MAX;
constexpr std::int64_t kMinAdvance = INT16_MIN;

std::int64_t chunk(std::int64_t v) {
  return std::clamp(v, kMinAdvance, kMaxAdvance);
}

}  // namespace

void append_moves(SegmentList* list, Pen* paper, std::int64_t dx, std::int64_t dy) {
  do {
    std::int64_t step_x = chunk(dx), step_y = chunk(dy);
    // The row move waits for the last piece of x, so that the pen goes
    // down only once it is back where the caller wants it.
    if (step_x != dx) step_y = 0;
    append_segment(list, new_segment(0, paper, static_cast<int>(step_x), static_cast<int>(step_y)));
    dx -= step_x;
    dy -= step_y;
  } while (dx != 0 || dy != 0);
}
