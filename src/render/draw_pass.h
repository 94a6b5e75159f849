// The three draw passes: each paints the whole display list into frame_pixmap
// in perspective at the current position. They never flush.
#pragma once

struct AppState;

void draw_noblur(AppState* state);
void draw_blur(AppState* state);
void draw_fill(AppState* state);

// The facts by which noblur and fill resolve far rows, for the mode that the
// options chose (keys never change it); blur needs none.
void add_far_rows(AppState* state);
