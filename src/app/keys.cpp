#include "app/keys.h"

#include <climits>
#include <cstdint>

#include <X11/keysym.h>

#include "app_state.h"

namespace {

// The step, speed and lengths have no upper or lower limit of their own;
// at the ends of the int range they stay put instead of overflowing.
int step_up(int v) {
  return v == INT_MAX ? v : v + 1;
}
int step_down(int v) {
  return v == INT_MIN ? v : v - 1;
}

}  // namespace

std::int64_t move_position(std::int64_t position, int rows) {
  std::int64_t moved;
  if (__builtin_add_overflow(position, rows, &moved)) return position;
  return moved;
}

KeyOutcome apply_key(AppState* state, KeySym keysym) {
  AppState* s = state;
  switch (keysym) {
    case XK_a:
      s->scroll_step = step_up(s->scroll_step);
      break;
    case XK_d:
      s->scroll_step = step_down(s->scroll_step);
      break;
    case XK_n:
      s->position = move_position(s->position, 1);
      break;
    case XK_p:
      s->position = move_position(s->position, -1);
      break;
    case XK_s:
      s->position = 0;
      break;
    case XK_q:
      return KeyOutcome::kQuit;
    case XK_Left:
      if (s->length_x >= 2) --s->length_x;
      break;
    case XK_Right:
      s->length_x = step_up(s->length_x);
      break;
    case XK_Up:
      if (s->length_y >= 2) --s->length_y;
      break;
    case XK_Down:
      s->length_y = step_up(s->length_y);
      break;
    case XK_Prior:
      s->position = move_position(s->position, -10);
      break;
    case XK_Next:
      s->position = move_position(s->position, 10);
      break;
    default:
      break;
  }
  s->redraw = 1;
  return KeyOutcome::kRedraw;
}
