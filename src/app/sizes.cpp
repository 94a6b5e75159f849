#include "app/sizes.h"

#include <climits>
#include <cstdint>

int derive_source_width(short min_width, short max_width, int letters) {
  int per_letter = (min_width + max_width) / 2;
  std::int64_t wide = static_cast<std::int64_t>(per_letter) * letters;
  if (wide > INT_MAX) return INT_MAX;
  if (wide < INT_MIN) return INT_MIN;
  return static_cast<int>(wide);
}

int derive_length_x(int length_x, int source_width) {
  return length_x < 1 ? source_width : length_x;
}

int frame_extent(int pixels) {
  return pixels < 1 ? 1 : pixels;
}
