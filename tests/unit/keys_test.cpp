// The key table on a plain record: every key, its limits, and the redraw
// that every key but q asks for.
#include <climits>

#include <gtest/gtest.h>
#include <X11/keysym.h>

#include "app_state.h"
#include "app/keys.h"

namespace {

struct Settings {
  int scroll_step, length_x, length_y;
  long long position;
  bool operator==(const Settings&) const = default;
};

Settings settings_of(const AppState& s) {
  return {s.scroll_step, s.length_x, s.length_y, static_cast<long long>(s.position)};
}

TEST(Keys, EachKeyChangesItsSettingWithinItsLimits) {
  const struct {
    KeySym key;
    Settings before, after;
  } cases[] = {
      {XK_a, {1, 320, 100, 0}, {2, 320, 100, 0}},
      {XK_d, {1, 320, 100, 0}, {0, 320, 100, 0}},
      {XK_d, {0, 320, 100, 0}, {-1, 320, 100, 0}},
      {XK_n, {1, 320, 100, 5}, {1, 320, 100, 6}},
      {XK_p, {1, 320, 100, 0}, {1, 320, 100, -1}},
      {XK_s, {1, 320, 100, 200}, {1, 320, 100, 0}},
      {XK_Left, {1, 320, 100, 0}, {1, 319, 100, 0}},
      {XK_Left, {1, 2, 100, 0}, {1, 1, 100, 0}},
      {XK_Left, {1, 1, 100, 0}, {1, 1, 100, 0}},
      {XK_Left, {1, -4, 100, 0}, {1, -4, 100, 0}},
      {XK_Right, {1, 320, 100, 0}, {1, 321, 100, 0}},
      {XK_Up, {1, 320, 100, 0}, {1, 320, 99, 0}},
      {XK_Up, {1, 320, 1, 0}, {1, 320, 1, 0}},
      {XK_Up, {1, 320, -100, 0}, {1, 320, -100, 0}},
      {XK_Down, {1, 320, 100, 0}, {1, 320, 101, 0}},
      {XK_Prior, {1, 320, 100, 3}, {1, 320, 100, -7}},
      {XK_Next, {1, 320, 100, 3}, {1, 320, 100, 13}},
      {XK_x, {1, 320, 100, 3}, {1, 320, 100, 3}},
      {XK_A, {1, 320, 100, 3}, {1, 320, 100, 3}},  // only level 0 keysyms are listed
      // No wrap-around at the ends of the ranges.
      {XK_a, {INT_MAX, 320, 100, 0}, {INT_MAX, 320, 100, 0}},
      {XK_d, {INT_MIN, 320, 100, 0}, {INT_MIN, 320, 100, 0}},
      {XK_Right, {1, INT_MAX, 100, 0}, {1, INT_MAX, 100, 0}},
      {XK_Down, {1, 320, INT_MAX, 0}, {1, 320, INT_MAX, 0}},
      {XK_Next, {1, 320, 100, LLONG_MAX - 3}, {1, 320, 100, LLONG_MAX - 3}},
      {XK_p, {1, 320, 100, LLONG_MIN}, {1, 320, 100, LLONG_MIN}},
  };
  for (const auto& c : cases) {
    AppState s{};
    s.scroll_step = c.before.scroll_step;
    s.length_x = c.before.length_x;
    s.length_y = c.before.length_y;
    s.position = c.before.position;
    EXPECT_EQ(apply_key(&s, c.key), KeyOutcome::kRedraw) << c.key;
    EXPECT_EQ(settings_of(s), c.after) << "keysym 0x" << std::hex << c.key;
    EXPECT_EQ(s.redraw, 1) << c.key;
  }
}

TEST(Keys, QuitChangesNothing) {
  AppState s{};
  s.scroll_step = 3;
  EXPECT_EQ(apply_key(&s, XK_q), KeyOutcome::kQuit);
  EXPECT_EQ(s.redraw, 0);
  EXPECT_EQ(s.scroll_step, 3);
}

TEST(Keys, DStopsThenReversesAndABringsItBack) {
  AppState s{};
  s.scroll_step = 1;
  apply_key(&s, XK_d);
  EXPECT_EQ(s.scroll_step, 0);
  apply_key(&s, XK_d);
  EXPECT_EQ(s.scroll_step, -1);
  apply_key(&s, XK_a);
  apply_key(&s, XK_a);
  EXPECT_EQ(s.scroll_step, 1);
}

}  // namespace
