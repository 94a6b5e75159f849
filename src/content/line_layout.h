// The line layout: one text line becomes segments at the tail of the display list.
#pragma once

struct AppState;

// `text` holds `count` code points, each with a prepared glyph.
void emit_line(AppState* state, const char32_t* text, int count, int centred);
