// Fine letters through FreeType: the font of the letter opened at
// kFineScale times its pixel size, the glyph rendered to a grey bitmap,
// kept as runs of coverage per row.
#include "content/fine_glyphs.h"

#include <unordered_map>

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

// The bitmap as runs of one coverage per row.
void take_runs(const FT_Bitmap& bitmap, FineGlyph* glyph) {
  for (unsigned y = 0; y < bitmap.rows; ++y) {
    glyph->rows.push_back(static_cast<std::uint32_t>(glyph->runs.size()));
    for (unsigned x = 0; x < bitmap.width;) {
      std::uint8_t c = coverage_at(bitmap, x, y);
      unsigned end = x + 1;
      while (end < bitmap.width && coverage_at(bitmap, end, y) == c) ++end;
      if (c) {
        glyph->runs.push_back(
            {static_cast<std::int32_t>(x), static_cast<std::int32_t>(end - x), c});
      }
      x = end;
    }
  }
  glyph->rows.push_back(static_cast<std::uint32_t>(glyph->runs.size()));
}

bool render(AppState* s, XftFont* fine, char32_t code_point, FineGlyph* glyph) {
  FT_Face face = XftLockFace(fine);
  if (!face) return false;
  FT_UInt index = XftCharIndex(s->display, fine, code_point);
  bool drawn = FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_NO_HINTING) == 0;
  if (drawn) {
    FT_GlyphSlot slot = face->glyph;
    glyph->left = slot->bitmap_left;
    glyph->top = face_ascent(s) * kFineScale - slot->bitmap_top;
    take_runs(slot->bitmap, glyph);
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
