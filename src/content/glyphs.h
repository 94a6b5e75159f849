// The glyph table: every character met while compiling is drawn once by the
// server in the chosen font, read back, and kept as one list of ink and paper
// runs per pixel row of the text line. The table lives only while
// build_content runs.
#pragma once

#include <cstdint>

struct AppState;

constexpr int kGlyphCount = 256;  // indexed by the character code as an unsigned byte

struct Run {
  std::uint8_t ink;     // 1 ink, 0 paper
  std::uint8_t length;  // pixels, at least 1
  Run* next;
};

struct Glyph {
  std::int16_t width;  // pixels, as XTextWidth gives it
  Run** rows;          // line_height run lists; null until prepared
};

// A table of kGlyphCount entries, none prepared.
Glyph* new_glyph_table();
void rasterize_glyph(AppState* state, int code);
void free_glyphs(AppState* state);
