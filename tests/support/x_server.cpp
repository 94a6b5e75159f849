#include "support/x_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace {

// Starts a child that dies with the test process, so that a failing test
// never leaves a server or a program behind holding the test's output open.
pid_t spawn(const std::vector<std::string>& args, int stdin_fd, int stdout_fd, int keep_fd,
            const std::vector<std::string>& env, bool quiet) {
  pid_t pid = fork();
  if (pid != 0) return pid;
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  signal(SIGPIPE, SIG_DFL);  // the test itself ignores it: see start_process
  if (stdin_fd >= 0) dup2(stdin_fd, 0);
  if (stdout_fd >= 0) dup2(stdout_fd, 1);
  int null_fd = open("/dev/null", O_RDWR);
  if (stdin_fd < 0) dup2(null_fd, 0);
  if (stdout_fd < 0) dup2(null_fd, 1);
  if (quiet) dup2(null_fd, 2);
  for (int fd = 3; fd < 1024; ++fd) {
    if (fd != keep_fd) close(fd);
  }
  for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  setpgid(0, 0);
  execvp(argv[0], argv.data());
  _exit(127);
}

bool read_line(int fd, std::string* line, double seconds) {
  double end = now_seconds() + seconds;
  char c;
  while (now_seconds() < end) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    ssize_t n = read(fd, &c, 1);
    if (n <= 0) return false;
    if (c == '\n') return true;
    line->push_back(c);
  }
  return false;
}

std::string window_name(Display* d, Window w) {
  char* name = nullptr;
  std::string result;
  if (XFetchName(d, w, &name) && name) {
    result = name;
    XFree(name);
  }
  return result;
}

Window search(Display* d, Window w, const std::string& title) {
  if (window_name(d, w) == title) return w;
  Window root, parent, *children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(d, w, &root, &parent, &children, &count)) return None;
  Window found = None;
  for (unsigned int i = 0; i < count && found == None; ++i) found = search(d, children[i], title);
  if (children) XFree(children);
  return found;
}

bool is_viewable(Display* d, Window w) {
  XWindowAttributes a;
  return XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable;
}

int ignore_errors(Display*, XErrorEvent*) {
  return 0;
}

}  // namespace

Program start_process(const std::vector<std::string>& full, bool pipe_stdin,
                      const std::vector<std::string>& env);

double now_seconds() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

void sleep_seconds(double seconds) {
  timespec t{static_cast<time_t>(seconds), static_cast<long>((seconds - (time_t)seconds) * 1e9)};
  nanosleep(&t, nullptr);
}

std::string program_path() {
  return LUMADRIFT_BINARY;
}

bool start_x_server(XServer* server, const std::vector<std::string>& extra_args) {
  int fds[2];
  if (pipe(fds) != 0) return false;
  // Without GLX, which nothing here uses: loading its renderer is half of
  // what the server's start costs.
  std::vector<std::string> args = {
      "Xvfb",      "-displayfd", std::to_string(fds[1]), "-screen", "0", "1024x768x24",
      "-nolisten", "tcp",        "-extension",           "GLX"};
  args.insert(args.end(), extra_args.begin(), extra_args.end());
  server->xvfb_pid = spawn(args, -1, -1, fds[1], {}, true);
  close(fds[1]);
  std::string number;
  bool ok = read_line(fds[0], &number, 20);
  close(fds[0]);
  if (!ok || number.empty()) return false;
  server->display_name = ":" + number;
  setenv("DISPLAY", server->display_name.c_str(), 1);
  // Text is read byte by byte unless a test asks for a UTF-8 locale itself.
  setenv("LC_ALL", "C", 1);
  server->display = XOpenDisplay(server->display_name.c_str());
  return server->display != nullptr;
}

// The window manager announces itself before it handles map requests, so
// readiness is proven with a probe window that it must reparent.
bool start_window_manager(XServer* server) {
  server->wm_pid = spawn({"openbox", "--sm-disable"}, -1, -1, -1, {}, true);
  Display* d = server->display;
  Window root = DefaultRootWindow(d);
  Window probe = XCreateSimpleWindow(d, root, 0, 0, 10, 10, 0, 0, 0);
  XMapWindow(d, probe);
  bool managed = wait_until(
      [&] {
        Window r, parent, *children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(d, probe, &r, &parent, &children, &count)) return false;
        if (children) XFree(children);
        if (parent != root) return true;
        // Not yet: ask again, in case the first request came too early.
        XUnmapWindow(d, probe);
        XMapWindow(d, probe);
        XSync(d, False);
        return false;
      },
      20);
  XDestroyWindow(d, probe);
  XSync(d, False);
  return managed;
}

void stop_x_server(XServer* server) {
  if (server->display) XCloseDisplay(server->display);
  server->display = nullptr;
  for (pid_t* pid : {&server->wm_pid, &server->xvfb_pid}) {
    if (*pid > 0) {
      kill(*pid, SIGTERM);
      // One that does not end in good time is killed.
      if (!wait_until([&] { return waitpid(*pid, nullptr, WNOHANG) == *pid; }, 10)) {
        kill(*pid, SIGKILL);
        waitpid(*pid, nullptr, 0);
      }
      *pid = -1;
    }
  }
}

Program start_program(const std::vector<std::string>& args, bool pipe_stdin,
                      const std::vector<std::string>& env) {
  std::vector<std::string> full = {program_path()};
  full.insert(full.end(), args.begin(), args.end());
  return start_process(full, pipe_stdin, env);
}

Program start_command(const std::vector<std::string>& argv, bool pipe_stdin) {
  return start_process(argv, pipe_stdin, {});
}

Program start_process(const std::vector<std::string>& full, bool pipe_stdin,
                      const std::vector<std::string>& env) {
  Program program;
  // A program may end before it has read all that a test writes to it, as
  // the program on a stream does: the test's write then fails instead of
  // ending the test.
  signal(SIGPIPE, SIG_IGN);
  int in[2] = {-1, -1}, out[2];
  if (pipe_stdin && pipe(in) != 0) return program;
  if (pipe(out) != 0) return program;
  program.pid = spawn(full, in[0], out[1], -1, env, false);
  if (pipe_stdin) {
    close(in[0]);
    program.stdin_fd = in[1];
  }
  close(out[1]);
  program.stdout_fd = out[0];
  return program;
}

int wait_program(Program* program, double seconds) {
  int status = 0;
  bool ended =
      wait_until([&] { return waitpid(program->pid, &status, WNOHANG) == program->pid; }, seconds);
  if (!ended) {
    kill(program->pid, SIGKILL);
    waitpid(program->pid, &status, 0);
  }
  if (program->stdin_fd >= 0) close(program->stdin_fd);
  program->stdin_fd = -1;
  if (!ended) return -1;
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WEXITSTATUS(status);
}

std::string read_all(int fd) {
  std::string text;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, n);
  return text;
}

Window find_window_now(Display* display, const std::string& title) {
  // Windows may vanish while the tree is walked.
  XSync(display, False);
  XErrorHandler previous = XSetErrorHandler(ignore_errors);
  Window found = search(display, DefaultRootWindow(display), title);
  XSync(display, False);
  XSetErrorHandler(previous);
  return found;
}

Window find_window(Display* display, const std::string& title, double seconds) {
  Window found = None;
  wait_until(
      [&] {
        found = find_window_now(display, title);
        return found != None && is_viewable(display, found);
      },
      seconds);
  return found;
}

void press_key(Display* display, KeySym keysym) {
  KeyCode code = XKeysymToKeycode(display, keysym);
  XTestFakeKeyEvent(display, code, True, CurrentTime);
  XTestFakeKeyEvent(display, code, False, CurrentTime);
  XSync(display, False);
}
