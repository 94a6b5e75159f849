// Glyphs drawn by a real server in the 8x16 font and read back as runs.
#include "support/app_fixture.h"

#include <string>

#include "content/display_list.h"
#include "content/glyphs.h"
#include "content/text_reader.h"

namespace {

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
    const Glyph& g = *glyph_entry(state.glyphs, code);
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

}  // namespace
