// What a user of a stream notices, measured on the whole program against a
// private Xvfb of 640 x 480: how long after a stream pauses the crawl
// shows, how long a line written after the crawl passed the end takes to
// reach the bottom band, how fast q and a close request end a program
// waiting on a silent stream, what that waiting costs, and how long
// `yes | lumadrift -quit` takes in a window and on the root.
//
//   stream_latency
//
// Prints one line of key=value pairs (seconds, and per cent of a core).
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include "support/x_server.h"

#include "process_time.h"

namespace {

long ink(Display* d, int top, int bottom) {
  XImage* image = XGetImage(d, DefaultRootWindow(d), 0, top, 640, bottom - top, AllPlanes, ZPixmap);
  long count = 0;
  for (int y = 0; y < bottom - top; ++y) {
    for (int x = 0; x < 640; ++x) count += XGetPixel(image, x, y) != 0xffffff;
  }
  XDestroyImage(image);
  return count;
}

void say(Program* p, const char* text) {
  if (write(p->stdin_fd, text, std::strlen(text)) < 0) std::perror("write");
}

// Seconds until `condition` holds, polled every millisecond; -1 past 10 s.
template <typename F>
double seconds_until(F condition) {
  double start = now_seconds();
  while (!condition()) {
    if (now_seconds() - start > 10) return -1;
    usleep(1000);
  }
  return now_seconds() - start;
}

void measure_crawl(XServer* server, double* shown, double* late_line) {
  Display* d = server->display;
  Program p = start_program({"-root"}, true);
  // The server's own background goes as the messages are shown, at the
  // top; the crawl comes in at the bottom.
  seconds_until([&] { return ink(d, 240, 480) == 0; });
  say(&p, "one\n");
  *shown = seconds_until([&] { return ink(d, 240, 480) > 0; });
  seconds_until([&] { return ink(d, 400, 480) == 0; });
  say(&p, "two\n");
  *late_line = seconds_until([&] { return ink(d, 400, 480) > 0; });
  kill(p.pid, SIGTERM);
  wait_program(&p, 10);
}

// Ends a program waiting on a silent stream with q, or with the window
// manager's close request; the seconds it took to end.
double ending(XServer* server, bool by_key, double* idle_cpu) {
  Program p = start_program({"-title", "Silent"}, true);
  Window w = find_window(server->display, "Silent", 30);
  sleep_seconds(3);  // frames run over the silent stream
  double cpu = server_cpu_seconds(p.pid);
  sleep_seconds(5);
  if (idle_cpu) *idle_cpu = 100 * (server_cpu_seconds(p.pid) - cpu) / 5;
  XSetInputFocus(server->display, w, RevertToParent, CurrentTime);
  XSync(server->display, False);
  sleep_seconds(0.3);
  double start = now_seconds();
  if (by_key) {
    press_key(server->display, XK_q);
  } else if (std::system("wmctrl -c Silent") != 0) {
    return -1;
  }
  wait_program(&p, 10);
  return now_seconds() - start;
}

double quitting(const std::string& options) {
  double start = now_seconds();
  Program p = start_command({"sh", "-c", "yes | exec " + program_path() + " -quit " + options});
  return wait_program(&p, 30) == 0 ? now_seconds() - start : -1;
}

}  // namespace

int main() {
  XServer server;
  if (!start_x_server(&server, {"-screen", "0", "640x480x24", "-noreset"})) return 1;
  double shown, late_line, idle_cpu = 0;
  measure_crawl(&server, &shown, &late_line);
  double quit_window = quitting(""), quit_root = quitting("-root");
  if (!start_window_manager(&server)) return 1;
  double by_key = ending(&server, true, &idle_cpu);
  double by_close = ending(&server, false, nullptr);
  std::printf(
      "pause_to_crawl_s=%.3f late_line_to_bottom_s=%.3f quit_window_s=%.3f quit_root_s=%.3f "
      "q_ends_s=%.3f close_ends_s=%.3f silent_stream_cpu_percent=%.2f\n",
      shown, late_line, quit_window, quit_root, by_key, by_close, idle_cpu);
  stop_x_server(&server);
  return 0;
}
