// Where root mode puts its floors: one floor per monitor, sized and centred
// to it, drawn once for each distinct monitor size and copied to every
// monitor of that size. With one monitor, none known, or spanMonitors, one
// floor covers the whole root window, as on a single screen. The root
// outside every monitor stays paper. Plain arithmetic on rectangles.
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
// and size, drop out.
MonitorLayout layout_monitors(int root_width, int root_height,
                              const std::vector<ScreenArea>& monitors, bool span_monitors);
