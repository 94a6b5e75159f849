// Start-up of the program in the calling process, as main() does it up to
// the event handlers, against a server of the tests' own.
#pragma once

#include <string>
#include <vector>

#include "app_state.h"
#include "app/desktop_background.h"
#include "app/display_rate.h"
#include "app/display_setup.h"
#include "app/events.h"
#include "render/smooth_pass.h"

// The argument vector handed to the toolkit; it must outlive the record.
struct Arguments {
  std::vector<std::string> storage;
  std::vector<char*> argv;
  int argc = 0;
};

inline void start_app_on(const std::string& display_name, const std::vector<std::string>& args,
                         Arguments* a, AppState* state) {
  a->storage = {"lumadrift", "-display", display_name};
  a->storage.insert(a->storage.end(), args.begin(), args.end());
  a->argv.clear();
  for (std::string& s : a->storage) a->argv.push_back(s.data());
  a->argv.push_back(nullptr);
  a->argc = static_cast<int>(a->storage.size());
  init_application(state, &a->argc, a->argv.data());
  setup_display(state);
  create_gcs(state);
  setup_window_manager(state);
  setup_desktop(state);
  setup_smooth_pass(state);
  setup_frame_pacing(state);
  add_event_handlers(state);
}
