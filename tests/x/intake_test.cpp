// Source intake against a private Xvfb: which progress messages appear, in
// which order, for each kind of source, and what standard input contributes.
// The messages are checked by drawing the expected column and comparing it
// with the frame pixel by pixel.
#include "support/app_fixture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <X11/Xutil.h>

#include "content/display_list.h"
#include "content/source_intake.h"
#include "support/segments.h"

namespace {

using Strings = std::vector<std::string>;

struct Intake : AppFixture {
  std::string dir;
  int terminal = -1;           // the controlling side of a terminal on standard input
  std::string terminal_input;  // what is typed on it
  void SetUp() override {
    AppFixture::SetUp();
    char name[] = "/tmp/lumadrift-intake-XXXXXX";
    dir = mkdtemp(name);
  }
  void TearDown() override {
    std::string command = "chmod -R u+rwx " + dir + " && rm -rf " + dir;
    EXPECT_EQ(system(command.c_str()), 0);
    if (terminal >= 0) close(terminal);
    AppFixture::TearDown();
  }
  std::string write_file(const std::string& name, const std::string& content) {
    std::string path = dir + "/" + name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  // Standard input: a file with this content, or a terminal when nullopt.
  void set_stdin(const std::optional<std::string>& content) {
    int fd;
    if (content) {
      fd = open(write_file("stdin", *content).c_str(), O_RDONLY);
    } else {
      terminal = posix_openpt(O_RDWR | O_NOCTTY);
      grantpt(terminal);
      unlockpt(terminal);
      fd = open(ptsname(terminal), O_RDWR | O_NOCTTY);
      // Ends the input at once unless a test typed something of its own.
      std::string typed = terminal_input.empty() ? "\x04" : terminal_input;
      ASSERT_EQ(write(terminal, typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
    }
    ASSERT_GE(fd, 0);
    dup2(fd, 0);
    close(fd);
    clearerr(stdin);
  }
  void build(const Strings& material, const std::optional<std::string>& input) {
    set_stdin(input);
    start_app(material);
    build_content(&state, &argc, argv.data());
  }
  // The frame as it stands after compilation, against a frame holding just
  // the expected messages.
  void expect_messages(const Strings& messages) {
    EXPECT_EQ(argc, 1);
    Display* d = state.display;
    Pixmap expected = XCreatePixmap(d, state.base_window, state.width, state.height, state.depth);
    XFillRectangle(d, expected, state.paper_gc, 0, 0, state.width, state.height);
    int step = state.font_info->ascent + state.font_info->descent + state.line_space;
    int y = 0;
    for (const std::string& m : messages) {
      y += step;
      XDrawString(d, expected, state.ink_gc, state.font_info->max_bounds.width, y, m.c_str(),
                  static_cast<int>(m.size()));
    }
    XImage* want = XGetImage(d, expected, 0, 0, state.width, state.height, AllPlanes, ZPixmap);
    XImage* got =
        XGetImage(d, state.frame_pixmap, 0, 0, state.width, state.height, AllPlanes, ZPixmap);
    int differ = 0;
    for (int py = 0; py < state.height; ++py) {
      for (int px = 0; px < state.width; ++px)
        differ += XGetPixel(want, px, py) != XGetPixel(got, px, py);
    }
    EXPECT_EQ(differ, 0) << "the messages differ from " << testing::PrintToString(messages);
    XDestroyImage(want);
    XDestroyImage(got);
    XFreePixmap(d, expected);
  }
  // Source rows that the display list moves down, and segments it holds.
  long rows() {
    long total = 0;
    for (const Segment& s : segments_of(state.segments)) total += s.advance_y;
    return total;
  }
  long count() { return static_cast<long>(state.segments->count); }
};

const std::string kStart = "Now initializing Lumadrift and making data.";
const std::string kWait = "Please wait for some minutes...";
const std::string kStdin = "Writing letters from the standard input.";
const std::string kPrompt = "Please input letters and hit Ctrl-D.";
const std::string kLetters = "Writing letters.";
const std::string kDefault = "Writing default letters.";
const std::string kDone = "Done.";
const std::string kEnd = "Now starting Lumadrift!";

constexpr long kLineRows = 16 + 1;  // 8x16 letters and the line space

TEST_F(Intake, NothingAtAllFliesTheUsageText) {
  build({}, std::nullopt);
  expect_messages({kStart, kWait, kDefault, kDone, kEnd});
  EXPECT_GT(rows(), 60 * kLineRows);
}

TEST_F(Intake, AnEmptyPipeIsReadThenTheUsageTextFollows) {
  build({}, "");
  expect_messages({kStart, kWait, kStdin, kDone, kDefault, kDone, kEnd});
}

TEST_F(Intake, PipedInputIsReadAfterTheArguments) {
  build({"no-such-file-one"}, "piped\n");
  expect_messages({kStart, kWait, kLetters, kDone, kStdin, kDone, kEnd});
  EXPECT_EQ(rows(), 2 * kLineRows);
}

TEST_F(Intake, DashReadsStandardInputInItsPlace) {
  build({"first", "-", "last"}, "middle\n");
  expect_messages({kStart, kWait, kLetters, kDone, kStdin, kDone, kLetters, kDone, kEnd});
  EXPECT_EQ(rows(), 3 * kLineRows);
}

TEST_F(Intake, ASecondDashFindsTheEndOfInput) {
  build({"-", "-"}, "once\n");
  expect_messages({kStart, kWait, kStdin, kDone, kStdin, kDone, kEnd});
  EXPECT_EQ(rows(), kLineRows);
}

TEST_F(Intake, DashOnATerminalPromptsAndReadsToTheEnd) {
  // What is typed, then Ctrl-D; standard input, a terminal, is not read again.
  terminal_input = "typed\n\x04";
  build({"-"}, std::nullopt);
  expect_messages({kStart, kWait, kStdin, kPrompt, kDone, kEnd});
  EXPECT_EQ(rows(), kLineRows);
}

TEST_F(Intake, ATerminalIsNotReadAfterTheArguments) {
  terminal_input = "not read\n\x04";
  build({"word"}, std::nullopt);
  expect_messages({kStart, kWait, kLetters, kDone, kEnd});
  EXPECT_EQ(rows(), kLineRows);
}

TEST_F(Intake, TextFilesAndPicturesAreAnnouncedByName) {
  std::string text = write_file("notes.txt", "one\ntwo\n");
  std::string picture = write_file("pic.txt",
                                   "/* XPM */\nstatic char *p[] = {\n\"2 3 1 1\",\n"
                                   "\"A c #ff0000\",\n\"AA\",\n\"AA\",\n\"AA\"\n};\n");
  build({text, picture}, std::nullopt);
  expect_messages({kStart, kWait, "Writing letters in a file \"" + text + "\".", kDone,
                   "Drawing a pixmap \"" + picture + "\".", kDone, kEnd});
  EXPECT_EQ(rows(), 2 * kLineRows + 3);
}

TEST_F(Intake, FileNamesInAUtf8LocaleAreDrawnAsTheirCharacters) {
  setenv("LC_ALL", "C.UTF-8", 1);
  std::string text = write_file("K\xc3\xb6ln.txt", "one\n");
  std::string picture = write_file("caf\xe9.xpm",
                                   "/* XPM */\nstatic char *p[] = {\n\"1 1 1 1\",\n"
                                   "\"A c #ff0000\",\n\"A\"\n};\n");
  build({text, picture}, std::nullopt);
  // The same characters in ISO-8859-1, drawn by the 8x16 font byte by byte.
  expect_messages({kStart, kWait, "Writing letters in a file \"" + dir + "/K\xf6ln.txt\".", kDone,
                   "Drawing a pixmap \"" + picture + "\".", kDone, kEnd});
}

TEST_F(Intake, OnlyTheExactMagicMakesAPicture) {
  std::string blank = write_file("a.xpm", " /* XPM */\n\"1 1 1 1\"\n");
  std::string broken = write_file("b.xpm", "/* XPM\n */ x\n");
  std::string short_file = write_file("c.xpm", "/* XP");
  build({blank, broken, short_file}, std::nullopt);
  expect_messages({kStart, kWait, "Writing letters in a file \"" + blank + "\".", kDone,
                   "Writing letters in a file \"" + broken + "\".", kDone,
                   "Writing letters in a file \"" + short_file + "\".", kDone, kEnd});
}

TEST_F(Intake, SourcesWithoutSegmentsLeaveTheUsageText) {
  std::string empty = write_file("empty.txt", "");
  build({empty, dir}, std::nullopt);  // a directory opens but reads nothing
  expect_messages({kStart, kWait, "Writing letters in a file \"" + empty + "\".", kDone,
                   "Writing letters in a file \"" + dir + "\".", kDone, kDefault, kDone, kEnd});
}

TEST_F(Intake, ALongFileNameIsCutInItsMessageOnly) {
  std::string path = dir;
  for (int i = 0; i < 9; ++i) {
    path += "/" + std::string(220, static_cast<char>('a' + i));
    ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
  }
  path += "/notes.txt";
  ASSERT_GT(path.size(), 1948u);
  std::ofstream(path) << "read\n";
  build({path}, std::nullopt);
  expect_messages(
      {kStart, kWait, "Writing letters in a file \"" + path.substr(0, 1948) + "\".", kDone, kEnd});
  EXPECT_EQ(rows(), kLineRows);
}

TEST_F(Intake, ManyMessagesRunOffTheBottomWithoutComingBack) {
  Strings words(2200, "w");  // 2200 x 2 messages of 17 rows pass 32767
  set_stdin(std::nullopt);
  start_app(words);
  build_content(&state, &argc, argv.data());
  EXPECT_EQ(argc, 1);
  // The frame holds only the first messages (and a glyph's top of the next).
  Strings first = {kStart, kWait, kLetters, kDone};
  for (int i = 0; i < 30; ++i) first.push_back(i % 2 ? kDone : kLetters);
  expect_messages(first);
}

}  // namespace
