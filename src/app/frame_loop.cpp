// The frame loop. The toolkit calls frame_step whenever it is idle; pacing is
// done by sleeping on the only thread. A frame always shows the position of
// before the call's advance, so the first frame shows the start position.
// While the picture moves, each frame also waits for its deadline (see
// frame_pacing.h), watching the display connection meanwhile so that a key
// or a resize is handled at once and shows in the next frame. On the desktop
// (root mode on the root window itself) frames are drawn, shown and
// published by desktop_background.cpp. A quitting signal (signals.h) cuts
// every sleep and wait short and ends the program at the next call.
#include "app/frame_loop.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>

#include "app_state.h"
#include "app/desktop_background.h"
#include "app/display_rate.h"
#include "app/frame_pacing.h"
#include "app/keys.h"
#include "app/live_frames.h"
#include "app/signals.h"
#include "content/display_list.h"
#include "content/font_faces.h"
#include "content/glyphs.h"
#include "content/source_intake.h"
#include "render/draw_pass.h"
#include "render/smooth_pass.h"

namespace {

constexpr long kIdleSleepUsec = 100000;    // an idle window call
constexpr unsigned kRootIdleSleepSec = 5;  // more per idle call in root mode
constexpr long kScreenCheckUsec = 500000;  // a desktop's screen, while idle
constexpr long kFrameSleepUsec = 100;      // every call
constexpr std::int64_t kNsPerUsec = 1000;
constexpr std::int64_t kEmptyPeriodNs = 250'000'000;  // frames of nothing yet

// Sleeps the whole count, also past one second; nothing for 0 or less. A
// quitting signal ends the sleep at once, and so does input on `fd` (a
// stream whose lines the crawl wants) when it is not below 0.
void sleep_usec(long usec, int fd = -1) {
  if (usec <= 0) return;
  std::int64_t end = monotonic_ns() + usec * kNsPerUsec;
  for (std::int64_t now = monotonic_ns(); now < end && !quit_requested(); now = monotonic_ns()) {
    if (wait_unless_quit(fd, -1, end - now)) return;
  }
}

void draw_frame(AppState* s) {
  if (s->desktop) {
    draw_desktop_frame(s);
    return;
  }
  draw_pass(s, {s->frame_pixmap, s->width, s->height, nullptr, false});
  XSetWindowBackgroundPixmap(s->display, s->view_window, s->frame_pixmap);
  XClearWindow(s->display, s->view_window);
  XFlush(s->display);
}

// A new size or layout of the desktop's screen, and the rate of the
// monitor that now paces.
void follow_desktop(AppState* s) {
  if (follow_screen_changes(s, monotonic_ns())) update_frame_period(s);
}

// Root mode's long idle sleep. On the desktop the screen is looked at every
// half second meanwhile, so that a new size or layout shows within a second.
void root_idle_sleep(AppState* s) {
  if (!s->desktop) {
    sleep_usec(kRootIdleSleepSec * 1000000L, intake_wants_fd(s));
    return;
  }
  for (long slept = 0; slept < kRootIdleSleepSec * 1000000L && !s->redraw && !quit_requested();
       slept += kScreenCheckUsec) {
    sleep_usec(kScreenCheckUsec, intake_wants_fd(s));
    follow_desktop(s);
  }
}

// The period of the frames: while a stream is open and has given nothing
// yet, every frame is paper, and a few a second keep the crawl's place.
std::int64_t frame_period_now(const AppState* s) {
  if (s->intake && s->segments->count == 0) return std::max(s->frame_period_ns, kEmptyPeriodNs);
  return s->frame_period_ns;
}

// Waits until the frame's deadline. False when events came first: the
// toolkit handles them and calls again, and the wait goes on from there.
bool frame_time_reached(AppState* s) {
  for (;;) {
    std::int64_t wait = frame_wait_ns(frame_period_now(s), s->frame_deadline_ns, monotonic_ns());
    if (wait <= 0) return true;
    if (quit_requested() || XtAppPending(s->app_context)) return false;
    // Lines of a stream come in meanwhile, as the crawl wants them.
    if (wait_unless_quit(ConnectionNumber(s->display), intake_wants_fd(s), wait)) return false;
  }
}

}  // namespace

Boolean frame_step(XtPointer client_data) {
  auto* s = static_cast<AppState*>(client_data);
  if (quit_requested()) quit_program(s);
  if (s->desktop) follow_desktop(s);
  if (s->intake) take_new_material(s);
  if (s->redraw) {
    // A still picture is drawn at once, for a key or a resize.
    if (s->scroll_step != 0 && !frame_time_reached(s)) return False;
    std::int64_t started = monotonic_ns();
    draw_frame(s);
    s->redraw = 0;
    if (s->quit_after_draw == 1) quit_program(s);
    s->frame_deadline_ns =
        next_frame_deadline(frame_period_now(s), s->frame_deadline_ns, started, monotonic_ns(),
                            static_cast<std::int64_t>(s->wait_usec) * kNsPerUsec);
  } else {
    sleep_usec(kIdleSleepUsec, intake_wants_fd(s));
    if (s->root_mode == 1) {
      root_idle_sleep(s);
      s->redraw = 1;
    }
  }
  if (s->scroll_step != 0) {
    s->position = move_position(s->position, s->scroll_step);
    keep_position_on_the_list(s);
    s->redraw = 1;
  }
  sleep_usec(kFrameSleepUsec);
  // A negative wait would be a sleep of over an hour as an unsigned count;
  // it is taken as no wait. Paced frames have it in their deadline, where
  // the wait watches the connection instead of sleeping blind.
  if (s->frame_period_ns == 0 || s->scroll_step == 0) sleep_usec(s->wait_usec);
  return False;
}

void quit_program(AppState* state) {
  // -quit leaves its frame on the desktop; any other end, what was there.
  if (state->desktop) leave_desktop(state, state->quit_after_draw == 1);
  release_resources(state);
  std::exit(0);
}

// In the reverse order of making: the sources still open, the indexes of
// the list, the glyph table, the list, the pens, the smooth pass, the
// desktop, the icon, the GCs, the faces, the frame pixmap, the widgets. The
// core font stays loaded.
void release_resources(AppState* state) {
  AppState* s = state;
  free_intake(s);
  free_display_list_indexes(s);
  free_glyphs(s);
  free_segment_list(s->segments);
  s->segments = nullptr;
  free_pen_cache(s->display, s->pens);
  s->pens = nullptr;
  free_smooth_pass(s);
  free_desktop(s);
  if (s->icon_pixmap != None) XFreePixmap(s->display, s->icon_pixmap);
  s->icon_pixmap = None;
  XFreeGC(s->display, s->ink_gc);
  XFreeGC(s->display, s->paper_gc);
  XFreeGC(s->display, s->copy_gc);
  close_font_faces(s);
  XFreePixmap(s->display, s->frame_pixmap);
  XtUnmanageChild(s->canvas);
  XtDestroyWidget(s->canvas);
  XtDestroyWidget(s->toplevel);
  // The server may drop requests still unread when a client goes away; wait
  // until it has taken all of them, the last frame above all.
  XSync(s->display, False);
}
