// The compile phase: every source named on the command line, piped standard
// input and, when nothing produced a segment, the usage text become the
// display list, with a column of progress messages on the screen.
#pragma once

#include <cstdint>

struct AppState;

// Baseline of the last progress message, screen pixels.
extern std::uint32_t message_y;

void build_content(AppState* state, int* argc, char** argv);
// Draws one message line under the last one and puts the frame on the screen.
void show_message(AppState* state, const char* text);
