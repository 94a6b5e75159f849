// The built program as a user runs it, against a private Xvfb: the three ways
// out, root mode, and X's own handling of an unknown font.
#include <signal.h>

#include <string>

#include <gtest/gtest.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include "support/x_server.h"

namespace {

struct ProgramRun : testing::Test {
  XServer server;
  void TearDown() override { stop_x_server(&server); }
};

TEST_F(ProgramRun, QuitOptionDrawsOneFrameAndExitsZero) {
  ASSERT_TRUE(start_x_server(&server));
  Program p = start_program({"-quit"});
  EXPECT_EQ(wait_program(&p, 30), 0);
}

TEST_F(ProgramRun, QKeyEndsTheProgramWithStatusZero) {
  ASSERT_TRUE(start_x_server(&server));
  ASSERT_TRUE(start_window_manager(&server));
  Program p = start_program({"-sc", "0"});
  Window w = find_window(server.display, "Lumadrift", 30);
  ASSERT_NE(w, static_cast<Window>(None));
  XSetInputFocus(server.display, w, RevertToParent, CurrentTime);
  // Keys before q leave it running.
  press_key(server.display, XK_x);
  press_key(server.display, XK_a);
  sleep_seconds(0.5);
  EXPECT_NE(find_window_now(server.display, "Lumadrift"), static_cast<Window>(None));
  press_key(server.display, XK_q);
  EXPECT_EQ(wait_program(&p, 30), 0);
}

TEST_F(ProgramRun, WindowManagerCloseRequestEndsTheProgramWithStatusZero) {
  ASSERT_TRUE(start_x_server(&server));
  ASSERT_TRUE(start_window_manager(&server));
  Program p = start_program({"-title", "Close me"});
  ASSERT_NE(find_window(server.display, "Close me", 30), static_cast<Window>(None));
  std::string command = "wmctrl -c 'Close me'";
  ASSERT_EQ(system(command.c_str()), 0);
  EXPECT_EQ(wait_program(&p, 30), 0);
}

TEST_F(ProgramRun, RootModeLeavesTheLastFrameAsTheBackground) {
  // -noreset: the server would clear the root when its last client leaves.
  ASSERT_TRUE(start_x_server(&server, {"-noreset"}));
  Display* d = server.display;
  Window root = DefaultRootWindow(d);
  auto uniform_white = [&] {
    XImage* image = XGetImage(d, root, 0, 0, 1024, 768, AllPlanes, ZPixmap);
    bool white = true;
    for (int y = 0; y < 768 && white; y += 7) {
      for (int x = 0; x < 1024 && white; x += 5) white = XGetPixel(image, x, y) == 0xffffff;
    }
    XDestroyImage(image);
    return white;
  };
  ASSERT_FALSE(uniform_white());  // the server's own root pattern

  Program p = start_program({"-r", "-quit", "-title", "Rooted"});
  EXPECT_EQ(find_window_now(d, "Rooted"), static_cast<Window>(None));
  EXPECT_EQ(wait_program(&p, 30), 0);
  EXPECT_EQ(find_window_now(d, "Rooted"), static_cast<Window>(None));
  XClearWindow(d, root);
  XSync(d, False);
  EXPECT_TRUE(uniform_white());  // the frame in the paper colour, screen-sized
}

TEST_F(ProgramRun, RootModeHandlesNoKeys) {
  ASSERT_TRUE(start_x_server(&server));
  Display* d = server.display;
  Atom named = XInternAtom(d, "_XROOTPMAP_ID", False);
  auto frame = [&] {
    Atom type;
    int format;
    unsigned long items, after;
    unsigned char* data = nullptr;
    Pixmap p = None;
    if (XGetWindowProperty(d, DefaultRootWindow(d), named, 0, 1, False, XA_PIXMAP, &type, &format,
                           &items, &after, &data) == Success &&
        items == 1) {
      p = *reinterpret_cast<Pixmap*>(data);
    }
    if (data) XFree(data);
    return p;
  };
  Program p = start_program({"-r", "-sc", "0"});
  // The root names each frame: the first one is past compilation, and the
  // next one, after the idle sleep, past the events that came meanwhile.
  ASSERT_TRUE(wait_until([&] { return frame() != None; }, 30));
  Pixmap first = frame();
  press_key(d, XK_q);
  ASSERT_TRUE(wait_until([&] { return frame() != first; }, 30)) << "no frame after q";
  EXPECT_EQ(wait_program(&p, 0.1), -1) << "still running after q";
}

TEST_F(ProgramRun, UnknownFontEndsThroughXsErrorHandler) {
  ASSERT_TRUE(start_x_server(&server));
  Program p = start_program({"-fn", "no-such-font-at-all"});
  int status = wait_program(&p, 30);
  EXPECT_NE(status, 0);
  EXPECT_NE(status, -1) << "it hung";
  EXPECT_LT(status, 128) << "it crashed";
}

}  // namespace
