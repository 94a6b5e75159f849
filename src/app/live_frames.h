// What the frame loop does for sources that keep coming. Between two
// frames the intake compiles what arrived, within a budget, the list's
// indexes take the new lines, and while the stream stays open the lines
// that receded far beyond the bottom edge are dropped, so that an endless
// stream flies in bounded memory.
#pragma once

#include <cstdint>

struct AppState;
struct Projection;

// Compile work between two frames at most, nanoseconds of the clock.
constexpr std::int64_t kIntakeBudgetNs = 2'000'000;
// Source rows behind the bottom edge that are always kept, for scrolling
// back, and the most that are kept however far the frame reaches.
constexpr std::int64_t kKeptRows = 16384;
constexpr std::int64_t kMostKeptRows = std::int64_t{1} << 20;

// Reads on from the intake, extends the indexes, asks for a frame when
// the new material shows at once, and drops what receded.
void take_new_material(AppState* state);

// Rows behind the bottom edge that frames of this projection may still
// draw in blur mode (beyond them a row's near boundary rounds to the top
// screen row, and blur draws nothing there), between kKeptRows and
// kMostKeptRows.
std::int64_t rows_kept_behind(const Projection& p);

// Keeps the position at or after the oldest row kept, once rows were dropped.
void keep_position_on_the_list(AppState* state);
