// Root mode on the root window itself: the frames as the desktop's
// background. Everything root mode knows about the desktop is here:
//   where to draw   one floor per monitor (monitor_layout.h), drawn once per
//                   size and copied to each monitor of that size;
//   what to paint   after the first frame, only the bands that this frame or
//                   the one still held in the pixmap drew (dirty_rows.h);
//   publishing      two frame pixmaps in turn, each made the root's
//                   background and named as wallpaper setters name theirs
//                   (wallpaper.h), so that compositors show it; the pixmap
//                   named is never the one being drawn into;
//   screen changes  a new size or layout of monitors takes new pixmaps;
//   leaving         -quit leaves the last frame as a wallpaper that outlives
//                   the program; any other end puts back what was there.
// A screen saver's window and a virtual root are windows of their own, and
// compositors show them as such: they take the frames as in window mode.
#pragma once

#include <cstdint>
#include <vector>

#include <X11/Xlib.h>

#include "app/monitor_layout.h"
#include "app/wallpaper.h"
#include "render/dirty_rows.h"

struct AppState;

// One size of floor: the pixmap it is drawn in, unless it is drawn straight
// into the published pixmap (one floor over the whole root).
struct FloorBuffer {
  FloorPlan plan;
  Pixmap pixmap;         // None: drawn into the published pixmap
  bool fresh;            // its content is not known yet
  RowExtents held_here;  // what the floor pixmap holds, floor pixels
  RowExtents held[2];    // what each published pixmap holds of this floor
};

struct Desktop {
  Wallpaper wallpaper;  // the properties, and what they named before
  GC copy_gc;           // floors to the published pixmap, without exposure events
  bool span_monitors;   // the spanMonitors resource
  MonitorLayout layout;
  std::vector<FloorBuffer> floors;
  Pixmap published[2];          // drawn and published in turn; None until made
  bool fresh[2];                // content not known yet: filled whole
  int current;                  // the one drawn into next
  int frames_published;         // since the layout was taken
  std::vector<Pixmap> retired;  // freed once a frame in new pixmaps is shown
  std::int64_t next_check_ns;   // when to ask for the monitors again
  RowExtents drawn;             // scratch: what the floor drawn now draws
  std::vector<PixelBand> bands;
  std::vector<XRectangle> rectangles;  // scratch: the bands as one fill request
};

// In root mode on the real root window: reads spanMonitors and the earlier
// wallpaper, finds the monitors and watches for screen changes. After
// setup_display, whose frame pixmap is the first published one.
void setup_desktop(AppState* state);

// One frame: every floor drawn, shown and published. Flushes.
void draw_desktop_frame(AppState* state);

// Takes a new screen size or monitor layout when the screen changed; asks
// for the monitors again every half second, as setting a monitor sends no
// notification. Asks for a redraw and gives true when something changed:
// another monitor may now pace the frames.
bool follow_screen_changes(AppState* state, std::int64_t now_ns);

// The root position whose screen paces the frames.
void desktop_pace_point(const AppState* state, int* x, int* y);

// Before the program ends: with `keep_frame`, the last frame stays as a
// wallpaper owned by no client; otherwise the earlier wallpaper comes back.
void leave_desktop(AppState* state, bool keep_frame);
// Frees the pixmaps and the record (frame_pixmap stays, for release_resources).
void free_desktop(AppState* state);
