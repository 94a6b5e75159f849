// A sink for the draw passes that folds every request, with its pen, into
// one number and counts them: two passes made the same requests when both
// agree, at a fraction of the cost of recording them.
#pragma once

#include <cstdint>

#include "content/display_list.h"
#include "render/draw_step.h"

struct HashingSink {
  std::uint64_t hash = 1469598103934665603ull;
  long requests = 0;
  long pixel = 0;

  bool operator==(const HashingSink& other) const {
    return hash == other.hash && requests == other.requests;
  }
  void mix(long v) { hash = (hash ^ static_cast<std::uint64_t>(v)) * 1099511628211ull; }
  void begin(int kind) {
    ++requests;
    mix(kind);
    mix(pixel);
  }
  void use(const Pen* pen) { pixel = static_cast<long>(pen->pixel); }
  void point(int x, int y) {
    begin(1);
    mix(x);
    mix(y);
  }
  void line(int x1, int y1, int x2, int y2) {
    begin(2);
    mix(x1);
    mix(y1);
    mix(x2);
    mix(y2);
  }
  void polygon(const ScreenPoint* points, int count) {
    begin(3);
    for (int i = 0; i < count; ++i) {
      mix(points[i].x);
      mix(points[i].y);
    }
  }
  void rectangle(int x, int y, int w, int h) {
    begin(4);
    mix(x);
    mix(y);
    mix(w);
    mix(h);
  }
};
