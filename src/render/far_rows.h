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
// Whether a run of rows can mark a pixel is read from the ink maps
// (far_row_maps.h), built once from the list; FarFrame is what one frame
// uses, its plan and scratch; FarRows holds both. Screen rows with fewer
// than kFarDepth source rows, and lists whose rows do not grow in list
// order, are drawn by the walk.
#pragma once

#include <cstdint>
#include <vector>

#include "content/display_list.h"
#include "render/draw_step.h"
#include "render/far_row_maps.h"
#include "render/projection.h"
#include "render/row_index.h"

// Source rows per screen row from which a screen row is resolved.
constexpr std::int64_t kFarDepth = 256;

// One screen row to resolve: the distances (behind the bottom edge) of the
// rows that mark it.
struct FarScreenRow {
  int y;
  std::int64_t nearest, farthest;
};

// A frame's plan and the scratch of its resolution; kept from frame to
// frame, so that a frame allocates nothing once warm.
struct FarFrame {
  std::vector<FarScreenRow> screen_rows;
  std::uint32_t walk_before;  // spans [0, walk_before) are walked first
  std::uint32_t walk_from;    // spans [walk_from, reached) are walked last
  std::uint32_t reached;
  int window_first;               // screen x of owner[0]
  std::vector<const Pen*> owner;  // the deciding pen by screen x, or null
  std::vector<int> undecided;     // screen x values of the window not decided yet
  struct Mark {
    std::int64_t first, last;  // screen x, inclusive
    const Pen* pen;
  };
  std::vector<Mark> marks;   // of the span being read
  std::uint64_t spans_read;  // in the frame's resolved screen rows, for tests and benchmarks
};

struct FarRows {
  FarRowMaps maps;
  FarFrame frame;
};

// Null for blur mode, and for a list whose rows do not grow in list order
// (a negative advance_y): the walk draws those.
FarRows* build_far_rows(const RowIndex& index, DrawMode mode);
void free_far_rows(FarRows* far);

// Plans the frame: which screen rows are resolved and which spans are
// walked before and after them. False when no screen row is deep enough,
// or the projection is not one that fast_path_serves; the walk draws the
// frame.
bool plan_far_frame(const Projection& p, const RowIndex& index, const FarRowMaps& maps,
                    FarFrame* frame);

// Resolves one planned screen row into frame->owner over the window of
// screen x that its rows can reach.
void resolve_screen_row(const Projection& p, const RowIndex& index, const FarRowMaps& maps,
                        FarFrame* frame, const FarScreenRow& row);

// The resolved pixels of the screen row as points and horizontal runs.
template <class Sink>
void issue_screen_row(const FarFrame& frame, int y, Sink& sink, Requests<Sink>& out) {
  const std::vector<const Pen*>& owner = frame.owner;
  const Pen* last_pen = nullptr;
  for (std::size_t i = 0; i < owner.size();) {
    const Pen* pen = owner[i];
    std::size_t end = i + 1;
    while (end < owner.size() && owner[end] == pen) ++end;
    if (pen) {
      if (pen != last_pen) sink.use(last_pen = pen);
      int x = frame.window_first + static_cast<int>(i);
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
template <DrawMode mode, class Sink>
void draw_far_frame(const Projection& p, const RowIndex& index, FarRows* far, Sink& sink) {
  FarFrame& frame = far->frame;
  if (far->maps.mode != mode || !plan_far_frame(p, index, far->maps, &frame)) {
    walk_ink_runs<mode>(p, index, sink);
    return;
  }
  Requests<Sink> out{sink, p.width, p.height};
  // The rows before the resolved ones may mark the first resolved screen row
  // (fill draws a row's near side), so they go first, and the resolved
  // pixels over them.
  for (std::uint32_t i = 0; i < frame.walk_before; ++i) walk_span<mode>(p, index, i, sink, out);
  for (const FarScreenRow& row : frame.screen_rows) {
    resolve_screen_row(p, index, far->maps, &frame, row);
    issue_screen_row(frame, row.y, sink, out);
  }
  for (std::uint32_t i = frame.walk_from; i < frame.reached; ++i) {
    walk_span<mode>(p, index, i, sink, out);
  }
}
