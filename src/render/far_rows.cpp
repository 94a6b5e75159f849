// The plan of a far-row frame and the resolution of one far screen row:
// run per frame, allocating nothing once warm.
#include "render/far_rows.h"

#include <algorithm>
#include <cmath>

FarRows* build_far_rows(const RowIndex& index, DrawMode mode) {
  auto* far = new FarRows{};
  if (!build_far_row_maps(index, mode, &far->maps)) {
    delete far;
    return nullptr;
  }
  return far;
}

void free_far_rows(FarRows* far) {
  delete far;
}

bool plan_far_frame(const Projection& p, const RowIndex& index, const FarRowMaps& maps,
                    FarFrame* frame) {
  frame->screen_rows.clear();
  frame->spans_read = 0;
  if (!fast_path_serves(p) || p.position < 0 || index.spans.empty()) return false;
  std::uint32_t reached = reached_spans(p, index);
  if (reached == 0) return false;
  std::int64_t d_far = p.position - index.spans[0].row;
  std::int64_t d_near = p.position - index.spans[reached - 1].row;
  int y = row_edges(p, d_far).top, nearest_y = row_edges(p, d_near).top;
  // The farthest screen row may hold only the list's first few rows: it is
  // then walked, and resolving starts with the next.
  for (int farthest_y = y; y <= nearest_y && y < p.height; ++y) {
    std::int64_t farthest =
        std::min(d_far, farthest_reaching_down_to(p, RowBoundary::kFar, y, d_near, d_far));
    std::int64_t nearest =
        std::max(d_near, farthest_reaching_down_to(p, RowBoundary::kFar, y + 1, d_near, d_far) + 1);
    bool deep = farthest - nearest + 1 >= kFarDepth;
    if (deep) {
      frame->screen_rows.push_back({y, nearest, farthest});
    } else if (y != farthest_y) {
      break;
    }
  }
  if (frame->screen_rows.empty()) return false;
  frame->reached = reached;
  frame->walk_before = first_span_from_row(index, p.position - frame->screen_rows.front().farthest);
  // Walked last: noblur's rows that mark lower screen rows only; in fill
  // also the nearest row of the last resolved screen row, whose near side
  // lies on the next.
  std::int64_t boundary = p.position - frame->screen_rows.back().nearest;
  frame->walk_from = first_span_from_row(index, maps.mode == kDrawFill ? boundary : boundary + 1);
  frame->walk_from = std::min(frame->walk_from, reached);
  return true;
}

namespace {

// The marks a run's requests make on one screen row, as the server draws
// them with the pen GCs: a point its pixel, a line from x1 up to but not
// including x2, a line of length zero nothing. Other rows and other
// requests (which far rows never make) are no marks on it.
struct MarkSink {
  std::vector<FarFrame::Mark>* marks;
  int y;
  const Pen* pen = nullptr;
  void use(const Pen* p) { pen = p; }
  void point(int x, int py) {
    if (py == y) marks->push_back({x, x, pen});
  }
  void line(int x1, int y1, int x2, int y2) {
    if (y1 != y || y2 != y || x1 == x2) return;
    if (x1 < x2) {
      marks->push_back({x1, x2 - 1, pen});
    } else {
      marks->push_back({x2 + 1, x1, pen});
    }
  }
  void polygon(const ScreenPoint*, int) {}
  void rectangle(int, int, int, int) {}
};

// Reads span i in its row and lets its marks decide the pixels still
// undecided: within a row the later run wins, so the marks go backwards.
template <DrawMode mode>
void resolve_span(const Projection& p, const RowIndex& index, FarFrame* frame, std::uint32_t i,
                  int y) {
  ++frame->spans_read;
  frame->marks.clear();
  MarkSink marks{&frame->marks, y};
  Requests<MarkSink> out{marks, p.width, p.height};
  walk_span<mode>(p, index, i, marks, out);
  std::int64_t window_last =
      frame->window_first + static_cast<std::int64_t>(frame->owner.size()) - 1;
  for (auto m = frame->marks.rbegin(); m != frame->marks.rend(); ++m) {
    std::int64_t from = std::max<std::int64_t>(m->first, frame->window_first);
    std::int64_t to = std::min(m->last, window_last);
    for (std::int64_t x = from; x <= to; ++x) {
      const Pen*& owner = frame->owner[x - frame->window_first];
      if (!owner) owner = m->pen;
    }
  }
}

// The screen x that rows at distances [nearest, ...] can reach on screen
// row y: the maps' source x projected at the nearest row, which is the
// widest, and the centre, which every farther row approaches.
void open_window(const Projection& p, const FarRowMaps& maps, FarFrame* frame,
                 std::int64_t nearest) {
  RowEdges r = row_edges(p, nearest);
  double scale = x_scale_at(p, std::max(r.edge_top, r.edge_bottom));
  double centre = p.width / 2;
  double left = std::min(screen_x_at(p, static_cast<double>(maps.ink_first), scale), centre);
  double right = std::max(screen_x_at(p, static_cast<double>(maps.ink_last), scale), centre);
  double first = std::max(std::floor(left) - 2, 0.0);
  double last = std::min(std::ceil(right) + 2, p.width - 1.0);
  frame->owner.clear();
  frame->undecided.clear();
  if (!(first <= last)) {
    frame->window_first = 0;
    return;
  }
  frame->window_first = static_cast<int>(first);
  frame->owner.assign(static_cast<std::size_t>(last - first) + 1, nullptr);
  for (int x = frame->window_first; x <= static_cast<int>(last); ++x) {
    frame->undecided.push_back(x);
  }
}

void drop_decided(FarFrame* frame) {
  auto decided = [&](int x) { return frame->owner[x - frame->window_first] != nullptr; };
  frame->undecided.erase(std::remove_if(frame->undecided.begin(), frame->undecided.end(), decided),
                         frame->undecided.end());
}

// Blocks known to hold a run that may mark an undecided pixel, by level,
// while the undecided pixels stay the same.
struct MarkedBlocks {
  std::uint64_t block[kBlockLevels];
  long version[kBlockLevels];
};

template <DrawMode mode>
void resolve_rows(const Projection& p, const RowIndex& index, const FarRowMaps& maps,
                  FarFrame* frame, const FarScreenRow& row) {
  open_window(p, maps, frame, row.nearest);
  std::int64_t farthest = std::min(row.farthest + (mode == kDrawFill ? 1 : 0), p.position);
  std::uint32_t first = first_span_from_row(index, p.position - farthest);
  std::uint32_t end = first_span_from_row(index, p.position - row.nearest + 1);
  long version = 0;  // of the undecided pixels
  MarkedBlocks marked;
  for (int l = 0; l < kBlockLevels; ++l) marked.version[l] = -1;
  // From the nearest row backwards; at each row, the largest block around
  // it that cannot mark an undecided pixel is passed over whole.
  for (std::int64_t i = static_cast<std::int64_t>(end) - 1;
       i >= first && !frame->undecided.empty();) {
    auto at = static_cast<std::uint32_t>(i);
    bool passed = false;
    for (int level = kBlockLevels - 1; level >= 0 && !passed; --level) {
      int shift = kBlockShift * (level + 1);
      std::uint64_t block = (index.span_base + at) >> shift;
      if (marked.version[level] == version && marked.block[level] == block) continue;
      std::uint64_t block_start = block << shift;  // counted as the blocks are
      std::uint32_t start = block_start <= index.span_base + first
                                ? first
                                : static_cast<std::uint32_t>(block_start - index.span_base);
      BlockReach reach = block_reach(p, index, maps, start, at);
      bool may = false;
      for (int x : frame->undecided) {
        if (may_mark(p, maps, level, block, reach, x)) {
          may = true;
          break;
        }
      }
      if (may) {
        marked.block[level] = block;
        marked.version[level] = version;
      } else {
        i = static_cast<std::int64_t>(start) - 1;
        passed = true;
      }
    }
    if (passed) continue;
    resolve_span<mode>(p, index, frame, at, row.y);
    std::size_t before = frame->undecided.size();
    drop_decided(frame);
    if (frame->undecided.size() != before) ++version;
    --i;
  }
}

}  // namespace

void resolve_screen_row(const Projection& p, const RowIndex& index, const FarRowMaps& maps,
                        FarFrame* frame, const FarScreenRow& row) {
  if (maps.mode == kDrawFill) {
    resolve_rows<kDrawFill>(p, index, maps, frame, row);
  } else {
    resolve_rows<kDrawNoblur>(p, index, maps, frame, row);
  }
}
