// The X side of frame pacing: the frameRate resource and the refresh rate of
// the screen under the view window, read through RandR.
#pragma once

struct AppState;

// Reads the frameRate resource (class FrameRate) into frame_rate and sets
// the frame period from it or from the screen's rate. After setup_display.
void setup_frame_pacing(AppState* state);

// The frame period anew, for a view that may have moved to another output.
void update_frame_period(AppState* state);
