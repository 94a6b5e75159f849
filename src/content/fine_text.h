// Text as letters, beside the runs of the display list, for smooth frames:
// where each line's letters stand, so that the rows near the bottom edge can
// be drawn from the letters' outlines at a finer resolution than the source
// picture's (render/fine_glyphs.h). Kept only when smooth frames are drawn;
// the oldest lines go with the display list's.
#pragma once

#include <cstdint>
#include <deque>

struct FineLetter {
  char32_t code_point;
  std::int32_t x;  // source x of its origin
};

struct FineLine {
  std::int64_t top_row;  // source row of the line's first pixel row
  std::uint64_t first;   // its first letter, counted over all letters ever kept
  std::uint32_t count;
};

struct FineText {
  std::deque<FineLine> lines;  // in source order
  std::deque<FineLetter> letters;
  std::uint64_t letters_dropped = 0;  // before letters.front()
};

// A line of `count` letters whose first pixel row is `top_row`; their
// origins follow from `widths`, from source x `x`.
void note_fine_line(FineText* text, std::int64_t top_row, std::int64_t x, const char32_t* letters,
                    const int* widths, int count);
// Forgets the lines that begin above `row`.
void drop_fine_lines_before(FineText* text, std::int64_t row);
// The line that holds source row `row` among lines `line_height` rows
// high, or null.
const FineLine* fine_line_at(const FineText& text, std::int64_t row, int line_height);
inline const FineLetter& fine_letter(const FineText& text, std::uint64_t i) {
  return text.letters[i - text.letters_dropped];
}
