// Smooth frames without a server. A floor wholly of ink is ink in every
// pixel it covers, from the bottom edge to the farthest rows, in noblur and
// fill: no seam where the far rows change their grid or where the far band
// meets the near rows. Blur fades it towards the horizon, never brighter
// farther away. And as the crawl moves, the far rows slide: a far screen
// row's ink changes little from one position to the next.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

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

}  // namespace
