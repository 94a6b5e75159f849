// Root mode on a desktop of several monitors, in the test's own process:
// each frame, painted only where frames drew, must hold exactly the pixels
// of a full repaint of every monitor's floor, with paper around them,
// whatever the mode, through jumps of the position and screen changes, in
// default and in smooth frames.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/desktop_background.h"
#include "content/source_intake.h"
#include "render/draw_pass.h"
#include "support/app_fixture.h"
#include "support/shared_image.h"

namespace {

struct Area {
  int x, y, width, height;
};

void run(const std::string& command) {
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

struct DesktopFrames : AppFixture {
  void SetUp() override { ASSERT_TRUE(start_x_server(&server, {"-screen", "0", "1600x600x24"})); }
  void TearDown() override {
    shown_view.reset();  // on the program's connection, which goes next
    expected_view.reset();
    AppFixture::TearDown();
  }

  // Frames are read back through shared memory, in images of the root's size.
  std::unique_ptr<SharedImage> shown_view, expected_view;
  int view_width = 0, view_height = 0;

  // The root as a full repaint would leave it: paper, and on each monitor a
  // floor of its size drawn at `position`.
  XImage* full_repaint(const std::vector<Area>& monitors, std::int64_t position) {
    Display* d = state.display;
    Pixmap whole = XCreatePixmap(d, state.root_window, state.width, state.height, state.depth);
    XFillRectangle(d, whole, state.paper_gc, 0, 0, state.width, state.height);
    std::int64_t shown = state.position;
    state.position = position;
    for (const Area& m : monitors) {
      Pixmap floor = XCreatePixmap(d, state.root_window, m.width, m.height, state.depth);
      XFillRectangle(d, floor, state.paper_gc, 0, 0, m.width, m.height);
      draw_pass(&state, {floor, m.width, m.height, nullptr});
      XCopyArea(d, floor, whole, state.copy_gc, 0, 0, m.width, m.height, m.x, m.y);
      XFreePixmap(d, floor);
    }
    state.position = shown;
    XImage* image = expected_view->read(whole);
    XFreePixmap(d, whole);
    return image;
  }

  // Draws frames from `position`, taking each from frame_step and comparing
  // it with a full repaint; the position jumps now and then.
  void fly_and_compare(const std::vector<Area>& monitors, int frames, std::int64_t position) {
    const std::int64_t jumps[] = {0, 1, 1, 2, 40, -300, 1, 7000, 1, 1, -7000, 3};
    for (int i = 0; i < frames; ++i) {
      state.position = position + jumps[i % 12];
      state.draw_mode = (i / 4) % 3;
      std::int64_t drawn = state.position;
      state.redraw = 1;
      frame_step(&state);
      if (state.width != view_width || state.height != view_height) {
        view_width = state.width;
        view_height = state.height;
        shown_view = std::make_unique<SharedImage>(state.display, view_width, view_height);
        expected_view = std::make_unique<SharedImage>(state.display, view_width, view_height);
      }
      XImage* shown = shown_view->read(state.frame_pixmap);
      XImage* expected = full_repaint(monitors, drawn);
      ASSERT_TRUE(shown && expected);
      ASSERT_EQ(std::memcmp(shown->data, expected->data,
                            static_cast<size_t>(shown->bytes_per_line) * shown->height),
                0)
          << "frame " << i << " at row " << drawn << " in mode " << state.draw_mode;
      position = state.position;
    }
  }
  void fly_through_screen_changes(const std::vector<std::string>& options);
};

// Two monitors, then two equal ones, a smaller screen, one monitor.
void DesktopFrames::fly_through_screen_changes(const std::vector<std::string>& options) {
  run("xrandr --setmonitor L 800/200x600/150+0+0 screen");
  run("xrandr --setmonitor R 600/150x500/120+900+50 none");
  std::vector<std::string> args = {"-root", "-xrm", "*frameRate: 0", "-start", "900"};
  args.insert(args.end(), options.begin(), options.end());
  start_app(args);
  build_content(&state, &argc, argv.data());
  index_display_list(&state);
  ASSERT_NE(state.desktop, nullptr);
  ASSERT_EQ(state.desktop->floors.size(), 2u);

  fly_and_compare({{0, 0, 800, 600}, {900, 50, 600, 500}}, 24, 900);

  // Two equal monitors: one floor, shown twice.
  run("xrandr --delmonitor R");
  run("xrandr --setmonitor R 800/200x600/150+800+0 none");
  // Setting a monitor sends no notification: the half-second look at the
  // monitors is made due at once.
  state.desktop->next_check_ns = 0;
  pump();
  fly_and_compare({{0, 0, 800, 600}, {800, 0, 800, 600}}, 12, 400);
  EXPECT_EQ(state.desktop->floors.size(), 1u);

  // A smaller screen: the notification comes at once, and R is cut.
  run("xrandr --newmode 1000x600 48.00 1000 1040 1136 1272 600 603 613 630");
  run("xrandr --addmode screen 1000x600");
  run("xrandr --output screen --mode 1000x600 --fb 1000x600");
  pump();
  fly_and_compare({{0, 0, 800, 600}, {800, 0, 200, 600}}, 12, 500);
  EXPECT_EQ(state.width, 1000);

  // One monitor left: one floor over the whole root.
  run("xrandr --delmonitor R");
  state.desktop->next_check_ns = 0;
  pump();
  fly_and_compare({{0, 0, 1000, 600}}, 12, 600);
  EXPECT_TRUE(state.desktop->layout.whole_root);
}

TEST_F(DesktopFrames, PartialPaintsEqualFullRepaintsOnEveryMonitorThroughScreenChanges) {
  fly_through_screen_changes({});
}

// Smooth frames keep the far rows' sums from frame to frame, and clear
// only what the last frame wrote: neither may leave a trace.
TEST_F(DesktopFrames, SmoothFramesPaintedInPartEqualFullRepaints) {
  fly_through_screen_changes({"-xrm", "*smooth: true"});
  EXPECT_NE(state.smooth_pass, nullptr);
}

TEST_F(DesktopFrames, SpanMonitorsKeepsOneFloorAcrossTheRoot) {
  run("xrandr --setmonitor L 800/200x600/150+0+0 screen");
  run("xrandr --setmonitor R 800/200x600/150+800+0 none");
  start_app({"-root", "-xrm", "*spanMonitors: true", "-xrm", "*frameRate: 0", "-start", "300"});
  build_content(&state, &argc, argv.data());
  index_display_list(&state);
  fly_and_compare({{0, 0, 1600, 600}}, 12, 300);
}

}  // namespace
