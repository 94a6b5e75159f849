// The size arithmetic of set-up and resizing, kept apart from the X calls.
#pragma once

// Width of the source picture for `letters` letters of a font whose narrowest
// and widest characters are min_width and max_width pixels: the mean width,
// truncated toward zero, times the letters. Saturates at the int limits.
int derive_source_width(short min_width, short max_width, int letters);

// length_x as set-up leaves it: values below 1 mean "the source width".
int derive_length_x(int length_x, int source_width);

// A frame extent that X accepts for a pixmap: at least 1 pixel.
int frame_extent(int pixels);
