#include "app/frame_pacing.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <ctime>

std::int64_t monotonic_ns() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * kNsPerSecond + now.tv_nsec;
}

namespace {

bool is_blank(char c) {
  return c == ' ' || c == '\t';
}

}  // namespace

bool parse_frame_rate(const char* text, double* rate) {
  if (!text) return false;
  while (is_blank(*text)) ++text;
  // strtod would also take hexadecimal, "inf" and "nan": only digits and one
  // point are a rate.
  const char* p = text;
  bool digits = false, point = false;
  for (; (*p >= '0' && *p <= '9') || (*p == '.' && !point); ++p) {
    if (*p == '.') {
      point = true;
    } else {
      digits = true;
    }
  }
  const char* end = p;
  while (is_blank(*p)) ++p;
  if (!digits || *p != '\0') return false;
  errno = 0;
  char* parsed_end = nullptr;
  double value = std::strtod(text, &parsed_end);
  if (parsed_end != end || errno == ERANGE || !std::isfinite(value)) return false;
  *rate = value;
  return true;
}

std::int64_t frame_period_ns(double rate) {
  if (!(rate > 0)) return 0;
  double period = static_cast<double>(kNsPerSecond) / rate;
  if (!(period < static_cast<double>(kLongestFramePeriodNs))) return kLongestFramePeriodNs;
  return std::max<std::int64_t>(1, std::llround(period));
}

std::int64_t frame_wait_ns(std::int64_t period_ns, std::int64_t deadline_ns, std::int64_t now_ns) {
  if (period_ns <= 0 || now_ns >= deadline_ns) return 0;
  return deadline_ns - now_ns;
}

std::int64_t next_frame_deadline(std::int64_t period_ns, std::int64_t deadline_ns,
                                 std::int64_t started_ns, std::int64_t finished_ns,
                                 std::int64_t extra_ns) {
  if (period_ns <= 0) return finished_ns;
  if (started_ns - deadline_ns > period_ns) deadline_ns = started_ns;
  return std::max(deadline_ns + period_ns, finished_ns) + std::max<std::int64_t>(extra_ns, 0);
}

double mode_refresh_rate(unsigned long dot_clock, unsigned h_total, unsigned v_total,
                         bool interlace, bool double_scan) {
  if (dot_clock == 0 || h_total == 0 || v_total == 0) return 0;
  double lines = static_cast<double>(v_total);
  if (interlace) lines /= 2;
  if (double_scan) lines *= 2;
  return static_cast<double>(dot_clock) / (static_cast<double>(h_total) * lines);
}

double rate_at_point(const ScreenArea* outputs, int count, int x, int y) {
  for (int i = 0; i < count; ++i) {
    const ScreenArea& o = outputs[i];
    bool inside =
        x >= o.x && y >= o.y && std::int64_t{x} - o.x < o.width && std::int64_t{y} - o.y < o.height;
    if (inside && o.rate > 0) return o.rate;
  }
  for (int i = 0; i < count; ++i) {
    if (outputs[i].primary && outputs[i].rate > 0) return outputs[i].rate;
  }
  return kFallbackRefreshRate;
}
