// Primitives whose x values leave the 16-bit range of X coordinates. Such
// values arise when length_x is small against the material; folding them
// into 16 bits would put marks at unrelated places. Instead each primitive is
// bounded so that what lands inside the frame is what the unbounded geometry
// gives there.
#pragma once

#include <cstdint>

// Within the 16-bit coordinate range.
inline bool fits_x(std::int64_t x) {
  return x >= INT16_MIN && x <= INT16_MAX;
}

// A segment's band on the screen: the four corners share two screen rows.
struct Band {
  std::int64_t bottom_start, top_start, top_end, bottom_end;  // screen x
  std::int16_t top, bottom;                                   // screen y
};

// The pixel columns [*first, *end) that the polygon BS, TS, TE, BE fills on
// pixel row y under the server's fill rule: a pixel is in when its point lies
// inside, on a left boundary or on the top side. False when the row covers no
// column.
bool band_span(const Band& band, int y, std::int64_t* first, std::int64_t* end);

struct LineSegment {
  std::int64_t x1;
  int y1;
  std::int64_t x2;
  int y2;
};

// Shortens a line to the frame's neighbourhood (x from -1 to width): a
// horizontal line exactly, since its pixels are known; a slanted one along
// its own course. False when the whole line lies outside the frame.
bool bound_line(LineSegment* line, int width, int height);
