#include "content/text_reader.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>

#include "app_state.h"
#include "content/glyphs.h"
#include "content/line_layout.h"

char line_buffer[kLineBufferSize];

namespace {

constexpr int kEndOfText = -1;
constexpr int kNewline = 10;
constexpr int kTab = 9;
constexpr int kBackspace = 8;
constexpr int kEscape = 27;
constexpr int kFirstPrintable = 32;
constexpr std::size_t kStreamChunk = 4096;  // bytes read from a stream at a time
constexpr char32_t kCentreMarker[] = U"#center";
constexpr int kCentreMarkerLength = std::size(kCentreMarker) - 1;

}  // namespace

struct GatheredLine {
  char32_t text[kMaxLineCharacters];  // code points
  int count;                          // characters in text
  int centred;                        // 1 when the line is to be centred
  int width;                          // pixels, as the font gives it for the whole line
};

struct TextReader {
  int utf8;
  bool signed_bytes;  // a string read byte by byte: 0x80-0xFF are no characters
  Utf8Stream decoder;
  bool in_escape;  // dropping up to the letter that ends an escape sequence
  bool emitted;    // a line was emitted since the last byte was taken
  bool finished;   // a string's byte 0xFF, read as -1, ended the text
  GatheredLine line;
};

namespace {

void start_line(GatheredLine* line) {
  line->count = 0;
  line->centred = 0;
  line->width = 0;
}

bool is_letter(int c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool is_centre_marker(const GatheredLine* line) {
  return line->count == kCentreMarkerLength &&
         std::equal(line->text, line->text + kCentreMarkerLength, kCentreMarker);
}

// A printable character: its glyph made on first sight, then appended (up
// to the line's limit), then the centring marker and the wrap tested; true
// when the line before it was emitted.
// The line's width is kept as the sum of its glyphs' widths, which for a
// core font is what the font gives for the whole line.
bool add_printable(AppState* s, char32_t c, GatheredLine* line) {
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
    return false;
  }
  if (line->width > s->source_width) {
    emit_line(s, line->text, line->count - 1, line->centred);
    line->text[0] = c;
    line->count = 1;
    line->width = glyph->width;
    return true;
  }
  return false;
}

void end_line(AppState* s, TextReader* r) {
  if (r->line.count > 0) emit_line(s, r->line.text, r->line.count, r->line.centred);
  start_line(&r->line);
}

// One character of the text: a line ends at a newline, a tab opens a
// centred line, a backspace takes the last character back, an escape
// sequence is dropped up to its letter, other control characters are
// dropped. A string's 0xFF read byte by byte is -1, the end of the text,
// which inside an escape sequence ends the sequence only.
void take_char(AppState* s, TextReader* r, int c) {
  GatheredLine& line = r->line;
  if (r->in_escape) {
    r->in_escape = c != kEndOfText && !is_letter(c);
  } else if (c == kEndOfText) {
    end_line(s, r);
    r->finished = true;
  } else if (c == kNewline) {
    emit_line(s, line.text, line.count, line.centred);
    r->emitted = true;
    start_line(&line);
  } else if (c == kTab && line.count == 0) {
    line.centred = 1;
  } else if (c == kBackspace && line.count > 0) {
    line.width -= glyph_entry(s->glyphs, line.text[--line.count])->width;
  } else if (c == kEscape) {
    r->in_escape = true;
  } else if (c >= kFirstPrintable) {
    if (add_printable(s, static_cast<char32_t>(c), &line)) r->emitted = true;
  }
}

void take_byte(AppState* s, TextReader* r, unsigned char byte) {
  if (!r->utf8) {
    take_char(s, r, r->signed_bytes ? static_cast<signed char>(byte) : byte);
    return;
  }
  push_utf8_byte(&r->decoder, byte, [&](char32_t c) { take_char(s, r, static_cast<int>(c)); });
}

}  // namespace

TextReader* new_text_reader(int utf8, LetterSource mode) {
  auto* r = new TextReader{};
  r->utf8 = utf8;
  r->signed_bytes = mode == from_string;
  start_line(&r->line);
  return r;
}

void free_text_reader(TextReader* reader) {
  delete reader;
}

std::size_t feed_text(AppState* state, TextReader* reader, const char* bytes, std::size_t count) {
  reader->emitted = false;
  std::size_t taken = 0;
  while (taken < count && !reader->emitted && !reader->finished) {
    take_byte(state, reader, static_cast<unsigned char>(bytes[taken++]));
  }
  return reader->finished ? count : taken;
}

void end_text(AppState* state, TextReader* reader) {
  AppState* s = state;
  TextReader* r = reader;
  if (r->finished) return;
  drain_utf8(&r->decoder, true, [&](char32_t c) { take_char(s, r, static_cast<int>(c)); });
  end_line(s, r);
}

bool text_reader_between_lines(const TextReader* reader) {
  return reader->line.count == 0;
}

void read_letters(AppState* state, const void* source, LetterSource mode) {
  if (!source) return;
  TextReader* reader = new_text_reader(state->utf8_text, mode);
  if (mode == from_string) {
    const char* text = static_cast<const char*>(source);
    for (std::size_t left = std::strlen(text), taken; left > 0; left -= taken, text += taken) {
      taken = feed_text(state, reader, text, left);
    }
  } else {
    auto* stream = static_cast<std::FILE*>(const_cast<void*>(source));
    char chunk[kStreamChunk];
    // fread gives less than it was asked for only at the end or on an error.
    for (std::size_t got = sizeof chunk; got == sizeof chunk;) {
      got = std::fread(chunk, 1, sizeof chunk, stream);
      for (std::size_t at = 0; at < got;) at += feed_text(state, reader, chunk + at, got - at);
    }
  }
  end_text(state, reader);
  free_text_reader(reader);
}

LetterCursor string_cursor(const char* text, int utf8) {
  LetterCursor c{};
  c.mode = from_string;
  c.text = text;
  c.utf8 = utf8;
  return c;
}

LetterCursor stream_cursor(std::FILE* stream, int utf8) {
  LetterCursor c{};
  c.mode = from_stream;
  c.stream = stream;
  c.utf8 = utf8;
  return c;
}

namespace {

// The characters that one more byte (or the end) completes, queued.
bool decode_more(LetterCursor* c) {
  c->decoded_count = c->decoded_next = 0;
  auto queue = [&](char32_t code_point) { c->decoded[c->decoded_count++] = code_point; };
  while (c->decoded_count == 0) {
    int byte =
        c->mode == from_stream ? std::fgetc(c->stream) : static_cast<unsigned char>(*c->text);
    if (byte == EOF || (c->mode == from_string && byte == 0)) {
      drain_utf8(&c->decoder, true, queue);
      return c->decoded_count > 0;
    }
    if (c->mode == from_string) ++c->text;
    push_utf8_byte(&c->decoder, static_cast<unsigned char>(byte), queue);
  }
  return true;
}

}  // namespace

int next_char(LetterCursor* cursor) {
  LetterCursor* c = cursor;
  if (c->utf8) {
    if (c->decoded_next == c->decoded_count && !decode_more(c)) return -1;
    return static_cast<int>(c->decoded[c->decoded_next++]);
  }
  if (c->mode == from_stream) return std::fgetc(c->stream);
  signed char byte = static_cast<signed char>(*c->text);
  if (byte == 0) return -1;
  ++c->text;
  return byte;
}
