// The letters of the lines, in source order.
#include "content/fine_text.h"

#include <algorithm>

void note_fine_line(FineText* text, std::int64_t top_row, std::int64_t x, const char32_t* letters,
                    const int* widths, int count) {
  std::uint64_t first = text->letters_dropped + text->letters.size();
  for (int k = 0; k < count; ++k) {
    text->letters.push_back({letters[k], static_cast<std::int32_t>(x)});
    x += widths[k];
  }
  text->lines.push_back({top_row, first, static_cast<std::uint32_t>(count)});
}

void drop_fine_lines_before(FineText* text, std::int64_t row) {
  while (!text->lines.empty() && text->lines.front().top_row < row) text->lines.pop_front();
  std::uint64_t keep = text->lines.empty() ? text->letters_dropped + text->letters.size()
                                           : text->lines.front().first;
  while (text->letters_dropped < keep && !text->letters.empty()) {
    text->letters.pop_front();
    ++text->letters_dropped;
  }
}

const FineLine* fine_line_at(const FineText& text, std::int64_t row, int line_height) {
  auto after = std::upper_bound(text.lines.begin(), text.lines.end(), row,
                                [](std::int64_t r, const FineLine& l) { return r < l.top_row; });
  if (after == text.lines.begin()) return nullptr;
  const FineLine& line = *(after - 1);
  return row < line.top_row + line_height ? &line : nullptr;
}
