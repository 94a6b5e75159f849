// Source intake: the compile phase. Every argument left by option parsing
// and the toolkit is a source, compiled in order: "-" reads standard input,
// a file beginning with the XPM magic is a picture, any other file is text,
// and an argument that does not open as a file is flown as its own text.
// Piped standard input follows the arguments, and the usage text stands in
// when nothing produced a segment. A column of progress messages shows
// what is being read. The sources wait in an Intake, so that reading can
// stop at a live source and go on while the frames run.
#include "content/source_intake.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app_state.h"
#include "app/frame_pacing.h"
#include "app/options.h"
#include "app/signals.h"
#include "content/display_list.h"
#include "content/font_faces.h"
#include "content/glyphs.h"
#include "content/live_source.h"
#include "content/pixmap_loader.h"
#include "content/segment_moves.h"
#include "content/text_reader.h"

std::uint32_t message_y = 0;

struct Intake {
  std::vector<const char*> arguments;  // not compiled yet, in order
  std::size_t next;
  bool stdin_after;    // piped standard input follows the arguments
  bool stdin_ended;    // standard input was read to its end as a live source
  bool usage_checked;  // whether the usage text is needed was decided
  LiveSource* live;    // the source being read, or null
  bool live_is_stdin;
  bool frames;  // frames run: no messages, late material starts at the bottom edge
};

namespace {

constexpr std::int64_t kQuietNs = 250'000'000;              // a pause that starts the frames
constexpr std::int64_t kFirstReadingNs = 2 * kNsPerSecond;  // the most a live source delays them
constexpr std::int64_t kClosingWaitNs = kNsPerSecond;
constexpr std::size_t kMostGlyphs = 8192;  // prepared before the table is emptied

void message(AppState* s, const Intake* in, const char* text) {
  if (!in->frames) show_message(s, text);
}

constexpr char kPictureMagic[] = "/* XPM */";
constexpr int kPictureMagicLength = 9;
constexpr std::size_t kMaxNameInMessage = 1948;
constexpr std::uint32_t kMaxMessageY = INT16_MAX;  // X coordinates are 16-bit

// A terminal is read to its end (Ctrl-D), as are a file and /dev/null on
// standard input; a pipe, a FIFO or a socket is read as it comes.
void begin_standard_input(AppState* s, Intake* in, bool prompt) {
  message(s, in, "Writing letters from the standard input.");
  if (prompt) message(s, in, "Please input letters and hit Ctrl-D.");
  if (!in->stdin_ended && !prompt && is_live_descriptor(fileno(stdin), false)) {
    in->live = open_live_source(s, fileno(stdin), false);
    in->live_is_stdin = true;
    return;
  }
  if (!in->stdin_ended) read_letters(s, stdin, from_stream);
  message(s, in, "Done.");
}

// True when the open file begins with exactly the picture magic; reads its
// first bytes into line_buffer (nothing when none could be read).
bool begins_with_picture_magic(std::FILE* file) {
  if (!std::fgets(line_buffer, kPictureMagicLength + 1, file)) {
    line_buffer[0] = '\0';
    return false;
  }
  return std::memcmp(line_buffer, kPictureMagic, kPictureMagicLength + 1) == 0;
}

void show_file_message(AppState* s, const Intake* in, const char* prefix, const char* name) {
  if (in->frames) return;
  std::strcpy(line_buffer, prefix);
  std::strncat(line_buffer, name, kMaxNameInMessage);
  std::strcat(line_buffer, "\".");
  show_message(s, line_buffer);
}

void compile_text_file(AppState* s, const Intake* in, const char* name) {
  show_file_message(s, in, "Writing letters in a file \"", name);
  // The file opened a moment ago; if it has vanished since, nothing is read.
  std::FILE* stream = std::fopen(name, "rt");
  if (stream) read_letters(s, stream, from_stream);
  message(s, in, "Done.");
  if (stream) std::fclose(stream);
}

// A stream that gives the bytes the picture test took first, then the rest
// of the file it took them from.
struct PrefixedStream {
  const char* prefix;
  std::size_t length, offset;
  std::FILE* rest;
};

ssize_t read_prefixed(void* cookie, char* buffer, std::size_t size) {
  auto* p = static_cast<PrefixedStream*>(cookie);
  if (p->offset < p->length) {
    std::size_t n = std::min(size, p->length - p->offset);
    std::memcpy(buffer, p->prefix + p->offset, n);
    p->offset += n;
    return static_cast<ssize_t>(n);
  }
  return static_cast<ssize_t>(std::fread(buffer, 1, size, p->rest));
}

// A pipe or a device cannot be opened a second time to be read from its
// start: it is read on from where the picture test stopped, as text.
void compile_open_stream(AppState* s, const Intake* in, const char* name, std::FILE* file) {
  std::string taken = line_buffer;  // before the message takes the buffer
  show_file_message(s, in, "Writing letters in a file \"", name);
  PrefixedStream cookie{taken.data(), taken.size(), 0, file};
  if (std::FILE* stream = fopencookie(&cookie, "r", {read_prefixed, nullptr, nullptr, nullptr})) {
    read_letters(s, stream, from_stream);
    std::fclose(stream);
  }
  message(s, in, "Done.");
}

bool is_regular_file(std::FILE* file) {
  struct stat info;
  return fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode);
}

void compile_argument(AppState* s, Intake* in, const char* argument) {
  if (std::strcmp(argument, "-") == 0) {
    begin_standard_input(s, in, isatty(fileno(stdin)));
    return;
  }
  std::FILE* file = std::fopen(argument, "rt");
  if (!file) {
    message(s, in, "Writing letters.");
    read_letters(s, argument, from_string);
    message(s, in, "Done.");
    return;
  }
  if (is_live_descriptor(fileno(file), true)) {
    show_file_message(s, in, "Writing letters in a file \"", argument);
    in->live = open_live_source(s, dup(fileno(file)), true);
    in->live_is_stdin = false;
    std::fclose(file);
    return;
  }
  bool picture = begins_with_picture_magic(file);
  if (!is_regular_file(file)) {
    compile_open_stream(s, in, argument, file);
    std::fclose(file);
    return;
  }
  std::fclose(file);
  if (picture) {
    show_file_message(s, in, "Drawing a pixmap \"", argument);
    load_pixmap_file(s, argument);
    message(s, in, "Done.");
  } else {
    compile_text_file(s, in, argument);
  }
}

// A file name in a message is drawn as the text reader reads text: in a
// UTF-8 locale as UTF-8, otherwise byte by byte.
void draw_message(AppState* s, int y, const char* text) {
  int x = s->font_info->max_bounds.width;
  if (!s->utf8_text) {
    XDrawString(s->display, s->frame_pixmap, s->ink_gc, x, y, text,
                static_cast<int>(std::strlen(text)));
    return;
  }
  char32_t characters[kLineBufferSize];
  int count = 0;
  LetterCursor cursor = string_cursor(text, 1);
  for (int c; count < kLineBufferSize && (c = next_char(&cursor)) != -1;) {
    characters[count++] = static_cast<char32_t>(c);
  }
  draw_characters(s->display, s->frame_pixmap, s->ink_gc, s->font_info, x, y, characters, count);
}

}  // namespace

void show_message(AppState* state, const char* text) {
  AppState* s = state;
  message_y +=
      static_cast<std::uint32_t>(s->font_info->ascent + s->font_info->descent + s->line_space);
  // Far below the frame a message is not drawn at all: in 16 bits it would
  // come back at the top.
  if (message_y <= kMaxMessageY) draw_message(s, static_cast<int>(message_y), text);
  XCopyArea(s->display, s->frame_pixmap, s->view_window, s->copy_gc, 0, 0, s->width, s->height, 0,
            0);
  XFlush(s->display);
}

namespace {

void finish_live(AppState* s, Intake* in) {
  close_live_source(in->live);
  in->live = nullptr;
  if (in->live_is_stdin) in->stdin_ended = true;
  message(s, in, "Done.");
}

bool sources_left(const AppState* s, const Intake* in) {
  return in->next < in->arguments.size() || in->stdin_after ||
         (!in->usage_checked && s->segments->count == 0);
}

// The next source after the arguments and standard input: the usage text
// when nothing at all was produced. False when no source is left.
bool compile_next(AppState* s, Intake* in) {
  if (in->next < in->arguments.size()) {
    compile_argument(s, in, in->arguments[in->next++]);
    return true;
  }
  if (in->stdin_after) {
    in->stdin_after = false;
    if (!in->stdin_ended && !std::feof(stdin)) begin_standard_input(s, in, false);
    return true;
  }
  if (in->usage_checked) return false;
  in->usage_checked = true;
  if (s->segments->count == 0) {
    message(s, in, "Writing default letters.");
    read_letters(s, usage_text, from_string);
    message(s, in, "Done.");
  }
  return true;
}

// A table that a stream of ever new characters fills is emptied between
// lines; the characters still to come are made again.
void bound_glyph_table(AppState* s, const Intake* in) {
  if (s->glyphs->prepared < kMostGlyphs) return;
  if (in->live && !live_source_between_lines(in->live)) return;
  free_glyphs(s);
  s->glyphs = new_glyph_table();
}

std::int64_t rows_ahead_of(std::int64_t position) {
  std::int64_t row;
  return __builtin_add_overflow(position, kReadAheadRows, &row) ? INT64_MAX : row;
}

// Waits up to `ns` for the descriptor or the display, dispatching the
// display's events: a close request or a key may end the program here.
void wait_dispatching_events(AppState* s, int fd, std::int64_t ns) {
  if (!XtAppPending(s->app_context)) {
    wait_unless_quit(ConnectionNumber(s->display), fd, std::min(ns, kNsPerSecond));
  }
  while (XtAppPending(s->app_context)) XtAppProcessEvent(s->app_context, XtIMAll);
}

// The live source before the first frame: until it ends (true), or pauses,
// or reaches far enough, or has been read long enough (false).
bool read_before_frames(AppState* s, Intake* in) {
  std::int64_t started = monotonic_ns();
  LiveLimits limits{started + kFirstReadingNs, rows_ahead_of(s->position), 0, false};
  for (;;) {
    LiveRead read = read_live_source(s, in->live, limits);
    bound_glyph_table(s, in);
    if (read == LiveRead::kEnded) {
      finish_live(s, in);
      return true;
    }
    if (read != LiveRead::kNothing) return false;
    std::int64_t now = monotonic_ns();
    std::int64_t until = std::min(live_source_heard_ns(in->live) + kQuietNs, limits.deadline_ns);
    if (now >= until) return false;
    wait_dispatching_events(s, live_source_fd(in->live), until - now);
  }
}

}  // namespace

void build_content(AppState* state, int* argc, char** argv) {
  AppState* s = state;
  s->pens = new_pen_cache();
  s->segments = new_segment_list();
  s->glyphs = new_glyph_table();
  s->line_height = text_line_height(s);
  probe_pixels(s);
  XFillRectangle(s->display, s->frame_pixmap, s->paper_gc, 0, 0, s->width, s->height);
  s->compiling = 1;
  show_message(s, "Now initializing Lumadrift and making data.");
  show_message(s, "Please wait for some minutes...");

  auto* in = new Intake{};
  s->intake = in;
  while (*argc > 1) {
    in->arguments.push_back(argv[1]);
    remove_argument(argc, argv, 1);
  }
  in->stdin_after = !isatty(fileno(stdin));
  for (;;) {
    if (in->live) {
      if (!read_before_frames(s, in)) break;
    } else if (!compile_next(s, in)) {
      break;
    }
  }
  bool all_ended = !in->live;
  if (all_ended) free_intake(s);
  show_message(s, "Now starting Lumadrift!");
  // The closing messages stay readable before the first frame covers them.
  if (all_ended) {
    sleep(1);
  } else {
    std::int64_t end = monotonic_ns() + kClosingWaitNs;
    for (std::int64_t now = monotonic_ns(); now < end; now = monotonic_ns()) {
      wait_dispatching_events(s, -1, end - now);
    }
    in->frames = true;
  }
  s->compiling = 0;
}

bool continue_intake(AppState* state, std::int64_t deadline_ns) {
  AppState* s = state;
  Intake* in = s->intake;
  if (!in) return false;
  std::uint64_t before = s->segments->count;
  while (monotonic_ns() < deadline_ns) {
    if (in->live) {
      LiveLimits limits{deadline_ns, rows_ahead_of(s->position), s->position, true};
      LiveRead read = read_live_source(s, in->live, limits);
      bound_glyph_table(s, in);
      if (read != LiveRead::kEnded) break;
      finish_live(s, in);
      continue;
    }
    // Material after the live source also starts at the bottom edge when
    // the crawl has passed the end.
    if (s->segments->rows < s->position && sources_left(s, in)) {
      append_moves(s->segments, pen_for_pixel(s, s->paper_pixel), 0,
                   s->position - s->segments->rows);
    }
    if (!compile_next(s, in)) {
      free_intake(s);
      break;
    }
  }
  return s->segments->count != before;
}

int intake_wants_fd(const AppState* state) {
  const Intake* in = state->intake;
  if (!in || !in->live || state->segments->rows >= rows_ahead_of(state->position)) return -1;
  return live_source_fd(in->live);
}

void free_intake(AppState* state) {
  if (!state->intake) return;
  close_live_source(state->intake->live);
  delete state->intake;
  state->intake = nullptr;
}
