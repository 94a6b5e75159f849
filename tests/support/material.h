// Display lists made in a test, with pens that need no server: text-like
// lines of random runs, for the tests of the draw passes.
#pragma once

#include <random>
#include <vector>

#include "content/display_list.h"

struct Material {
  std::vector<Pen> pens;
  SegmentList* list = new_segment_list();
  long rows = 0;  // source rows the list spans, roughly
  explicit Material(std::size_t pen_count = 4) : pens(pen_count) {
    for (unsigned long i = 0; i < pens.size(); ++i) pens[i] = {nullptr, i, nullptr, nullptr};
  }
  ~Material() { free_segment_list(list); }
  void add(int pen, int length, int advance_x, int advance_y) {
    append_segment(list, new_segment(length, &pens[pen], advance_x, advance_y));
  }
};

// Text-like lines of random runs; `line_space` may be negative.
inline void make_lines(Material* m, int lines, int line_height, int line_space, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> run(0, 9), pen(0, 3), centre(-40, 80);
  for (int l = 0; l < lines; ++l) {
    int shift = l % 3 == 0 ? centre(random) : 0;
    if (shift) m->add(0, 0, shift, 0);
    for (int r = 0; r < line_height; ++r) {
      int x = 0;
      while (x < 320) {
        int length = run(random);
        m->add(pen(random), length, length, 0);
        x += length;
      }
      m->add(0, 0, -x, 1);
    }
    if (line_space) m->add(0, 0, -shift, line_space);
    m->rows += line_height + line_space;
  }
}
