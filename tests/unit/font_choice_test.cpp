// The pure parts of font choice: which characters a core font has, the
// faceName patterns and their checks, and the grey levels of antialiased
// glyph pixels. Fontconfig is asked without a server.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "content/core_font.h"
#include "content/face_pattern.h"
#include "content/glyph_levels.h"

namespace {

TEST(CoreFontCoverage, RangesAndMissingMetricsDecide) {
  // A single-byte font of 32-126 whose 'b' has no metrics, and a two-byte
  // font of rows 0x04-0x05, columns 0x10-0x4f, without per-character metrics.
  std::vector<XCharStruct> chars(95);
  for (XCharStruct& c : chars) c.width = 8;
  chars['b' - 32] = {};
  XFontStruct latin{};
  latin.min_char_or_byte2 = 32;
  latin.max_char_or_byte2 = 126;
  latin.per_char = chars.data();
  XFontStruct cyrillic{};
  cyrillic.min_byte1 = 0x04;
  cyrillic.max_byte1 = 0x05;
  cyrillic.min_char_or_byte2 = 0x10;
  cyrillic.max_char_or_byte2 = 0x4f;
  const struct {
    const XFontStruct* font;
    char32_t code_point;
    bool has;
  } cases[] = {
      {&latin, 'a', true},       {&latin, 'b', false},        {&latin, ' ', true},
      {&latin, '~', true},       {&latin, 0x1f, false},       {&latin, 0x7f, false},
      {&latin, 0xe9, false},     {&latin, 0x161, false},      {&cyrillic, 0x416, true},
      {&cyrillic, 0x54f, true},  {&cyrillic, 0x40f, false},   {&cyrillic, 0x450, false},
      {&cyrillic, 0x316, false}, {&cyrillic, 0x10416, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(core_font_has_glyph(c.font, c.code_point), c.has)
        << std::hex << static_cast<unsigned>(c.code_point);
  }
  for (char32_t control : {0x7f, 0x80, 0x9f}) EXPECT_FALSE(wants_fallback(control));
  for (char32_t letter : {0x7e, 0xa0, 0x416, 0x1f600}) EXPECT_TRUE(wants_fallback(letter));
}

TEST(FacePattern, BadNamesAreToldApart) {
  const struct {
    const char* name;
    FaceProblem problem;
  } cases[] = {
      {"DejaVu Sans Mono:size=14", kFaceOk},
      {"monospace:pixelsize=1000", kFaceOk},
      {"Unifont-16", kFaceOk},
      {":antialias=true", kFaceOk},
      {"", kFaceEmpty},
      {" \t ", kFaceEmpty},
      {"Mono:weight=heavyish", kFaceUnparsable},
      {"Mono:pixelsize=abc", kFaceBadPixelSize},
      {"Mono:pixelsize=", kFaceBadPixelSize},
      {"Mono:pixelsize=0", kFaceBadPixelSize},
      {"Mono:pixelsize=-3", kFaceBadPixelSize},
      {"Mono:pixelsize=nan", kFaceBadPixelSize},
      {"Mono:pixelsize=1000.5", kFaceBadPixelSize},
      {"Mono:pixelsize=12,5000", kFaceBadPixelSize},
  };
  for (const auto& c : cases) {
    FcPattern* pattern = nullptr;
    EXPECT_EQ(parse_face_name(c.name, &pattern), c.problem) << c.name;
    EXPECT_EQ(pattern != nullptr, c.problem == kFaceOk) << c.name;
    if (pattern) FcPatternDestroy(pattern);
  }
  FcPattern* none = nullptr;
  EXPECT_EQ(parse_face_name(nullptr, &none), kFaceEmpty);
}

// A point size becomes pixels only in substitution, which is checked then.
TEST(FacePattern, SubstitutedPixelSizesAreChecked) {
  for (auto [name, ok] : {std::pair{"Mono:size=14", true}, {"Mono:size=5000", false}}) {
    FcPattern* pattern = nullptr;
    ASSERT_EQ(parse_face_name(name, &pattern), kFaceOk) << name;
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    EXPECT_EQ(check_pixel_size(pattern) == kFaceOk, ok) << name;
    FcPatternDestroy(pattern);
  }
}

TEST(GreyLevels, PixelsBetweenPaperAndInkAreRoundedToAStep) {
  const PixelChannels rgb{0xff0000, 0x00ff00, 0x0000ff};
  const unsigned long black = 0x000000, white = 0xffffff, red = 0xff0000, navy = 0x000080;
  const int light = kFirstGrey, mid = kFirstGrey + 1, dark = kFirstGrey + 2;
  const struct {
    unsigned long pixel, ink, paper;
    int level;
  } cases[] = {
      {white, black, white, kPaperInk},       {black, black, white, kFullInk},
      {0xf0f0f0, black, white, kPaperInk},  // under an eighth
      {0xc0c0c0, black, white, light},        {0x808080, black, white, mid},
      {0x404040, black, white, dark},         {0x101010, black, white, kFullInk},
      {0x808080, white, black, mid},          {0x400000, red, black, light},
      {0x000040, navy, black, mid},           {0x123456, black, black, kFullInk},
      {0xfefefe, black, 0xfefefe, kPaperInk},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(pixel_ink_level(c.pixel, c.ink, c.paper, rgb), c.level) << std::hex << c.pixel;
  }
  EXPECT_EQ(blend_channel(0xffff, 0, grey_coverage(0)), 0xc000);
  EXPECT_EQ(blend_channel(0xffff, 0, grey_coverage(kGreyLevels - 1)), 0x4000);
  EXPECT_EQ(blend_channel(0, 0xffff, grey_coverage(1)), 0x7fff);
}

}  // namespace
