// The compile phase: every source named on the command line, piped standard
// input and, when nothing produced a segment, the usage text become the
// display list, with a column of progress messages on the screen. A source
// that keeps coming (content/live_source.h) is read only as far as the
// first frames need it; it and the sources after it are then read on while
// the frames run.
#pragma once

#include <cstdint>

struct AppState;

// Baseline of the last progress message, screen pixels.
extern std::uint32_t message_y;

// Source rows that the material is read ahead of the bottom edge while a
// live source is open: a writer faster than the crawl then waits.
constexpr std::int64_t kReadAheadRows = 16384;

// Compiles every source in order. A live source is read until it ends, has
// given nothing for a quarter of a second, reaches kReadAheadRows beyond
// the start position, or has been read for two seconds; it is then left
// open in the record's intake, with the sources after it, for the frames.
void build_content(AppState* state, int* argc, char** argv);
// Draws one message line under the last one and puts the frame on the screen.
void show_message(AppState* state, const char* text);

// While frames run: compiles what the intake's sources have for the crawl
// until the deadline (monotonic clock): a live source's lines as they come,
// a line that comes after the crawl passed the end of the list starting at
// the bottom edge; then the sources after it, and the usage text if nothing
// at all was produced. Frees the intake once every source has ended. True
// when segments were appended.
bool continue_intake(AppState* state, std::int64_t deadline_ns);
// The descriptor of a live source whose bytes the crawl wants now, else -1.
int intake_wants_fd(const AppState* state);
// Closes what the intake has open, and frees it.
void free_intake(AppState* state);
