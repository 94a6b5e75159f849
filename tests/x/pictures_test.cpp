// XPM pictures against a private Xvfb: centring, runs of equal pixels, pens
// shared between runs, and files the library cannot read.
#include "support/app_fixture.h"

#include <glob.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "content/display_list.h"
#include "content/pixmap_loader.h"
#include "support/segments.h"

namespace {

struct Seg {
  int length;
  unsigned long pixel;
  int advance_x, advance_y;
  bool operator==(const Seg&) const = default;
};

void PrintTo(const Seg& s, std::ostream* os) {
  *os << "(" << s.length << ", " << std::hex << s.pixel << std::dec << ", " << s.advance_x << ", "
      << s.advance_y << ")";
}

constexpr unsigned long kA = 0xff0000, kB = 0x0000ff, kPaper = 0xffffff;

struct Pictures : AppFixture {
  std::string dir;
  void SetUp() override {
    AppFixture::SetUp();
    char name[] = "/tmp/lumadrift-pictures-XXXXXX";
    dir = mkdtemp(name);
  }
  void TearDown() override {
    std::string command = "rm -rf " + dir;
    EXPECT_EQ(system(command.c_str()), 0);
    AppFixture::TearDown();
  }
  void start(const std::vector<std::string>& args = {}) {
    start_app(args);
    state.pens = new_pen_cache();
    state.segments = new_segment_list();
    probe_pixels(&state);
  }
  // An XPM file of rows over the colours A (red), B (blue) and P (white).
  std::string write_xpm(const std::vector<std::string>& rows, int width = -1) {
    std::string path = dir + "/p" + std::to_string(files++) + ".xpm";
    std::ofstream out(path);
    int w = width >= 0 ? width : rows.empty() ? 0 : static_cast<int>(rows[0].size());
    out << "/* XPM */\nstatic char *p[] = {\n\"" << w << " " << rows.size() << " 3 1\",\n"
        << "\"A c #ff0000\",\n\"B c #0000ff\",\n\"P c #ffffff\"";
    for (const std::string& r : rows) out << ",\n\"" << r << "\"";
    out << "\n};\n";
    return path;
  }
  std::vector<Seg> segments() {
    std::vector<Seg> all;
    for (const Segment& s : segments_of(state.segments)) {
      all.push_back({s.length, s.pen->pixel, s.advance_x, s.advance_y});
    }
    return all;
  }
  int pen_count() {
    int n = 0;
    for (Pen* p = state.pens->head; p; p = p->next) ++n;
    return n;
  }
  int files = 0;
};

using Segs = std::vector<Seg>;

TEST_F(Pictures, RowsBecomeRunsBetweenTheCentringMoves) {
  start();
  ASSERT_EQ(state.paper_pixel, kPaper);
  const struct {
    std::vector<std::string> rows;
    Segs expected;
  } cases[] = {
      {{"AAB"}, {{0, kPaper, 158, 0}, {2, kA, 2, 0}, {1, kB, -2, 1}, {0, kPaper, -158, 0}}},
      {{"AB", "BB"},
       {{0, kPaper, 159, 0}, {1, kA, 1, 0}, {1, kB, -1, 1}, {2, kB, 0, 1}, {0, kPaper, -159, 0}}},
      {{"A", "B", "A"},
       {{0, kPaper, 159, 0}, {1, kA, 0, 1}, {1, kB, 0, 1}, {1, kA, 0, 1}, {0, kPaper, -159, 0}}},
      {{std::string(320, 'B')}, {{0, kPaper, 0, 0}, {320, kB, 0, 1}, {0, kPaper, 0, 0}}},
      {{std::string(101, 'A')}, {{0, kPaper, 109, 0}, {101, kA, 0, 1}, {0, kPaper, -109, 0}}},
      {{std::string(401, 'A')}, {{0, kPaper, -40, 0}, {401, kA, 0, 1}, {0, kPaper, 40, 0}}},
      // Paper-coloured pixels get the paper pen like any colour.
      {{"APA"},
       {{0, kPaper, 158, 0},
        {1, kA, 1, 0},
        {1, kPaper, 1, 0},
        {1, kA, -2, 1},
        {0, kPaper, -158, 0}}},
  };
  for (const auto& c : cases) {
    free_segment_list(state.segments);
    state.segments = new_segment_list();
    load_pixmap_file(&state, write_xpm(c.rows).c_str());
    EXPECT_EQ(segments(), c.expected) << c.rows[0];
  }
}

TEST_F(Pictures, AColourUsedLongAgoFindsItsPen) {
  start();
  load_pixmap_file(&state, write_xpm({"ABABABABAB", "BABABABABA"}).c_str());
  EXPECT_EQ(pen_count(), 3);  // A, B and paper
  EXPECT_EQ(segments().size(), 22u);
}

TEST_F(Pictures, AWideSourceSplitsTheCentringMove) {
  start({"-sw", "70000"});
  load_pixmap_file(&state, write_xpm({"AB"}).c_str());
  // A shift of 34999 does not fit one segment: two moves, and two back.
  EXPECT_EQ(segments(), (Segs{{0, kPaper, 32767, 0},
                              {0, kPaper, 2232, 0},
                              {1, kA, 1, 0},
                              {1, kB, -1, 1},
                              {0, kPaper, -32768, 0},
                              {0, kPaper, -2231, 0}}));
}

TEST_F(Pictures, UnreadablePicturesAddNothing) {
  start();
  std::string truncated = dir + "/truncated.xpm";
  std::ofstream(truncated)
      << "/* XPM */\nstatic char *p[] = {\n\"4 4 1 1\",\n\"A c #ff0000\",\n\"AA";
  std::string garbage = dir + "/garbage.xpm";
  std::ofstream(garbage) << "/* XPM */\n\x01\x02\xff nonsense";
  for (const std::string& path : {truncated, garbage, dir + "/missing.xpm", dir}) {
    load_pixmap_file(&state, path.c_str());
    EXPECT_EQ(state.segments->count, 0u) << path;
  }
}

TEST_F(Pictures, APictureWithoutWidthKeepsItsHeight) {
  start();
  load_pixmap_file(&state, write_xpm({"", "", ""}, 0).c_str());
  Segs got = segments();
  int rows = 0, across = 0;
  for (const Seg& s : got) {
    EXPECT_EQ(s.length, 0);
    rows += s.advance_y;
    across += s.advance_x;
  }
  if (!got.empty()) {
    EXPECT_EQ(rows, 3);
    EXPECT_EQ(across, 0);
  }
}

TEST_F(Pictures, ManyColoursGetOnePenEach) {
  start();
  std::string path = dir + "/many.xpm";
  std::ofstream out(path);
  out << "/* XPM */\nstatic char *p[] = {\n\"64 2 64 2\"";
  auto symbol = [](int i) {
    const char* a = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+-";
    return std::string(1, a[i % 64]) + "x";
  };
  char colour[16];
  for (int i = 0; i < 64; ++i) {
    std::snprintf(colour, sizeof colour, "#%02x%02x%02x", i * 4, 255 - i * 4, (i * 37) % 256);
    out << ",\n\"" << symbol(i) << " c " << colour << "\"";
  }
  for (int r = 0; r < 2; ++r) {
    out << ",\n\"";
    for (int i = 0; i < 64; ++i) out << symbol((i + r * 5) % 64);
    out << "\"";
  }
  out << "\n};\n";
  out.close();
  load_pixmap_file(&state, path.c_str());
  EXPECT_EQ(pen_count(), 65);  // 64 colours and paper
  EXPECT_EQ(segments().size(), 2u + 128u);
}

TEST_F(Pictures, SystemPicturesLoad) {
  start();
  int loaded = 0;
  glob_t found{};
  glob("/usr/share/pixmaps/*.xpm", 0, nullptr, &found);
  for (size_t i = 0; i < found.gl_pathc; ++i) {
    const char* path = found.gl_pathv[i];
    {
      free_segment_list(state.segments);
      state.segments = new_segment_list();
      load_pixmap_file(&state, path);
      int rows = 0, across = 0;
      for (const Seg& s : segments()) {
        rows += s.advance_y;
        across += s.advance_x;
      }
      EXPECT_GT(rows, 0) << path;
      EXPECT_EQ(across, 0) << path;
      ++loaded;
    }
  }
  globfree(&found);
  if (loaded == 0) GTEST_SKIP() << "no XPM pictures installed";
}

}  // namespace
