// A private X server for the tests: an Xvfb that picks its own free display
// number (-displayfd), optionally a window manager in it, and helpers to run
// the program against it, find its window, press keys and read pixels back.
// Nothing here looks at the caller's DISPLAY.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include <X11/Xlib.h>

struct XServer {
  pid_t xvfb_pid = -1;
  pid_t wm_pid = -1;
  std::string display_name;    // ":N"
  Display* display = nullptr;  // the tests' own connection
};

// Starts Xvfb (1024x768x24, the core fonts, no GLX, plus `extra_args`) and opens a
// connection to it; DISPLAY is set to it, and LC_ALL to C, for the program
// started in the test's process and those the test starts.
bool start_x_server(XServer* server, const std::vector<std::string>& extra_args = {});
// Starts openbox and waits until it manages the screen.
bool start_window_manager(XServer* server);
void stop_x_server(XServer* server);

struct Program {
  pid_t pid = -1;
  int stdin_fd = -1;   // write end, when asked for
  int stdout_fd = -1;  // read end
};

// Runs the built program with these arguments. Standard input is /dev/null
// unless `pipe_stdin`, then a pipe the test writes to.
Program start_program(const std::vector<std::string>& args, bool pipe_stdin = false,
                      const std::vector<std::string>& env = {});
// Runs any command (argv[0] looked up in PATH), as start_program does.
Program start_command(const std::vector<std::string>& argv, bool pipe_stdin = false);
// Waits up to `seconds` for the program to end; its exit code, or -1 when it
// did not end in time (it is then killed), or 128 + signal.
int wait_program(Program* program, double seconds);
std::string read_all(int fd);

// The top-level client window whose WM_NAME is `title`, waiting up to
// `seconds` for it to be mapped; None when there is none.
Window find_window(Display* display, const std::string& title, double seconds);
// The same without waiting, so that a test can see that there is none.
Window find_window_now(Display* display, const std::string& title);

// A real key press and release through XTest, of the key carrying `keysym`.
void press_key(Display* display, KeySym keysym);

// Polls `condition` until it holds or `seconds` pass.
template <typename F>
bool wait_until(F condition, double seconds);

double now_seconds();
void sleep_seconds(double seconds);

template <typename F>
bool wait_until(F condition, double seconds) {
  double end = now_seconds() + seconds;
  while (!condition()) {
    if (now_seconds() > end) return false;
    sleep_seconds(0.01);
  }
  return true;
}

// The path of the built program.
std::string program_path();
