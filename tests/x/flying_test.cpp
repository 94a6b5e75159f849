// Whole runs of the program with material: each draws one frame on the root
// window of a private Xvfb (-root -quit) and ends with status 0; the frame
// is then read back from the root window. Bad input included.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <X11/Xutil.h>

#include "support/x_server.h"

namespace {

struct Frame {
  int status = -2;
  long ink = 0;  // pixels that are not white, the paper colour
  int top = 1 << 30, bottom = -1;
  std::vector<char> pixels;  // the whole root window
};

struct Flying : testing::Test {
  XServer server;
  std::string dir;
  std::string locale = "C";  // LC_ALL of the runs
  void SetUp() override {
    // -noreset: the root keeps its last frame when the program has gone.
    ASSERT_TRUE(start_x_server(&server, {"-noreset"}));
    char name[] = "/tmp/lumadrift-flying-XXXXXX";
    dir = mkdtemp(name);
  }
  void TearDown() override {
    std::string command = "rm -rf " + dir;
    EXPECT_EQ(system(command.c_str()), 0);
    stop_x_server(&server);
  }
  std::string write_file(const std::string& name, const std::string& content) {
    std::string path = dir + "/" + name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  Frame fly(std::vector<std::string> args, const std::string* input = nullptr,
            double seconds = 60) {
    args.insert(args.begin(), {"-root", "-quit"});
    Program p = start_program(args, input != nullptr, {"LC_ALL=" + locale});
    if (input) {
      size_t done = 0;
      while (done < input->size()) {
        ssize_t n = write(p.stdin_fd, input->data() + done, input->size() - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
      }
      close(p.stdin_fd);
      p.stdin_fd = -1;
    }
    Frame f;
    f.status = wait_program(&p, seconds);
    Display* d = server.display;
    Window root = DefaultRootWindow(d);
    XClearWindow(d, root);
    XImage* image = XGetImage(d, root, 0, 0, 1024, 768, AllPlanes, ZPixmap);
    for (int y = 0; y < 768; ++y) {
      for (int x = 0; x < 1024; ++x) {
        if (XGetPixel(image, x, y) == 0xffffff) continue;
        ++f.ink;
        f.top = std::min(f.top, y);
        f.bottom = std::max(f.bottom, y);
      }
    }
    f.pixels.assign(image->data, image->data + image->bytes_per_line * image->height);
    XDestroyImage(image);
    return f;
  }
};

// Sixteen rows into a one-line text, only that line stands at the bottom.
TEST_F(Flying, AnArgumentThatNamesNoFileFliesAsText) {
  Frame f = fly({"-st", "16", "Hello there"});
  EXPECT_EQ(f.status, 0);
  EXPECT_GT(f.ink, 300);
  EXPECT_GT(f.top, 600);
  EXPECT_LE(f.bottom, 767);
}

// Latin text in a UTF-8 locale flies pixel for pixel as the same text in
// ISO-8859-1 under the C locale, and so do ISO-8859-1 bytes, which are not
// UTF-8: letters, a centred line, backspace, an escape sequence, C1 codes.
TEST_F(Flying, Utf8TextFliesAsIso8859InTheCLocale) {
  std::string latin1 = write_file("latin1.txt",
                                  "Gr\xfc\xdf"
                                  "e aus K\xf6ln, na\xefve caf\xe9\n"
                                  "\t\xa1Se\xf1or \xc6gir!\n"
                                  "ab\xe9\bc\x1b[1mX \xff\xfe\x80\x9f\n");
  std::string utf8 = write_file("utf8.txt",
                                "Gr\xc3\xbc\xc3\x9f"
                                "e aus K\xc3\xb6ln, na\xc3\xafve caf\xc3\xa9\n"
                                "\t\xc2\xa1Se\xc3\xb1or \xc3\x86gir!\n"
                                "ab\xc3\xa9\bc\x1b[1mX \xc3\xbf\xc3\xbe\xc2\x80\xc2\x9f\n");
  auto frame = [&](const char* run_locale, const std::string& file) {
    locale = run_locale;
    Frame f = fly({"-st", "120", file});
    EXPECT_EQ(f.status, 0);
    return f.pixels;
  };
  std::vector<char> want = frame("C", latin1);
  EXPECT_TRUE(frame("C.UTF-8", utf8) == want) << "UTF-8 text";
  EXPECT_TRUE(frame("C.UTF-8", latin1) == want) << "ISO-8859-1 bytes";
  EXPECT_FALSE(frame("C", utf8) == want) << "the C locale reads bytes";
}

// In a UTF-8 locale every script leaves ink of its own with the default
// font; the C locale reads the same argument byte by byte, as it always has.
TEST_F(Flying, EveryScriptFliesWithTheDefaultFont) {
  const char* texts[] = {"\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82",  // Cyrillic
                         "\xce\x95\xce\xbb\xce\xbb\xce\xac\xce\xb4\xce\xb1",  // Greek
                         "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e",              // CJK
                         "\xe2\x9c\x93\xe2\x98\x85"};                         // symbols
  locale = "C.UTF-8";
  std::vector<std::vector<char>> seen;
  for (const char* text : texts) {
    Frame f = fly({"-st", "16", text});
    EXPECT_EQ(f.status, 0);
    EXPECT_GT(f.ink, 100) << text;
    for (const auto& other : seen) EXPECT_FALSE(f.pixels == other) << text;
    seen.push_back(f.pixels);
  }
  locale = "C";
  Frame bytes = fly({"-st", "16", texts[0]});
  EXPECT_EQ(bytes.ink, 0) << "the C locale drops an argument's bytes above 127";
}

TEST_F(Flying, NothingIsDrawnBeforeTheFirstRowArrives) {
  Frame f = fly({"-st", "-1", "Hello there"});
  EXPECT_EQ(f.status, 0);
  EXPECT_EQ(f.ink, 0);
}

TEST_F(Flying, TextFilesPicturesAndStandardInput) {
  std::string text = write_file("notes.txt", "A text file\nof two lines\n");
  std::string picture = write_file(
      "box.xpm",
      "/* XPM */\nstatic char *p[] = {\n\"40 20 1 1\",\n"
      "\"A c #ff0000\",\n" +
          [] {
            std::string rows;
            for (int i = 0; i < 20; ++i)
              rows += std::string(i ? ",\n" : "") + "\"" + std::string(40, 'A') + "\"";
            return rows;
          }() +
          "\n};\n");
  std::string input = "from the pipe\n";
  // Row 20 is the picture's last: 17 rows of text come before it.
  Frame f = fly({"-st", "250", "-nb", text, "-", picture}, &input);
  EXPECT_EQ(f.status, 0);
  EXPECT_GT(f.ink, 1000);
  Frame picture_only = fly({"-st", "19", picture});
  EXPECT_EQ(picture_only.status, 0);
  EXPECT_GT(picture_only.ink, 2000);  // a red block at the bottom
  EXPECT_GT(picture_only.top, 500);
}

TEST_F(Flying, PipedInputAloneAndAnEmptyPipe) {
  std::string input = "ls -l | lumadrift\n";
  EXPECT_GT(fly({"-st", "16"}, &input).ink, 300);
  std::string empty;
  Frame usage = fly({"-st", "400"}, &empty);  // the usage text instead
  EXPECT_EQ(usage.status, 0);
  EXPECT_GT(usage.ink, 5000);
}

TEST_F(Flying, BinaryInputNeitherCrashesNorHangs) {
  std::mt19937 random(11);
  std::string binary(300 * 1024, '\0');
  for (char& c : binary) c = static_cast<char>(random() % 7 == 0 ? 0 : random());
  Frame piped = fly({"-st", "300"}, &binary, 120);
  EXPECT_EQ(piped.status, 0);
  EXPECT_GT(piped.ink, 0);
  Frame file = fly({"-st", "300", write_file("binary", binary)}, nullptr, 120);
  EXPECT_EQ(file.status, 0);
}

TEST_F(Flying, AVeryLongLineWrapsIntoManyLines) {
  std::string line;
  for (int i = 0; i < 200 * 1024; ++i) line.push_back(static_cast<char>('a' + i % 26));
  Frame f = fly({"-st", "5000", write_file("long.txt", line)}, nullptr, 120);
  EXPECT_EQ(f.status, 0);
  EXPECT_GT(f.ink, 1000);
}

TEST_F(Flying, OddArgumentsAreHandled) {
  std::string truncated = write_file("t.xpm", "/* XPM */\nstatic char *p[] = {\n\"9 9 2 1\",\n\"A");
  // Wider than any pixmap can be: refused rather than ending the program.
  std::string huge = write_file("h.xpm",
                                "/* XPM */\nstatic char *p[] = {\n\"40000 1 1 1\",\n"
                                "\"A c #000000\",\n\"" +
                                    std::string(40000, 'A') + "\"\n};\n");
  std::string long_name = dir;
  for (int i = 0; i < 9; ++i) {
    long_name += "/" + std::string(220, static_cast<char>('a' + i));
    ASSERT_EQ(mkdir(long_name.c_str(), 0700), 0);
  }
  long_name += "/x.txt";
  std::ofstream(long_name) << "long name\n";
  Frame f = fly({"-st", "16", truncated, huge, dir, "/dev/null", long_name, "missing-file"});
  EXPECT_EQ(f.status, 0);
  EXPECT_GT(f.ink, 100);
}

}  // namespace
