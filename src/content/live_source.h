// A text source that keeps coming: standard input that is a pipe, a FIFO
// or a socket, or a FIFO or character device named as an argument. Its
// bytes are compiled as they arrive, never waiting for the stream's end:
// a reading stops when the stream has nothing more now, when the material
// reaches far enough ahead of the crawl (the writer is then held back by
// the pipe), or when the time given for it is up. What is read but not yet
// compiled waits in the source's buffer.
#pragma once

#include <cstdint>

struct AppState;
struct LiveSource;

// Whether the open descriptor is read as a live source: a FIFO, a socket,
// or, when `named` (a device given by name), a character device that is not
// a terminal. /dev/null on standard input is read at once, as a file is.
bool is_live_descriptor(int fd, bool named);

// A live source reading `fd` as text in the locale's way; the descriptor
// is closed with the source when `close_fd`.
LiveSource* open_live_source(AppState* state, int fd, bool close_fd);
// Closes the descriptor when it was handed over to close, and frees.
void close_live_source(LiveSource* source);
int live_source_fd(const LiveSource* source);

// Where a reading stops, and where the lines it compiles begin.
struct LiveLimits {
  std::int64_t deadline_ns;  // monotonic clock
  std::int64_t enough_rows;  // stop once the list ends at this source row or beyond
  std::int64_t first_row;    // a line that would begin above this row begins there
  bool lines_at_first_row;   // whether first_row applies (frames are running)
};

enum class LiveRead {
  kEnded,    // the stream ended: its last line is compiled
  kNothing,  // it has no bytes now
  kEnough,   // the material reaches enough_rows
  kTimeUp,   // the deadline passed
};

// Reads and compiles what the stream has, within the limits.
LiveRead read_live_source(AppState* state, LiveSource* source, const LiveLimits& limits);

// When the stream last gave bytes (monotonic clock); when it was opened,
// until then.
std::int64_t live_source_heard_ns(const LiveSource* source);
// True when no line is half read: the glyph table may then be emptied.
bool live_source_between_lines(const LiveSource* source);
