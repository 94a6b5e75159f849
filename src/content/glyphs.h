// The glyph table: every character met while compiling is drawn once by the
// server in the font chosen for it (the core font, or an outline font of
// content/font_faces.h), read back, and kept as one list of ink, paper and
// grey runs per pixel row of the text line. The table is a cache by code point,
// in pages of 256 made on first use; build_content makes it and
// release_resources frees it.
#pragma once

#include <cstddef>
#include <cstdint>

#include <X11/Xlib.h>

struct AppState;

constexpr int kGlyphPageSize = 256;                         // code points per page
constexpr int kGlyphPageCount = 0x110000 / kGlyphPageSize;  // pages up to U+10FFFF

struct Run {
  std::uint8_t ink;     // 0 paper, 1 ink, from kFirstGrey a grey level (glyph_levels.h)
  std::uint8_t length;  // pixels, at least 1
  Run* next;
};

struct GlyphRuns {
  std::int16_t width;  // pixels, as the font's metrics give it
  Run** rows;          // line_height run lists; null until prepared
};

struct GlyphTable {
  GlyphRuns* pages[kGlyphPageCount];  // kGlyphPageSize entries each; null until needed
  std::size_t prepared;               // glyphs rasterized into it
};

// A table with no glyph prepared.
GlyphTable* new_glyph_table();
GlyphRuns* new_glyph_page();

// The entry of a code point (at most U+10FFFF), its page made when missing.
inline GlyphRuns* glyph_entry(GlyphTable* table, char32_t code_point) {
  GlyphRuns*& page = table->pages[code_point / kGlyphPageSize];
  if (!page) page = new_glyph_page();
  return &page[code_point % kGlyphPageSize];
}

void rasterize_glyph(AppState* state, char32_t code_point);
void free_glyphs(AppState* state);

// The font's character for a code point, as a 16-bit index (byte1 in the
// high byte). A single-byte font takes code points up to U+00FF as they
// are, a two-byte font those of the Basic Multilingual Plane; any other
// code point is the font's default character.
unsigned font_index(const XFontStruct* font, char32_t code_point);

// The width in pixels as the font's metrics give it (no request is sent).
int char_width(const XFontStruct* font, char32_t code_point);

// Draws `count` characters with the GC's font, the first one's origin at x, y.
void draw_characters(Display* display, Drawable drawable, GC gc, const XFontStruct* font, int x,
                     int y, const char32_t* text, int count);
