// The screen's refresh rate as RandR reports it. Kept apart from the program
// record: RandR's headers bring the render extension's own Glyph type.
#pragma once

#include <X11/Xlib.h>

// The rate of the output under root position (x, y), else of the primary
// output, else the fallback; also the fallback without RandR 1.3.
double refresh_rate_at(Display* display, Window root, int x, int y);
