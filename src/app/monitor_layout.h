// Where root mode puts its floors: one floor per monitor, sized and centred
// to it, drawn once for each distinct monitor size and copied to every
// monitor of that size. With one monitor, none known, or spanMonitors, one
// floor covers the whole root window, as on a single screen. The root
// outside every floor stays paper. Plain arithmetic on rectangles.
//
// RandR may report monitors in layers, and no floor is ever drawn over
// another:
// - A monitor that wholly contains two or more others (an output split with
//   `xrandr --setmonitor ... none`, whose own monitor stays listed) is an
//   aggregate: its parts get the floors, it gets none.
// - Monitors that overlap (a mirror, a partial overlap) form a group that
//   gets one floor on the area all of them share, sized to it; the rest of
//   their area is paper.
// - When a group shares no area (a chain: A overlaps B, B overlaps C, A and
//   C apart), its floor covers the rectangle around the whole group, and a
//   monitor that rectangle reaches onto joins the group.
#pragma once

#include <vector>

#include "app/screen_area.h"

struct FloorSpot {
  int x, y;  // root window pixels of the floor's top left corner
  bool operator==(const FloorSpot&) const = default;
};

// One size of floor and every place it is shown at.
struct FloorPlan {
  int width, height;  // screen pixels
  std::vector<FloorSpot> spots;
  bool operator==(const FloorPlan&) const = default;
};

struct MonitorLayout {
  int root_width, root_height;
  std::vector<FloorPlan> floors;  // in the order their sizes first appear
  bool whole_root;                // one floor at (0, 0) of the root's size
  int pace_x, pace_y;             // the centre of the monitor to pace to
  bool operator==(const MonitorLayout&) const = default;
};

// The layout for a root of root_width x root_height and its monitors.
// Monitors are cut to the root; those left empty, and repeats of one place
// and size, drop out. Frames pace to the primary monitor, else the first;
// when that is an aggregate, to the first monitor inside it that is drawn.
MonitorLayout layout_monitors(int root_width, int root_height,
                              const std::vector<ScreenArea>& monitors, bool span_monitors);
