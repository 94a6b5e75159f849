// A smooth frame's rows turned into pixels: each pixel's sums blended over
// the paper, and only what the last frame wrote cleared for the next.
#include "render/smooth_pixels.h"

#include <algorithm>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

SmoothColour colour_of(Rgb rgb) {
  return {1, static_cast<float>(rgb >> 16 & 0xff), static_cast<float>(rgb >> 8 & 0xff),
          static_cast<float>(rgb & 0xff)};
}

namespace {

// Red, green and blue of `c` (its last three), rounded and held to
// [0, 255].
Rgb rgb_of(Float4 c) {
#ifdef __SSE2__
  __m128i whole = _mm_cvtps_epi32(c);  // rounded to nearest
  __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(whole, whole), whole);
  // coverage, red, green, blue from the lowest byte up
  return __builtin_bswap32(static_cast<std::uint32_t>(_mm_cvtsi128_si32(bytes))) & 0xffffff;
#else
  c = c + 0.5f;
  const Float4 zero{};
  c = c < 0 ? zero : c;
  c = c > 255 ? zero + 255 : c;
  return static_cast<Rgb>(c[1]) << 16 | static_cast<Rgb>(c[2]) << 8 | static_cast<Rgb>(c[3]);
#endif
}

// Notes what row y of the frame holds: [first, end) written when inked.
void note_row(SmoothFrame* f, const SmoothRow& row, int y, bool inked) {
  f->inked[y] = inked;
  if (inked) {
    f->written_first[y] = row.first;
    f->written_end[y] = row.end;
  }
}

// The touched pixels of row y, their sums (and `with_cover`, the ink that
// the row's coverage holds) times `norm`, blended over the paper; the
// differences cleared behind them for the next row.
template <bool with_cover>
void finish_row(SmoothFrame* f, SmoothRow& row, int y, const SmoothColour& paper, float norm) {
  float* steps = &row.steps[4 * static_cast<std::size_t>(row.first)];
  float* cover = &row.cover[static_cast<std::size_t>(row.first)];
  int count = row.end - row.first;
  const Float4 zero{}, paper4{0, paper[1], paper[2], paper[3]}, ink4 = load4(f->ink.data());
  Float4 running{};
  float covered = 0;
  Rgb* out = f->rows + static_cast<std::size_t>(y) * f->stride + row.first;
  bool inked = false;
  for (int i = 0; i < count; ++i) {
    running += load4(steps + 4 * i);
    store4(steps + 4 * i, zero);
    Float4 v = running * norm;
    if (with_cover) {
      covered += cover[i];
      cover[i] = 0;
      v += ink4 * (covered * norm);
    }
    if (!(v[0] > 1e-4f)) continue;  // paper, as the frame began
    float scale = v[0] > 1 ? 1 / v[0] : 1;
    out[i] = rgb_of(v * scale + paper4 * (1 - std::min(v[0], 1.0f)));
    inked = true;
  }
  store4(steps + 4 * count, zero);
  if (with_cover) cover[count] = 0;
  note_row(f, row, y, inked);
}

// The same for a row of ink alone: each pixel's colour is the blend of
// its coverage, from the frame's table.
void finish_one_colour_row(SmoothFrame* f, SmoothRow& row, int y, float norm) {
  float* cover = &row.cover[static_cast<std::size_t>(row.first)];
  int count = row.end - row.first;
  float running = 0;
  Rgb* out = f->rows + static_cast<std::size_t>(y) * f->stride + row.first;
  bool inked = false;
  for (int i = 0; i < count; ++i) {
    running += cover[i];
    cover[i] = 0;
    float c = running * norm;
    if (!(c > 1e-4f)) continue;
    out[i] = f->ink_levels[static_cast<int>(std::min(c, 1.0f) * kInkLevels + 0.5f)];
    inked = true;
  }
  cover[count] = 0;
  note_row(f, row, y, inked);
}

}  // namespace

// Screen row y from what `row` summed, which is left empty for the next.
void finish_screen_row(SmoothFrame* f, SmoothRow* row, int y, const SmoothColour& paper,
                       float norm) {
  if (row->first < row->end) {
    if (!row->stepped) {
      finish_one_colour_row(f, *row, y, norm);
    } else if (row->covered) {
      finish_row<true>(f, *row, y, paper, norm);
    } else {
      finish_row<false>(f, *row, y, paper, norm);
    }
  }
  row->stepped = row->covered = false;
  row->first = row->width;
  row->end = 0;
}

// The frame's table of ink over paper by coverage.
void note_ink_levels(SmoothFrame* f, const SmoothColour& ink, const SmoothColour& paper) {
  f->ink = ink;
  f->ink_levels.resize(kInkLevels + 1);
  Float4 ink4 = load4(ink.data()), paper4 = load4(paper.data());
  for (int i = 0; i <= kInkLevels; ++i) {
    float part = static_cast<float>(i) / kInkLevels;
    f->ink_levels[i] = rgb_of(ink4 * part + paper4 * (1 - part));
  }
}

// The frame `width` x `height` all paper: only the pixels the last frame
// wrote are cleared when its size, paper and memory stay.
void clear_frame(SmoothFrame* f, int width, int height, Rgb paper) {
  auto area = static_cast<std::size_t>(width) * height;
  bool kept = f->width == width && f->height == height && f->paper == paper;
  if (!f->lent && f->pixels.size() != area) f->pixels.assign(area, paper);
  Rgb* rows = f->lent ? f->lent : f->pixels.data();
  std::size_t stride = f->lent ? f->lent_stride : static_cast<std::size_t>(width);
  kept = kept && rows == f->rows && stride == f->stride;
  f->width = width;
  f->height = height;
  f->paper = paper;
  f->rows = rows;
  f->stride = stride;
  if (!kept) {
    f->written_first.assign(height, 0);
    f->written_end.assign(height, width);
  }
  for (int y = 0; y < height; ++y) {
    Rgb* row = rows + static_cast<std::size_t>(y) * stride;
    std::fill(row + f->written_first[y], row + f->written_end[y], paper);
    f->written_first[y] = f->written_end[y] = 0;
  }
  f->inked.assign(height, 0);
}
