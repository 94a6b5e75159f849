// SIGTERM, SIGINT and SIGHUP end the program as quit_program does, with
// status 0. The three signals are blocked except while the program waits
// (ppoll with them unblocked), and their handler only notes the signal: the
// frame loop looks at the note before every wait and after it, so the
// program ends within one frame period wherever the signal finds it, and no
// Xlib call is ever cut short by one.
#pragma once

#include <cstdint>

// Blocks the three signals and installs the handler.
void setup_signals();

// True once one of the three signals has arrived.
bool quit_requested();

// Waits up to `ns` nanoseconds for input on `fd` (none when fd < 0), or until
// one of the signals arrives; at once when one already has. True when `fd`
// has input.
bool wait_unless_quit(int fd, std::int64_t ns);
