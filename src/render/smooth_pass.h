// The X side of smooth frames (smooth_frame.h), a choice the user makes
// with the `smooth` resource (class Smooth, boolean, default false). The
// frame is drawn in the client and put on the target as an image, through
// shared memory where the server offers it. It needs a TrueColor visual,
// whose pixels blend; on any other the program warns through the toolkit
// and draws as it does by default.
#pragma once

struct AppState;
struct DrawTarget;
struct SmoothPass;

// Reads the smooth resource into the record: 1 when it is true and the
// view's visual can show blended colours, else 0 (with a warning when it
// was asked for). After the view window exists, before the fonts are
// chosen: smooth letters come from an outline face.
void read_smooth_choice(AppState* state);

// The pass's buffers, when the record chose smooth frames.
void setup_smooth_pass(AppState* state);
void free_smooth_pass(AppState* state);

// Forgets what frames kept of the list's rows, when its index is freed.
void forget_smooth_rows(AppState* state);

// The whole frame, smooth, into the target; the rows that hold anything
// but paper are noted where the target notes them.
void draw_smooth(AppState* state, const DrawTarget& target);
