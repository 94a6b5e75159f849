// Frame pacing against a private Xvfb: the frameRate resource, the screen's
// rate, and a frame that waits for its deadline but not for a key.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <X11/keysym.h>
#include <X11/extensions/XTest.h>

#include "app/display_rate.h"
#include "app/frame_pacing.h"
#include "content/display_list.h"
#include "support/app_fixture.h"
#include "support/x_server.h"

namespace {

using DisplayRate = AppFixture;

TEST_F(DisplayRate, TheResourceSetsThePeriodAndBadValuesAreWarnedAbout) {
  const struct {
    std::vector<std::string> args;
    std::int64_t period_ns;
    bool warned;
  } cases[] = {
      {{}, 16666667, false},  // Xvfb reports no rate: 60 frames per second
      {{"-xrm", "*frameRate: 30"}, 33333333, false},
      {{"-xrm", "Lumadrift.frameRate: 29.97"}, 33366700, false},
      {{"-xrm", "*FrameRate: 0"}, 0, false},  // unpaced
      {{"-xrm", "*frameRate: -5"}, 16666667, true},
      {{"-xrm", "*frameRate: fast"}, 16666667, true},
      {{"-xrm", "*frameRate: nan"}, 16666667, true},
  };
  for (const auto& c : cases) {
    AppState probe{};
    Arguments args;
    testing::internal::CaptureStderr();
    start_app_on(server.display_name, c.args, &args, &probe);
    std::string err = testing::internal::GetCapturedStderr();
    std::string what = c.args.empty() ? "defaults" : c.args[1];
    EXPECT_NEAR(static_cast<double>(probe.frame_period_ns), static_cast<double>(c.period_ns), 1)
        << what;
    EXPECT_EQ(
        err.find("is not a number of frames per second; pacing to the screen") != std::string::npos,
        c.warned)
        << what << ": " << err;
    release_app(&probe);
  }
}

TEST_F(DisplayRate, AKeyIsHandledWithoutWaitingForTheNextFrame) {
  ASSERT_TRUE(start_window_manager(&server));
  // One frame every 1,000 seconds: a frame that waited for its time would
  // hold the test up until the test's own time-out.
  start_app({"-xrm", "*frameRate: 0.001", "-st", "10"});
  state.pens = new_pen_cache();
  state.segments = new_segment_list();
  wait_mapped();
  ASSERT_FALSE(frame_step(&state));  // the first frame comes at once
  EXPECT_EQ(state.position, 11);
  XSetInputFocus(server.display, state.base_window, RevertToParent, CurrentTime);
  press_key(server.display, XK_n);
  XSync(server.display, False);
  // Not yet time: nothing drawn, nothing advanced, and back to the toolkit
  // as soon as the key is there, which moves the picture one row.
  EXPECT_FALSE(frame_step(&state));
  EXPECT_EQ(state.position, 11);
  ASSERT_TRUE(pump_until([&] { return state.position == 12; }));
  EXPECT_EQ(state.redraw, 1);
}

}  // namespace
