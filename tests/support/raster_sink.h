// A sink that paints what the server would paint for points and horizontal
// lines (a line leaves out its end point; one of length zero paints
// nothing), into a frame of pen pixels, and folds every other request into
// a hash in order. Two passes leave the same frame when both agree.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "content/display_list.h"
#include "render/draw_step.h"
#include "support/hashing_sink.h"

struct RasterSink {
  int width, height;
  std::vector<unsigned long> pixels;  // pen pixel + 1; 0 where nothing was drawn
  HashingSink others;
  unsigned long pixel = 0;

  RasterSink(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h) {}
  // Empty again, at this size, in the memory it has.
  void reset(int w, int h) {
    width = w;
    height = h;
    pixels.assign(static_cast<std::size_t>(w) * h, 0);
    others = HashingSink{};
    pixel = 0;
  }
  bool operator==(const RasterSink& o) const { return pixels == o.pixels && others == o.others; }

  void use(const Pen* pen) {
    pixel = pen->pixel;
    others.use(pen);
  }
  void paint(int x, int y) {
    if (x >= 0 && x < width && y >= 0 && y < height) pixels[y * width + x] = pixel + 1;
  }
  void point(int x, int y) { paint(x, y); }
  void line(int x1, int y1, int x2, int y2) {
    if (y1 != y2) {
      others.line(x1, y1, x2, y2);
      return;
    }
    // From x1 towards x2, without x2: the pixels first to last.
    int first = x1 < x2 ? x1 : x2 + 1, last = x1 < x2 ? x2 - 1 : x1;
    if (x1 == x2 || y1 < 0 || y1 >= height) return;
    first = std::max(first, 0);
    last = std::min(last, width - 1);
    if (first > last) return;
    auto row = pixels.begin() + static_cast<std::ptrdiff_t>(y1) * width;
    std::fill(row + first, row + last + 1, pixel + 1);
  }
  void polygon(const ScreenPoint* points, int count) { others.polygon(points, count); }
  void rectangle(int x, int y, int w, int h) { others.rectangle(x, y, w, h); }
};
