// Pure pen moves that may be longer than one 16-bit segment field holds.
#pragma once

#include <cstdint>

struct Pen;
struct SegmentList;

// Appends length-0 segments of `paper` whose advances add up to dx and dy:
// one segment when both fit 16 bits (also when both are 0), else as many as
// needed, the row move carried by the last.
void append_moves(SegmentList* list, Pen* paper, std::int64_t dx, std::int64_t dy);
