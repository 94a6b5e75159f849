// Every question the program asks the RandR extension: the monitors that
// root mode lays its floors on (RandR 1.5, what `xrandr --listmonitors`
// shows, those made with `xrandr --setmonitor` included), the refresh rate
// that paces the frames (RandR 1.3), and the notifications of a screen that
// changed. Without the version a question needs, the answer is empty.
#pragma once

#include <vector>

#include <X11/Xlib.h>

#include "app/screen_area.h"

// The active monitors of the screen of `root`.
std::vector<ScreenArea> query_monitors(Display* display, Window root);

// The rate of the output under root position (x, y), else of the primary
// output, else the fallback of frame_pacing.h.
double refresh_rate_at(Display* display, Window root, int x, int y);

// Asks for RandR's screen-change notifications on `root`; they are noted as
// the toolkit dispatches them.
void watch_screen_changes(Display* display, Window root);
// True once a notification came since the last call.
bool take_screen_change();
