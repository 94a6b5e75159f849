// Frame pacing: while the picture moves, frames start at most at a fixed
// rate, by default the refresh rate of the screen the view is on. Deadlines
// are absolute, so the time a frame takes to draw does not lower the rate,
// and a frame that overruns its period is followed at once, with no burst of
// frames to catch up. Everything here is arithmetic on nanoseconds of the
// monotonic clock; the X side (the resource, the screen's rate) is in
// display_rate.cpp.
#pragma once

#include <cstdint>

#include "app/screen_area.h"

constexpr std::int64_t kNsPerSecond = 1'000'000'000;

// The monotonic clock, nanoseconds.
std::int64_t monotonic_ns();

// The rate when the server reports none (a virtual framebuffer, a server
// without the RandR extension), frames per second.
constexpr double kFallbackRefreshRate = 60.0;

// No frame period is longer than this: a rate far below one frame an hour
// would otherwise freeze the picture for good.
constexpr std::int64_t kLongestFramePeriodNs = 3600LL * 1000 * 1000 * 1000;

// The frameRate resource read as a number of frames per second: blanks
// around a decimal number, nothing else. False for anything that is not such
// a number, a negative one, or one beyond any clock's reach.
bool parse_frame_rate(const char* text, double* rate);

// The period of `rate` frames per second in nanoseconds (at least 1); 0 for
// a rate of 0 or less, which means no pacing at all.
std::int64_t frame_period_ns(double rate);

// How long the frame due at `deadline_ns` must still wait at `now_ns`; 0
// when it may start, and always 0 without pacing (period 0).
std::int64_t frame_wait_ns(std::int64_t period_ns, std::int64_t deadline_ns, std::int64_t now_ns);

// The deadline of the frame after one that was due at `deadline_ns`, started
// drawing at `started_ns` and finished at `finished_ns`, with `extra_ns` of
// pause on top of each period (the -wait option). A frame that started more
// than a period late (after an idle spell) starts the count afresh; one that
// overran its period is followed as soon as the pause is over.
std::int64_t next_frame_deadline(std::int64_t period_ns, std::int64_t deadline_ns,
                                 std::int64_t started_ns, std::int64_t finished_ns,
                                 std::int64_t extra_ns);

// The refresh rate of a display mode in frames per second: its dot clock
// (Hz) over the pixels of a whole frame, doubled for interlaced modes and
// halved for double-scanned ones. 0 when the mode does not say (no clock, no
// totals), as a virtual framebuffer's do not.
double mode_refresh_rate(unsigned long dot_clock, unsigned h_total, unsigned v_total,
                         bool interlace, bool double_scan);

// The rate to pace a view whose centre is at (x, y): that of the output
// under the point, else that of the primary output, else the fallback.
double rate_at_point(const ScreenArea* outputs, int count, int x, int y);
