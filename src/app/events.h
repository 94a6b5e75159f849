// Event handlers of window mode (and the expose handler of both modes).
#pragma once

#include <X11/Intrinsic.h>

struct AppState;

void add_event_handlers(AppState* state);
void on_expose(Widget widget, XtPointer client_data, XEvent* event, Boolean* continue_to_dispatch);
void on_key(Widget widget, XtPointer client_data, XEvent* event, Boolean* continue_to_dispatch);
void on_structure(Widget widget, XtPointer client_data, XEvent* event,
                  Boolean* continue_to_dispatch);
// Takes the shell's new size and remakes the frame pixmap.
void resize_frame(AppState* state);
