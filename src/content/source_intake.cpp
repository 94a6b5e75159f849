// Source intake: the compile phase. Every argument left by option parsing
// and the toolkit is a source, compiled in order: "-" reads standard input,
// a file beginning with the XPM magic is a picture, any other file is text,
// and an argument that does not open as a file is flown as its own text.
// Piped standard input follows the arguments, and the usage text stands in
// when nothing produced a segment. A column of progress messages shows
// what is being read.
#include "content/source_intake.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "app_state.h"
#include "app/options.h"
#include "content/display_list.h"
#include "content/font_faces.h"
#include "content/glyphs.h"
#include "content/pixmap_loader.h"
#include "content/text_reader.h"

std::uint32_t message_y = 0;

namespace {

constexpr char kPictureMagic[] = "/* XPM */";
constexpr int kPictureMagicLength = 9;
constexpr std::size_t kMaxNameInMessage = 1948;
constexpr std::uint32_t kMaxMessageY = INT16_MAX;  // X coordinates are 16-bit

void read_standard_input(AppState* s, bool prompt) {
  show_message(s, "Writing letters from the standard input.");
  if (prompt) show_message(s, "Please input letters and hit Ctrl-D.");
  read_letters(s, stdin, from_stream);
  show_message(s, "Done.");
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

void show_file_message(AppState* s, const char* prefix, const char* name) {
  std::strcpy(line_buffer, prefix);
  std::strncat(line_buffer, name, kMaxNameInMessage);
  std::strcat(line_buffer, "\".");
  show_message(s, line_buffer);
}

void compile_text_file(AppState* s, const char* name) {
  show_file_message(s, "Writing letters in a file \"", name);
  // The file opened a moment ago; if it has vanished since, nothing is read.
  std::FILE* stream = std::fopen(name, "rt");
  if (stream) read_letters(s, stream, from_stream);
  show_message(s, "Done.");
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
void compile_open_stream(AppState* s, const char* name, std::FILE* file) {
  std::string taken = line_buffer;  // before the message takes the buffer
  show_file_message(s, "Writing letters in a file \"", name);
  PrefixedStream cookie{taken.data(), taken.size(), 0, file};
  if (std::FILE* stream = fopencookie(&cookie, "r", {read_prefixed, nullptr, nullptr, nullptr})) {
    read_letters(s, stream, from_stream);
    std::fclose(stream);
  }
  show_message(s, "Done.");
}

bool is_regular_file(std::FILE* file) {
  struct stat info;
  return fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode);
}

void compile_argument(AppState* s, const char* argument) {
  if (std::strcmp(argument, "-") == 0) {
    read_standard_input(s, isatty(fileno(stdin)));
    return;
  }
  std::FILE* file = std::fopen(argument, "rt");
  if (!file) {
    show_message(s, "Writing letters.");
    read_letters(s, argument, from_string);
    show_message(s, "Done.");
    return;
  }
  bool picture = begins_with_picture_magic(file);
  if (!is_regular_file(file)) {
    compile_open_stream(s, argument, file);
    std::fclose(file);
    return;
  }
  std::fclose(file);
  if (picture) {
    show_file_message(s, "Drawing a pixmap \"", argument);
    load_pixmap_file(s, argument);
    show_message(s, "Done.");
  } else {
    compile_text_file(s, argument);
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

void build_content(AppState* state, int* argc, char** argv) {
  AppState* s = state;
  s->pens = new_pen_cache();
  s->segments = new_segment_list();
  s->glyphs = new_glyph_table();
  s->line_height = text_line_height(s);
  probe_pixels(s);
  XFillRectangle(s->display, s->frame_pixmap, s->paper_gc, 0, 0, s->width, s->height);
  show_message(s, "Now initializing Lumadrift and making data.");
  show_message(s, "Please wait for some minutes...");

  while (*argc > 1) {
    compile_argument(s, argv[1]);
    remove_argument(argc, argv, 1);
  }
  if (!isatty(fileno(stdin)) && !std::feof(stdin)) read_standard_input(s, false);
  if (s->segments->count == 0) {
    show_message(s, "Writing default letters.");
    read_letters(s, usage_text, from_string);
    show_message(s, "Done.");
  }
  show_message(s, "Now starting Lumadrift!");
  sleep(1);  // the closing messages stay readable before the first frame covers them
}
