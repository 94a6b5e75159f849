// The text reader: cuts one text source into lines and hands each to the
// line layout. It drops escape sequences and control characters, centres
// lines that begin with a tab or "#center", and wraps a line as soon as it
// grows wider than the source picture.
#pragma once

#include <cstdio>

struct AppState;

enum LetterSource : int {
  from_string = 0,  // source is a NUL-terminated const char*
  from_stream = 1,  // source is an open FILE*
};

constexpr int kLineBufferSize = 2048;
constexpr int kMaxLineCharacters = kLineBufferSize - 1;
extern char line_buffer[kLineBufferSize];

// Where the reader stands in its source.
struct LetterCursor {
  LetterSource mode;
  const char* text;   // from_string: the next byte
  std::FILE* stream;  // from_stream
};

// The next character code. From a stream 0-255, or -1 at the end or on an
// error. From a string the byte taken as signed (0x80-0xFF give -128..-1); a
// NUL gives -1 and stays where it is.
int next_char(LetterCursor* cursor);

// Reads the whole source, emitting its lines. Neither closes nor rewinds a stream.
void read_letters(AppState* state, const void* source, LetterSource mode);
