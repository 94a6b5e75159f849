#include "content/picture_header.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

namespace {

PictureHeaderScan scan_whole(const std::string& text) {
  PictureHeaderScan scan;
  scan_picture_header(&scan, text.data(), text.size());
  return scan;
}

// A file as the XPM library expects it, padded to the given size.
std::string picture(const std::string& values, std::size_t size = 0) {
  std::string text = "/* XPM */\nstatic char *p[] = {\n/* a \"quoted\" note */\n\"" + values +
                     "\",\n\"a c #ff0000\",\n\"aa\"};\n";
  if (text.size() < size) text.append(size - text.size(), ' ');
  return text;
}

bool fits(const std::string& values, std::size_t size = 0) {
  std::string text = picture(values, size);
  return picture_header_fits(scan_whole(text), text.size());
}

TEST(PictureHeader, ReadsTheFirstStringOutsideComments) {
  PictureHeaderScan scan = scan_whole(picture("12 3 45 2 0 0 XPMEXT"));
  ASSERT_EQ(scan.stage, PictureHeaderScan::Stage::done);
  EXPECT_EQ(scan.values[0], 12u);
  EXPECT_EQ(scan.values[1], 3u);
  EXPECT_EQ(scan.values[2], 45u);
  EXPECT_EQ(scan.values[3], 2u);
}

TEST(PictureHeader, ReadsTheSameInAnyPieces) {
  std::string text = picture("\t7  5 2 1 ");
  for (std::size_t piece = 1; piece < 8; ++piece) {
    PictureHeaderScan scan;
    for (std::size_t i = 0; i < text.size(); i += piece)
      scan_picture_header(&scan, text.data() + i, std::min(piece, text.size() - i));
    ASSERT_EQ(scan.stage, PictureHeaderScan::Stage::done) << piece;
    EXPECT_EQ(scan.values[0], 7u);
    EXPECT_EQ(scan.values[3], 1u);
  }
}

TEST(PictureHeader, RefusesMalformedValues) {
  for (const char* text : {
           "/* XPM */ \"2 2 2\"",      // three numbers
           "/* XPM */ \"2 2 two 1\"",  // a word
           "/* XPM */ \"-2 2 2 1\"",   // a sign
           "/* XPM */ /* never closed \"2 2 1 1\"",
           "/* XPM */ \"2 2 1 1",  // the string never ends
           "/* XPM */",            // no values at all
           "/*/ \"2 2 1 1\" */",   // the header line is two words, the second XPM
           "/* PNG */ \"2 2 1 1\"",
           "\n/* XPM */ \"2 2 1 1\"",                    // the header is on the first line
           "/*\nXPM */ \"2 2 1 1\"",                     // both words of it
           "/* XPM\xa0*/ \"2 2 1 1\"",                   // in plain ASCII
           "/* XPM */ \"2\n2 1 1\"",                     // the values on one line
           "/* XPM */ \"000000000000000000002 2 1 1\"",  // an overlong number
       }) {
    EXPECT_FALSE(picture_header_fits(scan_whole(text), 1000)) << text;
  }
}

// The values are where the XPM library finds them, not where a C reader
// would: the header's own words are never a comment.
TEST(PictureHeader, ReadsTheValuesTheLibraryReads) {
  struct Case {
    const char* text;
    std::uint64_t width;
  } cases[] = {
      {"/** XPM\n\"44444 2 1 0\"\n\"c #1 XPM */\n{\"3 1 2 1\",", 44444},
      {"/* XPM */\n/*/ \"2000 2 1 1\" */ \"3 1 2 1\"", 3},
      {"/* XPM */\n/* a **/ \"3 1 2 1\"", 3},
      {"\t/* XPM */ //* a \"9\" */ \"4 1 2 1\"", 4},
      {"!! XPM  stuff\n\"5 1 2 1\"", 5},
  };
  for (const Case& c : cases) {
    PictureHeaderScan scan = scan_whole(c.text);
    ASSERT_EQ(scan.stage, PictureHeaderScan::Stage::done) << c.text;
    EXPECT_EQ(scan.values[0], c.width) << c.text;
  }
}

TEST(PictureHeader, RefusesWhatNoFileOfItsSizeHolds) {
  EXPECT_TRUE(fits("2 1 1 1"));
  EXPECT_TRUE(fits("0 3 1 1"));              // no width, only rows
  EXPECT_TRUE(fits("32767 1 1 1", 40000));   // the widest pixmap
  EXPECT_FALSE(fits("32768 1 1 1", 40000));  // wider than any pixmap
  EXPECT_FALSE(fits("1 32768 1 1", 40000));
  EXPECT_FALSE(fits("100 100 1 1"));  // 10,000 pixels in a few bytes
  EXPECT_TRUE(fits("100 100 1 1", 10001));
  EXPECT_FALSE(fits("2 1 1 0", 10000));  // pixels named by nothing
  EXPECT_FALSE(fits("2 1 100000 1"));    // more colours than bytes
  EXPECT_FALSE(fits("2 1 1 100000"));
  EXPECT_FALSE(fits("2 1 1 22222222222222222222222222222222", 1000000));
  EXPECT_FALSE(fits("4444444444444444444444444444444444444 2 1 0"));
}

}  // namespace
