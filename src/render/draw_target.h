// Where a draw pass draws.
#pragma once

#include <X11/X.h>

struct RowExtents;

// A drawable of width x height screen pixels, and where the rows a pass
// draws are noted (null: not noted). A target that is not `painted` holds
// anything: the pass leaves paper wherever it does not draw (smooth frames
// put most of the frame anyway), else it is all paper before the pass.
struct DrawTarget {
  Drawable drawable;
  int width, height;
  RowExtents* drawn;
  bool painted = true;
};
