// Root mode's window: the one a screen saver hands over in
// XSCREENSAVER_WINDOW, a desktop's virtual root, or the root window; and
// what happens to a variable that names no window.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include "support/app_fixture.h"
#include "support/x_server.h"

namespace {

// A mapped child of the root window, as a screen saver or a desktop makes it.
Window make_cover(Display* d, int width, int height, bool virtual_root) {
  Window root = DefaultRootWindow(d);
  Window w = XCreateSimpleWindow(d, root, 0, 0, width, height, 0, 0, BlackPixel(d, 0));
  if (virtual_root) {
    Atom vroot = XInternAtom(d, "__SWM_VROOT", False);
    XChangeProperty(d, w, vroot, XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&w), 1);
  }
  XMapWindow(d, w);
  XSync(d, False);
  return w;
}

// Pixels of `w` that are not white (the paper colour), after a clear.
long ink(Display* d, Window w, int width, int height) {
  XClearWindow(d, w);
  XImage* image = XGetImage(d, w, 0, 0, width, height, AllPlanes, ZPixmap);
  long n = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) n += XGetPixel(image, x, y) != 0xffffff;
  }
  XDestroyImage(image);
  return n;
}

std::string hex(Window w) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%lx", w);
  return text;
}

using RootTarget = AppFixture;

TEST_F(RootTarget, FramesTakeTheSizeOfTheWindowHandedOver) {
  Display* d = server.display;
  Window saver = make_cover(d, 300, 200, false);
  Window vroot = make_cover(d, 500, 400, true);
  const struct {
    const char* variable;  // nullptr: unset
    Window expected;
    int width, height;
  } cases[] = {
      {nullptr, vroot, 500, 400},
      {"", vroot, 500, 400},  // empty counts as unset
      {"saver", saver, 300, 200},
  };
  for (const auto& c : cases) {
    unsetenv("XSCREENSAVER_WINDOW");
    if (c.variable) {
      std::string value = c.variable[0] ? std::to_string(saver) : "";
      setenv("XSCREENSAVER_WINDOW", value.c_str(), 1);
    }
    AppState probe{};
    Arguments args;
    start_app_on(server.display_name, {"-r"}, &args, &probe);
    EXPECT_EQ(probe.view_window, c.expected) << (c.variable ? c.variable : "unset");
    EXPECT_EQ(probe.base_window, c.expected);
    EXPECT_EQ(probe.width, c.width);
    EXPECT_EQ(probe.height, c.height);
    release_app(&probe);
  }
  unsetenv("XSCREENSAVER_WINDOW");
}

struct RootTargetRun : testing::Test {
  XServer server;
  // -noreset: the server would clear the root when its last client leaves.
  void SetUp() override { ASSERT_TRUE(start_x_server(&server, {"-noreset"})); }
  void TearDown() override { stop_x_server(&server); }
  // One frame in root mode with XSCREENSAVER_WINDOW set, or not (nullptr);
  // the exit status, and standard error in `err`.
  int fly(const char* saver_window, std::string* err = nullptr) {
    std::vector<std::string> argv = {"env"};
    if (saver_window) argv.push_back(std::string("XSCREENSAVER_WINDOW=") + saver_window);
    argv.insert(argv.end(), {"sh", "-c", "exec \"$0\" \"$@\" 2>&1", program_path(), "-root",
                             "-quit", "-st", "16", "Drawn elsewhere"});
    Program p = start_command(argv);
    std::string text = read_all(p.stdout_fd);
    if (err) *err = text;
    return wait_program(&p, 60);
  }
};

TEST_F(RootTargetRun, TheWindowHandedOverGetsTheFrameAndTheRootStaysAsItWas) {
  Display* d = server.display;
  Window root = DefaultRootWindow(d);
  long root_before = ink(d, root, 1024, 768);
  ASSERT_GT(root_before, 0);  // the server's own pattern
  Window saver = make_cover(d, 300, 200, false);
  EXPECT_EQ(ink(d, saver, 300, 200), 300 * 200);  // black until drawn on
  EXPECT_EQ(fly(hex(saver).c_str()), 0);
  long drawn = ink(d, saver, 300, 200);
  EXPECT_GT(drawn, 0);              // the words
  EXPECT_LT(drawn, 300 * 200 / 2);  // on paper
  XUnmapWindow(d, saver);
  EXPECT_EQ(ink(d, root, 1024, 768), root_before);

  // A desktop's virtual root, with the variable unset.
  Window vroot = make_cover(d, 1024, 768, true);
  EXPECT_EQ(fly(nullptr), 0);
  EXPECT_GT(ink(d, vroot, 1024, 768), 0);
  EXPECT_LT(ink(d, vroot, 1024, 768), 1024 * 768 / 2);
  XUnmapWindow(d, vroot);
  EXPECT_EQ(ink(d, root, 1024, 768), root_before);

  // Windows of their own: no wallpaper property names their frames.
  int count = 0;
  Atom* properties = XListProperties(d, root, &count);
  for (int i = 0; i < count; ++i) {
    EXPECT_NE(properties[i], XInternAtom(d, "_XROOTPMAP_ID", False));
  }
  if (properties) XFree(properties);
}

TEST_F(RootTargetRun, AVariableThatNamesNoWindowEndsAtOnceWithStatusOne) {
  const struct {
    const char* value;
    const char* message;
  } cases[] = {
      {"abc", "lumadrift: XSCREENSAVER_WINDOW=\"abc\" is not a window id\n"},
      {"0", "lumadrift: XSCREENSAVER_WINDOW=\"0\" is not a window id\n"},
      {"-12", "lumadrift: XSCREENSAVER_WINDOW=\"-12\" is not a window id\n"},
      {"0x7ffffff", "lumadrift: XSCREENSAVER_WINDOW=\"0x7ffffff\" names no window\n"},
  };
  for (const auto& c : cases) {
    std::string err;
    EXPECT_EQ(fly(c.value, &err), 1) << c.value;
    EXPECT_EQ(err, c.message);
  }
}

}  // namespace
