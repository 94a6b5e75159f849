#include "content/text_reader.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "app_state.h"
#include "content/glyphs.h"
#include "content/line_layout.h"

char line_buffer[kLineBufferSize];

namespace {

constexpr int kNewline = 10;
constexpr int kTab = 9;
constexpr int kBackspace = 8;
constexpr int kEscape = 27;
constexpr int kFirstPrintable = 32;
constexpr int kFirstNonAscii = 0x80;
constexpr char32_t kCentreMarker[] = U"#center";
constexpr int kCentreMarkerLength = std::size(kCentreMarker) - 1;

struct Line {
  char32_t text[kMaxLineCharacters];  // code points
  int count;                          // characters in text
  int centred;                        // 1 when the line is to be centred
  int width;                          // pixels, as the font gives it for the whole line
};

void start_line(Line* line) {
  line->count = 0;
  line->centred = 0;
  line->width = 0;
}

bool is_letter(int c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool is_centre_marker(const Line* line) {
  return line->count == kCentreMarkerLength &&
         std::equal(line->text, line->text + kCentreMarkerLength, kCentreMarker);
}

// Drops everything up to and including the letter that ends the sequence.
void skip_escape_sequence(LetterCursor* cursor) {
  int c;
  do {
    c = next_char(cursor);
  } while (c != -1 && !is_letter(c));
}

// A printable character: its glyph made on first sight, then appended (up
// to the line's limit), then the centring marker and the wrap tested.
// The line's width is kept as the sum of its glyphs' widths, which for a
// core font is what the font gives for the whole line.
void add_printable(AppState* s, char32_t c, Line* line) {
  GlyphRuns* glyph = glyph_entry(s->glyphs, c);
  if (!glyph->rows) rasterize_glyph(s, c);
  if (line->count < kMaxLineCharacters) {
    line->text[line->count++] = c;
    line->width += glyph->width;
  }
  if (is_centre_marker(line)) {
    line->count = 0;
    line->width = 0;
    line->centred = 1;
    return;
  }
  if (line->width > s->source_width) {
    emit_line(s, line->text, line->count - 1, line->centred);
    line->text[0] = c;
    line->count = 1;
    line->width = glyph->width;
  }
}

// A NUL never continues a sequence, so the decoder stops at the end of
// the string by itself.
int next_utf8_from_string(LetterCursor* cursor) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(cursor->text);
  if (bytes[0] == 0) return -1;
  DecodedChar c = decode_utf8(bytes, kMaxUtf8Length);
  cursor->text += c.length;
  return static_cast<int>(c.code_point);
}

// Bytes are read only as far as a sequence can still be valid; those that
// turn out not to belong to it stay pending for the next call.
int next_utf8_from_stream(LetterCursor* cursor) {
  if (cursor->pending_count == 0) {
    int byte = std::fgetc(cursor->stream);
    if (byte < kFirstNonAscii) return byte;  // EOF included
    cursor->pending[0] = static_cast<unsigned char>(byte);
    cursor->pending_count = 1;
  }
  DecodedChar c = decode_utf8(cursor->pending, cursor->pending_count);
  while (c.length == 0) {
    int byte = std::fgetc(cursor->stream);
    if (byte == EOF) {
      c = {cursor->pending[0], 1};  // cut short by the end
      break;
    }
    cursor->pending[cursor->pending_count++] = static_cast<unsigned char>(byte);
    c = decode_utf8(cursor->pending, cursor->pending_count);
  }
  cursor->pending_count -= c.length;
  std::memmove(cursor->pending, cursor->pending + c.length,
               static_cast<std::size_t>(cursor->pending_count));
  return static_cast<int>(c.code_point);
}

}  // namespace

int next_char(LetterCursor* cursor) {
  if (cursor->utf8) {
    return cursor->mode == from_stream ? next_utf8_from_stream(cursor)
                                       : next_utf8_from_string(cursor);
  }
  if (cursor->mode == from_stream) return std::fgetc(cursor->stream);
  signed char byte = static_cast<signed char>(*cursor->text);
  if (byte == 0) return -1;
  ++cursor->text;
  return byte;
}

void read_letters(AppState* state, const void* source, LetterSource mode) {
  AppState* s = state;
  if (!source) return;
  LetterCursor cursor{mode, nullptr, nullptr, s->utf8_text, {}, 0};
  if (mode == from_string) {
    cursor.text = static_cast<const char*>(source);
  } else {
    cursor.stream = static_cast<std::FILE*>(const_cast<void*>(source));
  }
  Line line;
  start_line(&line);
  for (;;) {
    int c = next_char(&cursor);
    if (c == kNewline) {
      emit_line(s, line.text, line.count, line.centred);
      start_line(&line);
    } else if (c == -1) {
      if (line.count > 0) emit_line(s, line.text, line.count, line.centred);
      return;
    } else if (c == kTab && line.count == 0) {
      line.centred = 1;
    } else if (c == kBackspace && line.count > 0) {
      line.width -= glyph_entry(s->glyphs, line.text[--line.count])->width;
    } else if (c == kEscape) {
      skip_escape_sequence(&cursor);
    } else if (c >= kFirstPrintable) {
      add_printable(s, static_cast<char32_t>(c), &line);
    }
  }
}
