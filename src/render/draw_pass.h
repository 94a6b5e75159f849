// The three draw passes: each paints the whole display list into frame_pixmap
// in perspective at the current position. They never flush.
#pragma once

struct AppState;

void draw_noblur(AppState* state);
void draw_blur(AppState* state);
void draw_fill(AppState* state);
