// Far source rows of smooth frames as running sums of their ink over
// source x. Towards the horizon a screen pixel spans several source pixels
// and a source row holds many more runs than the pixels it reaches; from
// the running sums, each pixel's coverage is the difference of two of them,
// so a row costs its pixels instead of its runs. The far band reads its
// rows on a grid fixed in the source, so most rows of a frame were read by
// the frame before: their sums are kept from frame to frame. Only rows all
// of whose runs are blends of ink and paper (text, antialiased or not) have
// sums; a row of other colours is read run by run. Pure.
#pragma once

#include <cstdint>
#include <vector>

#include "render/row_index.h"
#include "render/smooth_row.h"

// Source row `row`: its ink, as a share of a whole pixel of ink, summed
// over source x from `left`: sums[i] is the ink in [left, left + i), and
// one more holds the last again.
struct InkProfile {
  std::int64_t row;
  std::int64_t left;
  std::vector<float> sums;  // empty: the row has other colours, or is too wide
};

struct InkProfiles {
  std::vector<InkProfile> kept;  // the last frame's, by row
  std::vector<InkProfile> made;  // this frame's, by row
  std::size_t next_kept = 0;     // the first of `kept` not yet passed
  // What the kept sums were made from: they are dropped when it changes.
  const RowIndex* index = nullptr;
  std::uint64_t indexed = 0, span_base = 0;
  std::vector<float> steps;  // room to make sums in
};

// Starts a frame: what the last frame made is kept for this one unless the
// list's index changed since.
void begin_ink_profiles(InkProfiles* profiles, const RowIndex& index);

// Drops every kept sum: the index they were read through is gone.
void forget_ink_profiles(InkProfiles* profiles);

// The sums of source row `row`, read from the first `reached` spans of the
// index, with `ink_shares` by pen number (a pen beyond them is the ink);
// rows must be asked for in increasing order within a frame, and the sums
// are good until the next call. Null when the row is not one of ink over
// paper; its runs are then read one by one.
const InkProfile* ink_profile(InkProfiles* profiles, const RowIndex& index, std::int64_t row,
                              std::uint32_t reached, const std::vector<float>& ink_shares);

// The row's ink into the targets, across screen rows of `scale` pixels a
// source pixel (at most one), source x 0 at screen x `offset`: each pixel
// its share of ink, as a run of that coverage would add it. Returns the
// screen x range it reached, empty when it reached none.
struct ScreenSpan {
  int first, end;
};
ScreenSpan add_ink_profile(const InkProfile& profile, double scale, double offset,
                           const RowTargets& targets);
