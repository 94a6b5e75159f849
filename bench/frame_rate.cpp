// The whole program's frame loop, measured: the program is started in this
// process against a private Xvfb exactly as main() starts it, compiles its
// material with build_content and indexes it, and then runs frame_step for a
// number of frames while the CPU time of this process and of the server is
// taken.
//
//   frame_rate MODE START FRAMES [material...]     MODE: blur, noblur, fill or idle
//                                                  or blur-floor, noblur-floor, fill-floor
//
// Prints one line of key=value pairs; first_frame_s counts from the program's
// start-up to the first frame drawn, the one-second pause included. With
// "idle" the scroll is stopped and the program is left idle for FRAMES tenths
// of a second. A "-floor" mode records the requests of the start position's
// frame once and then only sends them again for every frame, with the
// frame's own fill, show and flush: what the program would spend on a frame
// if computing the requests cost nothing. rows is the source row of the
// material's last row, far_spans_read the source rows that the last frame
// read to resolve its far screen rows, far_rows_cpu_s the CPU time of
// building the far rows' maps at start-up (part of compile_s).
// BENCH_SCREEN=WIDTHxHEIGHT gives the Xvfb that screen instead of its default.
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "app_state.h"
#include "app/frame_loop.h"
#include "content/display_list.h"
#include "content/source_intake.h"
#include "render/draw_pass.h"
#include "render/far_rows.h"
#include "render/row_index.h"
#include "render/walk.h"
#include "render/xlib_sink.h"
#include "support/app_start.h"
#include "support/x_server.h"

#include "process_time.h"

namespace {

long segment_count(const AppState& s) {
  return static_cast<long>(s.segments->count);
}

// The source row of the list's last row.
std::int64_t last_row(const AppState& s) {
  return s.row_index && !s.row_index->spans.empty() ? s.row_index->spans.back().row : 0;
}

// Spans that the last frame read to resolve its far rows.
unsigned long long far_spans_read(const AppState& s) {
  return s.far_rows ? s.far_rows->frame.spans_read : 0;
}

long peak_kb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

struct Request {
  enum Kind : std::uint8_t { kPoint, kLine, kPolygon, kRectangle } kind;
  std::uint8_t count;  // corners of a polygon
  const Pen* pen;
  std::int16_t v[8];
};

struct RequestRecorder {
  std::vector<Request>* out;
  const Pen* pen = nullptr;
  void add(Request::Kind kind, std::initializer_list<int> values) {
    Request r{kind, 0, pen, {}};
    for (int v : values) r.v[r.count++] = static_cast<std::int16_t>(v);
    out->push_back(r);
  }
  void use(const Pen* p) { pen = p; }
  void point(int x, int y) { add(Request::kPoint, {x, y}); }
  void line(int x1, int y1, int x2, int y2) { add(Request::kLine, {x1, y1, x2, y2}); }
  void polygon(const ScreenPoint* points, int n) {
    Request r{Request::kPolygon, static_cast<std::uint8_t>(n), pen, {}};
    for (int i = 0; i < n; ++i) {
      r.v[2 * i] = points[i].x;
      r.v[2 * i + 1] = points[i].y;
    }
    out->push_back(r);
  }
  void rectangle(int x, int y, int w, int h) { add(Request::kRectangle, {x, y, w, h}); }
};

// The requests of the pass, through the far rows when the index has them.
template <DrawMode mode>
void record_pass(AppState& s, const Projection& p, RequestRecorder* recorder) {
  const RowIndex* index = s.row_index;
  if (mode != kDrawBlur && index && s.far_rows) {
    draw_far_frame<mode>(p, *index, s.far_rows, *recorder);
  } else {
    walk_segments<mode>(p, s.segments, s.paper_pixel, *recorder);
  }
}

std::vector<Request> record_frame(AppState& s, const std::string& mode) {
  std::vector<Request> requests;
  RequestRecorder recorder{&requests};
  Projection p{s.width, s.height, s.source_width, s.length_x, s.length_y, s.position};
  if (mode == "blur") record_pass<kDrawBlur>(s, p, &recorder);
  if (mode == "noblur") record_pass<kDrawNoblur>(s, p, &recorder);
  if (mode == "fill") record_pass<kDrawFill>(s, p, &recorder);
  return requests;
}

// A frame as frame_step draws it, with the recorded requests for the pass.
void send_frame(AppState* s, const std::vector<Request>& requests) {
  XFillRectangle(s->display, s->frame_pixmap, s->paper_gc, 0, 0, s->width, s->height);
  {
    XlibSink sink(s->display, s->frame_pixmap);
    for (const Request& r : requests) {
      sink.use(r.pen);
      const std::int16_t* v = r.v;
      switch (r.kind) {
        case Request::kPoint:
          sink.point(v[0], v[1]);
          break;
        case Request::kLine:
          sink.line(v[0], v[1], v[2], v[3]);
          break;
        case Request::kPolygon:
          sink.polygon(reinterpret_cast<const ScreenPoint*>(v), r.count);
          break;
        case Request::kRectangle:
          sink.rectangle(v[0], v[1], v[2], v[3]);
          break;
      }
    }
  }
  XSetWindowBackgroundPixmap(s->display, s->view_window, s->frame_pixmap);
  XClearWindow(s->display, s->view_window);
  XFlush(s->display);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: frame_rate MODE START FRAMES [material...]\n");
    return 2;
  }
  std::string mode = argv[1];
  bool floor = mode.size() > 6 && mode.ends_with("-floor");
  if (floor) mode.resize(mode.size() - 6);
  long frames = std::atol(argv[3]);
  // Unpaced, so that the figures are the cost of a frame.
  std::vector<std::string> args = {"-st", argv[2], "-wt", "0", "-xrm", "*frameRate: 0"};
  args.push_back(mode == "noblur" ? "-nb" : mode == "fill" ? "-fill" : "-b");
  if (mode == "idle") args.insert(args.end(), {"-sc", "0"});
  for (int i = 4; i < argc; ++i) args.push_back(argv[i]);

  XServer server;
  std::vector<std::string> screen;
  const char* size = std::getenv("BENCH_SCREEN");
  if (size && *size) screen = {"-screen", "0", std::string(size) + "x24"};
  if (!start_x_server(&server, screen)) return 1;
  AppState state{};
  Arguments arguments;
  timespec started;  // the program's own start, after the server's
  clock_gettime(CLOCK_MONOTONIC, &started);
  start_app_on(server.display_name, args, &arguments, &state);

  long before_kb = peak_kb();
  timespec t0, t1;
  clock_gettime(CLOCK_MONOTONIC, &t0);
  build_content(&state, &arguments.argc, arguments.argv.data());
  state.row_index = build_row_index(state.segments, state.paper_pixel);
  double far_rows_cpu = cpu_seconds();
  if (state.draw_mode != kDrawBlur) {
    state.far_rows = build_far_rows(*state.row_index, static_cast<DrawMode>(state.draw_mode));
  }
  far_rows_cpu = cpu_seconds() - far_rows_cpu;
  clock_gettime(CLOCK_MONOTONIC, &t1);
  double compile = (t1.tv_sec - t0.tv_sec) + (t1.tv_nsec - t0.tv_nsec) / 1e9 - 1.0;  // its sleep(1)
  long segments = segment_count(state);
  long after_kb = peak_kb();

  std::vector<Request> requests;
  if (floor) requests = record_frame(state, mode);
  frame_step(&state);  // the first frame, not counted
  XSync(state.display, False);
  clock_gettime(CLOCK_MONOTONIC, &t1);
  double first_frame = (t1.tv_sec - started.tv_sec) + (t1.tv_nsec - started.tv_nsec) / 1e9;
  double client0 = cpu_seconds(), server0 = server_cpu_seconds(server.xvfb_pid);
  clock_gettime(CLOCK_MONOTONIC, &t0);
  for (long i = 0; i < frames; ++i) {
    if (floor) {
      send_frame(&state, requests);
    } else {
      frame_step(&state);
    }
  }
  XSync(state.display, False);
  clock_gettime(CLOCK_MONOTONIC, &t1);
  double wall = (t1.tv_sec - t0.tv_sec) + (t1.tv_nsec - t0.tv_nsec) / 1e9;
  double client = cpu_seconds() - client0;
  double server_cpu = server_cpu_seconds(server.xvfb_pid) - server0;

  std::printf(
      "fps=%.1f client_ms_per_frame=%.3f server_ms_per_frame=%.3f client_cpu_percent=%.2f "
      "compile_s=%.3f segments=%ld peak_kb=%ld bytes_per_segment=%.1f first_frame_s=%.3f "
      "rows=%lld far_spans_read=%llu far_rows_cpu_s=%.3f\n",
      frames / wall, 1000 * client / frames, 1000 * server_cpu / frames, 100 * client / wall,
      compile, segments, peak_kb(),
      segments ? 1024.0 * static_cast<double>(after_kb - before_kb) / segments : 0.0, first_frame,
      static_cast<long long>(last_row(state)), far_spans_read(state), far_rows_cpu);
  std::fflush(stdout);
  release_resources(&state);
  stop_x_server(&server);
  return 0;
}
