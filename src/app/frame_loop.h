// The idle-time frame loop and the single way out of the program.
#pragma once

#include <X11/Intrinsic.h>

struct AppState;

// Work procedure: draws a frame when one is due, then advances the scroll and
// paces the loop by sleeping. Always False, so the toolkit calls it again.
Boolean frame_step(XtPointer client_data);
// Releases everything the record owns and exits with status 0.
[[noreturn]] void quit_program(AppState* state);
// What quit_program releases: everything the record owns, in the reverse
// order of making it. The font stays.
void release_resources(AppState* state);
