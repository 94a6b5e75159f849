// The frame loop. The toolkit calls frame_step whenever it is idle; pacing is
// done by sleeping on the only thread. A frame always shows the position of
// before the call's advance, so the first frame shows the start position.
#include "app/frame_loop.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <unistd.h>

#include "app/app_state.h"
#include "app/keys.h"
#include "content/display_list.h"
#include "render/draw_pass.h"
#include "render/row_index.h"

namespace {

constexpr long kIdleSleepUsec = 100000;    // an idle window call
constexpr unsigned kRootIdleSleepSec = 5;  // more per idle call in root mode
constexpr long kFrameSleepUsec = 100;      // every call

// Sleeps the whole count, also past one second; nothing for 0 or less.
void sleep_usec(long usec) {
  if (usec <= 0) return;
  timespec rest{usec / 1000000, (usec % 1000000) * 1000};
  while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
  }
}

void draw_frame(AppState* s) {
  XFillRectangle(s->display, s->frame_pixmap, s->paper_gc, 0, 0, s->width, s->height);
  switch (s->draw_mode) {
    case kDrawNoblur:
      draw_noblur(s);
      break;
    case kDrawBlur:
      draw_blur(s);
      break;
    default:
      draw_fill(s);
      break;
  }
  XSetWindowBackgroundPixmap(s->display, s->view_window, s->frame_pixmap);
  XClearWindow(s->display, s->view_window);
  XFlush(s->display);
}

}  // namespace

Boolean frame_step(XtPointer client_data) {
  auto* s = static_cast<AppState*>(client_data);
  if (s->redraw) {
    draw_frame(s);
    s->redraw = 0;
    if (s->quit_after_draw == 1) quit_program(s);
  } else {
    sleep_usec(kIdleSleepUsec);
    if (s->root_mode == 1) {
      sleep(kRootIdleSleepSec);
      s->redraw = 1;
    }
  }
  if (s->scroll_step != 0) {
    s->position = move_position(s->position, s->scroll_step);
    s->redraw = 1;
  }
  sleep_usec(kFrameSleepUsec);
  // A negative wait would be a sleep of over an hour as an unsigned count;
  // it is taken as no wait.
  sleep_usec(s->wait_usec);
  return False;
}

void quit_program(AppState* state) {
  release_resources(state);
  std::exit(0);
}

void release_resources(AppState* state) {
  AppState* s = state;
  free_row_index(s->row_index);
  s->row_index = nullptr;
  free_segment_list(s->segments);
  s->segments = nullptr;
  free_pen_cache(s->display, s->pens);
  s->pens = nullptr;
  XFreeGC(s->display, s->ink_gc);
  XFreeGC(s->display, s->paper_gc);
  XFreeGC(s->display, s->copy_gc);
  XFreePixmap(s->display, s->frame_pixmap);
  if (s->icon_pixmap != None) XFreePixmap(s->display, s->icon_pixmap);
  XtUnmanageChild(s->canvas);
  XtDestroyWidget(s->canvas);
  XtDestroyWidget(s->toplevel);
  // The server may drop requests still unread when a client goes away; wait
  // until it has taken all of them, the last frame above all.
  XSync(s->display, False);
}
