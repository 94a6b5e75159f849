// Reading a live source: poll, then read what is there, then compile it a
// line at a time, checking the limits after each line.
#include "content/live_source.h"

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "app_state.h"
#include "app/frame_pacing.h"
#include "content/display_list.h"
#include "content/segment_moves.h"
#include "content/text_reader.h"

namespace {

constexpr std::size_t kLiveChunk = 4096;  // bytes read at a time

}  // namespace

struct LiveSource {
  int fd;
  bool close_fd;
  TextReader* reader;
  char buffer[kLiveChunk];
  std::size_t at, end;  // the bytes read and not yet compiled
  std::int64_t heard_ns;
};

bool is_live_descriptor(int fd, bool named) {
  struct stat info;
  if (fstat(fd, &info) != 0 || isatty(fd)) return false;
  return S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode) || (named && S_ISCHR(info.st_mode));
}

LiveSource* open_live_source(AppState* state, int fd, bool close_fd) {
  auto* source = new LiveSource{};
  source->fd = fd;
  source->close_fd = close_fd;
  source->reader = new_text_reader(state->utf8_text, from_stream);
  source->heard_ns = monotonic_ns();
  return source;
}

void close_live_source(LiveSource* source) {
  if (!source) return;
  if (source->close_fd) close(source->fd);
  free_text_reader(source->reader);
  delete source;
}

int live_source_fd(const LiveSource* source) {
  return source->fd;
}

std::int64_t live_source_heard_ns(const LiveSource* source) {
  return source->heard_ns;
}

bool live_source_between_lines(const LiveSource* source) {
  return text_reader_between_lines(source->reader);
}

namespace {

// Reads what the stream has now into the empty buffer: the bytes read, 0 at
// its end (or on an error), -1 when it has none.
long read_what_is_there(LiveSource* source) {
  pollfd ready{source->fd, POLLIN, 0};
  int polled;
  do {
    polled = poll(&ready, 1, 0);
  } while (polled < 0 && errno == EINTR);
  if (polled == 0) return -1;
  ssize_t got;
  do {
    got = read(source->fd, source->buffer, sizeof source->buffer);
  } while (got < 0 && errno == EINTR);
  if (got < 0) return errno == EAGAIN ? -1 : 0;
  return got;
}

}  // namespace

LiveRead read_live_source(AppState* state, LiveSource* source, const LiveLimits& limits) {
  AppState* s = state;
  for (;;) {
    if (s->segments->rows >= limits.enough_rows) return LiveRead::kEnough;
    if (source->at == source->end) {
      long got = read_what_is_there(source);
      if (got < 0) return LiveRead::kNothing;
      if (got == 0) {
        end_text(s, source->reader);
        return LiveRead::kEnded;
      }
      source->at = 0;
      source->end = static_cast<std::size_t>(got);
      source->heard_ns = monotonic_ns();
    }
    // While frames run, a line that arrives after the crawl passed the end
    // of the list begins at the bottom edge.
    if (limits.lines_at_first_row && s->segments->rows < limits.first_row) {
      append_moves(s->segments, pen_for_pixel(s, s->paper_pixel), 0,
                   limits.first_row - s->segments->rows);
    }
    source->at +=
        feed_text(s, source->reader, source->buffer + source->at, source->end - source->at);
    if (monotonic_ns() >= limits.deadline_ns) return LiveRead::kTimeUp;
  }
}
