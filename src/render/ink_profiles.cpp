// Running sums of a far row's ink, made once and kept while the row stays
// in the far band's grid, and a screen row's coverage read from them.
#include "render/ink_profiles.h"

#include <algorithm>
#include <limits>

namespace {

// Source pixels a row's sums may span, at most: wider rows (pictures far
// wider than the text, pens moved far aside) are read run by run.
constexpr std::int64_t kWidestProfile = std::int64_t{1} << 16;

// The sums of `row`, or none when a run of it is not ink over paper or
// the row is wider than kWidestProfile.
InkProfile make_profile(InkProfiles* profiles, const RowIndex& index, std::int64_t row,
                        std::uint32_t reached, const std::vector<float>& ink_shares) {
  InkProfile made{row, 0, {}};
  std::int64_t left = std::numeric_limits<std::int64_t>::max(), right = -left;
  bool blends = true;
  each_ink_run_in_row(index, row, reached, [&](std::uint32_t pen, std::int64_t x, int length) {
    blends = blends && (pen >= ink_shares.size() || ink_shares[pen] >= 0);
    left = std::min(left, x);
    right = std::max(right, x + length);
  });
  if (!blends || left >= right || right - left > kWidestProfile) return made;
  // Each run's share where it starts, less where it ends; then summed
  // twice: the ink of each source pixel, and the ink left of each x.
  std::vector<float>& steps = profiles->steps;
  auto width = static_cast<std::size_t>(right - left);
  steps.assign(width + 1, 0.0f);
  each_ink_run_in_row(index, row, reached, [&](std::uint32_t pen, std::int64_t x, int length) {
    float share = pen < ink_shares.size() ? ink_shares[pen] : 1;
    steps[static_cast<std::size_t>(x - left)] += share;
    steps[static_cast<std::size_t>(x + length - left)] -= share;
  });
  made.left = left;
  made.sums.resize(width + 2);
  float ink = 0, sum = 0;
  for (std::size_t i = 0; i < width; ++i) {
    made.sums[i] = sum;
    ink += steps[i];
    sum += ink;
  }
  made.sums[width] = made.sums[width + 1] = sum;
  return made;
}

// Screen pixels across a row's sums: u the source x (from the sums' left
// end) of the pixel's left edge, `step` source pixels a screen pixel.
struct PixelWalk {
  const float* sums;  // padded by one: sums[pixels + 1] == sums[pixels]
  double pixels;
  double u, step;
  float scale;
};

// The ink left of u, linear within each source pixel; u is within
// [0, pixels], which kWidestProfile keeps inside an int.
[[gnu::always_inline]] inline float ink_left_of(const float* sums, double u) {
  int i = static_cast<int>(u);
  float part = static_cast<float>(u - i);
  return sums[i] + part * (sums[i + 1] - sums[i]);
}

// Pixels [first, end) each with its coverage, into the differences of the
// first `count` targets.
template <int count>
void add_pixels(PixelWalk w, const RowTargets& t, int first, int end) {
  float* cover[count];
  float weight[count];
  for (int i = 0; i < count; ++i) {
    cover[i] = t.rows[i]->cover.data();
    weight[i] = t.weights[i];
  }
  float before = ink_left_of(w.sums, std::clamp(w.u, 0.0, w.pixels));
  float last = 0;
  for (int x = first; x < end; ++x) {
    w.u += w.step;
    float after = ink_left_of(w.sums, std::min(w.u, w.pixels));
    float here = (after - before) * w.scale;
    before = after;
    for (int i = 0; i < count; ++i) cover[i][x] += weight[i] * (here - last);
    last = here;
  }
  for (int i = 0; i < count; ++i) cover[i][end] -= weight[i] * last;
}

}  // namespace

void begin_ink_profiles(InkProfiles* profiles, const RowIndex& index) {
  InkProfiles* p = profiles;
  p->kept.swap(p->made);
  p->made.clear();
  p->next_kept = 0;
  // New segments (and the pens they bring) or dropped spans change what a
  // row's spans are.
  if (p->index != &index || p->indexed != index.indexed || p->span_base != index.span_base) {
    p->kept.clear();
    p->index = &index;
    p->indexed = index.indexed;
    p->span_base = index.span_base;
  }
}

void forget_ink_profiles(InkProfiles* profiles) {
  profiles->kept.clear();
  profiles->made.clear();
  profiles->index = nullptr;
}

const InkProfile* ink_profile(InkProfiles* profiles, const RowIndex& index, std::int64_t row,
                              std::uint32_t reached, const std::vector<float>& ink_shares) {
  InkProfiles* p = profiles;
  // Where rows do not grow, a row's spans lie all over the list and the
  // spans reached decide which of them count: such rows are not kept.
  if (!index.rows_grow) return nullptr;
  if (!p->made.empty() && p->made.back().row >= row) {
    const InkProfile& last = p->made.back();
    return last.row == row && !last.sums.empty() ? &last : nullptr;
  }
  while (p->next_kept < p->kept.size() && p->kept[p->next_kept].row < row) ++p->next_kept;
  if (p->next_kept < p->kept.size() && p->kept[p->next_kept].row == row) {
    p->made.push_back(std::move(p->kept[p->next_kept++]));
  } else {
    p->made.push_back(make_profile(p, index, row, reached, ink_shares));
  }
  const InkProfile& made = p->made.back();
  return made.sums.empty() ? nullptr : &made;
}

ScreenSpan add_ink_profile(const InkProfile& profile, double scale, double offset,
                           const RowTargets& targets) {
  const RowTargets& t = targets;
  const float* sums = profile.sums.data();
  auto pixels = static_cast<double>(profile.sums.size() - 2);  // source pixels
  double x0 = static_cast<double>(profile.left) * scale + offset;
  int first = std::max(0, floor_int(x0));
  int end = std::min(t.rows[0]->width, ceil_int(x0 + pixels * scale));
  if (first >= end) return {0, 0};
  PixelWalk walk{sums, pixels, (first - x0) / scale, 1 / scale, static_cast<float>(scale)};
  switch (t.count) {
    case 1:
      add_pixels<1>(walk, t, first, end);
      break;
    case 2:
      add_pixels<2>(walk, t, first, end);
      break;
    case 3:
      add_pixels<3>(walk, t, first, end);
      break;
    default:
      return {0, 0};
  }
  return {first, end};
}
