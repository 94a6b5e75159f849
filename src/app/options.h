// Command-line options of the program itself. They are taken out of the
// argument vector before the toolkit sees it, so that what remains is the
// toolkit's own options followed by the material to fly.
#pragma once

#include <cstdint>

struct AppState;

// The built-in usage text: printed by -help, flown when there is no material.
extern const char usage_text[];

void parse_options(AppState* state, int* argc, char** argv);
void remove_argument(int* argc, char** argv, int i);
int take_int_option(int* argc, char** argv, int i, int current);
const char* take_string_option(int* argc, char** argv, int i, const char* current);
[[noreturn]] void print_usage();

// atoi's reading of a number (leading blanks, a sign, digits up to the first
// non-digit, 0 when none), but saturating at the int limits instead of leaving
// out-of-range numbers undefined.
int parse_int(const char* text);
