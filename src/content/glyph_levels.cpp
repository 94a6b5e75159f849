// Quantising antialiased glyph pixels to a few grey levels.
#include "content/glyph_levels.h"

#include <cmath>
#include <cstdlib>
#include <initializer_list>

namespace {

long channel(unsigned long pixel, unsigned long mask) {
  if (mask == 0) return 0;
  while ((mask & 1) == 0) {
    mask >>= 1;
    pixel >>= 1;
  }
  return static_cast<long>(pixel & mask);
}

}  // namespace

int pixel_ink_level(unsigned long pixel, unsigned long ink, unsigned long paper,
                    const PixelChannels& channels) {
  if (pixel == paper) return kPaperInk;
  long best_span = 0, best_offset = 0;
  for (unsigned long mask : {channels.red_mask, channels.green_mask, channels.blue_mask}) {
    long span = channel(ink, mask) - channel(paper, mask);
    if (std::labs(span) > std::labs(best_span)) {
      best_span = span;
      best_offset = channel(pixel, mask) - channel(paper, mask);
    }
  }
  if (best_span == 0) return kFullInk;  // ink like paper: any other value is ink
  long steps = std::lround(static_cast<double>(best_offset) * kCoverageSteps / best_span);
  if (steps <= 0) return kPaperInk;
  if (steps >= kCoverageSteps) return kFullInk;
  return kFirstGrey + static_cast<int>(steps) - 1;
}

std::uint16_t blend_channel(std::uint16_t paper, std::uint16_t ink, int coverage) {
  long value = paper + (static_cast<long>(ink) - paper) * coverage / kCoverageSteps;
  return static_cast<std::uint16_t>(value);
}
