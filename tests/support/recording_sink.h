// A sink for the draw passes that records every request as text, e.g.
// "line (125,293) (127,293)", with all coordinates kept for checks.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "content/display_list.h"
#include "render/draw_step.h"

// Records every request as text, e.g. "line (125,293) (127,293)".
struct RecordingSink {
  std::vector<std::string> requests;
  std::vector<int> xs, ys;
  std::vector<unsigned long> pens;  // the pen's pixel for every request
  unsigned long pixel = 0;
  void use(const Pen* pen) { pixel = pen ? pen->pixel : 0; }
  void add(const std::string& name, std::initializer_list<int> coords) {
    pens.push_back(pixel);
    std::string text = name;
    for (auto it = coords.begin(); it != coords.end(); it += 2) {
      text += " (" + std::to_string(it[0]) + "," + std::to_string(it[1]) + ")";
      xs.push_back(it[0]);
      ys.push_back(it[1]);
    }
    requests.push_back(text);
  }
  void point(int x, int y) { add("point", {x, y}); }
  void line(int x1, int y1, int x2, int y2) { add("line", {x1, y1, x2, y2}); }
  void polygon(const ScreenPoint* p, int n) {
    pens.push_back(pixel);
    std::string text = "polygon";
    for (int i = 0; i < n; ++i) {
      text += " (" + std::to_string(p[i].x) + "," + std::to_string(p[i].y) + ")";
      xs.push_back(p[i].x);
      ys.push_back(p[i].y);
    }
    requests.push_back(text);
  }
  void rectangle(int x, int y, int w, int h) { add("rectangle", {x, y, w, h}); }
};
