// Defaults of the program record and the first step of start-up.
#include "app_state.h"

#include <langinfo.h>

#include <clocale>
#include <cstring>

#include <X11/Shell.h>
#include <X11/StringDefs.h>

#include "app/options.h"

void fill_defaults(AppState* state) {
  AppState* s = state;
  s->width = 640;
  s->height = 480;
  s->source_width = 0;  // derived from the font by setup_display
  s->source_letters = 40;
  s->root_mode = 0;
  s->redraw = 1;  // the first idle call draws
  s->quit_after_draw = 0;
  s->draw_mode = kDrawBlur;
  s->length_x = 0;  // derived: setup_display replaces values below 1
  s->length_y = 100;
  s->line_space = 1;
  s->scroll_step = 1;
  s->wait_usec = 0;
  s->position = 0;
  s->frame_rate = -1;      // the screen's refresh rate, once set-up has found it
  s->frame_period_ns = 0;  // no pacing until then
  s->frame_deadline_ns = 0;
  s->font_name = "8x16";
  s->title = "Lumadrift";
}

namespace {

// Only the character set is taken from the locale: it decides how text
// is read. Numbers, messages and everything else stay as in the C locale.
int locale_is_utf8() {
  std::setlocale(LC_CTYPE, "");
  return std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
}

}  // namespace

void init_application(AppState* state, int* argc, char** argv) {
  fill_defaults(state);
  state->utf8_text = locale_is_utf8();
  parse_options(state, argc, argv);

  Arg args[2];
  XtSetArg(args[0], XtNwidth, static_cast<XtArgVal>(state->width));
  XtSetArg(args[1], XtNheight, static_cast<XtArgVal>(state->height));
  state->toplevel =
      XtAppInitialize(&state->app_context, "Lumadrift", nullptr, 0, argc, argv, nullptr, args, 2);
}
