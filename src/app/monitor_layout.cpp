// The floors of a root window with its monitors: which sizes, where each is
// shown, which monitor paces.
#include "app/monitor_layout.h"

#include <algorithm>

namespace {

// The rectangle both cover; empty (width or height <= 0) when they are apart.
ScreenArea shared_area(const ScreenArea& a, const ScreenArea& b) {
  int x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
  int x1 = std::min(a.x + a.width, b.x + b.width), y1 = std::min(a.y + a.height, b.y + b.height);
  return {x0, y0, x1 - x0, y1 - y0, false};
}

bool is_empty(const ScreenArea& a) {
  return a.width <= 0 || a.height <= 0;
}

bool overlap(const ScreenArea& a, const ScreenArea& b) {
  return !is_empty(shared_area(a, b));
}

bool contains(const ScreenArea& outer, const ScreenArea& inner) {
  return inner.x >= outer.x && inner.y >= outer.y &&
         inner.x + inner.width <= outer.x + outer.width &&
         inner.y + inner.height <= outer.y + outer.height;
}

// The smallest rectangle holding both.
ScreenArea around(const ScreenArea& a, const ScreenArea& b) {
  int x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
  int x1 = std::max(a.x + a.width, b.x + b.width), y1 = std::max(a.y + a.height, b.y + b.height);
  return {x0, y0, x1 - x0, y1 - y0, false};
}

bool same_place(const ScreenArea& a, const ScreenArea& b) {
  return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

// The monitors cut to the root, without the empty ones and repeats.
std::vector<ScreenArea> shown_monitors(const std::vector<ScreenArea>& monitors, int root_width,
                                       int root_height) {
  const ScreenArea root{0, 0, root_width, root_height, false};
  std::vector<ScreenArea> shown;
  for (const ScreenArea& m : monitors) {
    ScreenArea cut = shared_area(m, root);
    if (is_empty(cut)) continue;
    cut.primary = m.primary;
    bool repeat = std::any_of(shown.begin(), shown.end(),
                              [&](const ScreenArea& other) { return same_place(cut, other); });
    if (!repeat) shown.push_back(cut);
  }
  return shown;
}

// Which of `shown` wholly contain two or more of the others.
std::vector<bool> find_aggregates(const std::vector<ScreenArea>& shown) {
  std::vector<bool> aggregate(shown.size(), false);
  for (size_t i = 0; i < shown.size(); ++i) {
    int parts = 0;
    for (size_t j = 0; j < shown.size(); ++j) {
      if (j != i && contains(shown[i], shown[j])) ++parts;
    }
    aggregate[i] = parts >= 2;
  }
  return aggregate;
}

// The primary monitor, else the first; an aggregate hands over to the first
// monitor inside it that is drawn. nullptr when there is none.
const ScreenArea* pacing_monitor(const std::vector<ScreenArea>& shown,
                                 const std::vector<bool>& aggregate) {
  if (shown.empty()) return nullptr;
  auto primary = std::find_if(shown.begin(), shown.end(), [](auto& m) { return m.primary; });
  size_t pick = primary == shown.end() ? 0 : primary - shown.begin();
  for (size_t i = 0; aggregate[pick] && i < shown.size(); ++i) {
    if (!aggregate[i] && contains(shown[pick], shown[i])) return &shown[i];
  }
  return &shown[pick];
}

// Monitors that overlap and the one floor they get.
struct MonitorGroup {
  std::vector<ScreenArea> members;
  ScreenArea floor;  // what all members share, else the rectangle around them
};

void place_floor(MonitorGroup* g) {
  ScreenArea shared = g->members.front(), whole = g->members.front();
  for (const ScreenArea& m : g->members) {
    shared = shared_area(shared, m);
    whole = around(whole, m);
  }
  g->floor = is_empty(shared) ? whole : shared;
}

// True when one group's monitors or floor overlap the other's.
bool groups_meet(const MonitorGroup& a, const MonitorGroup& b) {
  std::vector<ScreenArea> reach_a = a.members, reach_b = b.members;
  reach_a.push_back(a.floor);
  reach_b.push_back(b.floor);
  for (const ScreenArea& ra : reach_a) {
    for (const ScreenArea& rb : reach_b) {
      if (overlap(ra, rb)) return true;
    }
  }
  return false;
}

// The monitors in groups that meet none of the others, in the order of
// their first monitors.
std::vector<MonitorGroup> group_overlaps(const std::vector<ScreenArea>& drawn) {
  std::vector<MonitorGroup> groups;
  for (const ScreenArea& m : drawn) groups.push_back({{m}, m});
  for (bool merged = true; merged;) {
    merged = false;
    for (size_t i = 0; i < groups.size() && !merged; ++i) {
      for (size_t j = i + 1; j < groups.size() && !merged; ++j) {
        if (!groups_meet(groups[i], groups[j])) continue;
        groups[i].members.insert(groups[i].members.end(), groups[j].members.begin(),
                                 groups[j].members.end());
        groups.erase(groups.begin() + j);
        place_floor(&groups[i]);
        merged = true;
      }
    }
  }
  return groups;
}

void add_floor(MonitorLayout* layout, const ScreenArea& at) {
  auto plan = std::find_if(layout->floors.begin(), layout->floors.end(), [&](const FloorPlan& f) {
    return f.width == at.width && f.height == at.height;
  });
  if (plan == layout->floors.end()) {
    layout->floors.push_back({at.width, at.height, {}});
    plan = layout->floors.end() - 1;
  }
  plan->spots.push_back({at.x, at.y});
}

}  // namespace

MonitorLayout layout_monitors(int root_width, int root_height,
                              const std::vector<ScreenArea>& monitors, bool span_monitors) {
  std::vector<ScreenArea> shown = shown_monitors(monitors, root_width, root_height);
  std::vector<bool> aggregate = find_aggregates(shown);

  MonitorLayout layout{root_width, root_height, {}, false, root_width / 2, root_height / 2};
  if (const ScreenArea* pace = pacing_monitor(shown, aggregate)) {
    layout.pace_x = pace->x + pace->width / 2;
    layout.pace_y = pace->y + pace->height / 2;
  }
  if (shown.size() <= 1 || span_monitors) {
    layout.whole_root = true;
    layout.floors.push_back({root_width, root_height, {{0, 0}}});
    return layout;
  }
  std::vector<ScreenArea> drawn;
  for (size_t i = 0; i < shown.size(); ++i) {
    if (!aggregate[i]) drawn.push_back(shown[i]);
  }
  for (const MonitorGroup& g : group_overlaps(drawn)) add_floor(&layout, g.floor);
  return layout;
}
