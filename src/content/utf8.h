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

// A byte stream decoded as its bytes arrive, one at a time: bytes that may
// still begin a valid sequence wait until the bytes after them decide.
// Fed the bytes of a text in any chunks, it gives the characters that
// decode_utf8 gives for the whole text.
struct Utf8Stream {
  unsigned char pending[kMaxUtf8Length];
  int count = 0;
};

// Hands every character that can be decoded from the pending bytes to
// take(code_point); at the end of the input (`at_end`) a sequence cut
// short gives its first byte alone, and the rest is looked at afresh.
template <class F>
void drain_utf8(Utf8Stream* stream, bool at_end, F take) {
  while (stream->count > 0) {
    DecodedChar c = decode_utf8(stream->pending, stream->count);
    if (c.length == 0) {
      if (!at_end) return;
      c = {stream->pending[0], 1};
    }
    take(c.code_point);
    stream->count -= c.length;
    for (int k = 0; k < stream->count; ++k) stream->pending[k] = stream->pending[k + c.length];
  }
}

// Takes one byte of the stream.
template <class F>
void push_utf8_byte(Utf8Stream* stream, unsigned char byte, F take) {
  if (stream->count == 0 && byte < 0x80) {
    take(char32_t{byte});
    return;
  }
  stream->pending[stream->count++] = byte;
  drain_utf8(stream, false, take);
}

// Writes the UTF-8 form of a code point (at most U+10FFFF, not a
// surrogate) to `out`; the number of bytes written.
int encode_utf8(char32_t code_point, char* out);

// A NUL-terminated text decoded as above and written again as valid UTF-8.
std::string valid_utf8(const char* text);
