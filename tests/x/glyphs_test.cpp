// Glyphs drawn by a real server in the 8x16 font and read back as runs.
#include "support/app_fixture.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "content/display_list.h"
#include "content/glyphs.h"
#include "content/text_reader.h"
#include "app/options.h"
#include "support/segments.h"

namespace {

// Of the run at the commit before outline fonts.
constexpr std::uint64_t kCLocaleSegments = 83291, kCLocaleHash = 2703437176255086203ull;

struct Glyphs : AppFixture {
  void start(const std::vector<std::string>& args = {}) {
    start_app(args);
    state.pens = new_pen_cache();
    state.segments = new_segment_list();
    state.glyphs = new_glyph_table();
    state.line_height = state.font_info->ascent + state.font_info->descent;
    probe_pixels(&state);
  }
  // Run lengths of one row, ink as positive and paper as negative numbers.
  std::vector<int> row(int code, int r) {
    std::vector<int> lengths;
    for (const ::Run* run = glyph_entry(state.glyphs, code)->rows[r]; run; run = run->next) {
      lengths.push_back(run->ink ? run->length : -run->length);
    }
    return lengths;
  }
};

TEST_F(Glyphs, EveryGlyphOfTheFixedFontIsEightWideAndSixteenHigh) {
  start();
  ASSERT_EQ(state.line_height, 16);
  int ink_rows = 0;
  for (int code = 32; code < 256; ++code) {
    rasterize_glyph(&state, code);
    const GlyphRuns& g = *glyph_entry(state.glyphs, code);
    ASSERT_NE(g.rows, nullptr);
    EXPECT_EQ(g.width, 8) << code;
    for (int r = 0; r < 16; ++r) {
      int sum = 0;
      bool last_ink = false;
      for (const ::Run* run = g.rows[r]; run; run = run->next) {
        if (run != g.rows[r]) {
          EXPECT_NE(run->ink, last_ink) << "runs alternate";
        }
        last_ink = run->ink;
        EXPECT_GE(run->length, 1);
        sum += run->length;
        ink_rows += run->ink;
      }
      EXPECT_EQ(sum, 8) << "code " << code << " row " << r;
    }
  }
  EXPECT_GT(ink_rows, 1000);
  for (int r = 0; r < 16; ++r) EXPECT_EQ(row(' ', r), std::vector<int>{-8}) << r;
  // The stem of an "l" is ink in the middle rows.
  bool stem = false;
  for (int r = 4; r < 12; ++r) {
    for (int v : row('l', r)) stem |= v > 0;
  }
  EXPECT_TRUE(stem);
}

TEST_F(Glyphs, AGlyphIsPreparedOnlyOnce) {
  start();
  read_letters(&state, "aba", from_string);
  ::Run** rows = glyph_entry(state.glyphs, 'a')->rows;
  ASSERT_NE(rows, nullptr);
  read_letters(&state, "a", from_string);
  EXPECT_EQ(glyph_entry(state.glyphs, 'a')->rows, rows);
  EXPECT_EQ(glyph_entry(state.glyphs, 'c')->rows, nullptr);
}

TEST_F(Glyphs, ForegroundLikeBackgroundLeavesOnlyPaper) {
  start({"-fg", "white", "-bg", "white"});
  rasterize_glyph(&state, 'W');
  for (int r = 0; r < 16; ++r) EXPECT_EQ(row('W', r), std::vector<int>{-8}) << r;
}

TEST_F(Glyphs, TheSumOfCharacterWidthsIsTheLineWidth) {
  start({"-fn", "-misc-fixed-medium-r-normal--13-120-75-75-c-70-iso10646-1"});
  for (const std::string& text :
       {std::string("Hello, world"), std::string("\xe9t\xe9 \xff"), std::string(300, 'm')}) {
    int sum = 0;
    for (char c : text) sum += XTextWidth(state.font_info, &c, 1);
    EXPECT_EQ(sum, XTextWidth(state.font_info, text.data(), static_cast<int>(text.size())));
  }
}

// The 18-pixel font of xfonts-base that some systems call 9x18.
constexpr char kUnicodeFont[] = "-misc-fixed-medium-r-normal--18-120-100-100-c-90-iso10646-1";

TEST_F(Glyphs, ATwoByteFontDrawsTheBasicMultilingualPlane) {
  start({"-fn", kUnicodeFont});
  const char32_t alpha = 0x3b1, zhe = 0x416, smile = 0x1f600, a_grave = 0xe0;
  for (char32_t c : {alpha, zhe, smile, a_grave, char32_t{'a'}, char32_t{0}}) {
    rasterize_glyph(&state, c);
    EXPECT_EQ(glyph_entry(state.glyphs, c)->width, 9) << static_cast<unsigned>(c);
  }
  auto rows = [&](char32_t c) {
    std::vector<std::vector<int>> all;
    for (int r = 0; r < state.line_height; ++r) all.push_back(row(static_cast<int>(c), r));
    return all;
  };
  // Beyond the plane: the default character, which is U+0000 in this font.
  EXPECT_EQ(rows(smile), rows(0));
  for (char32_t c : {alpha, zhe, a_grave}) EXPECT_NE(rows(c), rows(0)) << static_cast<unsigned>(c);
  EXPECT_NE(rows(alpha), rows('a'));
  EXPECT_NE(rows(zhe), rows(alpha));
}

TEST_F(Glyphs, ASingleByteFontDrawsItsDefaultCharacterBeyondALatin1Byte) {
  start();  // 8x16, whose default character is the space
  ASSERT_EQ(state.font_info->default_char, unsigned{' '});
  for (char32_t c : {char32_t{' '}, char32_t{0xe9}, char32_t{0x3b1}, char32_t{0x1f600}}) {
    rasterize_glyph(&state, c);
  }
  for (int r = 0; r < 16; ++r) {
    EXPECT_EQ(row(0x3b1, r), row(' ', r)) << r;
    EXPECT_EQ(row(0x1f600, r), row(' ', r)) << r;
  }
  bool ink = false;
  for (int r = 0; r < 16; ++r) ink |= row(0xe9, r) != row(' ', r);
  EXPECT_TRUE(ink) << "e acute is a letter of the font";
}

// The display list that the C locale makes of the usage text and of text
// in ISO-8859-1 and UTF-8 bytes, folded into one number: the number it
// had before other fonts could draw letters.
TEST_F(Glyphs, TheCLocaleCompilesAsItAlwaysHas) {
  start();
  read_letters(&state, usage_text, from_string);
  std::string bytes =
      "Gr\xfc\xdf"
      "e \xd0\x9f\xd1\x80\xd0\xb8 \xe6\x97\xa5 \xe2\x9c\x93\n\tcaf\xe9\n";
  std::FILE* stream = fmemopen(bytes.data(), bytes.size(), "r");
  read_letters(&state, stream, from_stream);
  std::fclose(stream);
  std::uint64_t hash = 1469598103934665603ull;
  for (const Segment& g : segments_of(state.segments)) {
    for (long v :
         {long{g.length}, static_cast<long>(g.pen->pixel), long{g.advance_x}, long{g.advance_y}}) {
      hash = (hash ^ static_cast<std::uint64_t>(v)) * 1099511628211ull;
    }
  }
  EXPECT_EQ(state.segments->count, kCLocaleSegments);
  EXPECT_EQ(hash, kCLocaleHash);
}

}  // namespace
