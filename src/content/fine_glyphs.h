// Letters rasterized from their outlines at kFineScale pixels a source
// pixel, for the rows of smooth frames near the bottom edge: drawn by
// FreeType from the face of the font that draws the letter in the source
// picture, at kFineScale times its size, with its coarser levels. A
// cache by code point, emptied when it grows large; what it gives stays
// valid until the next call of trim_fine_glyphs.
#pragma once

#include "render/fine_levels.h"

struct AppState;
struct FineGlyphs;

FineGlyphs* new_fine_glyphs();
void free_fine_glyphs(FineGlyphs* glyphs);

// Empties the cache when it holds too many letters; before a frame.
void trim_fine_glyphs(FineGlyphs* glyphs);

// The letter of a code point; null when its font has no outlines (a core
// font) or the letter cannot be drawn.
const FineGlyph* fine_glyph(AppState* state, FineGlyphs* glyphs, char32_t code_point);
