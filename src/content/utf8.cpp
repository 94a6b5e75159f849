// The UTF-8 decoder: shortest forms only, no surrogates, nothing beyond
// U+10FFFF. A byte that fails is taken alone, as ISO-8859-1, and the bytes
// after it are looked at afresh.
#include "content/utf8.h"

#include <cstring>

namespace {

struct Lead {
  int length;               // bytes of the sequence; 1 for a byte that starts none
  unsigned char low, high;  // range of the second byte
  char32_t bits;            // the lead's own bits of the code point
};

// The ranges of the second byte keep out overlong forms (E0, F0),
// surrogates (ED) and code points beyond U+10FFFF (F4).
Lead lead_of(unsigned char b) {
  if (b >= 0xc2 && b <= 0xdf) return {2, 0x80, 0xbf, b & 0x1fu};
  if (b == 0xe0) return {3, 0xa0, 0xbf, 0};
  if (b == 0xed) return {3, 0x80, 0x9f, 0xd};
  if (b >= 0xe1 && b <= 0xef) return {3, 0x80, 0xbf, b & 0x0fu};
  if (b == 0xf0) return {4, 0x90, 0xbf, 0};
  if (b >= 0xf1 && b <= 0xf3) return {4, 0x80, 0xbf, b & 0x07u};
  if (b == 0xf4) return {4, 0x80, 0x8f, 4};
  return {1, 0, 0, b};
}

}  // namespace

DecodedChar decode_utf8(const unsigned char* bytes, int available) {
  unsigned char first = bytes[0];
  if (first < 0x80) return {first, 1};
  Lead lead = lead_of(first);
  if (lead.length == 1) return {first, 1};
  char32_t code_point = lead.bits;
  for (int k = 1; k < lead.length; ++k) {
    if (k >= available) return {0, 0};
    unsigned char b = bytes[k];
    unsigned char low = k == 1 ? lead.low : 0x80;
    unsigned char high = k == 1 ? lead.high : 0xbf;
    if (b < low || b > high) return {first, 1};
    code_point = code_point << 6 | (b & 0x3fu);
  }
  return {code_point, lead.length};
}

int encode_utf8(char32_t code_point, char* out) {
  auto put = [&](int i, char32_t bits) { out[i] = static_cast<char>(bits); };
  if (code_point < 0x80) {
    put(0, code_point);
    return 1;
  }
  if (code_point < 0x800) {
    put(0, 0xc0 | code_point >> 6);
    put(1, 0x80 | (code_point & 0x3f));
    return 2;
  }
  if (code_point < 0x10000) {
    put(0, 0xe0 | code_point >> 12);
    put(1, 0x80 | (code_point >> 6 & 0x3f));
    put(2, 0x80 | (code_point & 0x3f));
    return 3;
  }
  put(0, 0xf0 | code_point >> 18);
  put(1, 0x80 | (code_point >> 12 & 0x3f));
  put(2, 0x80 | (code_point >> 6 & 0x3f));
  put(3, 0x80 | (code_point & 0x3f));
  return 4;
}

std::string valid_utf8(const char* text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  std::size_t left = std::strlen(text);
  std::string out;
  while (left > 0) {
    int available = left < kMaxUtf8Length ? static_cast<int>(left) : kMaxUtf8Length;
    DecodedChar c = decode_utf8(bytes, available);
    if (c.length == 0) c = {bytes[0], 1};  // cut short by the end
    char encoded[kMaxUtf8Length];
    out.append(encoded, static_cast<std::size_t>(encode_utf8(c.code_point, encoded)));
    bytes += c.length;
    left -= static_cast<std::size_t>(c.length);
  }
  return out;
}
