// Cost of one frame's draw pass, per visited segment, over the segments of
// about 2,000 text lines: the walk and the choice of requests alone, and the
// whole pass against a real pixmap on a private Xvfb (which includes the
// server's rasterising, as the frame loop pays it).
#include <benchmark/benchmark.h>

#include <random>

#include "app_state.h"
#include "app/display_setup.h"
#include "content/display_list.h"
#include "render/draw_pass.h"
#include "render/row_index.h"
#include "render/walk.h"
#include "support/app_start.h"
#include "support/x_server.h"

namespace {

constexpr int kLines = 2000;
constexpr int kLineHeight = 16;

// Rows of alternating ink and paper runs like those of 8x16 text, 40
// letters wide, a line space after every 16 rows.
void fill_text_like(SegmentList* list, Pen* ink, Pen* paper) {
  std::mt19937 random(1);
  std::uniform_int_distribution<int> run(1, 6);
  for (int line = 0; line < kLines; ++line) {
    for (int r = 0; r < kLineHeight; ++r) {
      int x = 0;
      bool is_ink = false;
      while (x < 320) {
        int length = std::min(run(random), 320 - x);
        append_segment(list, new_segment(length, is_ink ? ink : paper, length, 0));
        x += length;
        is_ink = !is_ink;
      }
      append_segment(list, new_segment(0, paper, -x, 1));
    }
    append_segment(list, new_segment(0, paper, 0, 1));
  }
}

struct CountingSink {
  long requests = 0;
  void use(const Pen*) {}
  void point(int, int) { ++requests; }
  void line(int, int, int, int) { ++requests; }
  void polygon(const ScreenPoint*, int) { ++requests; }
  void rectangle(int, int, int, int) { ++requests; }
};

long visited_segments(const SegmentList* list, std::int64_t position) {
  long count = 0;
  std::int64_t row = 0;
  SegmentCursor cursor = first_segment(list);
  Segment s;
  while (next_segment(&cursor, &s)) {
    ++count;
    row += s.advance_y;
    if (row > position) break;
  }
  return count;
}

template <DrawMode mode>
void BM_Walk(benchmark::State& state) {
  Pen ink{nullptr, 1, nullptr, nullptr}, paper{nullptr, 0, nullptr, nullptr};
  SegmentList* list = new_segment_list();
  fill_text_like(list, &ink, &paper);
  Projection p{640, 480, 320, 320, 100, state.range(0)};
  CountingSink sink;
  for (auto _ : state) {
    walk_segments<mode>(p, list, 0, sink);
    benchmark::DoNotOptimize(sink.requests);
  }
  long visited = visited_segments(list, p.position);
  state.counters["segments"] = static_cast<double>(visited);
  state.counters["ns_per_segment"] = benchmark::Counter(
      static_cast<double>(visited),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  free_segment_list(list);
}

// The whole pass, with the server drawing into the frame pixmap.
struct XFrame {
  XServer server;
  AppState state{};
  Arguments arguments;
  bool start() {
    if (!start_x_server(&server)) return false;
    start_app_on(server.display_name, {}, &arguments, &state);
    state.pens = new_pen_cache();
    state.segments = new_segment_list();
    probe_pixels(&state);
    fill_text_like(state.segments, pen_for_pixel(&state, state.ink_pixel),
                   pen_for_pixel(&state, state.paper_pixel));
    state.row_index = build_row_index(state.segments, state.paper_pixel);
    return true;
  }
};

XFrame* x_frame() {
  static XFrame* frame = [] {
    auto* f = new XFrame;
    if (!f->start()) return static_cast<XFrame*>(nullptr);
    return f;
  }();
  return frame;
}

void BM_Pass(benchmark::State& state, DrawMode mode) {
  XFrame* f = x_frame();
  if (!f) {
    state.SkipWithError("no Xvfb");
    return;
  }
  f->state.position = state.range(0);
  f->state.draw_mode = mode;
  for (auto _ : state) {
    XFillRectangle(f->state.display, f->state.frame_pixmap, f->state.paper_gc, 0, 0, 640, 480);
    draw_pass(&f->state, {f->state.frame_pixmap, 640, 480, nullptr});
    XSync(f->state.display, False);  // the server's share counts too
  }
  long visited = visited_segments(f->state.segments, f->state.position);
  state.counters["segments"] = static_cast<double>(visited);
  state.counters["ns_per_segment"] = benchmark::Counter(
      static_cast<double>(visited),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void positions(benchmark::internal::Benchmark* b) {
  for (long p : {300L, 3000L, 15000L, 34000L}) b->Arg(p);  // 34,000: the end
}

// Each mode through the row index, without a server; blur with its search
// for the rows that draw.
template <DrawMode mode>
void BM_Indexed(benchmark::State& state) {
  Pen ink{nullptr, 1, nullptr, nullptr}, paper{nullptr, 0, nullptr, nullptr};
  SegmentList* list = new_segment_list();
  fill_text_like(list, &ink, &paper);
  RowIndex* index = build_row_index(list, 0);
  Projection p{640, 480, 320, 320, 100, state.range(0)};
  CountingSink sink;
  for (auto _ : state) {
    if constexpr (mode == kDrawBlur) {
      blur_spans(p, *index, &index->frame);
      walk_blur_spans(p, *index, index->frame, sink);
    } else {
      walk_ink_runs<mode>(p, *index, sink);
    }
    benchmark::DoNotOptimize(sink.requests);
  }
  long visited = visited_segments(list, p.position);
  state.counters["ns_per_segment"] = benchmark::Counter(
      static_cast<double>(visited),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  free_row_index(index);
  free_segment_list(list);
}

BENCHMARK(BM_Walk<kDrawBlur>)->Apply(positions);
BENCHMARK(BM_Indexed<kDrawBlur>)->Apply(positions);
BENCHMARK(BM_Walk<kDrawNoblur>)->Apply(positions);
BENCHMARK(BM_Indexed<kDrawNoblur>)->Apply(positions);
BENCHMARK(BM_Walk<kDrawFill>)->Apply(positions);
BENCHMARK(BM_Indexed<kDrawFill>)->Apply(positions);
BENCHMARK_CAPTURE(BM_Pass, blur, kDrawBlur)->Apply(positions);
BENCHMARK_CAPTURE(BM_Pass, noblur, kDrawNoblur)->Apply(positions);
BENCHMARK_CAPTURE(BM_Pass, fill, kDrawFill)->Apply(positions);

}  // namespace

BENCHMARK_MAIN();
