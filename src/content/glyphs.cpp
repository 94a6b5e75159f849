// The glyph rasterizer. Each character is drawn once by the server into a
// small pixmap in the chosen font, read back, and kept as runs of ink and
// paper per pixel row. A pixel is ink whenever it differs from the paper
// value, so anti-aliased edges and second colours count as ink.
#include "content/glyphs.h"

#include <cstdlib>

#include <X11/Xutil.h>

#include "app_state.h"

namespace {

constexpr int kMaxRunLength = UINT8_MAX;  // what Run::length holds

Run* new_run(bool ink) {
  auto* run = static_cast<Run*>(std::malloc(sizeof(Run)));
  *run = {static_cast<std::uint8_t>(ink), 1, nullptr};
  return run;
}

// The run list of one image row; a run that would pass 255 pixels goes on
// as a further run of the same ink.
Run* row_runs(XImage* image, int y, int width, unsigned long paper) {
  Run* head = nullptr;
  Run* current = nullptr;
  for (int x = 0; x < width; ++x) {
    bool ink = XGetPixel(image, x, y) != paper;
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

Glyph* new_glyph_table() {
  auto* table = static_cast<Glyph*>(std::malloc(kGlyphCount * sizeof(Glyph)));
  for (int i = 0; i < kGlyphCount; ++i) table[i] = {0, nullptr};
  return table;
}

void rasterize_glyph(AppState* state, int code) {
  AppState* s = state;
  char text[1] = {static_cast<char>(code & 0xff)};
  Glyph& glyph = s->glyphs[static_cast<unsigned char>(text[0])];
  int width = XTextWidth(s->font_info, text, 1);
  glyph.width = static_cast<std::int16_t>(width);
  glyph.rows =
      static_cast<Run**>(std::calloc(static_cast<std::size_t>(s->line_height), sizeof(Run*)));
  if (glyph.width <= 0 || s->line_height <= 0) return;

  Pixmap pixmap = XCreatePixmap(s->display, s->base_window, glyph.width, s->line_height, s->depth);
  XFillRectangle(s->display, pixmap, s->paper_gc, 0, 0, glyph.width, s->line_height);
  XDrawString(s->display, pixmap, s->ink_gc, 0, s->font_info->ascent, text, 1);
  XImage* image =
      XGetImage(s->display, pixmap, 0, 0, glyph.width, s->line_height, AllPlanes, XYPixmap);
  for (int y = 0; y < s->line_height; ++y) {
    glyph.rows[y] = row_runs(image, y, glyph.width, s->paper_pixel);
  }
  XDestroyImage(image);
  XFreePixmap(s->display, pixmap);
}

void free_glyphs(AppState* state) {
  AppState* s = state;
  if (!s->glyphs) return;
  for (int code = 0; code < kGlyphCount; ++code) {
    Run** rows = s->glyphs[code].rows;
    if (!rows) continue;
    for (int y = 0; y < s->line_height; ++y) free_runs(rows[y]);
    std::free(rows);
  }
  std::free(s->glyphs);
  s->glyphs = nullptr;
}
