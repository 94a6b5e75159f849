// Source intake and progress messages.
#include "content/source_intake.h"

#include <cstring>
#include <unistd.h>

#include "app/app_state.h"
#include "app/options.h"
#include "content/display_list.h"

std::uint32_t message_y = 0;

void show_message(AppState* state, const char* text) {
  AppState* s = state;
  message_y +=
      static_cast<std::uint32_t>(s->font_info->ascent + s->font_info->descent + s->line_space);
  XDrawString(s->display, s->frame_pixmap, s->ink_gc, s->font_info->max_bounds.width,
              static_cast<int>(message_y), text, static_cast<int>(std::strlen(text)));
  XCopyArea(s->display, s->frame_pixmap, s->view_window, s->copy_gc, 0, 0, s->width, s->height, 0,
            0);
  XFlush(s->display);
}

void build_content(AppState* state, int* argc, char** argv) {
  AppState* s = state;
  s->pens = new_pen_cache();
  s->segments = new_segment_list();
  s->line_height = s->font_info->ascent + s->font_info->descent;
  probe_pixels(s);
  XFillRectangle(s->display, s->frame_pixmap, s->paper_gc, 0, 0, s->width, s->height);
  show_message(s, "Now initializing Lumadrift and making data.");
  show_message(s, "Please wait for some minutes...");
  while (*argc > 1) remove_argument(argc, argv, 1);
  show_message(s, "Now starting Lumadrift!");
  sleep(1);
}
