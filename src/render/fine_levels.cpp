// Coverage bitmaps as runs, and their averages over square blocks of cells.
#include "render/fine_levels.h"

#include <algorithm>

FineLevel fine_level_of(const std::uint8_t* cells, int width, int height, int left, int top) {
  FineLevel level{left, top, {}, {}};
  for (int y = 0; y < height; ++y) {
    level.rows.push_back(static_cast<std::uint32_t>(level.runs.size()));
    const std::uint8_t* row = cells + static_cast<std::size_t>(y) * width;
    for (int x = 0; x < width;) {
      int end = x + 1;
      while (end < width && row[end] == row[x]) ++end;
      if (row[x]) level.runs.push_back({x, end - x, row[x]});
      x = end;
    }
  }
  level.rows.push_back(static_cast<std::uint32_t>(level.runs.size()));
  return level;
}

FineLevel coarser_level(const FineLevel& fine, int factor) {
  auto below = [factor](std::int32_t v) {
    return v >= 0 ? v / factor : -((factor - 1 - v) / factor);
  };
  int left = below(fine.left), top = below(fine.top);
  int dx = fine.left - left * factor, dy = fine.top - top * factor;
  int fine_width = 0, fine_height = static_cast<int>(fine.rows.size()) - 1;
  for (const FineRun& run : fine.runs) fine_width = std::max(fine_width, run.x + run.length);
  int width = (dx + fine_width + factor - 1) / factor;
  int height = (dy + std::max(fine_height, 0) + factor - 1) / factor;
  std::vector<std::uint32_t> sums(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < fine_height; ++y) {
    std::uint32_t* row = &sums[static_cast<std::size_t>((dy + y) / factor) * width];
    for (std::uint32_t i = fine.rows[y]; i < fine.rows[y + 1]; ++i) {
      const FineRun& run = fine.runs[i];
      for (int x = dx + run.x; x < dx + run.x + run.length; ++x) row[x / factor] += run.coverage;
    }
  }
  std::vector<std::uint8_t> cells(sums.size());
  auto area = static_cast<std::uint32_t>(factor * factor);
  for (std::size_t i = 0; i < sums.size(); ++i) {
    cells[i] = static_cast<std::uint8_t>((sums[i] + area / 2) / area);
  }
  return fine_level_of(cells.data(), width, height, left, top);
}
