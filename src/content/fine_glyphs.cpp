// Fine letters through FreeType: the font of the letter opened at
// kFineScale times its pixel size, the glyph rendered to a grey bitmap,
// kept as runs of coverage per row.
#include "content/fine_glyphs.h"

#include <unordered_map>
#include <vector>

#include <X11/Xft/Xft.h>

#include "app_state.h"
#include "content/font_faces.h"

struct FineGlyphs {
  std::unordered_map<char32_t, FineGlyph> glyphs;
  std::unordered_map<char32_t, bool> missing;         // code points that have none
  std::unordered_map<XftFont*, XftFont*> fine_fonts;  // by the font they enlarge; owned
};

namespace {

constexpr std::size_t kMostFineGlyphs = 2048;

// `font` at kFineScale times its pixel size, unhinted; null when it has no
// pixel size.
XftFont* fine_font(AppState* s, FineGlyphs* cache, XftFont* font) {
  auto found = cache->fine_fonts.find(font);
  if (found != cache->fine_fonts.end()) return found->second;
  FcPattern* pattern = FcPatternDuplicate(font->pattern);
  double size = 0;
  XftFont* fine = nullptr;
  if (FcPatternGetDouble(pattern, FC_PIXEL_SIZE, 0, &size) == FcResultMatch && size > 0) {
    FcPatternDel(pattern, FC_PIXEL_SIZE);
    FcPatternAddDouble(pattern, FC_PIXEL_SIZE, size * kFineScale);
    FcPatternDel(pattern, FC_HINTING);
    FcPatternAddBool(pattern, FC_HINTING, FcFalse);
    FcPatternDel(pattern, FC_ANTIALIAS);
    FcPatternAddBool(pattern, FC_ANTIALIAS, FcTrue);
    fine = XftFontOpenPattern(s->display, pattern);  // owns the pattern from now on
  }
  if (!fine) FcPatternDestroy(pattern);
  cache->fine_fonts.emplace(font, fine);
  return fine;
}

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

bool render(AppState* s, XftFont* fine, char32_t code_point, FineGlyph* glyph) {
  FT_Face face = XftLockFace(fine);
  if (!face) return false;
  FT_UInt index = XftCharIndex(s->display, fine, code_point);
  bool drawn = FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_NO_HINTING) == 0;
  if (drawn) {
    FT_GlyphSlot slot = face->glyph;
    take_levels(slot->bitmap, slot->bitmap_left, face_ascent(s) * kFineScale - slot->bitmap_top,
                glyph);
  }
  XftUnlockFace(fine);
  return drawn;
}

}  // namespace

FineGlyphs* new_fine_glyphs() {
  return new FineGlyphs{};
}

void free_fine_glyphs(AppState* state, FineGlyphs* glyphs) {
  if (!glyphs) return;
  for (auto& [font, fine] : glyphs->fine_fonts) {
    if (fine) XftFontClose(state->display, fine);
  }
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
  XftFont* fine = font ? fine_font(state, glyphs, font) : nullptr;
  FineGlyph glyph{};
  if (!fine || !render(state, fine, code_point, &glyph)) {
    glyphs->missing.emplace(code_point, true);
    return nullptr;
  }
  return &glyphs->glyphs.emplace(code_point, std::move(glyph)).first->second;
}
