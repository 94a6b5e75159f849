// The floors of a root window with its monitors: which sizes, where each is
// shown, which monitor paces.
#include "app/monitor_layout.h"

#include <algorithm>

namespace {

// `m` cut to the root; false when nothing is left.
bool clip_to_root(ScreenArea* m, int root_width, int root_height) {
  int x0 = std::max(m->x, 0), y0 = std::max(m->y, 0);
  int x1 = std::min(m->x + m->width, root_width), y1 = std::min(m->y + m->height, root_height);
  if (x1 <= x0 || y1 <= y0) return false;
  *m = {x0, y0, x1 - x0, y1 - y0, m->primary};
  return true;
}

bool same_place(const ScreenArea& a, const ScreenArea& b) {
  return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

// The primary monitor, else the first; nullptr when there is none.
const ScreenArea* pacing_monitor(const std::vector<ScreenArea>& monitors) {
  for (const ScreenArea& m : monitors) {
    if (m.primary) return &m;
  }
  return monitors.empty() ? nullptr : &monitors.front();
}

}  // namespace

MonitorLayout layout_monitors(int root_width, int root_height,
                              const std::vector<ScreenArea>& monitors, bool span_monitors) {
  std::vector<ScreenArea> shown;
  for (ScreenArea m : monitors) {
    if (!clip_to_root(&m, root_width, root_height)) continue;
    bool repeat = std::any_of(shown.begin(), shown.end(),
                              [&](const ScreenArea& other) { return same_place(m, other); });
    if (!repeat) shown.push_back(m);
  }

  MonitorLayout layout{root_width, root_height, {}, false, root_width / 2, root_height / 2};
  if (const ScreenArea* pace = pacing_monitor(shown)) {
    layout.pace_x = pace->x + pace->width / 2;
    layout.pace_y = pace->y + pace->height / 2;
  }
  if (shown.size() <= 1 || span_monitors) {
    layout.whole_root = true;
    layout.floors.push_back({root_width, root_height, {{0, 0}}});
    return layout;
  }
  for (const ScreenArea& m : shown) {
    auto plan = std::find_if(layout.floors.begin(), layout.floors.end(), [&](const FloorPlan& f) {
      return f.width == m.width && f.height == m.height;
    });
    if (plan == layout.floors.end()) {
      layout.floors.push_back({m.width, m.height, {}});
      plan = layout.floors.end() - 1;
    }
    plan->spots.push_back({m.x, m.y});
  }
  return layout;
}
