// Fine letters through FreeType: the face of the font that draws the letter,
// at kFineScale times the font's pixel size, the glyph rendered to a grey
// bitmap, kept as runs of coverage per row.
#include "content/fine_glyphs.h"

#include <unordered_map>
#include <vector>

#include <X11/Xft/Xft.h>
#include FT_SIZES_H

#include "app_state.h"
#include "content/font_faces.h"

struct FineGlyphs {
  std::unordered_map<char32_t, FineGlyph> glyphs;
  std::unordered_map<char32_t, bool> missing;  // code points that have none
};

namespace {

constexpr std::size_t kMostFineGlyphs = 2048;

std::uint8_t coverage_at(const FT_Bitmap& bitmap, unsigned x, unsigned y) {
  const unsigned char* row = bitmap.buffer + static_cast<long>(y) * bitmap.pitch;
  if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) return (row[x >> 3] >> (7 - (x & 7))) & 1 ? 255 : 0;
  return row[x];
}

// The bitmap as the finest level, and the coarser ones averaged from it.
void take_levels(const FT_Bitmap& bitmap, int left, int top, FineGlyph* glyph) {
  std::vector<std::uint8_t> cells(static_cast<std::size_t>(bitmap.width) * bitmap.rows);
  for (unsigned y = 0; y < bitmap.rows; ++y) {
    for (unsigned x = 0; x < bitmap.width; ++x)
      cells[y * bitmap.width + x] = coverage_at(bitmap, x, y);
  }
  glyph->levels[0] = fine_level_of(cells.data(), static_cast<int>(bitmap.width),
                                   static_cast<int>(bitmap.rows), left, top);
  for (int n = 1; n < kFineLevels; ++n) glyph->levels[n] = coarser_level(glyph->levels[0], 1 << n);
}

// The letter drawn by `font`'s face at kFineScale times the font's pixel
// size, unhinted and antialiased. The face is the font's own, shared with
// Xft: the letter is drawn at a size object of its own, and the font's size
// is active again before the face is unlocked. (Opening the font anew at
// the larger size would be simpler, but Xft loses the pattern of a font it
// finds already open.)
bool render(AppState* s, XftFont* font, char32_t code_point, FineGlyph* glyph) {
  double size = 0;
  if (FcPatternGetDouble(font->pattern, FC_PIXEL_SIZE, 0, &size) != FcResultMatch || !(size > 0)) {
    return false;
  }
  FT_Face face = XftLockFace(font);
  if (!face) return false;
  FT_UInt index = XftCharIndex(s->display, font, code_point);
  FT_Size own = face->size, fine = nullptr;
  auto height = static_cast<FT_F26Dot6>(size * kFineScale * 64);
  bool drawn = FT_New_Size(face, &fine) == 0 && FT_Activate_Size(fine) == 0 &&
               FT_Set_Char_Size(face, 0, height, 0, 0) == 0 &&
               FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_NO_HINTING) == 0;
  if (drawn) {
    FT_GlyphSlot slot = face->glyph;
    take_levels(slot->bitmap, slot->bitmap_left, face_ascent(s) * kFineScale - slot->bitmap_top,
                glyph);
  }
  FT_Activate_Size(own);
  if (fine) FT_Done_Size(fine);
  XftUnlockFace(font);
  return drawn;
}

}  // namespace

FineGlyphs* new_fine_glyphs() {
  return new FineGlyphs{};
}

void free_fine_glyphs(FineGlyphs* glyphs) {
  delete glyphs;
}

void trim_fine_glyphs(FineGlyphs* glyphs) {
  if (glyphs->glyphs.size() + glyphs->missing.size() < kMostFineGlyphs) return;
  glyphs->glyphs.clear();
  glyphs->missing.clear();
}

const FineGlyph* fine_glyph(AppState* state, FineGlyphs* glyphs, char32_t code_point) {
  auto found = glyphs->glyphs.find(code_point);
  if (found != glyphs->glyphs.end()) return &found->second;
  if (glyphs->missing.count(code_point)) return nullptr;
  XftFont* font = font_for_code_point(state, code_point);
  FineGlyph glyph{};
  if (!font || !render(state, font, code_point, &glyph)) {
    glyphs->missing.emplace(code_point, true);
    return nullptr;
  }
  return &glyphs->glyphs.emplace(code_point, std::move(glyph)).first->second;
}
