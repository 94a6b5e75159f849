// Option parsing. Options are whole arguments compared exactly; each one
// recognised is removed from argv, and the argument that moves into its place
// is examined next. A value option always takes the next argument, whatever it
// looks like. Nothing is ever rejected or reported.
#include "app/options.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app_state.h"

namespace {

bool is_option(const char* arg, const char* long_form, const char* short_form) {
  return std::strcmp(arg, long_form) == 0 || (short_form && std::strcmp(arg, short_form) == 0);
}

// Options that set a field to a value of their own.
struct Flag {
  const char* long_form;
  const char* short_form;
  int AppState::*field;
  int value;
};
const Flag kFlags[] = {
    {"-root", "-r", &AppState::root_mode, 1},
    {"--root", nullptr, &AppState::root_mode, 1},  // as xscreensaver hands it on
    {"-noroot", "-nr", &AppState::root_mode, 0},
    {"-quit", "-q", &AppState::quit_after_draw, 1},
    {"-noquit", "-nq", &AppState::quit_after_draw, 0},
    {"-blur", "-b", &AppState::draw_mode, kDrawBlur},
    {"-noblur", "-nb", &AppState::draw_mode, kDrawNoblur},
    {"-fill", nullptr, &AppState::draw_mode, kDrawFill},
};

// Options that set an int field to the number that follows them.
struct IntOption {
  const char* long_form;
  const char* short_form;
  int AppState::*field;
};
const IntOption kIntOptions[] = {
    {"-source-width", "-sw", &AppState::source_width},
    {"-width", "-w", &AppState::source_letters},
    {"-length-x", "-lx", &AppState::length_x},
    {"-length-y", "-ly", &AppState::length_y},
    {"-space", "-sp", &AppState::line_space},
    {"-scroll", "-sc", &AppState::scroll_step},
    {"-wait", "-wt", &AppState::wait_usec},
};

// Acts on the option at argv[i] if it is one of ours; false leaves it in place.
bool take_option(AppState* s, int* argc, char** argv, int i) {
  const char* a = argv[i];
  if (is_option(a, "-help", "-h")) print_usage();
  for (const Flag& f : kFlags) {
    if (is_option(a, f.long_form, f.short_form)) {
      remove_argument(argc, argv, i);
      s->*f.field = f.value;
      return true;
    }
  }
  for (const IntOption& o : kIntOptions) {
    if (is_option(a, o.long_form, o.short_form)) {
      s->*o.field = take_int_option(argc, argv, i, s->*o.field);
      return true;
    }
  }
  if (is_option(a, "-start", "-st")) {
    // The current value is already an int: it is a default or came from here.
    s->position = take_int_option(argc, argv, i, static_cast<int>(s->position));
    return true;
  }
  if (is_option(a, "-font", "-fn")) {
    s->font_name = take_string_option(argc, argv, i, s->font_name);
    return true;
  }
  if (is_option(a, "-name", "-title")) {
    s->title = take_string_option(argc, argv, i, s->title);
    return true;
  }
  return false;
}

}  // namespace

void parse_options(AppState* state, int* argc, char** argv) {
  if (*argc < 2) return;
  int i = 1;
  while (i < *argc) {
    if (std::strcmp(argv[i], "--") == 0) {
      while (*argc > i) remove_argument(argc, argv, i);
      return;
    }
    if (!take_option(state, argc, argv, i)) ++i;
  }
}

void remove_argument(int* argc, char** argv, int i) {
  for (int k = i; k + 1 < *argc; ++k) argv[k] = argv[k + 1];
  --*argc;
}

int take_int_option(int* argc, char** argv, int i, int current) {
  remove_argument(argc, argv, i);
  if (i >= *argc) return current;
  int value = parse_int(argv[i]);
  remove_argument(argc, argv, i);
  return value;
}

const char* take_string_option(int* argc, char** argv, int i, const char* current) {
  remove_argument(argc, argv, i);
  if (i >= *argc) return current;
  const char* value = argv[i];
  remove_argument(argc, argv, i);
  return value;
}

void print_usage() {
  std::printf("%s", usage_text);
  std::exit(0);
}

int parse_int(const char* text) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  while (std::isspace(*p)) ++p;
  bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  long long magnitude = 0;  // saturates just past the int range
  for (; std::isdigit(*p); ++p) {
    magnitude = magnitude * 10 + (*p - '0');
    if (magnitude > static_cast<long long>(INT_MAX) + 1)
      magnitude = static_cast<long long>(INT_MAX) + 1;
  }
  long long value = negative ? -magnitude : magnitude;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}
