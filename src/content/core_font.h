// What a core font has: the test that decides whether a character is drawn
// by the core font or by a fallback font. Pure: it reads the font's
// metrics as XQueryFont returned them and sends nothing.
#pragma once

#include <X11/Xlib.h>

// The last index of a single-byte font.
constexpr unsigned kLastByte = 0xff;

// True when the font has a glyph of its own for the code point: inside
// its ranges, and with metrics (the server gives a missing character all
// zeros). Anything else it would draw as its default character.
bool core_font_has_glyph(const XFontStruct* font, char32_t code_point);

// A font indexed by two bytes; the others by one.
bool two_byte_font(const XFontStruct* font);

// The last code point that is the font's own index: U+00FF for a
// single-byte font, the end of the Basic Multilingual Plane for a two-byte
// one. Beyond it the font has only its default character.
char32_t last_indexed_code_point(const XFontStruct* font);

// True for a character worth looking for in other fonts when the first
// font lacks it: not a control character (DEL and the C1 codes), which
// has no letter anywhere and is drawn as the first font draws it.
bool wants_fallback(char32_t code_point);
