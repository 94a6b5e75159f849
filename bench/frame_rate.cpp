// The whole program's frame loop, measured: the program is started in this
// process against a private Xvfb exactly as main() starts it, compiles its
// material with build_content, and then runs frame_step for a number of
// frames while the CPU time of this process and of the server is taken.
//
//   frame_rate MODE START FRAMES [material...]     MODE: blur, noblur, fill or idle
//
// Prints one line of key=value pairs. With "idle" the scroll is stopped and
// the program is left idle for FRAMES tenths of a second.
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/frame_loop.h"
#include "content/display_list.h"
#include "content/source_intake.h"
#include "support/app_start.h"
#include "support/x_server.h"

namespace {

double cpu_seconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

double server_cpu_seconds(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), {});
  std::size_t close = text.rfind(')');
  std::vector<std::string> fields;
  std::string field;
  for (std::size_t i = close + 2; i < text.size(); ++i) {
    if (text[i] == ' ') {
      fields.push_back(field);
      field.clear();
    } else {
      field.push_back(text[i]);
    }
  }
  // utime and stime are the 12th and 13th fields after the name.
  return (std::stod(fields[11]) + std::stod(fields[12])) / sysconf(_SC_CLK_TCK);
}

long segment_count(const AppState& s) {
  long n = 0;
  for (const Segment* g = s.segments->head; g; g = g->next) ++n;
  return n;
}

long peak_kb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: frame_rate MODE START FRAMES [material...]\n");
    return 2;
  }
  std::string mode = argv[1];
  long frames = std::atol(argv[3]);
  std::vector<std::string> args = {"-st", argv[2], "-wt", "0"};
  args.push_back(mode == "noblur" ? "-nb" : mode == "fill" ? "-fill" : "-b");
  if (mode == "idle") args.insert(args.end(), {"-sc", "0"});
  for (int i = 4; i < argc; ++i) args.push_back(argv[i]);

  XServer server;
  if (!start_x_server(&server)) return 1;
  AppState state{};
  Arguments arguments;
  start_app_on(server.display_name, args, &arguments, &state);

  long before_kb = peak_kb();
  timespec t0, t1;
  clock_gettime(CLOCK_MONOTONIC, &t0);
  build_content(&state, &arguments.argc, arguments.argv.data());
  clock_gettime(CLOCK_MONOTONIC, &t1);
  double compile = (t1.tv_sec - t0.tv_sec) + (t1.tv_nsec - t0.tv_nsec) / 1e9 - 1.0;  // its sleep(1)
  long segments = segment_count(state);
  long after_kb = peak_kb();

  frame_step(&state);  // the first frame, not counted
  XSync(state.display, False);
  double client0 = cpu_seconds(), server0 = server_cpu_seconds(server.xvfb_pid);
  clock_gettime(CLOCK_MONOTONIC, &t0);
  for (long i = 0; i < frames; ++i) frame_step(&state);
  XSync(state.display, False);
  clock_gettime(CLOCK_MONOTONIC, &t1);
  double wall = (t1.tv_sec - t0.tv_sec) + (t1.tv_nsec - t0.tv_nsec) / 1e9;
  double client = cpu_seconds() - client0;
  double server_cpu = server_cpu_seconds(server.xvfb_pid) - server0;

  std::printf(
      "fps=%.1f client_ms_per_frame=%.3f server_ms_per_frame=%.3f client_cpu_percent=%.2f "
      "compile_s=%.3f segments=%ld peak_kb=%ld bytes_per_segment=%.1f\n",
      frames / wall, 1000 * client / frames, 1000 * server_cpu / frames, 100 * client / wall,
      compile, segments, peak_kb(),
      segments ? 1024.0 * static_cast<double>(after_kb - before_kb) / segments : 0.0);
  std::fflush(stdout);
  release_resources(&state);
  stop_x_server(&server);
  return 0;
}
