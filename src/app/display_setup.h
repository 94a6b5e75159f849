// Display and window set-up: what the rest of the program draws with.
// Called by main() once each, in this order, after init_application().
#pragma once

struct AppState;

// Display, screen, canvas, windows, frame pixmap, font, source width.
void setup_display(AppState* state);
// ink_gc, paper_gc and copy_gc.
void create_gcs(AppState* state);
// Hints, close protocol, names and icon; nothing in root mode.
void setup_window_manager(AppState* state);
void set_icon(AppState* state);
// WM_NAME and WM_ICON_NAME from the title, in the locale's encoding.
void set_window_names(AppState* state);
// _NET_WM_NAME and _NET_WM_ICON_NAME as UTF8_STRING, from the title.
void set_utf8_names(AppState* state);
// _NET_WM_PID and WM_CLIENT_MACHINE.
void set_client_identity(AppState* state);

// The shell's size into width and height, each at least 1 pixel: a frame
// pixmap of no size would be a protocol error.
void read_shell_size(AppState* state);
