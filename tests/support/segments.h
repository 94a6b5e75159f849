// The segments of a display list in order, for tests that read a list back.
#pragma once

#include <vector>

#include "content/display_list.h"

inline std::vector<Segment> segments_of(const SegmentList* list) {
  std::vector<Segment> all;
  SegmentCursor cursor = first_segment(list);
  Segment s;
  while (next_segment(&cursor, &s)) all.push_back(s);
  return all;
}
