// Streams that keep coming, through real pipes, FIFOs and programs. In the
// test's process: a stream read in pieces compiles what it compiles read
// whole, sources after it follow its end, the usage text waits until every
// source has ended, and a line that comes after the crawl passed the end
// starts at the bottom edge. Whole runs: a paused stream flies and its late
// lines join at the bottom, a fast writer lets -quit end, a silent stream
// leaves the program responsive, and a FIFO named as an argument is read
// as it comes.
#include "support/app_fixture.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <tuple>

#include <X11/Xutil.h>

#include "app/frame_pacing.h"
#include "content/display_list.h"
#include "content/source_intake.h"
#include "render/draw_pass.h"
#include "render/row_index.h"
#include "support/segments.h"

namespace {

using Shape = std::vector<std::tuple<int, int, int, unsigned long>>;

Shape shape_of(const SegmentList* list) {
  Shape shape;
  for (const Segment& s : segments_of(list)) {
    shape.emplace_back(s.length, s.advance_x, s.advance_y, s.pen->pixel);
  }
  return shape;
}

struct StreamIntake : AppFixture {
  int writer = -1;  // the test's end of the program's standard input
  void TearDown() override {
    if (writer >= 0) close(writer);
    AppFixture::TearDown();
  }
  // Standard input a pipe that the test writes to, or a file.
  void pipe_stdin() {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    dup2(ends[0], 0);
    close(ends[0]);
    writer = ends[1];
    clearerr(stdin);
  }
  void write_text(const std::string& text) {
    ASSERT_EQ(write(writer, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }
  void end_stream() {
    close(writer);
    writer = -1;
  }
  // The frame loop's reading, until every source has ended.
  void read_to_the_end() {
    ASSERT_TRUE(wait_until(
        [&] {
          continue_intake(&state, monotonic_ns() + 2'000'000);
          return state.intake == nullptr;
        },
        10));
  }
};

TEST_F(StreamIntake, AStreamReadInPiecesCompilesWhatItCompilesReadWhole) {
  std::string file = "/tmp/lumadrift-stream-whole";
  std::ofstream(file) << "middle\n\tcentred \xc3\xa9\x1b[1mtext\nlast";
  int fd = open(file.c_str(), O_RDONLY);
  dup2(fd, 0);
  close(fd);
  clearerr(stdin);
  start_app({"first", "-", "after"});
  build_content(&state, &argc, argv.data());
  ASSERT_EQ(state.intake, nullptr);  // a file is read whole
  Shape whole = shape_of(state.segments);
  unlink(file.c_str());
  release_app(&state);
  state = {};

  pipe_stdin();
  write_text("middle\n\tcentred \xc3");
  start_app({"first", "-", "after"});
  build_content(&state, &argc, argv.data());
  ASSERT_NE(state.intake, nullptr) << "a paused stream starts the frames";
  EXPECT_EQ(argc, 1);
  write_text("\xa9\x1b[1");
  continue_intake(&state, monotonic_ns() + 2'000'000);
  write_text("mtext\nlast");
  end_stream();
  read_to_the_end();
  EXPECT_EQ(shape_of(state.segments), whole) << "with the argument after the stream";
}

TEST_F(StreamIntake, TheUsageTextWaitsUntilEveryStreamHasEnded) {
  pipe_stdin();
  start_app({});
  build_content(&state, &argc, argv.data());
  ASSERT_NE(state.intake, nullptr);
  EXPECT_EQ(state.segments->count, 0u) << "no usage text while the stream is open";
  end_stream();
  read_to_the_end();
  EXPECT_GT(state.segments->rows, 60 * 17);
}

TEST_F(StreamIntake, ALineAfterTheCrawlPassedTheEndStartsAtTheBottomEdge) {
  pipe_stdin();
  write_text("one\n");
  start_app({});
  build_content(&state, &argc, argv.data());
  index_display_list(&state);
  EXPECT_EQ(state.segments->rows, 17);
  state.position = 500;
  write_text("two\n");
  ASSERT_TRUE(wait_until([&] { return continue_intake(&state, monotonic_ns() + 2'000'000); }, 5));
  EXPECT_EQ(state.segments->rows, 500 + 17);
  index_display_list(&state);
  EXPECT_EQ(state.row_index->spans.back().row, 500 + 16) << "the last row of the line";
}

// Whole runs of the program on a 640 x 480 screen.
struct StreamRun : testing::Test {
  XServer server;
  void SetUp() override {
    ASSERT_TRUE(start_x_server(&server, {"-screen", "0", "640x480x24", "-noreset"}));
  }
  void TearDown() override { stop_x_server(&server); }
  // Pixels of the root in screen rows [top, bottom) that are not paper.
  long ink(int top, int bottom) {
    Display* d = server.display;
    XImage* image =
        XGetImage(d, DefaultRootWindow(d), 0, top, 640, bottom - top, AllPlanes, ZPixmap);
    long count = 0;
    for (int y = 0; y < bottom - top; ++y) {
      for (int x = 0; x < 640; ++x) count += XGetPixel(image, x, y) != 0xffffff;
    }
    XDestroyImage(image);
    return count;
  }
  static void say(Program* p, const std::string& text) {
    ASSERT_EQ(write(p->stdin_fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }
};

TEST_F(StreamRun, APausedStreamFliesAndALateLineJoinsAtTheBottom) {
  Program p = start_program({"-root"}, true);
  // The server's own background goes as the messages are shown, at the
  // top; the crawl comes in at the bottom.
  ASSERT_TRUE(wait_until([&] { return ink(240, 480) == 0; }, 10));
  say(&p, "one\n");
  EXPECT_TRUE(wait_until([&] { return ink(240, 480) > 0; }, 10)) << "the crawl shows";
  // Once "one" has left the bottom band, the crawl has passed the end.
  EXPECT_TRUE(wait_until([&] { return ink(400, 480) == 0; }, 10));
  say(&p, "two\n");
  EXPECT_TRUE(wait_until([&] { return ink(400, 480) > 0; }, 3)) << "in the bottom band";
  kill(p.pid, SIGTERM);
  EXPECT_EQ(wait_program(&p, 10), 0);
}

TEST_F(StreamRun, AFastWriterLetsQuitEndWithTheFrameDrawn) {
  for (const char* mode : {"", "-root"}) {
    std::string command = "yes | exec " + program_path() + " -quit -start 400 " + mode;
    Program p = start_command({"sh", "-c", command});
    EXPECT_EQ(wait_program(&p, 10), 0) << command;
  }
  EXPECT_GT(ink(0, 480), 0) << "the root keeps its frame";
}

TEST_F(StreamRun, ASilentStreamLeavesTheProgramResponsive) {
  ASSERT_TRUE(start_window_manager(&server));
  // q at once, while the program waits for the stream; then a close request
  // once the frames run.
  Program p = start_program({"-title", "Silent"}, true);
  Window w = find_window(server.display, "Silent", 30);
  ASSERT_NE(w, static_cast<Window>(None));
  XSetInputFocus(server.display, w, RevertToParent, CurrentTime);
  XSync(server.display, False);
  sleep_seconds(0.3);  // the window manager's own focus has settled
  press_key(server.display, XK_q);
  EXPECT_EQ(wait_program(&p, 5), 0);

  p = start_program({"-title", "Silent"}, true);
  ASSERT_NE(find_window(server.display, "Silent", 30), static_cast<Window>(None));
  sleep_seconds(2);
  ASSERT_EQ(std::system("wmctrl -c Silent"), 0);
  EXPECT_EQ(wait_program(&p, 5), 0);
}

TEST_F(StreamRun, AFifoNamedAsAnArgumentIsReadAsItComes) {
  std::string fifo = "/tmp/lumadrift-fifo-" + std::to_string(getpid());
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  Program p = start_program({"-root", fifo});
  int fd = open(fifo.c_str(), O_WRONLY);  // until the program opens it
  ASSERT_GE(fd, 0);
  ASSERT_TRUE(wait_until([&] { return ink(240, 480) == 0; }, 10));
  ASSERT_EQ(write(fd, "from a fifo\n", 12), 12);
  EXPECT_TRUE(wait_until([&] { return ink(240, 480) > 0; }, 10));
  EXPECT_EQ(waitpid(p.pid, nullptr, WNOHANG), 0) << "still flying while the fifo is open";
  close(fd);
  unlink(fifo.c_str());
  kill(p.pid, SIGTERM);
  EXPECT_EQ(wait_program(&p, 10), 0);
}

}  // namespace
