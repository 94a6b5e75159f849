#include "app/signals.h"

#include <poll.h>
#include <signal.h>

#include <ctime>

namespace {

constexpr std::int64_t kNsPerSecond = 1000000000;
constexpr int kQuitSignals[] = {SIGTERM, SIGINT, SIGHUP};

// Written by the handler, read by the frame loop.
volatile sig_atomic_t quit_signal = 0;
// The signal mask while waiting: the program's own, the three unblocked.
sigset_t wait_mask;
bool signals_set_up = false;

void note_quit_signal(int signal_number) {
  quit_signal = signal_number;
}

}  // namespace

void setup_signals() {
  sigset_t quit_signals;
  sigemptyset(&quit_signals);
  for (int signal_number : kQuitSignals) sigaddset(&quit_signals, signal_number);
  struct sigaction action {};
  action.sa_handler = note_quit_signal;
  action.sa_mask = quit_signals;
  action.sa_flags = 0;  // no SA_RESTART: the wait returns
  for (int signal_number : kQuitSignals) sigaction(signal_number, &action, nullptr);
  sigprocmask(SIG_BLOCK, &quit_signals, &wait_mask);
  for (int signal_number : kQuitSignals) sigdelset(&wait_mask, signal_number);
  signals_set_up = true;
}

bool quit_requested() {
  return quit_signal != 0;
}

bool wait_unless_quit(int fd, std::int64_t ns) {
  if (quit_requested()) return false;
  if (ns < 0) ns = 0;
  timespec rest{static_cast<time_t>(ns / kNsPerSecond), static_cast<long>(ns % kNsPerSecond)};
  pollfd connection{fd, POLLIN, 0};
  int ready = ppoll(fd >= 0 ? &connection : nullptr, fd >= 0 ? 1 : 0, &rest,
                    signals_set_up ? &wait_mask : nullptr);
  return ready > 0;
}
