// The text reader with the line layout, in string and stream mode, byte by
// byte and as UTF-8, over a single-byte or a two-byte font and glyph tables
// made here; wide characters stand for glyphs of a fallback font or an
// antialiased face, with widths of their own and grey levels. The first
// bytes choose the source width, the line space, the mode, the decoding
// and the font; the rest is the text. The same text fed to a reader in
// pieces of sizes the text chooses, as a stream arrives, must give the
// same list.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <string>
#include <vector>

#include "app_state.h"
#include "content/display_list.h"
#include "content/glyph_levels.h"
#include "content/glyphs.h"
#include "content/text_reader.h"
#include "support/segments.h"

namespace {

constexpr int kLineHeight = 6;
constexpr int kChars = 512;  // two rows of the two-byte font

struct FakeFont {
  XFontStruct metrics{};
  GlyphTable* glyphs = nullptr;  // made once, kept for the whole run
};
FakeFont fonts[2];  // single-byte, two-byte
XCharStruct chars[kChars]{};

Run* new_run(int ink, int length) {
  auto* run = static_cast<Run*>(std::malloc(sizeof(Run)));
  *run = {static_cast<std::uint8_t>(ink), static_cast<std::uint8_t>(length), nullptr};
  return run;
}

// Widths from 0 to 12, one character 300 wide (its rows need several runs).
int width_of(int code) {
  return code == '@' ? 300 : code % 13;
}

constexpr char32_t kFirstWide = 0x2e80;  // from here glyphs stand for a fallback font's

// A glyph's width: the font's, or for a wide character what a fallback
// font would give it, two cells.
int glyph_width(FakeFont* f, char32_t c) {
  int w = char_width(&f->metrics, c);
  return c >= kFirstWide ? 2 * (w + 1) : w;
}

// Run values: paper and ink, or for a wide character also the grey levels
// of an antialiased face.
int next_ink(char32_t c, int ink) {
  int values = c >= kFirstWide ? kFirstGrey + kGreyLevels : 2;
  return (ink + 1 + static_cast<int>(c % 2)) % values;
}

void prepare(FakeFont* f, char32_t c) {
  GlyphRuns* g = glyph_entry(f->glyphs, c);
  if (g->rows) return;
  int w = glyph_width(f, c);
  g->width = static_cast<std::int16_t>(w);
  g->rows = static_cast<Run**>(std::calloc(kLineHeight, sizeof(Run*)));
  for (int r = 0; r < kLineHeight && w > 0; ++r) {
    Run** link = &g->rows[r];
    int ink = (c >> r) & 1;
    for (int left = w; left > 0; ink = next_ink(c, ink)) {
      int part = left > 255 ? 255 : (left > 1 && ((c + r) & 2) ? left / 2 : left);
      *link = new_run(ink, part);
      link = &(*link)->next;
      left -= part;
    }
  }
}

// Every character the text can give, prepared before it is read, as the
// reader would have the server draw it.
void prepare_text(FakeFont* f, std::string& text, int utf8) {
  std::FILE* stream = fmemopen(text.data(), text.size(), "r");
  if (!stream) return;
  LetterCursor cursor = stream_cursor(stream, utf8);
  for (int c; (c = next_char(&cursor)) != -1;) prepare(f, static_cast<char32_t>(c));
  std::fclose(stream);
}

// The text fed in pieces of 1 to 16 bytes, their sizes taken from the text.
// A string ends at its first NUL.
void read_in_pieces(AppState* s, const std::string& text, LetterSource mode) {
  std::size_t size = mode == from_string ? std::strlen(text.c_str()) : text.size();
  TextReader* reader = new_text_reader(s->utf8_text, mode);
  for (std::size_t at = 0; at < size;) {
    std::size_t piece =
        std::min<std::size_t>(1 + static_cast<unsigned char>(text[at]) % 16, size - at);
    for (std::size_t end = at + piece; at < end;) at += feed_text(s, reader, &text[at], end - at);
  }
  end_text(s, reader);
  free_text_reader(reader);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  for (int c = 0; c < kChars; ++c) chars[c].width = static_cast<short>(width_of(c));
  for (int two_byte = 0; two_byte < 2; ++two_byte) {
    XFontStruct& m = fonts[two_byte].metrics;
    m.min_bounds.width = 0;
    m.max_bounds.width = 300;
    m.max_char_or_byte2 = 255;
    m.max_byte1 = static_cast<unsigned>(two_byte);
    m.default_char = two_byte ? 0x17a : 'z';  // beyond a plane or a byte
    m.per_char = chars;
    fonts[two_byte].glyphs = new_glyph_table();
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;

  Pen ink{nullptr, 1, nullptr, nullptr}, paper{nullptr, 0, nullptr, nullptr};
  Pen greys[kGreyLevels];
  PenCache cache{};
  push_pen_front(&cache, &paper);
  push_pen_front(&cache, &ink);
  AppState s{};
  for (int g = 0; g < kGreyLevels; ++g) {
    s.grey_pixels[g] = 2 + static_cast<unsigned long>(g);
    greys[g] = {nullptr, s.grey_pixels[g], nullptr, nullptr};
    push_pen_front(&cache, &greys[g]);
  }
  FakeFont* font = &fonts[data[3] >> 2 & 1];
  s.font_info = &font->metrics;
  s.line_height = kLineHeight;
  s.source_width = static_cast<std::int16_t>(data[0] | data[1] << 8) * 3;
  s.line_space = static_cast<std::int8_t>(data[2]) * 300;
  s.ink_pixel = 1;
  s.paper_pixel = 0;
  s.pens = &cache;
  s.segments = new_segment_list();
  s.glyphs = font->glyphs;
  s.utf8_text = data[3] >> 1 & 1;

  std::string text(reinterpret_cast<const char*>(data + 4), size - 4);
  prepare_text(font, text, s.utf8_text);
  if (data[3] & 1) {
    std::FILE* f = fmemopen(text.data(), text.size(), "r");
    if (f) {
      read_letters(&s, f, from_stream);
      std::fclose(f);
    }
  } else {
    read_letters(&s, text.c_str(), from_string);
  }

  // Every line brings the pen back to x 0, and every pen is one of the five.
  long long x = 0;
  std::vector<Segment> whole = segments_of(s.segments);
  for (const Segment& g : whole) {
    if (g.length < 0 || g.pen->pixel >= 2 + kGreyLevels) std::abort();
    x += g.advance_x;
  }
  if (x != 0) std::abort();
  free_segment_list(s.segments);

  s.segments = new_segment_list();
  read_in_pieces(&s, text, data[3] & 1 ? from_stream : from_string);
  std::vector<Segment> pieces = segments_of(s.segments);
  free_segment_list(s.segments);
  if (pieces.size() != whole.size()) std::abort();
  for (std::size_t i = 0; i < whole.size(); ++i) {
    const Segment &a = whole[i], &b = pieces[i];
    if (a.length != b.length || a.pen != b.pen || a.advance_x != b.advance_x ||
        a.advance_y != b.advance_y) {
      std::abort();
    }
  }
  return 0;
}
