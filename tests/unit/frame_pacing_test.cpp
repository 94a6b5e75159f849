#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "app/frame_pacing.h"
#include "app/root_target.h"

namespace {

constexpr std::int64_t kMs = 1000 * 1000;

TEST(FramePacing, FrameRateResourceValues) {
  const struct {
    const char* text;
    bool ok;
    double rate;
  } cases[] = {
      {"60", true, 60},    {"0", true, 0},    {"29.97", true, 29.97}, {" 30\t", true, 30},
      {"30.", true, 30},   {".5", true, 0.5}, {"-30", false, 0},      {"+30", false, 0},
      {"", false, 0},      {"  ", false, 0},  {".", false, 0},        {"fast", false, 0},
      {"30fps", false, 0}, {"3 0", false, 0}, {"1.2.3", false, 0},    {"0x1e", false, 0},
      {"1e2", false, 0},   {"inf", false, 0}, {"nan", false, 0},      {nullptr, false, 0},
  };
  for (const auto& c : cases) {
    double rate = -7;
    EXPECT_EQ(parse_frame_rate(c.text, &rate), c.ok) << (c.text ? c.text : "(null)");
    if (c.ok) {
      EXPECT_DOUBLE_EQ(rate, c.rate) << c.text;
    }
  }
  std::string huge(401, '0');  // 1 and 400 zeros: beyond any double
  huge[0] = '1';
  double rate = 0;
  EXPECT_FALSE(parse_frame_rate(huge.c_str(), &rate));
}

TEST(FramePacing, PeriodOfARate) {
  EXPECT_EQ(frame_period_ns(60), 16666667);
  EXPECT_EQ(frame_period_ns(30), 33333333);
  EXPECT_EQ(frame_period_ns(0), 0);   // unpaced
  EXPECT_EQ(frame_period_ns(-1), 0);  // the screen's rate is not known yet
  EXPECT_EQ(frame_period_ns(1e30), 1);
  EXPECT_EQ(frame_period_ns(1e-9), kLongestFramePeriodNs);
}

// Frames drawn at a fixed cost, with the deadline arithmetic of the loop:
// when does each one start?
TEST(FramePacing, DeadlinesAcrossAWholeRun) {
  const struct {
    const char* what;
    std::int64_t period, draw, extra;
    std::int64_t starts[5];
  } cases[] = {
      // drawing time does not lower the rate
      {"paced", 10 * kMs, 3 * kMs, 0, {0, 10, 20, 30, 40}},
      // an overrun is followed at once, with no burst to catch up
      {"overrun", 10 * kMs, 14 * kMs, 0, {0, 14, 28, 42, 56}},
      // -wait comes on top of the period
      {"wait", 10 * kMs, 3 * kMs, 5 * kMs, {0, 15, 30, 45, 60}},
      {"overrun and wait", 10 * kMs, 14 * kMs, 5 * kMs, {0, 19, 38, 57, 76}},
      // unpaced: the next frame may start as soon as this one is done
      {"unpaced", 0, 3 * kMs, 0, {0, 3, 6, 9, 12}},
  };
  for (const auto& c : cases) {
    std::int64_t now = 0, deadline = 0;
    for (std::int64_t expected : c.starts) {
      now += frame_wait_ns(c.period, deadline, now);
      EXPECT_EQ(now, expected * kMs) << c.what;
      std::int64_t started = now;
      now += c.draw;
      deadline = next_frame_deadline(c.period, deadline, started, now, c.extra);
    }
  }
}

TEST(FramePacing, ALateStartBeginsTheCountAfresh) {
  const std::int64_t period = 10 * kMs;
  // Started 35 ms after its deadline (the picture stood still meanwhile):
  // the next frame comes a period after this one, not at once three times.
  EXPECT_EQ(next_frame_deadline(period, 100 * kMs, 135 * kMs, 137 * kMs, 0), 145 * kMs);
  // Up to a period late keeps the rhythm.
  EXPECT_EQ(next_frame_deadline(period, 100 * kMs, 108 * kMs, 109 * kMs, 0), 110 * kMs);
  EXPECT_EQ(frame_wait_ns(period, 110 * kMs, 109 * kMs), 1 * kMs);
  EXPECT_EQ(frame_wait_ns(period, 110 * kMs, 111 * kMs), 0);
  EXPECT_EQ(next_frame_deadline(period, 0, 0, 0, -5), period);  // no negative pause
}

TEST(FramePacing, RefreshRateOfAMode) {
  // 1920x1080 at 60 Hz (CEA), 1024x768 at 60 Hz (VESA), interlaced and
  // double-scanned forms, and modes without timings.
  EXPECT_NEAR(mode_refresh_rate(148500000, 2200, 1125, false, false), 60.0, 1e-9);
  EXPECT_NEAR(mode_refresh_rate(65000000, 1344, 806, false, false), 60.004, 1e-3);
  EXPECT_NEAR(mode_refresh_rate(74250000, 2200, 1125, true, false), 60.0, 1e-9);
  EXPECT_NEAR(mode_refresh_rate(25175000, 800, 525, false, true), 29.97, 1e-2);
  EXPECT_EQ(mode_refresh_rate(0, 1344, 806, false, false), 0);
  EXPECT_EQ(mode_refresh_rate(65000000, 0, 0, false, false), 0);
}

TEST(FramePacing, RateOfTheOutputUnderTheView) {
  const ScreenArea two[] = {
      {0, 0, 1920, 1080, false, 60},
      {1920, 0, 1280, 1024, true, 75},
  };
  const ScreenArea unknown[] = {
      {0, 0, 1920, 1080, true, 0},
  };
  const struct {
    const ScreenArea* outputs;
    int count, x, y;
    double rate;
  } cases[] = {
      {two, 2, 100, 100, 60},
      {two, 2, 1919, 1079, 60},
      {two, 2, 1920, 0, 75},
      {two, 2, 3199, 1023, 75},
      {two, 2, 2000, 1050, 75},  // below the second: the primary
      {two, 2, -50, -50, 75},
      {unknown, 1, 10, 10, kFallbackRefreshRate},
      {nullptr, 0, 0, 0, kFallbackRefreshRate},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(rate_at_point(c.outputs, c.count, c.x, c.y), c.rate) << c.x << "," << c.y;
  }
}

TEST(RootTarget, WindowIds) {
  const struct {
    const char* text;
    bool ok;
    unsigned long id;
  } cases[] = {
      {"12345", true, 12345},
      {"0x1a00007", true, 0x1a00007},
      {"0X1A", true, 0x1a},
      {" 0x200001\t", true, 0x200001},
      {"4294967295", true, 0xffffffffUL},
      {"0xffffffff", true, 0xffffffffUL},
      {"4294967296", false, 0},
      {"0x100000000", false, 0},
      {"0", false, 0},
      {"0x0", false, 0},
      {"", false, 0},
      {"abc", false, 0},
      {"0x", false, 0},
      {"-5", false, 0},
      {"+5", false, 0},
      {"12 34", false, 0},
      {"0x1g", false, 0},
      {"99999999999999999999999", false, 0},
  };
  for (const auto& c : cases) {
    unsigned long id = 0;
    EXPECT_EQ(parse_window_id(c.text, &id), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(id, c.id) << c.text;
    }
  }
}

}  // namespace
