// Smooth frames against a real server: letters' edges show many grey
// levels, the far field changes from frame to frame by a quarter of what
// the default's does, pictures are filtered, and a visual that cannot
// blend, or a resource that is no boolean, keeps the default. A whole run
// in a window takes keys and a resize in every mode, core font or face.
#include "support/app_fixture.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <X11/Xft/Xft.h>

#include "content/font_faces.h"
#include "content/source_intake.h"
#include "render/draw_pass.h"
#include "render/projection.h"

namespace {

struct SmoothX : AppFixture {
  std::string text_file;
  void TearDown() override {
    if (!text_file.empty()) unlink(text_file.c_str());
    AppFixture::TearDown();
  }
  // The program's start-up with a long text, in blur mode.
  void compile(const std::vector<std::string>& options) {
    text_file = "/tmp/lumadrift-smooth-" + std::to_string(getpid());
    std::ofstream out(text_file);
    for (int i = 0; i < 3000; ++i) out << "Line " << i << " of a long text flies far away.\n";
    out.close();
    std::vector<std::string> args = options;
    args.push_back(text_file);
    start_app(args);
    build_content(&state, &argc, argv.data());
    index_display_list(&state);
  }
  // Ink of each screen row of the upper half: how far its pixels lie from
  // the paper, summed.
  std::vector<double> ink_per_row(XImage* image) {
    std::vector<double> rows;
    for (int y = 0; y < state.height / 2; ++y) {
      double ink = 0;
      for (int x = 0; x < state.width; ++x) ink += 255 - (XGetPixel(image, x, y) & 0xff);
      rows.push_back(ink);
    }
    return rows;
  }
  // The change of the upper half's ink per row from frame to frame, over 40
  // consecutive positions.
  double flicker() {
    double change = 0;
    std::vector<double> last;
    for (int i = 0; i < 40; ++i) {
      state.position = 30000 + i;
      XImage* image = frame(kDrawBlur);
      std::vector<double> now = ink_per_row(image);
      XDestroyImage(image);
      for (std::size_t y = 0; i > 0 && y < now.size(); ++y) change += std::abs(now[y] - last[y]);
      last = now;
    }
    return change;
  }
};

TEST_F(SmoothX, TheFarFieldChangesByAQuarterOfTheDefaults) {
  compile({});
  double by_default = flicker();
  release_app(&state);
  state = {};
  compile({"-xrm", "*smooth: true"});
  ASSERT_NE(state.smooth_pass, nullptr);
  double smooth = flicker();
  EXPECT_GT(by_default, 0);
  EXPECT_LE(smooth, by_default / 4) << "default " << by_default << ", smooth " << smooth;
}

TEST_F(SmoothX, LetterEdgesShowManyGreyLevels) {
  compile({"-xrm", "*smooth: true"});
  state.position = 120;
  XImage* image = frame(kDrawBlur);
  std::set<unsigned long> greys;
  for (int y = state.height / 2; y < state.height; ++y) {
    for (int x = 0; x < state.width; ++x) greys.insert(XGetPixel(image, x, y));
  }
  XDestroyImage(image);
  EXPECT_GT(greys.size(), 2u + 16u);
  // A frame that shows nothing leaves nothing of the last one.
  state.position = -50;
  image = frame(kDrawBlur);
  greys.clear();
  for (int y = 0; y < state.height; ++y) {
    for (int x = 0; x < state.width; ++x) greys.insert(XGetPixel(image, x, y));
  }
  XDestroyImage(image);
  EXPECT_EQ(greys.size(), 1u);
}

TEST_F(SmoothX, APictureIsFilteredWhereItIsMagnified) {
  std::string picture = "/tmp/lumadrift-smooth-picture-" + std::to_string(getpid());
  std::ofstream(picture) << "/* XPM */\nstatic char *p[] = {\n\"4 4 2 1\",\n\"A c #ff0000\",\n"
                            "\"B c #0000ff\",\n\"ABAB\",\n\"BABA\",\n\"ABAB\",\n\"BABA\"\n};\n";
  start_app({"-xrm", "*smooth: true", "-lx", "16", picture});
  build_content(&state, &argc, argv.data());
  index_display_list(&state);
  unlink(picture.c_str());
  state.position = 2;
  XImage* image = frame(kDrawBlur);
  bool blended = false;  // a pixel with both red and blue in it
  for (int y = 0; y < state.height && !blended; ++y) {
    for (int x = 0; x < state.width && !blended; ++x) {
      unsigned long pixel = XGetPixel(image, x, y);
      unsigned red = pixel >> 16 & 0xff, blue = pixel & 0xff;
      blended = red > 40 && red < 215 && blue > 40 && blue < 215;
    }
  }
  XDestroyImage(image);
  EXPECT_TRUE(blended);
}

// A letter at the bottom edge against the same face rasterized for the
// test at 32 times the source resolution and projected at 4 x 4 points a
// pixel: on average within 3% of full scale over the letter's pixels.
TEST_F(SmoothX, ALetterAtTheBottomEdgeIsTheFaceAtItsProjectedSize) {
  start_app({"-xrm", "*smooth: true", "H"});
  build_content(&state, &argc, argv.data());
  index_display_list(&state);
  state.position = 15;  // the line's last pixel row at the bottom edge
  XImage* image = frame(kDrawBlur);

  constexpr int kScale = 32, kPoints = 4;
  std::string name = "monospace:antialias=true:hinting=false:pixelsize=" +
                     std::to_string((state.font_info->ascent + state.font_info->descent) * kScale);
  XftFont* font = XftFontOpenName(state.display, state.screen, name.c_str());
  ASSERT_NE(font, nullptr);
  FT_Face face = XftLockFace(font);
  ASSERT_EQ(FT_Load_Glyph(face, XftCharIndex(state.display, font, 'H'),
                          FT_LOAD_RENDER | FT_LOAD_NO_HINTING),
            0);
  const FT_Bitmap& bitmap = face->glyph->bitmap;
  int left = face->glyph->bitmap_left, top = face_ascent(&state) * kScale - face->glyph->bitmap_top;
  auto coverage = [&](double u, double v) {  // source x from the letter's origin, source row
    long fx = std::lround(std::floor(u * kScale)) - left,
         fy = std::lround(std::floor(v * kScale)) - top;
    if (fx < 0 || fy < 0 || fx >= bitmap.width || fy >= bitmap.rows) return 0.0;
    return bitmap.buffer[fy * bitmap.pitch + fx] / 255.0;
  };
  Projection p{state.width,    state.height,   state.source_width,
               state.length_x, state.length_y, state.position};
  double difference = 0;
  long pixels = 0;
  for (int y = state.height - 40; y < state.height; ++y) {
    for (int x = 0; x < state.width / 2; ++x) {
      double want = 0;
      for (int j = 0; j < kPoints; ++j) {
        for (int i = 0; i < kPoints; ++i) {
          double sy = y + (j + 0.5) / kPoints, sx = x + (i + 0.5) / kPoints;
          double v = static_cast<double>(p.position) + 1 -
                     (double(p.height) * p.length_y / sy - p.length_y);
          double u = source_x_at(p, sx, x_scale_at(p, sy));
          want += coverage(u, v);
        }
      }
      want /= kPoints * kPoints;
      double got = (255 - (XGetPixel(image, x, y) & 0xff)) / 255.0;
      if (want == 0 && got == 0) continue;
      difference += std::abs(want - got);
      ++pixels;
    }
  }
  XftUnlockFace(font);
  XftFontClose(state.display, font);
  XDestroyImage(image);
  ASSERT_GT(pixels, 200);
  EXPECT_LE(difference / pixels, 0.03) << pixels << " pixels";
}

// Whole runs: a visual of 8 bits and a resource that is no boolean keep
// the default, with the toolkit's warning.
TEST(SmoothRun, WhatCannotBeSmoothIsDrawnAsByDefault) {
  const struct {
    std::vector<std::string> server, options;
    const char* warning;
  } cases[] = {
      {{"-screen", "0", "640x480x8"}, {"-xrm", "*smooth: true"}, "TrueColor"},
      {{}, {"-xrm", "*smooth: maybe"}, "\"maybe\" to type Boolean"},
  };
  for (const auto& c : cases) {
    XServer server;
    ASSERT_TRUE(start_x_server(&server, c.server));
    std::vector<std::string> args = {"-root", "-quit"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    std::string command = program_path();
    for (const std::string& a : args) command += " '" + a + "'";
    Program p = start_command({"sh", "-c", command + " 2>&1"});
    std::string output = read_all(p.stdout_fd);
    EXPECT_EQ(wait_program(&p, 30), 0) << c.warning;
    EXPECT_NE(output.find(c.warning), std::string::npos) << output;
    stop_x_server(&server);
  }
}

// The distinct colours of the window, as the screen shows it.
std::size_t colours_of(Display* d, Window w) {
  XWindowAttributes a;
  Window root = DefaultRootWindow(d), child;
  int x0 = 0, y0 = 0;
  if (!XGetWindowAttributes(d, w, &a) || a.map_state != IsViewable ||
      !XTranslateCoordinates(d, w, root, 0, 0, &x0, &y0, &child)) {
    return 0;
  }
  int left = std::max(x0, 0), top = std::max(y0, 0);
  int right = std::min(x0 + a.width, DisplayWidth(d, 0));
  int bottom = std::min(y0 + a.height, DisplayHeight(d, 0));
  if (right <= left || bottom <= top) return 0;
  XImage* image = XGetImage(d, root, left, top, static_cast<unsigned>(right - left),
                            static_cast<unsigned>(bottom - top), AllPlanes, ZPixmap);
  std::set<unsigned long> colours;
  for (int y = 0; image && y < image->height; ++y) {
    for (int x = 0; x < image->width; ++x) colours.insert(XGetPixel(image, x, y));
  }
  if (image) XDestroyImage(image);
  return colours.size();
}

TEST(SmoothRun, AWindowTakesKeysAndAResizeInEveryModeAndQuits) {
  const std::vector<std::string> cases[] = {
      {"-noblur"},
      {"-fill", "-xrm", "*faceName: DejaVu Sans Mono:pixelsize=14"},
      {"-blur", "-sc", "3"},
  };
  for (const auto& options : cases) {
    SCOPED_TRACE(options[0]);
    XServer server;
    ASSERT_TRUE(start_x_server(&server));
    ASSERT_TRUE(start_window_manager(&server));
    std::vector<std::string> args = {"-title", "Smooth", "-xrm", "*smooth: true", "-st", "300"};
    args.insert(args.end(), options.begin(), options.end());
    Program p = start_program(args);
    Display* d = server.display;
    Window w = find_window(d, "Smooth", 30);
    ASSERT_NE(w, static_cast<Window>(None));
    XSetInputFocus(d, w, RevertToParent, CurrentTime);
    for (KeySym key : {XK_Next, XK_Up, XK_Right, XK_a, XK_Down, XK_Left, XK_p}) press_key(d, key);
    std::string resize = "xdotool windowsize " + std::to_string(w) + " 500 320";
    ASSERT_EQ(std::system(resize.c_str()), 0);
    EXPECT_TRUE(wait_until([&] { return colours_of(d, w) > 2 + 16; }, 10));
    press_key(d, XK_q);
    EXPECT_EQ(wait_program(&p, 30), 0);
    stop_x_server(&server);
  }
}

}  // namespace
