// Where root mode draws. A screen saver hands its hack a window of its own
// in the XSCREENSAVER_WINDOW environment variable; desktops that cover the
// root window with a full-screen window of their own mark it as a virtual
// root with the __SWM_VROOT property. Drawing on the real root window there
// would show nothing.
#pragma once

#include <X11/Xlib.h>

struct AppState;

// A window id as screen savers write it: decimal, or hexadecimal after "0x"
// (or "0X"), with blanks around allowed. False for anything else, for 0 and
// for ids beyond 32 bits.
bool parse_window_id(const char* text, unsigned long* id);

// The window root mode draws on, with its attributes: the one named by
// XSCREENSAVER_WINDOW when that is set (an empty value counts as unset),
// else a virtual root, else the root window. A variable that does not name
// an existing window ends the program with a message and status 1.
Window find_root_target(AppState* state, XWindowAttributes* attributes);
