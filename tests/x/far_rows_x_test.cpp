// Noblur and fill frames with the far rows resolved, read back from the
// server: pixel for pixel the frames of the walk, for text, a columnar
// listing and pictures of many pens, with other floor lengths, line spaces
// and frame sizes, at random positions and at the ends; and the lists that
// keep to the walk.
#include "support/app_fixture.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include <X11/Xutil.h>

#include "content/display_list.h"
#include "content/source_intake.h"
#include "render/draw_pass.h"
#include "render/far_rows.h"
#include "render/row_index.h"

namespace {

struct FarRowsX : AppFixture {
  std::vector<std::string> files;

  void TearDown() override {
    for (const std::string& f : files) unlink(f.c_str());
    AppFixture::TearDown();
  }
  std::string write_material(const std::string& text) {
    char name[] = "/tmp/lumadrift-far-XXXXXX";
    int fd = mkstemp(name);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fd);
    files.push_back(name);
    return name;
  }
  // The program's start-up with the material, up to the row index.
  void compile(const std::vector<std::string>& args) {
    start_app(args);
    build_content(&state, &argc, argv.data());
    index_display_list(&state);
    ASSERT_NE(state.row_index, nullptr);
  }
  // Frames at `count` random positions to beyond the end, and at the end,
  // in both modes; gives how many of them resolved far rows.
  int expect_walks_frames(int count, unsigned seed) {
    RowIndex* index = state.row_index;
    std::int64_t rows = index->spans.back().row;
    std::mt19937_64 random(seed);
    std::uniform_int_distribution<std::int64_t> position(rows / 4, rows + rows / 2);
    int resolved = 0;
    for (DrawMode mode : {kDrawNoblur, kDrawFill}) {
      FarRows* far = build_far_rows(*index, mode);
      EXPECT_NE(far, nullptr);
      for (int i = 0; i <= count && far; ++i) {
        state.position = i == count ? rows : position(random);
        Projection p{state.width,    state.height,   state.source_width,
                     state.length_x, state.length_y, state.position};
        resolved += plan_far_frame(p, *index, far->maps, &far->frame);
        state.far_rows = far;
        XImage* ours = frame(mode);
        state.far_rows = nullptr;
        XImage* walked = frame(mode);
        std::size_t size = static_cast<std::size_t>(ours->bytes_per_line) * ours->height;
        EXPECT_EQ(std::memcmp(ours->data, walked->data, size), 0)
            << (mode == kDrawFill ? "fill" : "noblur") << " at " << state.position;
        XDestroyImage(ours);
        XDestroyImage(walked);
      }
      free_far_rows(far);
    }
    return resolved;
  }
};

std::string words(std::mt19937& random, int letters) {
  std::string line;
  while (static_cast<int>(line.size()) < letters) {
    int length = 1 + static_cast<int>(random() % 9);
    for (int i = 0; i < length; ++i) line += static_cast<char>('a' + random() % 26);
    line += ' ';
  }
  return line;
}

TEST_F(FarRowsX, TextAtRandomPositions) {
  std::mt19937 random(31);
  std::string text;
  for (int l = 0; l < 400; ++l) text += words(random, static_cast<int>(random() % 60)) + "\n";
  compile({write_material(text)});
  EXPECT_GT(expect_walks_frames(12, 32), 12);
}

// Columns of a long listing, each at the same place on every line.
std::string listing(int lines, unsigned seed) {
  std::mt19937 random(seed);
  std::string text;
  char line[160];
  for (int l = 0; l < lines; ++l) {
    std::snprintf(line, sizeof line, "%s %2d root  root  %8u Dec %2d 10:%02d %s\n",
                  random() % 3 ? "-rw-r--r--" : "drwxr-xr-x", 1 + static_cast<int>(random() % 12),
                  static_cast<unsigned>(random() % 9000000), 1 + static_cast<int>(random() % 28),
                  static_cast<int>(random() % 60), words(random, 3 + random() % 12).c_str());
    text += line;
  }
  return text;
}

TEST_F(FarRowsX, ListingOnAShortFloor) {
  compile({"-ly", "30", write_material(listing(300, 33))});
  EXPECT_GT(expect_walks_frames(12, 34), 12);
}

TEST_F(FarRowsX, ListingMagnifiedWithLineSpaces) {
  compile({"-lx", "90", "-space", "6", "-ly", "40", write_material(listing(300, 35))});
  EXPECT_GT(expect_walks_frames(10, 36), 10);
}

TEST_F(FarRowsX, ListingNarrowedInASmallFrame) {
  compile({"-geometry", "300x200", "-lx", "900", write_material(listing(500, 37))});
  EXPECT_GT(expect_walks_frames(10, 38), 10);
}

// A picture of 80 colours, one character each, in runs.
std::string picture(std::mt19937& random) {
  int width = 60 + static_cast<int>(random() % 200), height = 300;
  auto code = [](int c) { return static_cast<char>(c < 57 ? '#' + c : '#' + c + 1); };  // no '\\'
  std::string xpm = "/* XPM */\nstatic char *p[] = {\n\"" + std::to_string(width) + " " +
                    std::to_string(height) + " 80 1\",\n";
  char colour[32];
  for (int c = 0; c < 80; ++c) {
    std::snprintf(colour, sizeof colour, "\"%c c #%06x\",\n", code(c),
                  static_cast<unsigned>(random() % 0x1000000));
    xpm += colour;
  }
  for (int y = 0; y < height; ++y) {
    std::string row;
    while (static_cast<int>(row.size()) < width) row.append(1 + random() % 7, code(random() % 80));
    xpm += "\"" + row.substr(0, width) + (y + 1 < height ? "\",\n" : "\"};\n");
  }
  return xpm;
}

TEST_F(FarRowsX, PicturesOfManyPens) {
  std::mt19937 random(39);
  std::vector<std::string> args = {"-ly", "20"};
  for (int i = 0; i < 6; ++i) args.push_back(write_material(picture(random)));
  compile(args);
  EXPECT_GT(state.segments->pens.size(), 200u);
  EXPECT_GT(expect_walks_frames(10, 40), 5);
}

// Negative line spaces move the pen back up: such a list has no far rows,
// and blur mode builds none.
TEST_F(FarRowsX, ListsWhoseRowsStepBackAndBlurKeepToTheWalk) {
  compile({"-space", "-20", "-nb", write_material(listing(100, 41))});
  EXPECT_EQ(state.far_rows, nullptr);
  EXPECT_EQ(build_far_rows(*state.row_index, kDrawBlur), nullptr);
  state.position = 5000;
  XImage* image = frame(kDrawNoblur);
  bool ink = false;
  for (int y = 0; y < state.height && !ink; ++y) {
    for (int x = 0; x < state.width && !ink; ++x) ink = XGetPixel(image, x, y) != state.paper_pixel;
  }
  EXPECT_TRUE(ink);
  XDestroyImage(image);
}

}  // namespace
