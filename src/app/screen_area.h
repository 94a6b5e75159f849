// A rectangle of the screen that RandR reports: a monitor, or a lit output
// with its refresh rate.
#pragma once

struct ScreenArea {
  int x, y;           // root window pixels of the top left corner
  int width, height;  // screen pixels
  bool primary;
  double rate = 0;  // frames per second of an output; 0 when unknown, and for monitors
};
