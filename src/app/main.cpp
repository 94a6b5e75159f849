// Lumadrift flies text and pictures on a floor that runs away from the
// viewer. All material is compiled once into a display list of coloured pixel
// runs (content/), which an idle-time frame loop (app/frame_loop.cpp) draws in
// perspective (render/) while the scroll position advances. Keys change the
// speed, the position and the projection.
//
// Start-up, in order:
//   setup_signals         TERM, INT and HUP end the program cleanly
//   init_application      defaults, own options, the toolkit
//   setup_display         display, canvas, windows, frame pixmap, font,
//                         outline faces
//   create_gcs            ink, paper and copy GCs
//   setup_window_manager  close protocol, names, icon (window mode)
//   setup_desktop         monitors and wallpaper (root mode on the root)
//   setup_smooth_pass     smooth frames' buffers, when the smooth resource asks
//   setup_frame_pacing    the frame rate: a resource, or the screen's
//   add_event_handlers    expose; keys and structure in window mode
//   build_content         pens, glyph table and display list, with progress
//                         messages
//   index_display_list    the list's rows and far rows, for the draw passes
//   frame_step            handed to the toolkit as its work procedure, with
//                         the signals held for its waits
// The process ends only in quit_program(), which releases what the record
// owns in the reverse order.
#include "app_state.h"
#include "app/desktop_background.h"
#include "app/display_rate.h"
#include "app/display_setup.h"
#include "app/events.h"
#include "app/frame_loop.h"
#include "app/signals.h"
#include "content/source_intake.h"
#include "render/draw_pass.h"
#include "render/smooth_pass.h"

int main(int argc, char** argv) {
  setup_signals();
  AppState state{};
  init_application(&state, &argc, argv);
  setup_display(&state);
  create_gcs(&state);
  setup_window_manager(&state);
  setup_desktop(&state);
  setup_smooth_pass(&state);
  setup_frame_pacing(&state);
  add_event_handlers(&state);
  build_content(&state, &argc, argv);
  index_display_list(&state);
  XtAppAddWorkProc(state.app_context, frame_step, &state);
  hold_quit_signals();
  XtAppMainLoop(state.app_context);
}
