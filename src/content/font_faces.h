// Outline fonts through Xft and fontconfig: the face that the faceName
// resource names, and the fallback fonts that fontconfig finds for the
// characters the first font lacks. font_for_code_point is the one place
// that decides which font draws a character; the glyph rasterizer then
// draws it like any other.
#pragma once

#include <X11/Xlib.h>

#include "content/glyph_levels.h"

struct AppState;
// Xft's font record. Xft's header is not included here, so that the files
// that include this one stay free of fontconfig's and FreeType's headers.
typedef struct _XftFont XftFont;

// Reads the faceName resource and opens its face; in a UTF-8 locale also
// prepares the fallback behind the core font. A bad faceName is warned
// about and leaves the core font. No record is made when neither applies.
void setup_font_faces(AppState* state);
// Closes every font and frees the record; nothing when there is none.
void close_font_faces(AppState* state);

// The font that draws a code point: null for the core font (which also
// draws what no font has), else the face or a fallback font.
XftFont* font_for_code_point(AppState* state, char32_t code_point);

// The advance of a character in an Xft font, pixels.
int face_char_width(AppState* state, XftFont* font, char32_t code_point);
// Draws one character in ink with its origin at x 0 and the line's baseline.
void draw_face_char(AppState* state, XftFont* font, Drawable drawable, char32_t code_point);

// The height of the line box, and its ascent: the face's when there is
// one, else the core font's.
int text_line_height(const AppState* state);
int face_ascent(const AppState* state);
// The narrowest and widest advance of the faceName face's printable ASCII
// letters; false, with nothing set, when there is no face.
bool face_advance_bounds(AppState* state, short* narrowest, short* widest);
// How the glyphs of an outline font are read back: null for two colours,
// else the channels that their grey levels are measured in.
const PixelChannels* face_grey_channels(const AppState* state);
