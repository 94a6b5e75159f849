// The X side of the monitor layout: the monitors RandR 1.5 reports (what
// `xrandr --listmonitors` shows, those made with `xrandr --setmonitor`
// included) and the notifications of a screen that changed. Kept apart from
// the program record, as RandR's headers bring a Glyph type of their own.
#pragma once

#include <vector>

#include <X11/Xlib.h>

#include "app/monitor_layout.h"

// The active monitors of the screen of `root`; none without RandR 1.5.
std::vector<MonitorArea> query_monitors(Display* display, Window root);

// Asks for RandR's screen-change notifications on `root`; they are noted as
// the toolkit dispatches them. Nothing without RandR.
void watch_screen_changes(Display* display, Window root);
// True once a notification came since the last call.
bool take_screen_change();
