// Coverage bitmaps as runs, and their averages over square blocks of cells.
#include "render/fine_levels.h"

#include <algorithm>

namespace {

constexpr std::uint8_t kWhole = 255;

// One row's runs as spans: a wholly inked run takes in a partly inked cell
// on either side of it.
void add_spans(const FineRun* runs, const FineRun* end, std::vector<FineSpan>* spans) {
  auto part = [](const FineRun& run) { return run.coverage * (1.0f / kWhole); };
  auto lone_cell = [](const FineRun& run) { return run.length == 1 && run.coverage < kWhole; };
  for (const FineRun* run = runs; run < end; ++run) {
    auto from = static_cast<float>(run->x), to = static_cast<float>(run->x + run->length);
    if (run->coverage < kWhole) {
      spans->push_back({from, to, part(*run)});
      continue;
    }
    const FineRun* before = run > runs ? run - 1 : nullptr;
    if (before && before->x + 1 == run->x && lone_cell(*before) && !spans->empty() &&
        spans->back().from == static_cast<float>(before->x) && spans->back().coverage < 1) {
      from -= part(*before);
      spans->pop_back();
    }
    const FineRun* after = run + 1 < end ? run + 1 : nullptr;
    if (after && after->x == run->x + run->length && lone_cell(*after)) {
      to += part(*after);
      ++run;
    }
    spans->push_back({from, to, 1});
  }
}

void note_spans(FineLevel* level) {
  level->span_rows.clear();
  level->spans.clear();
  for (std::size_t y = 0; y + 1 < level->rows.size(); ++y) {
    level->span_rows.push_back(static_cast<std::uint32_t>(level->spans.size()));
    const FineRun* runs = level->runs.data();
    add_spans(runs + level->rows[y], runs + level->rows[y + 1], &level->spans);
  }
  level->span_rows.push_back(static_cast<std::uint32_t>(level->spans.size()));
}

}  // namespace

FineLevel fine_level_of(const std::uint8_t* cells, int width, int height, int left, int top) {
  FineLevel level{left, top, {}, {}, {}, {}};
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
  note_spans(&level);
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
