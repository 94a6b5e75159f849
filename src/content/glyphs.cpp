// The glyph rasterizer. Each character is drawn once by the server into a
// small pixmap, in the core font or in the outline font that
// font_for_code_point picks for it, read back, and kept as runs of ink and
// paper per pixel row. A pixel is ink whenever it differs from the paper
// value, so anti-aliased edges and second colours count as ink; only an
// antialiased face has its pixels sorted into grey levels. Single-byte
// core fonts are drawn and measured with 8-bit strings, two-byte fonts
// with 16-bit ones.
#include "content/glyphs.h"

#include <algorithm>
#include <cstdlib>

#include <X11/Xutil.h>

#include "app_state.h"
#include "content/core_font.h"
#include "content/font_faces.h"
#include "content/glyph_levels.h"

namespace {

constexpr int kMaxRunLength = UINT8_MAX;  // what Run::length holds
constexpr int kDrawChunk = 256;           // characters per drawing call

// A single-byte font whose default character lies beyond a byte is asked
// in 16 bits too; for such a font byte1 0 is the same character.
bool needs_16_bits(const XFontStruct* font, unsigned index) {
  return two_byte_font(font) || index > kLastByte;
}

XChar2b char2b(unsigned index) {
  return {static_cast<unsigned char>(index >> 8), static_cast<unsigned char>(index & 0xff)};
}

Run* new_run(int ink) {
  auto* run = static_cast<Run*>(std::malloc(sizeof(Run)));
  *run = {static_cast<std::uint8_t>(ink), 1, nullptr};
  return run;
}

// How the pixels of one glyph are told apart: ink against paper, or, for
// an antialiased face, in grey levels.
struct PixelSorter {
  unsigned long ink, paper;
  const PixelChannels* grey;  // null: two colours
  int operator()(unsigned long pixel) const {
    if (!grey) return pixel != paper ? kFullInk : kPaperInk;
    return pixel_ink_level(pixel, ink, paper, *grey);
  }
};

// The run list of one image row; a run that would pass 255 pixels goes on
// as a further run of the same ink.
Run* row_runs(XImage* image, int y, int width, const PixelSorter& sort) {
  Run* head = nullptr;
  Run* current = nullptr;
  for (int x = 0; x < width; ++x) {
    int ink = sort(XGetPixel(image, x, y));
    if (current && current->ink == ink && current->length < kMaxRunLength) {
      ++current->length;
      continue;
    }
    Run* run = new_run(ink);
    if (current) {
      current->next = run;
    } else {
      head = run;
    }
    current = run;
  }
  return head;
}

void free_runs(Run* run) {
  while (run) {
    Run* next = run->next;
    std::free(run);
    run = next;
  }
}

}  // namespace

unsigned font_index(const XFontStruct* font, char32_t code_point) {
  return code_point <= last_indexed_code_point(font) ? static_cast<unsigned>(code_point)
                                                     : font->default_char;
}

int char_width(const XFontStruct* font, char32_t code_point) {
  auto* f = const_cast<XFontStruct*>(font);  // Xlib only reads it
  unsigned index = font_index(font, code_point);
  if (needs_16_bits(font, index)) {
    XChar2b c = char2b(index);
    return XTextWidth16(f, &c, 1);
  }
  char byte = static_cast<char>(index);
  return XTextWidth(f, &byte, 1);
}

void draw_characters(Display* display, Drawable drawable, GC gc, const XFontStruct* font, int x,
                     int y, const char32_t* text, int count) {
  auto* f = const_cast<XFontStruct*>(font);
  while (count > 0) {
    int n = std::min(count, kDrawChunk);
    char bytes[kDrawChunk];
    XChar2b wide[kDrawChunk];
    bool sixteen = false;
    for (int k = 0; k < n; ++k) {
      unsigned index = font_index(font, text[k]);
      sixteen = sixteen || needs_16_bits(font, index);
      bytes[k] = static_cast<char>(index);
      wide[k] = char2b(index);
    }
    if (sixteen) {
      XDrawString16(display, drawable, gc, x, y, wide, n);
      x += XTextWidth16(f, wide, n);
    } else {
      XDrawString(display, drawable, gc, x, y, bytes, n);
      x += XTextWidth(f, bytes, n);
    }
    text += n;
    count -= n;
  }
}

GlyphTable* new_glyph_table() {
  return static_cast<GlyphTable*>(std::calloc(1, sizeof(GlyphTable)));
}

GlyphRuns* new_glyph_page() {
  return static_cast<GlyphRuns*>(std::calloc(kGlyphPageSize, sizeof(GlyphRuns)));
}

void rasterize_glyph(AppState* state, char32_t code_point) {
  AppState* s = state;
  GlyphRuns& glyph = *glyph_entry(s->glyphs, code_point);
  XftFont* face = font_for_code_point(s, code_point);
  int width = face ? face_char_width(s, face, code_point) : char_width(s->font_info, code_point);
  glyph.width = static_cast<std::int16_t>(width);
  glyph.rows =
      static_cast<Run**>(std::calloc(static_cast<std::size_t>(s->line_height), sizeof(Run*)));
  ++s->glyphs->prepared;
  if (glyph.width <= 0 || s->line_height <= 0) return;

  Pixmap pixmap = XCreatePixmap(s->display, s->base_window, glyph.width, s->line_height, s->depth);
  XFillRectangle(s->display, pixmap, s->paper_gc, 0, 0, glyph.width, s->line_height);
  PixelSorter sort{s->ink_pixel, s->paper_pixel, nullptr};
  if (face) {
    draw_face_char(s, face, pixmap, code_point);
    sort.grey = face_grey_channels(s);
  } else {
    draw_characters(s->display, pixmap, s->ink_gc, s->font_info, 0, s->font_info->ascent,
                    &code_point, 1);
  }
  XImage* image =
      XGetImage(s->display, pixmap, 0, 0, glyph.width, s->line_height, AllPlanes, XYPixmap);
  for (int y = 0; y < s->line_height; ++y) glyph.rows[y] = row_runs(image, y, glyph.width, sort);
  XDestroyImage(image);
  XFreePixmap(s->display, pixmap);
}

void free_glyphs(AppState* state) {
  AppState* s = state;
  if (!s->glyphs) return;
  for (GlyphRuns* page : s->glyphs->pages) {
    if (!page) continue;
    for (int i = 0; i < kGlyphPageSize; ++i) {
      Run** rows = page[i].rows;
      if (!rows) continue;
      for (int y = 0; y < s->line_height; ++y) free_runs(rows[y]);
      std::free(rows);
    }
    std::free(page);
  }
  std::free(s->glyphs);
  s->glyphs = nullptr;
}
