// Requests about resources that may not exist (a window handed over by a
// screen saver, a wallpaper pixmap of another client): their errors are
// noted instead of ending the program through the default handler.
#pragma once

#include <X11/Xlib.h>

// Set by without_fatal_errors' handler; Xlib's handlers take no data.
extern bool x_request_failed;
int note_x_error(Display* display, XErrorEvent* error);

// Runs `request`, then waits for the server's answer with errors noted
// instead of ending the program. True when no error came.
template <typename F>
bool without_fatal_errors(Display* display, F request) {
  XSync(display, False);
  x_request_failed = false;
  XErrorHandler previous = XSetErrorHandler(note_x_error);
  request();
  XSync(display, False);
  XSetErrorHandler(previous);
  return !x_request_failed;
}
