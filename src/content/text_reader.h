// The text reader: cuts one text source into lines and hands each to the
// line layout. It drops escape sequences and control characters, centres
// lines that begin with a tab or "#center", and wraps a line as soon as it
// grows wider than the source picture. In a UTF-8 locale the bytes are
// decoded as UTF-8 (content/utf8.h); otherwise every byte is a character.
//
// The reader takes its bytes as they come: a TextReader keeps the line
// being gathered and the decoder's state between the chunks, so that a
// stream read a piece at a time gives the lines that it gives read whole.
#pragma once

#include <cstddef>
#include <cstdio>

#include "content/utf8.h"

struct AppState;

enum LetterSource : int {
  from_string = 0,  // source is a NUL-terminated const char*
  from_stream = 1,  // source is an open FILE*
};

constexpr int kLineBufferSize = 2048;
constexpr int kMaxLineCharacters = kLineBufferSize - 1;
// Source intake's buffer for the picture test and the file messages.
extern char line_buffer[kLineBufferSize];

// Reads the whole source, emitting its lines. Neither closes nor rewinds a stream.
void read_letters(AppState* state, const void* source, LetterSource mode);

// One text source being read, fed its bytes as they arrive.
struct TextReader;

// A reader of text in the locale's way (`utf8`). A string's bytes in the
// byte-by-byte way are taken as signed: 0x80-0xFF are no characters there.
TextReader* new_text_reader(int utf8, LetterSource mode);
void free_text_reader(TextReader* reader);

// Takes bytes from the front of [bytes, bytes + count) up to and including
// the first that completes a line, or all of them; gives how many it took.
// A NUL is a character like any control character.
std::size_t feed_text(AppState* state, TextReader* reader, const char* bytes, std::size_t count);
// The end of the source: bytes still pending, and the last line.
void end_text(AppState* state, TextReader* reader);
// True when no character of a line is gathered: no glyph is needed until
// the next one comes.
bool text_reader_between_lines(const TextReader* reader);

// Characters one at a time, for the file names of the progress messages and
// for the tests: from a string or a stream, in the locale's way.
struct LetterCursor {
  LetterSource mode;
  const char* text;    // from_string: the next byte
  std::FILE* stream;   // from_stream
  int utf8;            // 1: bytes are decoded as UTF-8
  Utf8Stream decoder;  // from_stream, UTF-8
  char32_t decoded[kMaxUtf8Length];
  int decoded_count, decoded_next;
};
LetterCursor string_cursor(const char* text, int utf8);
LetterCursor stream_cursor(std::FILE* stream, int utf8);

// The next character code, or -1 at the end (a NUL ends a string and stays
// where it is; a read error ends a stream). Byte by byte: from a stream
// 0-255, from a string the byte taken as signed (0x80-0xFF give -128..-1).
// As UTF-8: a code point, from a string and a stream alike.
int next_char(LetterCursor* cursor);
