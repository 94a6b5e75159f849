// An in-process start of the program against a private Xvfb, as main() does
// it up to the event handlers, so that a test can look into the record.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/frame_loop.h"
#include "render/draw_pass.h"
#include "support/app_start.h"
#include "support/x_server.h"

struct AppFixture : testing::Test {
  XServer server;
  AppState state{};
  Arguments arguments;
  std::vector<char*>& argv = arguments.argv;
  int& argc = arguments.argc;

  void SetUp() override { ASSERT_TRUE(start_x_server(&server)); }
  // Releases what the program would release on quitting, then the toolkit
  // with its display connection. The font's metrics stay to the end of the
  // process, as in the program, whose record holds them until exit.
  void TearDown() override {
    if (state.display) release_app(&state);
    stop_x_server(&server);
  }

  // The same for a further start of the program in the test.
  static void release_app(AppState* s) {
    static auto* kept_fonts = new std::vector<XFontStruct*>;  // never destroyed
    kept_fonts->push_back(s->font_info);
    release_resources(s);
    XtDestroyApplicationContext(s->app_context);
  }

  // Start-up up to the event handlers, as main() does it.
  void start_app(const std::vector<std::string>& args) {
    start_app_on(server.display_name, args, &arguments, &state);
  }

  // Draws one frame in `mode` as frame_step does, without showing it, and
  // reads it back; the caller destroys the image.
  XImage* frame(DrawMode mode) {
    state.draw_mode = mode;
    draw_pass(&state, {state.frame_pixmap, state.width, state.height, nullptr, false});
    return XGetImage(state.display, state.frame_pixmap, 0, 0, state.width, state.height, AllPlanes,
                     ZPixmap);
  }

  void pump() {
    XSync(state.display, False);
    while (XtAppPending(state.app_context)) XtAppProcessEvent(state.app_context, XtIMAll);
  }

  // Pumps events until `condition` holds.
  template <typename F>
  bool pump_until(F condition, double seconds = 5) {
    return wait_until(
        [&] {
          pump();
          return condition();
        },
        seconds);
  }

  void wait_mapped() {
    ASSERT_TRUE(pump_until([&] {
      XWindowAttributes a;
      return XGetWindowAttributes(server.display, state.view_window, &a) &&
             a.map_state == IsViewable;
    }));
  }

  std::string property_text(Window w, bool icon) {
    char* name = nullptr;
    std::string text;
    Status ok =
        icon ? XGetIconName(server.display, w, &name) : XFetchName(server.display, w, &name);
    if (ok && name) text = name;
    if (name) XFree(name);
    return text;
  }
};
