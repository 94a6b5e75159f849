// Smooth frames without a server. A floor wholly of ink is ink in every
// pixel it covers, from the bottom edge to the farthest rows, in noblur and
// fill: no seam where the far rows change their grid or where the far band
// meets the near rows. Blur fades it towards the horizon, never brighter
// farther away. And as the crawl moves, the far rows slide: a far screen
// row's ink changes little from one position to the next. A far row read
// from the running sums of its ink covers each pixel as its runs do.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "render/ink_profiles.h"
#include "render/row_index.h"
#include "render/smooth_frame.h"
#include "support/material.h"

namespace {

constexpr Rgb kInk = 0xffd84a, kPaper = 0x000014;

// Rows [0, rows) of one run across the source each, of ink where `inked`.
struct Floor {
  Material m{2};  // pen 0 paper, pen 1 ink
  RowIndex* index;
  Floor(long rows, const std::vector<bool>& inked) {
    for (long r = 0; r < rows; ++r) {
      m.add(inked.empty() || inked[r % inked.size()] ? 1 : 0, 64, 64, 0);
      m.add(0, 0, -64, 1);
    }
    index = build_row_index(m.list, 0);
  }
  ~Floor() { free_row_index(index); }
  const Rgb* frame(const Projection& p, DrawMode mode) {
    std::vector<NearLine> none;
    SmoothSource source{colours, kInk, kPaper, none, 16};
    draw_smooth_frame(p, *index, mode, source, &smooth);
    return smooth.rows;
  }
  std::vector<Rgb> colours{kInk, kInk};
  SmoothFrame smooth;
};

// How far a pixel lies from the paper towards the ink, 0 to 1, by its red.
double ink_of(Rgb c) {
  return static_cast<double>((c >> 16) - (kPaper >> 16)) / ((kInk >> 16) - (kPaper >> 16));
}

TEST(SmoothFrame, AFloorOfInkIsInkToTheHorizonAndBlurFadesIt) {
  Floor floor(200000, {});
  for (int length_y : {40, 150, 600}) {
    Projection p{200, 150, 64, 64, length_y, 199999};
    SCOPED_TRACE("length_y " + std::to_string(length_y));
    // The last row, at the bottom edge, blends with nothing beyond it.
    int above_last = static_cast<int>(screen_y_at_v(p, p.position)) - 1;
    for (DrawMode mode : {kDrawNoblur, kDrawFill}) {
      const Rgb* pixels = floor.frame(p, mode);
      for (int y = 2; y < above_last; ++y) EXPECT_EQ(pixels[y * p.width + 100], kInk) << y;
    }
    const Rgb* pixels = floor.frame(p, kDrawBlur);
    double nearer = 1;
    for (int y = above_last - 1; y >= 2; --y) {
      double ink = ink_of(pixels[y * p.width + 100]);
      EXPECT_LE(ink, nearer + 0.01) << y;
      nearer = ink;
    }
    EXPECT_LT(nearer, 0.2);
  }
}

TEST(SmoothFrame, AFarRowsInkChangesLittleAsTheCrawlMoves) {
  std::mt19937 random(7);
  std::vector<bool> inked(997);
  for (std::size_t i = 0; i < inked.size(); ++i) inked[i] = random() % 3 == 0;
  Floor floor(50000, inked);
  Projection p{200, 150, 64, 64, 150, 40000};
  std::vector<double> last(p.height);
  double most = 0;
  for (int step = 0; step < 20; ++step, ++p.position) {
    const Rgb* pixels = floor.frame(p, kDrawNoblur);
    for (int y = 2; y < 40; ++y) {
      double ink = ink_of(pixels[y * p.width + 100]);
      if (step > 0) most = std::max(most, std::abs(ink - last[y]));
      last[y] = ink;
    }
  }
  EXPECT_LT(most, 0.1);
}

// Runs of ink, of greys (shares of ink) and paper in row 0; pen 3 is a
// colour of its own, in row 1.
TEST(SmoothFrame, AFarRowsSumsCoverEachPixelAsItsRunsDo) {
  Material m{4};  // paper, ink, a grey, a colour
  std::mt19937 random(3);
  std::vector<std::array<int, 3>> runs;  // pen, x, length
  int x = -5;
  m.add(0, 0, x, 0);
  while (x < 300) {
    int pen = static_cast<int>(random() % 3), length = static_cast<int>(random() % 7);
    if (pen) runs.push_back({pen, x, length});
    m.add(pen, length, length, 0);
    x += length;
  }
  m.add(0, 0, -x, 1);
  m.add(3, 4, 4, 0);
  RowIndex* index = build_row_index(m.list, 0);
  const std::vector<float> shares{0, 1, 0.5f, -1};
  InkProfiles profiles;
  begin_ink_profiles(&profiles, *index);
  const InkProfile* profile = ink_profile(&profiles, *index, 0, 100, shares);
  ASSERT_NE(profile, nullptr);
  const struct {
    double scale, offset;
  } cases[] = {{1, 0}, {0.5, 3.25}, {0.137, 17.6}, {0.9, -40.3}, {0.31, 150.2}};
  for (const auto& c : cases) {
    SmoothRow by_runs, by_sums;
    clear_smooth_row(&by_runs, 200);
    clear_smooth_row(&by_sums, 200);
    for (const auto& [pen, start, length] : runs) {
      float share = shares[static_cast<std::size_t>(pen)];
      add_cover_edge(&by_runs, start * c.scale + c.offset, share);
      add_cover_edge(&by_runs, (start + length) * c.scale + c.offset, -share);
    }
    add_ink_profile(*profile, c.scale, c.offset, {{&by_sums}, {1}, 1});
    double a = 0, b = 0;
    for (int px = 0; px <= 200; ++px) {
      a += by_runs.cover[static_cast<std::size_t>(px)];
      b += by_sums.cover[static_cast<std::size_t>(px)];
      EXPECT_NEAR(a, b, 1e-4) << "scale " << c.scale << " pixel " << px;
    }
  }
  EXPECT_EQ(ink_profile(&profiles, *index, 1, 100, shares), nullptr);
  free_row_index(index);
}

}  // namespace
