// The quitting signals: a handler that notes them and the one wait of the
// frame loop that they cut short.
#include "app/signals.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <ctime>
#include <initializer_list>

#include "app/frame_pacing.h"

namespace {

constexpr int kQuitSignals[] = {SIGTERM, SIGINT, SIGHUP};

// Written by the handler, read by the frame loop.
volatile sig_atomic_t quit_signal = 0;
volatile sig_atomic_t frame_loop_started = 0;
// The signal mask while waiting: the program's own, the three unblocked.
sigset_t wait_mask;

void note_quit_signal(int signal_number) {
  if (!frame_loop_started) _exit(0);
  quit_signal = signal_number;
}

sigset_t quit_signals() {
  sigset_t set;
  sigemptyset(&set);
  for (int signal_number : kQuitSignals) sigaddset(&set, signal_number);
  return set;
}

}  // namespace

void setup_signals() {
  struct sigaction action {};
  action.sa_handler = note_quit_signal;
  action.sa_mask = quit_signals();
  action.sa_flags = 0;  // no SA_RESTART: a wait returns
  for (int signal_number : kQuitSignals) sigaction(signal_number, &action, nullptr);
}

void hold_quit_signals() {
  sigset_t held = quit_signals();
  sigprocmask(SIG_BLOCK, &held, &wait_mask);
  for (int signal_number : kQuitSignals) sigdelset(&wait_mask, signal_number);
  frame_loop_started = 1;
}

bool quit_requested() {
  return quit_signal != 0;
}

bool wait_unless_quit(int fd, int other_fd, std::int64_t ns) {
  if (quit_requested()) return false;
  if (ns < 0) ns = 0;
  timespec rest{static_cast<time_t>(ns / kNsPerSecond), static_cast<long>(ns % kNsPerSecond)};
  pollfd inputs[2];
  nfds_t count = 0;
  for (int f : {fd, other_fd}) {
    if (f >= 0) inputs[count++] = {f, POLLIN, 0};
  }
  int ready = ppoll(inputs, count, &rest, frame_loop_started ? &wait_mask : nullptr);
  return ready > 0;
}
