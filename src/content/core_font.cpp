// The coverage of a core font, from its ranges and per-character metrics.
#include "content/core_font.h"

namespace {

constexpr unsigned kLastOfPlane = 0xffff;  // the Basic Multilingual Plane
constexpr char32_t kDelete = 0x7f, kLastC1 = 0x9f;

}  // namespace

bool two_byte_font(const XFontStruct* font) {
  return font->min_byte1 != 0 || font->max_byte1 != 0;
}

char32_t last_indexed_code_point(const XFontStruct* font) {
  return two_byte_font(font) ? kLastOfPlane : kLastByte;
}

bool core_font_has_glyph(const XFontStruct* font, char32_t code_point) {
  if (code_point > last_indexed_code_point(font)) return false;
  unsigned byte1 = code_point >> 8, byte2 = code_point & 0xff;
  if (byte1 < font->min_byte1 || byte1 > font->max_byte1) return false;
  if (byte2 < font->min_char_or_byte2 || byte2 > font->max_char_or_byte2) return false;
  if (!font->per_char) return true;  // every character has the font's bounds
  unsigned columns = font->max_char_or_byte2 - font->min_char_or_byte2 + 1;
  const XCharStruct& c =
      font->per_char[(byte1 - font->min_byte1) * columns + byte2 - font->min_char_or_byte2];
  return c.width != 0 || c.ascent != 0 || c.descent != 0 || c.lbearing != 0 || c.rbearing != 0;
}

bool wants_fallback(char32_t code_point) {
  return code_point < kDelete || code_point > kLastC1;
}
