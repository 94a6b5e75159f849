#include "content/text_reader.h"

#include <cstring>

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
constexpr char kCentreMarker[] = "#center";

struct Line {
  int count;    // characters in line_buffer
  int centred;  // 1 when the line is to be centred
  int width;    // pixels, as XTextWidth gives it for the whole line
};

void start_line(Line* line) {
  line_buffer[0] = '\0';
  *line = {0, 0, 0};
}

bool is_letter(int c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Drops everything up to and including the letter that ends the sequence.
void skip_escape_sequence(LetterCursor* cursor) {
  int c;
  do {
    c = next_char(cursor);
  } while (c != -1 && !is_letter(c));
}

int char_width(const AppState* s, int c) {
  char one = static_cast<char>(c);
  return XTextWidth(s->font_info, &one, 1);
}

// A printable character: its glyph made on first sight, then appended (up
// to the buffer's limit), then the centring marker and the wrap tested.
// The line's width is kept as the sum of its characters' widths, which is
// what XTextWidth gives for the whole line of a single-byte font.
void add_printable(AppState* s, int c, Line* line) {
  if (!s->glyphs[c].rows) rasterize_glyph(s, c);
  if (line->count < kMaxLineCharacters) {
    line_buffer[line->count++] = static_cast<char>(c);
    line_buffer[line->count] = '\0';
    line->width += char_width(s, c);
  }
  if (std::strcmp(line_buffer, kCentreMarker) == 0) {
    line_buffer[0] = '\0';
    line->count = 0;
    line->width = 0;
    line->centred = 1;
    return;
  }
  if (line->width > s->source_width) {
    line_buffer[line->count - 1] = '\0';
    emit_line(s, line_buffer, line->count - 1, line->centred);
    line_buffer[0] = static_cast<char>(c);
    line_buffer[1] = '\0';
    line->count = 1;
    line->width = char_width(s, c);
  }
}

}  // namespace

int next_char(LetterCursor* cursor) {
  if (cursor->mode == from_stream) return std::fgetc(cursor->stream);
  signed char byte = static_cast<signed char>(*cursor->text);
  if (byte == 0) return -1;
  ++cursor->text;
  return byte;
}

void read_letters(AppState* state, const void* source, LetterSource mode) {
  AppState* s = state;
  if (!source) return;
  LetterCursor cursor{mode, nullptr, nullptr};
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
      emit_line(s, line_buffer, line.count, line.centred);
      start_line(&line);
    } else if (c == -1) {
      if (line.count > 0) emit_line(s, line_buffer, line.count, line.centred);
      return;
    } else if (c == kTab && line.count == 0) {
      line.centred = 1;
    } else if (c == kBackspace && line.count > 0) {
      line.width -= char_width(s, static_cast<unsigned char>(line_buffer[line.count - 1]));
      line_buffer[--line.count] = '\0';
    } else if (c == kEscape) {
      skip_escape_sequence(&cursor);
    } else if (c >= kFirstPrintable) {
      add_printable(s, c, &line);
    }
  }
}
