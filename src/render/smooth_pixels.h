// The pixels of a smooth frame: a screen row's sums blended over the paper
// into the frame's memory, and the frame made all paper again. Pure.
#pragma once

#include "render/smooth_buffers.h"

SmoothColour colour_of(Rgb rgb);

// Screen row y from what `row` summed, its sums times `norm`, blended over
// `paper`; `row` is left empty for the next.
void finish_screen_row(SmoothFrame* f, SmoothRow* row, int y, const SmoothColour& paper,
                       float norm);

// The frame's ink, and its table of ink over paper by coverage.
void note_ink_levels(SmoothFrame* f, const SmoothColour& ink, const SmoothColour& paper);

// The frame `width` x `height` all paper: only the pixels the last frame
// wrote are cleared when its size, paper and memory stay.
void clear_frame(SmoothFrame* f, int width, int height, Rgb paper);
