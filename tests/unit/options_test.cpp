// Option parsing and the usage text, without an X server.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app_state.h"
#include "app/options.h"
#include "support/x_server.h"

namespace {

struct Parsed {
  AppState state{};
  std::vector<std::string> rest;  // argv after parsing, program name first
};

Parsed parse(std::vector<std::string> args) {
  static std::vector<std::string> storage;  // argv entries must outlive the record
  storage = args;
  storage.insert(storage.begin(), "lumadrift");
  std::vector<char*> argv;
  for (std::string& a : storage) argv.push_back(a.data());
  argv.push_back(nullptr);
  int argc = static_cast<int>(storage.size());

  Parsed p;
  fill_defaults(&p.state);
  parse_options(&p.state, &argc, argv.data());
  for (int i = 0; i < argc; ++i) p.rest.push_back(argv[i]);
  return p;
}

using Args = std::vector<std::string>;

TEST(Options, NoArgumentsKeepTheDefaults) {
  Parsed p = parse({});
  EXPECT_EQ(p.rest, Args{"lumadrift"});
  const AppState& s = p.state;
  EXPECT_EQ(s.width, 640);
  EXPECT_EQ(s.height, 480);
  EXPECT_EQ(s.source_width, 0);
  EXPECT_EQ(s.source_letters, 40);
  EXPECT_EQ(s.root_mode, 0);
  EXPECT_EQ(s.redraw, 1);
  EXPECT_EQ(s.quit_after_draw, 0);
  EXPECT_EQ(s.draw_mode, kDrawBlur);
  EXPECT_EQ(s.length_x, 0);
  EXPECT_EQ(s.length_y, 100);
  EXPECT_EQ(s.line_space, 1);
  EXPECT_EQ(s.scroll_step, 1);
  EXPECT_EQ(s.wait_usec, 0);
  EXPECT_EQ(s.position, 0);
  EXPECT_STREQ(s.font_name, "8x16");
  EXPECT_STREQ(s.title, "Lumadrift");
}

struct IntCase {
  Args args;
  int AppState::*field;
  int expected;
  Args rest;  // what remains after the program name
};

TEST(Options, ValueOptionsTakeTheNextArgumentWhateverItIs) {
  const IntCase cases[] = {
      {{"-sw"}, &AppState::source_width, 0, {}},
      {{"-sw", "abc"}, &AppState::source_width, 0, {}},
      {{"-source-width", "500"}, &AppState::source_width, 500, {}},
      {{"-w", "10"}, &AppState::source_letters, 10, {}},
      {{"-width", "12x"}, &AppState::source_letters, 12, {}},
      {{"-sp", "-3"}, &AppState::line_space, -3, {}},
      {{"-space", "4"}, &AppState::line_space, 4, {}},
      {{"-lx", "-r"}, &AppState::length_x, 0, {}},
      {{"-lx", "-r"}, &AppState::root_mode, 0, {}},
      {{"-length-x", "50"}, &AppState::length_x, 50, {}},
      {{"-ly", "7"}, &AppState::length_y, 7, {}},
      {{"-length-y", "-100"}, &AppState::length_y, -100, {}},
      {{"-sc", "0"}, &AppState::scroll_step, 0, {}},
      {{"-scroll", "-2"}, &AppState::scroll_step, -2, {}},
      {{"-wt", "1000000"}, &AppState::wait_usec, 1000000, {}},
      {{"-wait", "-1"}, &AppState::wait_usec, -1, {}},
      {{"-sc", "5", "-sc", "6"}, &AppState::scroll_step, 6, {}},
      {{"a", "-sc", "3", "b"}, &AppState::scroll_step, 3, {"a", "b"}},
      {{"-sc", "99999999999"}, &AppState::scroll_step, 2147483647, {}},
      {{"-sc", "-99999999999"}, &AppState::scroll_step, -2147483647 - 1, {}},
  };
  for (const IntCase& c : cases) {
    Parsed p = parse(c.args);
    Args rest = {"lumadrift"};
    rest.insert(rest.end(), c.rest.begin(), c.rest.end());
    EXPECT_EQ(p.state.*c.field, c.expected) << testing::PrintToString(c.args);
    EXPECT_EQ(p.rest, rest) << testing::PrintToString(c.args);
  }
}

TEST(Options, FlagsSetTheirFieldAndTheLastOneWins) {
  EXPECT_EQ(parse({"-r"}).state.root_mode, 1);
  EXPECT_EQ(parse({"-root"}).state.root_mode, 1);
  EXPECT_EQ(parse({"--root"}).state.root_mode, 1);  // the screen saver's spelling
  EXPECT_EQ(parse({"-r", "-nr"}).state.root_mode, 0);
  EXPECT_EQ(parse({"-r", "-noroot"}).state.root_mode, 0);
  EXPECT_EQ(parse({"-q"}).state.quit_after_draw, 1);
  EXPECT_EQ(parse({"-quit", "-nq"}).state.quit_after_draw, 0);
  EXPECT_EQ(parse({"-q", "-noquit"}).state.quit_after_draw, 0);
  EXPECT_EQ(parse({"-nb"}).state.draw_mode, kDrawNoblur);
  EXPECT_EQ(parse({"-noblur"}).state.draw_mode, kDrawNoblur);
  EXPECT_EQ(parse({"-fill"}).state.draw_mode, kDrawFill);
  EXPECT_EQ(parse({"-fill", "-b"}).state.draw_mode, kDrawBlur);
  EXPECT_EQ(parse({"-nb", "-blur"}).state.draw_mode, kDrawBlur);
  // No abbreviations, no "=" forms, no grouping, case matters.
  for (const char* near_miss : {"-ro", "-root=1", "-rq", "-R", "-fil", "--r", "--quit"}) {
    Parsed p = parse({near_miss});
    EXPECT_EQ(p.state.root_mode, 0) << near_miss;
    EXPECT_EQ(p.state.quit_after_draw, 0) << near_miss;
    EXPECT_EQ(p.rest, (Args{"lumadrift", near_miss}));
  }
}

TEST(Options, StartIsWidenedWithItsSign) {
  EXPECT_EQ(parse({"-start", "-5"}).state.position, -5);
  EXPECT_EQ(parse({"-st", "2147483647"}).state.position, 2147483647);
  EXPECT_EQ(parse({"-st", "-2147483648"}).state.position, -2147483648LL);
}

TEST(Options, StringOptionsBorrowTheArgument) {
  Parsed p = parse({"-fn", "10x20", "-title", "Hello"});
  EXPECT_STREQ(p.state.font_name, "10x20");
  EXPECT_STREQ(p.state.title, "Hello");
  EXPECT_STREQ(parse({"-font", "fixed"}).state.font_name, "fixed");
  EXPECT_STREQ(parse({"-name", "N"}).state.title, "N");
  Parsed bare = parse({"-title"});
  EXPECT_STREQ(bare.state.title, "Lumadrift");
  EXPECT_EQ(bare.rest, Args{"lumadrift"});
}

TEST(Options, DoubleDashDropsEverythingAfterIt) {
  Parsed p = parse({"a", "--", "-r", "b"});
  EXPECT_EQ(p.rest, (Args{"lumadrift", "a"}));
  EXPECT_EQ(p.state.root_mode, 0);
  EXPECT_EQ(parse({"--"}).rest, Args{"lumadrift"});
}

TEST(Options, NonOptionsStayForTheToolkitAndTheMaterial) {
  EXPECT_EQ(parse({"--x"}).rest, (Args{"lumadrift", "--x"}));
  EXPECT_EQ(parse({"-"}).rest, (Args{"lumadrift", "-"}));
  Parsed p = parse({"-geometry", "200x100", "-r", "-fg", "red", "text"});
  EXPECT_EQ(p.rest, (Args{"lumadrift", "-geometry", "200x100", "-fg", "red", "text"}));
  EXPECT_EQ(p.state.root_mode, 1);
  // A toolkit option's value is scanned like any argument.
  Parsed q = parse({"-bg", "-r"});
  EXPECT_EQ(q.rest, (Args{"lumadrift", "-bg"}));
  EXPECT_EQ(q.state.root_mode, 1);
}

TEST(Options, RemoveArgumentShiftsTheRestDown) {
  char a[] = "p", b[] = "b", c[] = "c", d[] = "d";
  char* argv[] = {a, b, c, d, nullptr};
  int argc = 4;
  remove_argument(&argc, argv, 1);
  EXPECT_EQ(argc, 3);
  EXPECT_STREQ(argv[1], "c");
  EXPECT_STREQ(argv[2], "d");
  EXPECT_EQ(argv[3], d);  // left as it was
}

TEST(Options, ParseIntReadsLikeAtoiAndSaturates) {
  const struct {
    const char* text;
    int expected;
  } cases[] = {
      {"42", 42},
      {"  +7", 7},
      {"-0", 0},
      {"12abc", 12},
      {"abc", 0},
      {"", 0},
      {"- 3", 0},
      {"\t-15", -15},
      {"2147483647", 2147483647},
      {"2147483648", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"-2147483649", -2147483647 - 1},
      {"99999999999999999999999", 2147483647},
  };
  for (const auto& c : cases) EXPECT_EQ(parse_int(c.text), c.expected) << c.text;
}

// The usage text, line by line.
const char* const kUsageLines[] = {
    "",
    "\tLumadrift-1.1",
    "\tLetters fly to far, far, far away.",
    "",
    "\tDESCRIPTION",
    "",
    nullptr,  // the one-line description paragraph
    "",
    "\tSYNOPSIS",
    "",
    "\tlumadrift [parameter1] [parameter2] ...",
    "",
    nullptr,  // the paragraph on parameters
    "    You can send letters to Lumadrift through the standard input.",
    "",
    "\tOPTIONS",
    "",
    "(X-ToolKit Options)    -display, -geometry, -name, -font, -fg and -bg are available.",
    "--    End of options. Lumadrift ignores following options.",
    "-    Read letters from the standard input.",
    "-help, -h    Output this Message.",
    "-root, -r    Draw the picture on the root window of the display.",
    "-noroot, -nr    Open a new window and draw the picture on it. (Default)",
    "-quit, -q    Draw the picture and exit.",
    "-noquit, -nq    Lumadrift does not exit. (Default)",
    "-blur, -b    Letters fly to the farther, become the more blurred. (Default)",
    "-noblur, -nb    Letters do not become blurred.",
    "-fill    Fill all dots entirely.",
    "-source-width [x], -sw [x]    Specify the width of the source picture for a pixel.",
    "-width [x], -w [x]    Specify the width of the source picture for a letter. Default value "
    "is 40.",
    "-length-x [x], -lx [x]    Specify the length parameter of X-direction for drawing. Default "
    "value is same as the size of the source picture.",
    "-length-y [x], -ly [x]    Specify the length parameter of Y-direction for drawing. Default "
    "value is 100.",
    "-space [x], -sp [x]    Specify the space between lines. Default value is 1.",
    "-scroll [x], -sc [x]    Specify the speed and direction of the scroll. Default value is 1.",
    "-start [x], -st [x]    Specify the start point. Default value is 0.",
    "-wait [x], -wt [x]    Specify the wait time for a micro second. Default value is 0.",
    "",
    "\tKEY OPERATIONS",
    "",
    "[Up], [Down], [Right], [Left]    Change the length parameters for drawing.",
    "[a], [d]    Change the speed of the scroll.",
    "[p], [n], [PageUp], [PageDown]    Scroll the picture.",
    "[s]    Return to the start point.",
    "[q]    Quit.",
    "",
    "\tEXAMPLES",
    "",
    "% ls -l | lumadrift",
    "    - Lumadrift flies the output of ls.",
    "% echo \"This is Lumadrift.\" | lumadrift",
    "% lumadrift \"This is Lumadrift.\"",
    "    - Lumadrift flies \"This is Lumadrift.\".",
    "% echo \"is\" | lumadrift \"This\" - \"Lumadrift.\"",
    "    - Lumadrift flies \"This\", \"is\" and \"Lumadrift.\".",
    "% lumadrift sample.txt",
    "    - Lumadrift flies letters in a file \"sample.txt\".",
    "% lumadrift sample.xpm",
    "    - Lumadrift flies a pixmap \"sample.xpm\".",
    "% lumadrift \"This is Lumadrift.\" sample1.txt sample1.xpm sample2.txt sample2.xpm ...",
    "    - Lumadrift flies \"This is Lumadrift.\", flies letters in a file sample1.txt, flies a "
    "pixmap sample1.xpm, flies letters in a file sample2.txt, flies a pixmap sample2.xpm ...",
    "",
    "    If the head of letters is a Tab code or \"#center\", Lumadrift flies letters at the "
    "center of the screen.",
    "",
    "\tSEE ALSO",
    "\tX(1)",
    "",
};

std::vector<std::string> usage_lines() {
  std::vector<std::string> lines;
  std::string text = usage_text;
  size_t start = 0, end;
  while ((end = text.find('\n', start)) != std::string::npos) {
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  EXPECT_EQ(start, text.size()) << "the last line ends with a newline";
  return lines;
}

TEST(UsageText, HasEveryFixedLineInItsPlace) {
  std::vector<std::string> lines = usage_lines();
  const size_t fixed = sizeof kUsageLines / sizeof kUsageLines[0];
  ASSERT_GT(lines.size(), fixed);
  for (size_t i = 0; i < fixed; ++i) {
    if (kUsageLines[i]) {
      EXPECT_EQ(lines[i], kUsageLines[i]) << "line " << i + 1;
    } else {
      EXPECT_EQ(lines[i].rfind("    ", 0), 0u) << "line " << i + 1 << " is a paragraph";
      EXPECT_GT(lines[i].size(), 40u);
    }
  }
}

TEST(UsageText, ClosingSectionsHaveTheirShape) {
  std::vector<std::string> lines = usage_lines();
  const size_t fixed = sizeof kUsageLines / sizeof kUsageLines[0];
  ASSERT_GT(lines.size(), fixed);
  std::vector<std::string> tail(lines.begin() + fixed, lines.end());
  // Author heading and lines, blank, rights heading, blank, rights lines,
  // blank, one copying paragraph, blank.
  ASSERT_GE(tail.size(), 9u);
  EXPECT_EQ(tail.back(), "");
  EXPECT_EQ(tail[tail.size() - 2].rfind("    ", 0), 0u);
  EXPECT_EQ(tail[tail.size() - 3], "");
  EXPECT_EQ(tail[0][0], '\t');
  EXPECT_NE(tail[0].find("AUTHOR"), std::string::npos);
  EXPECT_NE(tail[1].find("The Lumadrift authors"), std::string::npos);
  for (const std::string& line : tail) {
    if (line.empty()) continue;
    EXPECT_TRUE(line[0] == '\t' || line.rfind("    ", 0) == 0) << line;
  }
  std::string text = usage_text;
  EXPECT_EQ(text.substr(text.size() - 2), "\n\n");
}

TEST(UsageText, HelpPrintsItWithoutADisplayAndExitsZero) {
  for (const char* help : {"-h", "-help"}) {
    Program p = start_program({"-x", "-r", help, "ignored"}, false, {"DISPLAY="});
    std::string out = read_all(p.stdout_fd);
    EXPECT_EQ(wait_program(&p, 20), 0) << help;
    EXPECT_EQ(out, usage_text) << help;
  }
}

}  // namespace
