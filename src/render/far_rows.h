// Far rows in noblur and fill mode, drawn at a cost bounded by the frame.
// Far away hundreds of thousands of source rows, each thinner and narrower
// than a pixel, land on the same few screen rows, and the walk draws them
// all over one another. Rows never overlap out of list order and the last
// request on a pixel decides its colour, so such a screen row is resolved
// instead: its rows are read backwards from the nearest, the first mark on a
// pixel decides it, and the rest of the rows is skipped as soon as none of
// them can mark a pixel still undecided. The pixels then go to the sink as
// points and runs of one pen.
//
// Whether a run of rows can mark a pixel is read from ink maps kept per
// block of rows (16, 256, 4096 and 65536 rows), over source x: a test that
// may say "perhaps" where the answer is no, never the reverse. Screen rows
// with fewer than kFarDepth source rows, and lists whose rows do not grow
// in list order, are drawn by the walk.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "content/display_list.h"
#include "render/draw_step.h"
#include "render/projection.h"
#include "render/row_index.h"

// Source rows per screen row from which a screen row is resolved.
constexpr std::int64_t kFarDepth = 256;
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

// One screen row to resolve: the distances (behind the bottom edge) of the
// rows that mark it.
struct FarScreenRow {
  int y;
  std::int64_t nearest, farthest;
};

struct FarRows {
  Mode mode;                                  // noblur or fill: what a run marks
  std::int64_t origin;                        // source x of bucket 0
  std::int64_t bucket_width;                  // source pixels per bucket
  std::int64_t ink_first;                     // the first source x of any marked bucket
  std::int64_t ink_last;                      // the last
  std::vector<InkMap> maps[kBlockLevels][2];  // by level, kind and block

  // The frame being drawn; kept, so that a frame allocates nothing once warm.
  std::vector<FarScreenRow> screen_rows;
  std::uint32_t walk_before;  // spans [0, walk_before) are walked first
  std::uint32_t walk_from;    // spans [walk_from, reached) are walked last
  std::uint32_t reached;
  int window_first;                  // screen x of owner[0]
  std::vector<std::uint32_t> owner;  // the deciding pen number by screen x, or kNoPenNumber
  std::vector<int> undecided;        // screen x values of the window not decided yet
  struct Mark {
    std::int64_t first, last;  // screen x, inclusive
    std::uint32_t pen;
  };
  std::vector<Mark> marks;   // of the span being read
  std::uint64_t spans_read;  // in the frame's resolved screen rows, for tests and benchmarks
};

// Null for blur mode, and for a list whose rows do not grow in list order
// (a negative advance_y): the walk draws those. Adds 4.3 (fill) or 8.5
// (noblur) bytes per source row, built once from the indexed list.
FarRows* build_far_rows(const RowIndex& index, Mode mode);
void free_far_rows(FarRows* far);

// Plans the frame: which screen rows are resolved and which spans are
// walked before and after them. False when no screen row is deep enough,
// or the projection is not one this path serves; the walk draws the frame.
bool plan_far_frame(const Projection& p, const RowIndex& index, FarRows* far);

// Resolves one planned screen row into far->owner over the window of screen
// x that its rows can reach.
void resolve_screen_row(const Projection& p, const RowIndex& index, FarRows* far,
                        const FarScreenRow& row);

// How far from the centre the rows of spans [first, last] project: the
// screen pixels per source pixel of their farthest and nearest boundary.
struct BlockReach {
  bool finite;
  double step_far, step_near;
};
BlockReach block_reach(const Projection& p, const RowIndex& index, const FarRows& far,
                       std::uint32_t first, std::uint32_t last);

// Whether some run of the rows that `reach` describes, all inside block
// `block` of `level`, could mark screen x `x` of their screen row. May say
// yes wrongly, never no.
bool may_mark(const Projection& p, const FarRows& far, int level, std::size_t block,
              const BlockReach& reach, int x);

// The resolved pixels of the screen row as points and horizontal runs.
template <class Sink>
void issue_screen_row(const RowIndex& index, const FarRows& far, int y, Sink& sink,
                      Requests<Sink>& out) {
  Pen* const* pens = index.list->pens.data();
  const std::vector<std::uint32_t>& owner = far.owner;
  std::uint32_t last_pen = kNoPenNumber;
  for (std::size_t i = 0; i < owner.size();) {
    std::uint32_t pen = owner[i];
    std::size_t end = i + 1;
    while (end < owner.size() && owner[end] == pen) ++end;
    if (pen != kNoPenNumber) {
      if (pen != last_pen) sink.use(pens[last_pen = pen]);
      int x = far.window_first + static_cast<int>(i);
      if (end - i == 1) {
        out.point(x, y);
      } else {
        out.line(x, y, x + static_cast<int>(end - i), y);
      }
    }
    i = end;
  }
}

// The frame of noblur or fill mode: the far rows' pixels resolved, the rest
// walked; every pixel as the walk leaves it.
template <Mode mode, class Sink>
void draw_far_frame(const Projection& p, const RowIndex& index, FarRows* far, Sink& sink) {
  if (far->mode != mode || !plan_far_frame(p, index, far)) {
    walk_ink_runs<mode>(p, index, sink);
    return;
  }
  Requests<Sink> out{sink, p.width, p.height};
  // The rows before the resolved ones may mark the first resolved screen row
  // (fill draws a row's near side), so they go first, and the resolved
  // pixels over them.
  for (std::uint32_t i = 0; i < far->walk_before; ++i) walk_span<mode>(p, index, i, sink, out);
  for (const FarScreenRow& row : far->screen_rows) {
    resolve_screen_row(p, index, far, row);
    issue_screen_row(index, *far, row.y, sink, out);
  }
  for (std::uint32_t i = far->walk_from; i < far->reached; ++i) {
    walk_span<mode>(p, index, i, sink, out);
  }
}
