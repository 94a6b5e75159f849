// The draw passes: each paints the whole display list in perspective at the
// current position into a target, in the mode that its name gives. Window
// frames, the desktop's floors and the tests all draw through draw_pass.
// A pass never flushes.
#pragma once

#include <X11/X.h>

#include "render/draw_mode.h"

struct AppState;
struct RowExtents;

// Where a pass draws: a drawable of width x height screen pixels, and where
// the rows it draws are noted (null: not noted).
struct DrawTarget {
  Drawable drawable;
  int width, height;
  RowExtents* drawn;
};

// The pass of the record's draw_mode: noblur, blur, and fill for any other
// value.
void draw_pass(AppState* state, const DrawTarget& target);

void draw_noblur(AppState* state, const DrawTarget& target);
void draw_blur(AppState* state, const DrawTarget& target);
void draw_fill(AppState* state, const DrawTarget& target);

// The display list indexed for the passes: the row index, and for noblur
// and fill (keys never change the mode) the far rows' maps. After the list
// is compiled; release_resources frees both.
void index_display_list(AppState* state);
