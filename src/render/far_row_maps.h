// The ink maps of the far rows (far_rows.h): for each block of consecutive
// spans of the row index (blocks of 16, 256, 4096 and 65536 spans), where
// across the source x its runs may leave a mark, in buckets of source x.
// Far rows serve only lists whose rows grow in list order, where each span
// is the segments of one source row of its own. The maps are a test that
// may say "perhaps" where the answer is no, never the reverse.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "render/draw_mode.h"
#include "render/projection.h"
#include "render/row_index.h"

constexpr int kBlockLevels = 4;
constexpr int kBlockShift = 4;  // each level's blocks hold 16 of the level below
constexpr int kMapWords = 8;    // 512 buckets of source x
constexpr int kMapBuckets = kMapWords * 64;

using InkMap = std::array<std::uint64_t, kMapWords>;

// Which map of a block holds what, for the marks of one run [x0, x0 + length):
// noblur draws a point at the run's start or a line that leaves out its end,
// fill covers both ends.
enum InkMapKind {
  kMarkMap = 0,   // noblur: the start x0; fill: every x from x0 to x0 + length
  kCrossMap = 1,  // noblur: x0 + 1 to x0 + length, the pixel borders a line crosses
};

// Built once from the indexed list: where the ink of each block of spans
// lies across the source x.
struct FarRowMaps {
  DrawMode mode;                              // noblur or fill: what a run marks
  std::int64_t origin;                        // source x of bucket 0
  std::int64_t bucket_width;                  // source pixels per bucket
  std::int64_t ink_first;                     // the first source x of any marked bucket
  std::int64_t ink_last;                      // the last
  std::vector<InkMap> maps[kBlockLevels][2];  // by level, kind and block of spans
  std::uint64_t block_base[kBlockLevels];     // the block of maps[level][kind][0]
};

// Blocks are numbered by the spans they hold, counted from the first span
// the index ever had (RowIndex::span_base), so that they stay put when the
// oldest spans are dropped.

// Builds the maps of noblur or fill mode; false for blur mode and for a
// list whose rows do not grow in list order (a negative advance_y). They
// take 4.3 (fill) or 8.5 (noblur) bytes per source row.
bool build_far_row_maps(const RowIndex& index, DrawMode mode, FarRowMaps* maps);
// The maps of spans [first_new, end) added, after the index was extended;
// false when the rows of the list no longer grow.
bool extend_far_row_maps(const RowIndex& index, std::size_t first_new, FarRowMaps* maps);
// Frees the blocks whose spans the index dropped.
void drop_far_row_blocks(const RowIndex& index, FarRowMaps* maps);

// How far from the centre the rows of spans [first, last] project: the
// screen pixels per source pixel of their farthest and nearest boundary.
struct BlockReach {
  bool finite;
  double step_far, step_near;
};
BlockReach block_reach(const Projection& p, const RowIndex& index, const FarRowMaps& maps,
                       std::uint32_t first, std::uint32_t last);

// Whether some run of the rows that `reach` describes, all inside block
// `block` of `level` (numbered as above), could mark screen x `x` of their
// screen row. May say yes wrongly, never no.
bool may_mark(const Projection& p, const FarRowMaps& maps, int level, std::uint64_t block,
              const BlockReach& reach, int x);
