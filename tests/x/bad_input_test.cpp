// Bad input through the real program under a private Xvfb: odd sources,
// hostile pictures, extreme option values and a server that goes away. Each
// run must end by itself with status 0 (or, for the lost server, end at all)
// and leave a sensible frame.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <X11/Xutil.h>

#include "support/x_server.h"

namespace {

using Args = std::vector<std::string>;

struct BadInput : testing::Test {
  XServer server;
  std::string dir;
  void SetUp() override {
    ASSERT_TRUE(start_x_server(&server, {"-noreset"}));
    char name[] = "/tmp/lumadrift-bad-XXXXXX";
    dir = mkdtemp(name);
  }
  void TearDown() override {
    std::string command = "chmod -R u+rwx " + dir + "; rm -rf " + dir;
    EXPECT_EQ(system(command.c_str()), 0);
    stop_x_server(&server);
  }
  std::string write_file(const std::string& name, const std::string& content) {
    std::string path = dir + "/" + name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  // One frame on the root window; the exit status.
  int fly(Args args, double seconds = 120) {
    Program p = start_fly(std::move(args));
    return wait_program(&p, seconds);
  }
  Program start_fly(Args args, const std::vector<std::string>& env = {}) {
    args.insert(args.begin(), {"-root", "-quit"});
    return start_program(args, false, env);
  }
  long ink() {
    Display* d = server.display;
    XClearWindow(d, DefaultRootWindow(d));
    XImage* image = XGetImage(d, DefaultRootWindow(d), 0, 0, 1024, 768, AllPlanes, ZPixmap);
    long n = 0;
    for (int y = 0; y < 768; ++y) {
      for (int x = 0; x < 1024; ++x) n += XGetPixel(image, x, y) != 0xffffff;
    }
    XDestroyImage(image);
    return n;
  }
};

TEST_F(BadInput, AFifoWhoseWriterClosesIsReadOnce) {
  std::string fifo = dir + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::thread writer([&] {
    int fd = open(fifo.c_str(), O_WRONLY);
    std::string text = "from a fifo\n";
    EXPECT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fd);
  });
  EXPECT_EQ(fly({"-st", "16", fifo}, 60), 0);
  writer.join();
  EXPECT_GT(ink(), 300);
}

TEST_F(BadInput, OddFilesAsArguments) {
  std::string unreadable = write_file("secret.txt", "not for us\n");
  chmod(unreadable.c_str(), 0);
  std::string vanished = dir + "/gone.txt";
  // An unreadable file (as root, readable after all), a directory, the null
  // device, a name that no longer exists, and a name too long for any file.
  EXPECT_EQ(fly({"-st", "16", unreadable, dir, "/dev/null", vanished, std::string(4500, 'n')}), 0);
  EXPECT_GT(ink(), 300);
}

TEST_F(BadInput, AnUnreadableFileIsFlownAsItsName) {
  if (geteuid() != 0) GTEST_SKIP() << "runs the program as nobody, which needs root";
  std::string unreadable = write_file("secret.txt", "not for us\n");
  chmod(unreadable.c_str(), 0);
  chmod(dir.c_str(), 0755);
  Program p = start_command({"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                             program_path(), "-root", "-quit", "-st", "16", unreadable});
  EXPECT_EQ(wait_program(&p, 60), 0);
  EXPECT_GT(ink(), 300);
}

// A megabyte of input is many millions of segments: too slow for a build
// with sanitizers, where smaller runs of the same kind stand in.
#ifndef LUMADRIFT_SANITIZED
TEST_F(BadInput, AMegabyteOfBinaryStandardInput) {
  std::string binary(1 << 20, '\0');
  unsigned state = 12345;
  for (char& c : binary) {
    state = state * 1103515245 + 12345;
    c = static_cast<char>(state >> 16);
    if ((state >> 8) % 9 == 0) c = '\0';
  }
  Program p = start_program({"-root", "-quit", "-st", "2000"}, true);
  size_t done = 0;
  while (done < binary.size()) {
    ssize_t n = write(p.stdin_fd, binary.data() + done, binary.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  close(p.stdin_fd);
  p.stdin_fd = -1;
  EXPECT_EQ(wait_program(&p, 300), 0);
  EXPECT_GT(ink(), 100);
}

TEST_F(BadInput, AOneMegabyteLine) {
  std::string line(1 << 20, 'x');
  for (size_t i = 0; i < line.size(); i += 7) line[i] = static_cast<char>('a' + i % 26);
  EXPECT_EQ(fly({"-st", "20000", write_file("line.txt", line)}, 300), 0);
  EXPECT_GT(ink(), 1000);
}
#endif

TEST_F(BadInput, ThousandsOfArguments) {
  Args args = {"-st", "16"};
  for (int i = 0; i < 3000; ++i) args.push_back("w" + std::to_string(i));
  EXPECT_EQ(fly(args), 0);
  EXPECT_GT(ink(), 100);
}

std::string xpm(const std::string& header, const std::string& colours, const std::string& rows) {
  return "/* XPM */\nstatic char *p[] = {\n\"" + header + "\",\n" + colours + rows + "\n};\n";
}

TEST_F(BadInput, HostilePictures) {
  const std::string good_rows = "\"ab\",\n\"ba\"";
  const std::string two = "\"a c #ff0000\",\n\"b c #0000ff\",\n";
  const struct {
    const char* name;
    std::string content;
  } pictures[] = {
      {"header.xpm", xpm("two by two", two, good_rows)},
      {"huge.xpm", xpm("100000 100000 2 1", two, good_rows)},
      {"tall.xpm", xpm("0 1000000 2 1", two, "")},
      {"comment.xpm", "/* XPM */\nstatic char *p[] = {\n/* never closed\n\"2 2 2 1\",\n"},
      {"missing.xpm", xpm("2 2 2 1", "\"a c #ff0000\",\n", good_rows)},
      {"extra.xpm", xpm("2 2 1 1", two, good_rows)},
      {"cpp.xpm", xpm("2 2 2 100000", two, good_rows)},
      {"negative.xpm", xpm("-2 -2 2 1", two, good_rows)},
      {"truncated.xpm", xpm("2 2 2 1", two, "\"ab\"").substr(0, 60)},
      {"named.xpm.gz", xpm("2 2 2 1", two, good_rows)},
      {"named.xpm.Z", xpm("2 2 2 1", two, good_rows)},
      {"nameless.xpm", xpm("32767 32767 1 0", "\"c #ff0000\",\n", "")},
      {"promised.xpm", xpm("32767 32767 2 1", two, good_rows)},
  };
  Args args = {"-st", "1", "-sp", "0"};
  for (const auto& p : pictures) args.push_back(write_file(p.name, p.content));
  EXPECT_EQ(fly(args), 0);
}

TEST_F(BadInput, PicturesWithCompressedNamesAreReadAsTheyAre) {
  std::string rows;
  for (int i = 0; i < 40; ++i)
    rows += std::string(i ? ",\n" : "") + "\"" + std::string(40, 'a') + "\"";
  std::string path = write_file("block.xpm.gz", xpm("40 40 1 1", "\"a c #ff0000\",\n", rows));
  EXPECT_EQ(fly({"-st", "39", path}), 0);
  EXPECT_GT(ink(), 2000);
}

TEST_F(BadInput, ExtremeOptionValues) {
  const Args cases[] = {
      {"-sw", "0"},
      {"-sw", "-5"},
      {"-sw", "40000"},
      {"-sw", "2147483647"},
      {"-w", "0"},
      {"-w", "-3"},
      {"-w", "40000"},
      {"-w", "2147483647"},
      {"-lx", "1"},
      {"-ly", "0"},
      {"-ly", "-5"},
      {"-ly", "-100"},
      {"-ly", "-101"},
      {"-sp", "40000"},
      {"-sp", "-40000"},
      {"-st", "2147483647"},
      {"-st", "-2147483648"},
      {"-sc", "2147483647"},
      {"-wait", "-1"},
      {"-ly", "2147483647"},
      {"-lx", "-2147483648"},
  };
  // Several servers, each taking its share of the cases one after another:
  // all on one server, the runs would take half a minute, as each one
  // pauses for a second before its frame.
  std::vector<XServer> servers(7);
  for (XServer& s : servers) ASSERT_TRUE(start_x_server(&s, {"-noreset"}));
  for (std::size_t first = 0; first < std::size(cases); first += servers.size()) {
    std::size_t end = std::min(first + servers.size(), std::size(cases));
    std::vector<Program> runs;
    for (std::size_t i = first; i < end; ++i) {
      const Args& c = cases[i];
      Args args = c;
      args.insert(args.end(), {"-nb", "-st", "30", "Hello, extreme world"});
      if (c[0] == "-st") args = {c[0], c[1], "Hello"};
      runs.push_back(start_fly(args, {"DISPLAY=" + servers[i - first].display_name}));
    }
    for (std::size_t i = first; i < end; ++i) {
      EXPECT_EQ(wait_program(&runs[i - first], 60), 0) << cases[i][0] << " " << cases[i][1];
    }
  }
  for (XServer& s : servers) stop_x_server(&s);
  setenv("DISPLAY", server.display_name.c_str(), 1);
}

TEST_F(BadInput, ALostServerEndsTheProgram) {
  Program p = start_program({"-title", "Doomed"});
  ASSERT_NE(find_window(server.display, "Doomed", 30), static_cast<Window>(None));
  XCloseDisplay(server.display);
  server.display = nullptr;
  kill(server.xvfb_pid, SIGKILL);
  int status = wait_program(&p, 20);
  EXPECT_NE(status, -1) << "still running without its server";
  EXPECT_LT(status, 128) << "ended by a signal";
  // A fresh server for the fixture to stop.
  server.xvfb_pid = -1;
}

}  // namespace
