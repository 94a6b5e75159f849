// SIGTERM, SIGINT and SIGHUP end the program as quit_program does, with
// status 0. While the material is compiled, before any frame, the process
// ends at once: it has shown nothing yet that would need putting back. In
// the frame loop the handler only notes the signal, and the three are
// blocked except while the program waits (ppoll with them unblocked): the
// loop looks at the note before every wait and after it, so the program
// ends within one frame period wherever the signal finds it.
#pragma once

#include <cstdint>

// Installs the handler. First thing in main().
void setup_signals();
// From here on the handler only notes the signal, and the three are
// blocked outside the waits; as the frame loop starts.
void hold_quit_signals();

// True once one of the three signals has arrived.
bool quit_requested();

// Waits up to `ns` nanoseconds for input on `fd` or `other_fd` (each left
// out when below 0), or until one of the signals arrives; at once when one
// already has. True when one of them has input.
bool wait_unless_quit(int fd, int other_fd, std::int64_t ns);
