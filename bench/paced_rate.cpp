// The program as it runs for a user, frames paced: started in this process
// against a private Xvfb exactly as main() starts it, with frame_step as the
// toolkit's work procedure, for a number of seconds. Counts the frames drawn
// (rows moved over the scroll step) and takes the CPU time of this process
// and of the server.
//
//   paced_rate SECONDS [options and material...]
//
// PACED_SCREEN=WIDTHxHEIGHT gives the Xvfb that screen instead of 1024x768.
//
// Prints one line of key=value pairs.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "app_state.h"
#include "app/frame_loop.h"
#include "content/source_intake.h"
#include "render/draw_pass.h"
#include "render/row_index.h"
#include "support/app_start.h"
#include "support/x_server.h"

#include "process_time.h"

namespace {

double wall_seconds() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

// A tick every tenth of a second, so that the toolkit's loop hands control
// back to the clock below even when no event comes.
void tick(XtPointer client_data, XtIntervalId*) {
  auto app = static_cast<XtAppContext>(client_data);
  XtAppAddTimeOut(app, 100, tick, app);
}

// Runs the toolkit's loop, work procedure included, for `seconds`.
void run_for(XtAppContext app, double seconds) {
  double end = wall_seconds() + seconds;
  while (wall_seconds() < end) XtAppProcessEvent(app, XtIMAll);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: paced_rate SECONDS [options and material...]\n");
    return 2;
  }
  double seconds = std::atof(argv[1]);
  std::vector<std::string> args(argv + 2, argv + argc);

  XServer server;
  std::vector<std::string> screen;
  const char* size = std::getenv("PACED_SCREEN");
  if (size && *size) screen = {"-screen", "0", std::string(size) + "x24"};
  if (!start_x_server(&server, screen)) return 1;
  AppState state{};
  Arguments arguments;
  start_app_on(server.display_name, args, &arguments, &state);
  build_content(&state, &arguments.argc, arguments.argv.data());
  index_display_list(&state);
  XtAppAddWorkProc(state.app_context, frame_step, &state);

  XtAppContext app = state.app_context;
  tick(app, nullptr);
  run_for(app, 0.5);  // for the window to appear and the first frames to pass

  std::int64_t position0 = state.position;
  double client0 = cpu_seconds(), server0 = server_cpu_seconds(server.xvfb_pid);
  double t0 = wall_seconds();
  run_for(app, seconds);
  double wall = wall_seconds() - t0;
  double client = cpu_seconds() - client0;
  double server_cpu = server_cpu_seconds(server.xvfb_pid) - server0;
  double frames =
      state.scroll_step ? static_cast<double>(state.position - position0) / state.scroll_step : 0;

  std::printf("fps=%.1f client_cpu_percent=%.2f server_cpu_percent=%.2f total_cpu_percent=%.2f\n",
              frames / wall, 100 * client / wall, 100 * server_cpu / wall,
              100 * (client + server_cpu) / wall);
  std::fflush(stdout);
  release_resources(&state);
  stop_x_server(&server);
  return 0;
}
