// The text reader: cuts one text source into lines and hands each to the
// line layout. It drops escape sequences and control characters, centres
// lines that begin with a tab or "#center", and wraps a line as soon as it
// grows wider than the source picture. In a UTF-8 locale the bytes are
// decoded as UTF-8 (content/utf8.h); otherwise every byte is a character.
#pragma once

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

// Where the reader stands in its source.
struct LetterCursor {
  LetterSource mode;
  const char* text;                       // from_string: the next byte
  std::FILE* stream;                      // from_stream
  int utf8;                               // 1: bytes are decoded as UTF-8
  unsigned char pending[kMaxUtf8Length];  // from_stream, UTF-8: read, not yet taken
  int pending_count;
};

// The next character code, or -1 at the end (a NUL ends a string and stays
// where it is; a read error ends a stream). Byte by byte: from a stream
// 0-255, from a string the byte taken as signed (0x80-0xFF give -128..-1).
// As UTF-8: a code point, from a string and a stream alike.
int next_char(LetterCursor* cursor);

// Reads the whole source, emitting its lines. Neither closes nor rewinds a stream.
void read_letters(AppState* state, const void* source, LetterSource mode);
