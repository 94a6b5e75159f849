// The frameRate resource and the screen's refresh rate. A rate given in the
// resource database replaces the screen's; 0 there turns pacing off.
#include "app/display_rate.h"

#include <X11/StringDefs.h>

#include "app_state.h"
#include "app/desktop_background.h"
#include "app/frame_pacing.h"
#include "app/randr.h"

namespace {

struct PacingResources {
  String frame_rate;
};

XtResource pacing_resources[] = {
    {const_cast<char*>("frameRate"), const_cast<char*>("FrameRate"), const_cast<char*>(XtRString),
     sizeof(String), XtOffsetOf(PacingResources, frame_rate), const_cast<char*>(XtRString),
     nullptr},
};

// The refresh rate of the output under the centre of the view window (on the
// desktop, of the monitor that paces), else
// of the primary output, else the fallback of 60 frames per second.
double display_refresh_rate(AppState* state) {
  AppState* s = state;
  int x = 0, y = 0;
  if (s->desktop) {
    desktop_pace_point(s, &x, &y);
    return refresh_rate_at(s->display, s->root_window, x, y);
  }
  Window child;
  XTranslateCoordinates(s->display, s->view_window, s->root_window, s->width / 2, s->height / 2, &x,
                        &y, &child);
  return refresh_rate_at(s->display, s->root_window, x, y);
}

}  // namespace

void update_frame_period(AppState* state) {
  AppState* s = state;
  double rate = s->frame_rate >= 0 ? s->frame_rate : display_refresh_rate(s);
  s->frame_period_ns = frame_period_ns(rate);
}

void setup_frame_pacing(AppState* state) {
  AppState* s = state;
  PacingResources values{};
  XtGetApplicationResources(s->toplevel, &values, pacing_resources, XtNumber(pacing_resources),
                            nullptr, 0);
  s->frame_rate = -1;  // the screen's
  if (values.frame_rate && !parse_frame_rate(values.frame_rate, &s->frame_rate)) {
    s->frame_rate = -1;
    String params[] = {values.frame_rate};
    Cardinal count = 1;
    XtAppWarningMsg(s->app_context, "badFrameRate", "frameRate", "Lumadrift",
                    "frameRate \"%s\" is not a number of frames per second; pacing to the screen",
                    params, &count);
  }
  update_frame_period(s);
}
