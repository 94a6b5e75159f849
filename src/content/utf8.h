// UTF-8 as the text reader takes it: a valid sequence is one character, and
// any byte that does not start or continue one is the ISO-8859-1 character
// of the same value, so that Latin-1 text still reads right. Pure functions,
// with no X and no locale.
#pragma once

#include <string>

constexpr char32_t kMaxCodePoint = 0x10ffff;
constexpr int kMaxUtf8Length = 4;  // bytes of the longest sequence

// The character at the front of `bytes`, of which `available` (at least 1)
// may be looked at. `length` is the number of bytes it takes; 0 when the
// bytes so far begin a valid sequence that needs more of them. A caller at
// the end of its input takes the first byte alone in that case.
struct DecodedChar {
  char32_t code_point;
  int length;
};
DecodedChar decode_utf8(const unsigned char* bytes, int available);

// Writes the UTF-8 form of a code point (at most U+10FFFF, not a
// surrogate) to `out`; the number of bytes written.
int encode_utf8(char32_t code_point, char* out);

// A NUL-terminated text decoded as above and written again as valid UTF-8.
std::string valid_utf8(const char* text);
