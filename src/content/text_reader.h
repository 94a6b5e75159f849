// The text reader: cuts one text source into lines and hands each to the
// line layout.
#pragma once

#include <cstdio>

struct AppState;

enum LetterSource : int {
  from_string = 0,  // source is a NUL-terminated const char*
  from_stream = 1,  // source is an open FILE*
};

constexpr int kLineBufferSize = 2048;
extern char line_buffer[kLineBufferSize];

// Reads the whole source, emitting its lines. Neither closes nor rewinds a stream.
void read_letters(AppState* state, const void* source, LetterSource mode);
