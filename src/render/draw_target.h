// Where a draw pass draws.
#pragma once

#include <X11/X.h>

struct RowExtents;

// A drawable of width x height screen pixels, and where the rows a pass
// draws are noted (null: not noted).
struct DrawTarget {
  Drawable drawable;
  int width, height;
  RowExtents* drawn;
};
