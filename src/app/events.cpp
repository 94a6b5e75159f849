// Exposure, keys and window structure. The key table itself lives in keys.cpp;
// here only the X side: which event, which keysym, and the frame pixmap that a
// resize makes anew.
#include "app/events.h"

#include <X11/XKBlib.h>

#include "app_state.h"
#include "app/display_rate.h"
#include "app/display_setup.h"
#include "app/frame_loop.h"
#include "app/keys.h"
#include "app/live_frames.h"

void add_event_handlers(AppState* state) {
  XtAddEventHandler(state->toplevel, ExposureMask, False, on_expose, state);
  if (state->root_mode) return;
  // The toolkit hands key presses to the canvas, the shell's only child,
  // and never to the shell's own handlers; the handler sits on both.
  XtAddEventHandler(state->toplevel, KeyPressMask, False, on_key, state);
  XtAddEventHandler(state->canvas, KeyPressMask, False, on_key, state);
  XtAddEventHandler(state->toplevel, StructureNotifyMask, True, on_structure, state);
}

void on_expose(Widget, XtPointer client_data, XEvent* event, Boolean*) {
  auto* s = static_cast<AppState*>(client_data);
  if (event->type != Expose) return;
  XSetWindowBackgroundPixmap(s->display, s->view_window, s->frame_pixmap);
  XClearWindow(s->display, s->view_window);
}

void on_key(Widget, XtPointer client_data, XEvent* event, Boolean*) {
  auto* s = static_cast<AppState*>(client_data);
  if (event->type != KeyPress) return;
  // Level 0 of group 0: modifiers make no difference (Shift+A acts as a).
  KeySym keysym = XkbKeycodeToKeysym(s->display, event->xkey.keycode, 0, 0);
  if (apply_key(s, keysym) == KeyOutcome::kQuit) quit_program(s);
  keep_position_on_the_list(s);  // s, p and Page Up reach back to the oldest row kept
}

void on_structure(Widget, XtPointer client_data, XEvent* event, Boolean*) {
  auto* s = static_cast<AppState*>(client_data);
  if (event->type == ClientMessage) {
    const XClientMessageEvent& message = event->xclient;
    if (message.message_type == s->wm_protocols &&
        static_cast<Atom>(message.data.l[0]) == s->wm_delete_window) {
      quit_program(s);
    }
  } else if (event->type == ConfigureNotify) {
    resize_frame(s);
    update_frame_period(s);  // the window may now be on another screen
  }
}

// While the messages are shown, the new pixmap takes them over.
void resize_frame(AppState* state) {
  AppState* s = state;
  int width = s->width, height = s->height;
  read_shell_size(s);
  XResizeWindow(s->display, s->view_window, s->width, s->height);
  Pixmap old = s->frame_pixmap;
  if (!s->compiling) XFreePixmap(s->display, old);
  s->frame_pixmap = XCreatePixmap(s->display, s->base_window, s->width, s->height, s->depth);
  if (s->compiling) {
    XFillRectangle(s->display, s->frame_pixmap, s->paper_gc, 0, 0, s->width, s->height);
    XCopyArea(s->display, old, s->frame_pixmap, s->copy_gc, 0, 0, width, height, 0, 0);
    XFreePixmap(s->display, old);
  }
  s->redraw = 1;
}
