// Characters in every script against a real server: the fallback behind
// the 8x16 core font in a UTF-8 locale, the faceName face with its own
// fallback and grey levels, and bad faceName values. The fonts are those
// of fonts-dejavu-core and fonts-unifont, found through fontconfig.
#include "support/app_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "content/display_list.h"
#include "content/font_faces.h"
#include "content/glyph_levels.h"
#include "content/glyphs.h"
#include "content/text_reader.h"
#include "support/segments.h"

namespace {

constexpr char32_t kZhe = 0x416, kAlpha = 0x3b1, kSun = 0x65e5, kCheck = 0x2713;
constexpr char32_t kLatin[] = {0xe9, 'A', 0xff, 0x80};

// What a prepared glyph looks like: its width, its rows as text (one
// character per pixel: '.' paper, '#' ink, digits for greys) and where
// its ink lies.
struct Shape {
  int width = 0;
  std::vector<std::string> rows;
  long ink = 0;
  int top = -1, bottom = -1;  // rows with ink
  std::set<int> levels;       // run values met
};

struct Fonts : AppFixture {
  void start(const std::vector<std::string>& args, const char* locale = "C.UTF-8") {
    setenv("LC_ALL", locale, 1);
    start_app(args);
    state.pens = new_pen_cache();
    state.segments = new_segment_list();
    state.glyphs = new_glyph_table();
    state.line_height = text_line_height(&state);
    probe_pixels(&state);
  }
  Shape shape(char32_t c) {
    if (!glyph_entry(state.glyphs, c)->rows) rasterize_glyph(&state, c);
    const GlyphRuns& g = *glyph_entry(state.glyphs, c);
    Shape out;
    out.width = g.width;
    for (int r = 0; r < state.line_height; ++r) {
      std::string row;
      for (const ::Run* run = g.rows[r]; run; run = run->next) {
        char pixel = run->ink == kPaperInk  ? '.'
                     : run->ink == kFullInk ? '#'
                                            : static_cast<char>('0' + run->ink - kFirstGrey);
        row.append(run->length, pixel);
        out.levels.insert(run->ink);
        if (run->ink == kPaperInk) continue;
        out.ink += run->length;
        if (out.top < 0) out.top = r;
        out.bottom = r;
      }
      out.rows.push_back(row);
    }
    return out;
  }
  // Rows from the highest ink of these letters to the lowest.
  int ink_height(std::initializer_list<char32_t> letters) {
    int top = state.line_height, bottom = -1;
    for (char32_t c : letters) {
      Shape s = shape(c);
      if (s.top < 0) continue;
      top = std::min(top, s.top);
      bottom = std::max(bottom, s.bottom);
    }
    return bottom < 0 ? 0 : bottom - top + 1;
  }
};

// With the default font every script leaves ink of its own; a wide
// character takes two cells, and a letter of the font stays the font's.
TEST_F(Fonts, TheDefaultFontFallsBackForEveryScript) {
  start({});
  ASSERT_EQ(state.line_height, 16);
  std::vector<std::vector<std::string>> seen;
  for (char32_t c : {kZhe, kAlpha, kSun, kCheck, char32_t{0x5d0}, char32_t{0x915}}) {
    Shape s = shape(c);
    EXPECT_GT(s.ink, 10) << std::hex << static_cast<unsigned>(c);
    EXPECT_EQ(s.levels, (std::set<int>{kPaperInk, kFullInk})) << "two colours";
    for (const auto& other : seen) EXPECT_NE(s.rows, other) << static_cast<unsigned>(c);
    seen.push_back(s.rows);
  }
  int cyrillic = shape(kZhe).width, cjk = shape(kSun).width;
  EXPECT_GE(cjk, 15 * cyrillic / 10);
  EXPECT_LE(cjk, 25 * cyrillic / 10);
  // Characters of 8x16 itself, and control codes, as the C locale has them.
  std::vector<Shape> utf8;
  for (char32_t c : kLatin) utf8.push_back(shape(c));
  release_app(&state);
  state = {};
  start({}, "C");
  int k = 0;
  for (char32_t c : kLatin) {
    Shape s = shape(c);
    EXPECT_EQ(s.rows, utf8[k].rows) << static_cast<unsigned>(c);
    EXPECT_EQ(s.width, 8);
    ++k;
  }
  // The C locale has no fallback: beyond a byte the default character.
  EXPECT_EQ(shape(kZhe).rows, shape(' ').rows);
}

TEST_F(Fonts, AFaceOfThirtyTwoPixelsGivesLettersTwiceAsTall) {
  start({});
  int core = ink_height({'H', 'g'});
  release_app(&state);
  state = {};
  start({"-xrm", "*faceName: DejaVu Sans Mono:pixelsize=32"});
  EXPECT_GE(state.line_height, 32);
  EXPECT_LE(state.line_height, 40);
  int face = ink_height({'H', 'g'});
  EXPECT_GE(face, 18 * core / 10) << face << " against " << core;
  EXPECT_LE(face, 22 * core / 10) << face << " against " << core;
  // The source width is 40 cells of the face, which is monospaced.
  int cell = shape('m').width;
  EXPECT_EQ(shape('i').width, cell);
  EXPECT_EQ(state.source_width, 40 * cell);
  // DejaVu Sans Mono has no CJK: the fallback draws it, two cells wide.
  Shape sun = shape(kSun);
  EXPECT_GT(sun.ink, 40);
  EXPECT_GE(sun.width, 3 * cell / 2);
  EXPECT_EQ(sun.levels, (std::set<int>{kPaperInk, kFullInk}));
}

// antialias=true: a few grey levels, each its own pen between the colours.
TEST_F(Fonts, AnAntialiasedFaceKeepsGreyLevelsWithPensOfTheirOwn) {
  start({"-xrm", "*faceName: DejaVu Sans:pixelsize=24:antialias=true", "-fg", "black", "-bg",
         "white"});
  std::set<int> levels = shape('O').levels;
  EXPECT_GT(levels.size(), 3u);
  for (int v : levels) EXPECT_LT(v, kFirstGrey + kGreyLevels);
  std::set<unsigned long> greys(state.grey_pixels, state.grey_pixels + kGreyLevels);
  EXPECT_EQ(greys.size(), 3u);
  EXPECT_EQ(greys.count(state.ink_pixel) + greys.count(state.paper_pixel), 0u);
  read_letters(&state, "O", from_string);
  std::set<unsigned long> pixels;
  for (const Segment& g : segments_of(state.segments)) pixels.insert(g.pen->pixel);
  EXPECT_GT(pixels.size(), 3u);
  for (unsigned long p : pixels) {
    EXPECT_TRUE(p == state.ink_pixel || p == state.paper_pixel || greys.count(p)) << p;
  }
}

TEST_F(Fonts, BadFaceNamesAreWarnedAboutAndLeaveTheCoreFont) {
  const char* bad[] = {"",
                       "   ",
                       "x:weight=zzz",
                       "Mono:pixelsize=abc",
                       "Mono:pixelsize=2000",
                       "Mono:size=5000",
                       "Mono:pixelsize=-3"};
  for (const char* name : bad) {
    AppState probe{};
    Arguments args;
    setenv("LC_ALL", "C.UTF-8", 1);
    testing::internal::CaptureStderr();
    start_app_on(server.display_name, {"-xrm", std::string("*faceName: ") + name}, &args, &probe);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("faceName \""), std::string::npos) << name;
    EXPECT_NE(err.find("; using the core font"), std::string::npos) << name << ": " << err;
    EXPECT_EQ(text_line_height(&probe), 16) << name;
    EXPECT_EQ(probe.source_width, 320) << name;
    release_app(&probe);
  }
}

}  // namespace
