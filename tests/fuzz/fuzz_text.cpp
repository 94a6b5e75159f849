// The text reader with the line layout, in string and stream mode, over a
// font and glyph table made here. The first bytes choose the source width,
// the line space and the mode; the rest is the text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app_state.h"
#include "content/display_list.h"
#include "content/glyphs.h"
#include "content/text_reader.h"
#include "support/segments.h"

namespace {

constexpr int kLineHeight = 6;

XFontStruct font{};
XCharStruct chars[kGlyphCount]{};

Run* new_run(bool ink, int length) {
  auto* run = static_cast<Run*>(std::malloc(sizeof(Run)));
  *run = {static_cast<std::uint8_t>(ink), static_cast<std::uint8_t>(length), nullptr};
  return run;
}

// Widths from 0 to 12, one character 300 wide (its rows need several runs).
int width_of(int code) {
  return code == '@' ? 300 : code % 13;
}

void prepare(Glyph* table) {
  for (int c = 0; c < kGlyphCount; ++c) {
    int w = width_of(c);
    table[c].width = static_cast<std::int16_t>(w);
    table[c].rows = static_cast<Run**>(std::calloc(kLineHeight, sizeof(Run*)));
    for (int r = 0; r < kLineHeight && w > 0; ++r) {
      Run** link = &table[c].rows[r];
      bool ink = (c >> r) & 1;
      for (int left = w; left > 0; ink = !ink) {
        int part = left > 255 ? 255 : (left > 1 && ((c + r) & 2) ? left / 2 : left);
        *link = new_run(ink, part);
        link = &(*link)->next;
        left -= part;
      }
    }
  }
}

Glyph* glyphs = nullptr;  // made once, kept for the whole run

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  for (int c = 0; c < kGlyphCount; ++c) chars[c].width = static_cast<short>(width_of(c));
  font.min_bounds.width = 0;
  font.max_bounds.width = 300;
  font.max_char_or_byte2 = kGlyphCount - 1;
  font.per_char = chars;
  glyphs = new_glyph_table();
  prepare(glyphs);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;

  Pen ink{nullptr, 1, nullptr, nullptr}, paper{nullptr, 0, nullptr, nullptr};
  PenCache cache{};
  push_pen_front(&cache, &paper);
  push_pen_front(&cache, &ink);
  AppState s{};
  s.font_info = &font;
  s.line_height = kLineHeight;
  s.source_width = static_cast<std::int16_t>(data[0] | data[1] << 8) * 3;
  s.line_space = static_cast<std::int8_t>(data[2]) * 300;
  s.ink_pixel = 1;
  s.paper_pixel = 0;
  s.pens = &cache;
  s.segments = new_segment_list();
  s.glyphs = glyphs;

  std::string text(reinterpret_cast<const char*>(data + 4), size - 4);
  if (data[3] & 1) {
    std::FILE* f = fmemopen(text.data(), text.size(), "r");
    if (f) {
      read_letters(&s, f, from_stream);
      std::fclose(f);
    }
  } else {
    read_letters(&s, text.c_str(), from_string);
  }

  // Every line brings the pen back to x 0.
  long long x = 0;
  for (const Segment& g : segments_of(s.segments)) {
    if (g.length < 0) std::abort();
    x += g.advance_x;
  }
  if (x != 0) std::abort();
  free_segment_list(s.segments);
  return 0;
}
