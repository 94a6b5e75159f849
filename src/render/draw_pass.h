// The draw passes: each paints the whole display list in perspective at the
// current position into a target, in the mode that its name gives. Window
// frames, the desktop's floors and the tests all draw through draw_pass.
// A pass never flushes.
#pragma once

#include <cstdint>

#include "render/draw_mode.h"
#include "render/draw_target.h"

struct AppState;

// The pass of the record's draw_mode: noblur, blur, and fill for any other
// value.
void draw_pass(AppState* state, const DrawTarget& target);

void draw_noblur(AppState* state, const DrawTarget& target);
void draw_blur(AppState* state, const DrawTarget& target);
void draw_fill(AppState* state, const DrawTarget& target);

// The display list indexed for the passes: the row index, and for noblur
// and fill (keys never change the mode) the far rows' maps. Built at the
// first call, extended over what was appended at every later one; called
// after the list was compiled and whenever lines were appended while frames
// run. free_display_list_indexes frees both.
void index_display_list(AppState* state);
void free_display_list_indexes(AppState* state);

// Drops the oldest lines of the list, with their spans and far-row blocks,
// up to the last line that begins at row `row` or before it. Nothing when
// the list's rows do not grow in list order.
void drop_lines_before(AppState* state, std::int64_t row);
