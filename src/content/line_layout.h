// The line layout: one text line becomes segments at the tail of the display list.
#pragma once

struct AppState;

void emit_line(AppState* state, const char* text, int count, int centred);
