// The text reader and the line layout over a glyph table and a font made in
// the test: no X server is involved.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app_state.h"
#include "content/display_list.h"
#include "content/glyph_levels.h"
#include "content/glyphs.h"
#include "content/line_layout.h"
#include "content/text_reader.h"
#include "support/segments.h"

namespace {

constexpr unsigned long kInk = 1, kPaper = 0;
constexpr int kCodes = 256;  // the font's characters

struct Seg {
  int length;
  bool ink;
  int advance_x, advance_y;
  bool operator==(const Seg&) const = default;
};

void PrintTo(const Seg& s, std::ostream* os) {
  *os << "(" << s.length << ", " << (s.ink ? "ink" : "paper") << ", " << s.advance_x << ", "
      << s.advance_y << ")";
}

using Segs = std::vector<Seg>;

// A run list; lengths past 255 go on as further runs of the same ink, as
// the rasterizer stores them.
::Run* runs(std::initializer_list<std::pair<int, int>> list) {
  ::Run* head = nullptr;
  ::Run** link = &head;
  for (auto [ink, length] : list) {
    while (length > 0) {
      int part = length > 255 ? 255 : length;
      *link = static_cast<::Run*>(std::malloc(sizeof(::Run)));
      **link = {static_cast<std::uint8_t>(ink), static_cast<std::uint8_t>(part), nullptr};
      link = &(*link)->next;
      length -= part;
    }
  }
  return head;
}

// A compiler state without a server: a font of 8-pixel characters (some
// wider when asked), glyphs made here, and two pens without GCs.
struct Compiler : testing::Test {
  AppState s{};
  XFontStruct font{};
  XCharStruct chars[kCodes]{};
  Pen ink{nullptr, kInk, nullptr, nullptr};
  Pen paper{nullptr, kPaper, nullptr, nullptr};
  PenCache cache{};

  void SetUp() override { setup(9, 320, 1); }
  void TearDown() override {
    free_glyphs(&s);
    free_segment_list(s.segments);
  }

  void setup(int line_height, int source_width, int line_space) {
    for (XCharStruct& c : chars) c.width = 8;
    font.min_bounds.width = 8;
    font.max_bounds.width = 8;
    font.min_char_or_byte2 = 0;
    font.max_char_or_byte2 = kCodes - 1;
    font.per_char = chars;
    s.font_info = &font;
    s.line_height = line_height;
    s.source_width = source_width;
    s.line_space = line_space;
    s.ink_pixel = kInk;
    s.paper_pixel = kPaper;
    s.pens = &cache;
    push_pen_front(&cache, &paper);
    push_pen_front(&cache, &ink);
    s.segments = new_segment_list();
    s.glyphs = new_glyph_table();
  }

  GlyphRuns& glyph(char32_t c) { return *glyph_entry(s.glyphs, c); }

  // A code point gets a glyph of its font width whose row 0 marks where
  // the character begins (one ink pixel) and whose row r + 1 is all ink
  // when bit r of the code point is set, so that lines can be read back
  // from the segments.
  // `width` stands for a glyph of another font, as a fallback's may be.
  void prepare_code_glyph(char32_t c, int width = 0) {
    int w = width ? width : char_width(&font, c);
    glyph(c).width = static_cast<std::int16_t>(w);
    glyph(c).rows = static_cast<::Run**>(std::calloc(s.line_height, sizeof(::Run*)));
    glyph(c).rows[0] = runs({{true, 1}, {false, w - 1}});
    for (int r = 1; r < s.line_height; ++r) glyph(c).rows[r] = runs({{(c >> (r - 1) & 1) != 0, w}});
  }
  void prepare_code_glyphs() {
    for (int c = 0; c < kCodes; ++c) prepare_code_glyph(static_cast<char32_t>(c));
  }

  // A character of another width; the font's bounds follow, as a real
  // font's do (XTextWidth takes a font whose bounds agree as fixed-width).
  void set_width(int c, int width) {
    chars[c].width = static_cast<short>(width);
    if (width > font.max_bounds.width) font.max_bounds.width = static_cast<short>(width);
    if (width < font.min_bounds.width) font.min_bounds.width = static_cast<short>(width);
  }

  Segs segments() {
    Segs all;
    for (const Segment& g : segments_of(s.segments)) {
      all.push_back({g.length, g.pen == &ink, g.advance_x, g.advance_y});
    }
    return all;
  }
};

// ---------------------------------------------------------------- reader

// A line's characters as code points; a byte string stands for its bytes.
struct Line {
  std::u32string text;
  bool centred;
  Line(std::u32string t, bool c) : text(std::move(t)), centred(c) {}
  Line(const std::string& bytes, bool c) : text(bytes.begin(), bytes.end()), centred(c) {
    for (char32_t& ch : text) ch &= 0xff;
  }
  bool operator==(const Line&) const = default;
};

void PrintTo(const Line& l, std::ostream* os) {
  *os << (l.centred ? "centred " : "") << "U\"";
  for (char32_t c : l.text) {
    if (c >= 32 && c < 127) {
      *os << static_cast<char>(c);
    } else {
      *os << "\\u{" << std::hex << static_cast<unsigned long>(c) << std::dec << "}";
    }
  }
  *os << "\"";
}

using Lines = std::vector<Line>;

struct Reader : Compiler {
  void SetUp() override {
    Compiler::SetUp();
    prepare_code_glyphs();
  }

  // Reads the lines back from what the layout made of them (line_space 1).
  Lines lines() {
    Lines out;
    std::vector<Segment> all = segments_of(s.segments);
    const Segment* g = all.data();
    const Segment* end = g + all.size();
    while (g != end) {
      Line line{U"", false};
      if (g->length == 0 && g->advance_y == 0) {  // the centring move
        line.centred = true;
        ++g;
      }
      if (g->length == 0 && g->advance_y == s.line_height) {
        ++g;  // an empty line
      } else {
        std::vector<std::string> rows(s.line_height);
        for (int r = 0; r < s.line_height; ++r) {
          for (; g->length > 0; ++g) rows[r].append(g->length, g->pen == &ink ? '1' : '0');
          ++g;  // the row's move back
        }
        for (size_t x = 0; x < rows[0].size(); ++x) {
          if (rows[0][x] != '1') continue;  // not where a character begins
          char32_t code = 0;
          for (int r = 1; r < s.line_height; ++r) code |= char32_t{rows[r][x] == '1'} << (r - 1);
          line.text.push_back(code);
        }
      }
      ++g;  // the line space, or the move back from the centre
      out.push_back(line);
    }
    return out;
  }

  Lines read_string(const std::string& text) {
    read_letters(&s, text.c_str(), from_string);
    return lines();
  }
  Lines read_stream(const std::string& text) {
    std::FILE* f = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    if (text.empty()) f = std::fopen("/dev/null", "r");
    read_letters(&s, f, from_stream);
    std::fclose(f);
    return lines();
  }
  void reset() {
    free_segment_list(s.segments);
    s.segments = new_segment_list();
  }
};

TEST_F(Reader, LinesEndAtNewlinesAndAtTheEnd) {
  const struct {
    std::string input;
    Lines expected;
  } cases[] = {
      {"", {}},
      {"\x01\x02\r\x7f", {{"\x7f", false}}},  // 127 is printable
      {"\x01\x02\r", {}},
      {"\n", {{"", false}}},
      {"\n\n", {{"", false}, {"", false}}},
      {"abc", {{"abc", false}}},
      {"abc\n", {{"abc", false}}},
      {"ab\r\ncd\r\n", {{"ab", false}, {"cd", false}}},
      {"\tabc\n", {{"abc", true}}},
      {"a\tb\n", {{"ab", false}}},
      {"\t", {}},
      {"ab\bc\n", {{"ac", false}}},
      {"\bx\n", {{"x", false}}},
      {"a\b\tb\n", {{"b", true}}},
      {"a\n\bb\n", {{"a", false}, {"b", false}}},
      {"\x1b[1;31mred\n", {{"red", false}}},
      {"\x1b[1;\n31mred\n", {{"red", false}}},  // newlines inside are dropped too
      {"ab\x1b[12", {{"ab", false}}},
      {"#center\n", {{"", true}}},
      {"#centerHello\n", {{"Hello", true}}},
      {"#center Title", {{" Title", true}}},
      {"x#center\n", {{"x#center", false}}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(read_string(c.input), c.expected) << "string " << testing::PrintToString(c.input);
    reset();
    EXPECT_EQ(read_stream(c.input), c.expected) << "stream " << testing::PrintToString(c.input);
    reset();
  }
}

TEST_F(Reader, HighBytesAreLettersFromAStreamButNotFromAString) {
  std::string input =
      "a\x80"
      "b\xff"
      "c\n";
  EXPECT_EQ(read_stream(input), (Lines{{"a\x80"
                                        "b\xff"
                                        "c",
                                        false}}));
  reset();
  EXPECT_EQ(read_string(input), (Lines{{"ab", false}}));  // 0x80 dropped, 0xff ends it
  reset();
  // Inside an escape sequence a string's 0xff ends the sequence only.
  EXPECT_EQ(read_string("\x1b[\xff"
                        "ab\n"),
            (Lines{{"ab", false}}));
}

TEST_F(Reader, NulBytesAreDroppedFromAStream) {
  std::string input("a\0b\n", 4);
  EXPECT_EQ(read_stream(input), (Lines{{"ab", false}}));
  reset();
  EXPECT_EQ(read_string(input), (Lines{{"a", false}}));
}

TEST_F(Reader, WrapsAtTheOverflowingCharacter) {
  std::string forty(40, 'x');
  EXPECT_EQ(read_string(forty + "y\n"), (Lines{{forty, false}, {"y", false}}));
  reset();
  EXPECT_EQ(read_string(forty + "\n"), (Lines{{forty, false}}));
  reset();
  // Every piece of a wrapped centred line is centred.
  EXPECT_EQ(read_string("\t" + forty + "yz\n"), (Lines{{forty, true}, {"yz", true}}));
}

TEST_F(Reader, AnOverWideFirstCharacterStandsAlone) {
  set_width('@', 400);
  free_glyphs(&s);
  s.glyphs = new_glyph_table();
  prepare_code_glyphs();
  EXPECT_EQ(read_string("@\n"), (Lines{{"", false}, {"@", false}}));
}

TEST_F(Reader, KeepsTheFirst2047CharactersOfALine) {
  s.source_width = 1000000;
  std::string long_line(3000, 'q');
  long_line[2046] = 'e';
  long_line[2047] = 'z';
  Lines got = read_string(long_line + "\n");
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].text.size(), 2047u);
  EXPECT_EQ(got[0].text.back(), 'e');
}

TEST_F(Reader, TheLineWidthIsTheFontsWidthOfTheWholeLine) {
  // Widths that differ by character: the wrap falls where XTextWidth says.
  set_width('w', 13);
  set_width('i', 3);
  free_glyphs(&s);
  s.glyphs = new_glyph_table();
  prepare_code_glyphs();
  s.source_width = 50;
  std::string text = "wiwiwiwiiw\bwiw";
  Lines got = read_string(text + "\n");
  for (const Line& l : got) {
    int width = 0;
    for (char32_t c : l.text) width += char_width(&font, c);
    EXPECT_LE(width, 50) << testing::PrintToString(l);
  }
  EXPECT_EQ(got, (Lines{{"wiwiwi", false}, {"wiiwiw", false}}));
}

// In a UTF-8 locale a character is a code point, whatever its bytes: it
// is what backspace removes, what wraps and what the line limit counts.
struct Utf8Reader : Reader {
  void SetUp() override {
    setup(22, 320, 1);  // rows enough to read 21-bit code points back
    prepare_code_glyphs();
    for (char32_t c : std::u32string(U"\u03b1\u0416\u0436\u044b\U0001f600")) {
      prepare_code_glyph(c);
    }
    s.utf8_text = 1;
  }
};

TEST_F(Utf8Reader, CharactersAreCodePoints) {
  const std::string zhe = "\xd0\xb6", yery = "\xd1\x8b";
  std::string forty_zhe;
  for (int i = 0; i < 40; ++i) forty_zhe += zhe;
  const struct {
    std::string input;
    Lines expected;
  } cases[] = {
      {"Gr\xc3\xbc\xc3\x9f"
       "e\n",
       {{U"Gr\u00fc\u00dfe", false}}},
      {"caf\xe9 \xf0\x9f\x98\x80\n", {{U"caf\u00e9 \U0001f600", false}}},
      {"ab\xce\xb1\b\bc\n", {{U"ac", false}}},
      {"\x1b[\xce\xb1;1mx\xd0\x96\n", {{U"x\u0416", false}}},
      {"#center\xd0\x96\n", {{U"\u0416", true}}},
      {"\t" + forty_zhe + yery + "\n", {{std::u32string(40, U'\u0436'), true}, {U"\u044b", true}}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(read_string(c.input), c.expected) << "string " << testing::PrintToString(c.input);
    reset();
    EXPECT_EQ(read_stream(c.input), c.expected) << "stream " << testing::PrintToString(c.input);
    reset();
  }
}

// A glyph from a font other than the core font brings its own width: a
// line of characters two cells wide wraps after half as many.
TEST_F(Utf8Reader, LinesWrapAtTheWidthsOfTheirGlyphs) {
  const char32_t sun = 0x65e5;
  prepare_code_glyph(sun, 16);
  std::string twenty_one;
  for (int i = 0; i < 21; ++i) twenty_one += "\xe6\x97\xa5";
  EXPECT_EQ(read_string(twenty_one + "\n"),
            (Lines{{std::u32string(20, sun), false}, {std::u32string(1, sun), false}}));
  reset();
  // Centred by the glyphs' widths too: (320 - 3 * 16) / 2.
  read_string("\t\xe6\x97\xa5\xe6\x97\xa5\xe6\x97\xa5\n");
  EXPECT_EQ(segments_of(s.segments).front().advance_x, 136);
}

TEST_F(Utf8Reader, KeepsTheFirst2047CharactersOfALine) {
  s.source_width = 1000000;
  std::string long_line;
  for (int i = 0; i < 3000; ++i) long_line += i == 2046 ? "\xd0\x96" : "\xc3\xa9";
  Lines got = read_stream(long_line);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].text.size(), 2047u);
  EXPECT_EQ(got[0].text.back(), U'\u0416');
}

// ---------------------------------------------------------------- layout

struct Layout : Compiler {
  void SetUp() override {
    setup(16, 320, 1);
    // A space that draws nothing; other letters a bar of ink then paper.
    for (int c = 0; c < kCodes; ++c) {
      glyph(c).width = static_cast<std::int16_t>(chars[c].width);
      glyph(c).rows = static_cast<::Run**>(std::calloc(s.line_height, sizeof(::Run*)));
      for (int r = 0; r < s.line_height; ++r) {
        glyph(c).rows[r] = c == ' ' ? runs({{false, 8}}) : runs({{true, 2}, {false, 6}});
      }
    }
  }
  void free_runs_of(char32_t c, int r) {
    for (::Run* run = glyph(c).rows[r]; run;) {
      ::Run* next = run->next;
      std::free(run);
      run = next;
    }
  }
  Segs lay_out(const std::string& text, int centred) {
    std::u32string characters(text.begin(), text.end());
    for (char32_t& c : characters) c &= 0xff;
    emit_line(&s, characters.data(), static_cast<int>(characters.size()), centred);
    return segments();
  }
};

Segs repeat(const Segs& row, int times) {
  Segs all;
  for (int i = 0; i < times; ++i) all.insert(all.end(), row.begin(), row.end());
  return all;
}

Segs operator+(Segs a, const Segs& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST_F(Layout, OneSpaceIsSixteenRowsAndTheLineSpace) {
  Segs got = lay_out(" ", 0);
  EXPECT_EQ(got.size(), 33u);
  EXPECT_EQ(got, (repeat({{8, false, 8, 0}, {0, false, -8, 1}}, 16) + Segs{{0, false, 0, 1}}));
}

TEST_F(Layout, NeighbouringRunsOfOneInkJoin) {
  EXPECT_EQ(lay_out("  ", 0),
            (repeat({{16, false, 16, 0}, {0, false, -16, 1}}, 16) + Segs{{0, false, 0, 1}}));
}

TEST_F(Layout, LettersKeepTheirRunsAndJoinAtTheBoundary) {
  // "a " : ink 2, paper 6 joined with the space's paper 8.
  Segs row = {{2, true, 2, 0}, {14, false, 14, 0}, {0, false, -16, 1}};
  EXPECT_EQ(lay_out("a ", 0), (repeat(row, 16) + Segs{{0, false, 0, 1}}));
}

// Runs of grey levels draw with the pen of their colour, and join only
// runs of the same level across a character boundary.
TEST_F(Layout, GreyLevelsTakePensOfTheirOwnAndJoinOnlyTheirLike) {
  Pen greys[kGreyLevels];
  for (int g = 0; g < kGreyLevels; ++g) {
    s.grey_pixels[g] = 10 + static_cast<unsigned long>(g);
    greys[g] = {nullptr, s.grey_pixels[g], nullptr, nullptr};
    push_pen_front(&cache, &greys[g]);
  }
  const int light = kFirstGrey, mid = kFirstGrey + 1, dark = kFirstGrey + 2;
  for (int r = 0; r < s.line_height; ++r) {
    free_runs_of('g', r);
    free_runs_of('h', r);
    glyph('g').rows[r] = runs({{light, 1}, {kFullInk, 2}, {dark, 1}, {mid, 4}});
    glyph('h').rows[r] = runs({{mid, 1}, {light, 7}});
  }
  emit_line(&s, U"gh", 2, 0);
  std::vector<std::pair<int, unsigned long>> row;
  for (const Segment& g : segments_of(s.segments)) {
    if (g.advance_y != 0) break;
    row.emplace_back(g.length, g.pen->pixel);
  }
  EXPECT_EQ(row, (std::vector<std::pair<int, unsigned long>>{
                     {1, 10}, {2, kInk}, {1, 12}, {5, 11}, {7, 10}}));
}

TEST_F(Layout, EmptyLines) {
  EXPECT_EQ(lay_out("", 0), (Segs{{0, false, 0, 16}, {0, false, 0, 1}}));
  free_segment_list(s.segments);
  s.segments = new_segment_list();
  s.line_space = 0;
  EXPECT_EQ(lay_out("", 0), (Segs{{0, false, 0, 16}}));
  free_segment_list(s.segments);
  s.segments = new_segment_list();
  s.line_space = 1;
  EXPECT_EQ(lay_out("", 1), (Segs{{0, false, 160, 0}, {0, false, 0, 16}, {0, false, -160, 1}}));
}

TEST_F(Layout, CentringShiftsTheLineAndBack) {
  set_width('x', 101);
  glyph('x').width = 101;
  for (int r = 0; r < 16; ++r) {
    ::Run* old = glyph('x').rows[r];
    while (old) {
      ::Run* next = old->next;
      std::free(old);
      old = next;
    }
    glyph('x').rows[r] = runs({{true, 101}});
  }
  s.line_space = 0;
  Segs got = lay_out("x", 1);
  EXPECT_EQ(got.front(), (Seg{0, false, 109, 0}));
  EXPECT_EQ(got.back(), (Seg{0, false, -109, 0}));  // also with no line space
  EXPECT_EQ(got.size(), 2u + 32u);
}

TEST_F(Layout, ALineWiderThanTheSourceShiftsLeft) {
  s.source_width = 4;
  Segs got = lay_out("ab", 1);  // 16 pixels: (4 - 16) / 2 = -6
  EXPECT_EQ(got.front(), (Seg{0, false, -6, 0}));
  EXPECT_EQ(got.back(), (Seg{0, false, 6, 1}));
}

TEST_F(Layout, AdvancesAddUpPerRowAndPerLine) {
  for (const std::string& text : {std::string("a b  cd"), std::string(" x "), std::string("zz")}) {
    for (int centred : {0, 1}) {
      free_segment_list(s.segments);
      s.segments = new_segment_list();
      long x = 0, rows = 0;
      for (const Seg& g : lay_out(text, centred)) {
        x += g.advance_x;
        rows += g.advance_y;
        // Each row ends where the line began.
        long start = centred ? 160 - 4 * static_cast<long>(text.size()) : 0;
        bool row_end = g.advance_y == 1 && g.length == 0 && rows <= 16;
        if (row_end) {
          EXPECT_EQ(x, start) << text;
        }
      }
      EXPECT_EQ(x, 0) << text;
      EXPECT_EQ(rows, 16 + 1) << text;
    }
  }
}

TEST_F(Layout, MovesBeyondSixteenBitsAreSplit) {
  s.source_width = 70000;
  s.line_space = 100000;
  Segs got = lay_out("", 1);  // shift 35000, 100000 rows of line space
  EXPECT_EQ(got, (Segs{{0, false, 32767, 0},
                       {0, false, 2233, 0},
                       {0, false, 0, 16},
                       {0, false, -32768, 0},
                       {0, false, -2232, 32767},
                       {0, false, 0, 32767},
                       {0, false, 0, 32767},
                       {0, false, 0, 1699}}));
}

TEST_F(Layout, ARowWiderThanSixteenBitsKeepsItsPixels) {
  s.source_width = 1000000;
  std::string text(4100, ' ');  // 32800 pixels of paper in every row
  Segs got = lay_out(text, 0);
  long x = 0, paper_pixels = 0;
  for (int i = 0; i < 4; ++i) {
    EXPECT_GT(got[i].length + 0, -1);
    paper_pixels += got[i].length;
    x += got[i].advance_x;
    if (got[i].advance_y) break;
  }
  EXPECT_EQ(got[0], (Seg{32768 - 8, false, 32768 - 8, 0}));  // joined up to the limit
  EXPECT_EQ(got[1], (Seg{40, false, 40, 0}));
  EXPECT_EQ(got[2], (Seg{0, false, -32768, 0}));
  EXPECT_EQ(got[3], (Seg{0, false, -32, 1}));
  EXPECT_EQ(x, 0);
  EXPECT_EQ(paper_pixels, 32800);
}

}  // namespace
