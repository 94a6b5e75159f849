// A letter's coarser levels: each cell the rounded average of the finer
// cells under it, on a grid aligned to the letter's origin whatever the
// bitmap's offset.
#include <gtest/gtest.h>

#include <map>
#include <utility>

#include "render/fine_levels.h"

namespace {

using Cells = std::map<std::pair<int, int>, int>;  // (x, y) from the origin: coverage

Cells cells_of(const FineLevel& level) {
  Cells cells;
  for (std::size_t y = 0; y + 1 < level.rows.size(); ++y) {
    for (std::uint32_t i = level.rows[y]; i < level.rows[y + 1]; ++i) {
      const FineRun& run = level.runs[i];
      for (int x = run.x; x < run.x + run.length; ++x) {
        cells[{level.left + x, level.top + static_cast<int>(y)}] = run.coverage;
      }
    }
  }
  return cells;
}

}  // namespace

TEST(FineLevels, ACoarserCellIsTheAverageOfTheCellsUnderItOnTheOriginsGrid) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bitmap;
    int width, height, left, top, factor;
    Cells expected;
  } cases[] = {
      {"a full 2 x 2 block", {255, 255, 255, 255}, 2, 2, 0, 0, 2, {{{0, 0}, 255}}},
      {"one cell of four, the bitmap one cell left of and above the origin",
       {255},
       1,
       1,
       -1,
       -1,
       2,
       {{{-1, -1}, 64}}},
      {"stripes one cell high: a quarter",
       {255, 0, 255, 0},
       4,
       1,
       2,
       0,
       2,
       {{{1, 0}, 64}, {{2, 0}, 64}}},
      {"a run across a cell boundary at an odd offset",
       {255, 255, 255},
       3,
       1,
       3,
       0,
       4,
       {{{0, 0}, 16}, {{1, 0}, 32}}},
      {"an empty bitmap", {0, 0, 0, 0}, 2, 2, 5, 7, 2, {}},
  };
  for (const Case& c : cases) {
    FineLevel fine = fine_level_of(c.bitmap.data(), c.width, c.height, c.left, c.top);
    EXPECT_EQ(cells_of(coarser_level(fine, c.factor)), c.expected) << c.what;
  }
}

TEST(FineLevels, TheFinestLevelKeepsEveryCoverageAsARun) {
  const std::uint8_t bitmap[] = {0, 9, 9, 255, 0, 0, 0, 0, 255, 255, 1, 0};
  FineLevel level = fine_level_of(bitmap, 6, 2, 3, -2);
  ASSERT_EQ(level.rows, (std::vector<std::uint32_t>{0, 2, 4}));
  Cells expected{{{4, -2}, 9},   {{5, -2}, 9},   {{6, -2}, 255},
                 {{5, -1}, 255}, {{6, -1}, 255}, {{7, -1}, 1}};
  EXPECT_EQ(cells_of(level), expected);
}

// A stroke across a row, partly inked cells on both sides of wholly inked
// ones, is drawn as one span reaching into the partial cells as far as
// their coverage; partial cells beside no whole run stay as they are.
TEST(FineLevels, AWholeRunTakesInThePartialCellsBesideIt) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> row;
    std::vector<FineSpan> spans;
  } cases[] = {
      {"a stroke", {0, 51, 255, 255, 102, 0}, {{1.8f, 4.4f, 1}}},
      {"a lone partial cell", {0, 51, 0}, {{1, 2, 0.2f}}},
      {"two partial cells, then a whole run", {51, 102, 255}, {{0, 1, 0.2f}, {1.6f, 3, 1}}},
      {"a partial cell between whole runs goes to the first",
       {255, 51, 255},
       {{0, 1.2f, 1}, {2, 3, 1}}},
      {"a partial run of two cells stays", {51, 51, 255}, {{0, 2, 0.2f}, {2, 3, 1}}},
  };
  for (const Case& c : cases) {
    FineLevel level = fine_level_of(c.row.data(), static_cast<int>(c.row.size()), 1, 0, 0);
    ASSERT_EQ(level.span_rows,
              (std::vector<std::uint32_t>{0, static_cast<std::uint32_t>(c.spans.size())}))
        << c.what;
    for (std::size_t i = 0; i < c.spans.size(); ++i) {
      EXPECT_FLOAT_EQ(level.spans[i].from, c.spans[i].from) << c.what;
      EXPECT_FLOAT_EQ(level.spans[i].to, c.spans[i].to) << c.what;
      EXPECT_FLOAT_EQ(level.spans[i].coverage, c.spans[i].coverage) << c.what;
    }
  }
}
