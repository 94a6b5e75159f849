#include <climits>

#include <gtest/gtest.h>

#include "app/sizes.h"

namespace {

TEST(Sizes, SourceWidthIsTheMeanLetterWidthTimesTheLetters) {
  const struct {
    short min_width, max_width;
    int letters, expected;
  } cases[] = {
      {8, 8, 40, 320},           // the default font and width
      {8, 8, 10, 80},            // -w 10
      {3, 12, 40, 280},          // proportional: 15 / 2 truncated is 7
      {8, 8, 0, 0},              // -w 0
      {8, 8, -3, -24},           // a negative width stays negative
      {-3, 0, 40, -40},          // -3 / 2 truncates toward zero
      {8, 8, INT_MAX, INT_MAX},  // saturates instead of overflowing
      {8, 8, INT_MIN, INT_MIN},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(derive_source_width(c.min_width, c.max_width, c.letters), c.expected)
        << c.min_width << " " << c.max_width << " " << c.letters;
  }
}

TEST(Sizes, LengthXBelowOneTakesTheSourceWidth) {
  EXPECT_EQ(derive_length_x(0, 320), 320);
  EXPECT_EQ(derive_length_x(-7, 500), 500);
  EXPECT_EQ(derive_length_x(50, 320), 50);
  EXPECT_EQ(derive_length_x(1, 320), 1);
}

TEST(Sizes, FrameExtentIsNeverZero) {
  EXPECT_EQ(frame_extent(0), 1);
  EXPECT_EQ(frame_extent(-5), 1);
  EXPECT_EQ(frame_extent(1), 1);
  EXPECT_EQ(frame_extent(65535), 65535);
}

}  // namespace
