// The three drawing modes, by the values the -noblur, -blur and -fill
// options give AppState::draw_mode.
#pragma once

enum DrawMode : int {
  kDrawNoblur = 0,  // every row leaves a mark, however far
  kDrawBlur = 1,    // far rows thinned out; the default
  kDrawFill = 2,    // every run a solid band with its edges
};
