// Text in a UTF-8 locale against a private Xvfb: Latin text flies exactly as
// the same text in ISO-8859-1 under the C locale, bytes that are not UTF-8
// included, and the title also reaches the window manager's UTF-8 names.
#include "support/app_fixture.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xutil.h>

namespace {

constexpr int kScreenWidth = 1024, kScreenHeight = 768;  // the tests' Xvfb

struct RootFrames : testing::Test {
  XServer server;
  std::string dir;
  void SetUp() override {
    // -noreset: the root keeps its last frame when the program has gone.
    ASSERT_TRUE(start_x_server(&server, {"-noreset"}));
    char name[] = "/tmp/lumadrift-charsets-XXXXXX";
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
  // The frame a run in this locale leaves on the root window.
  std::vector<char> frame(const std::string& locale, const std::string& file) {
    Program p =
        start_program({"-root", "-quit", "-start", "120", file}, false, {"LC_ALL=" + locale});
    EXPECT_EQ(wait_program(&p, 60), 0);
    XImage* image = XGetImage(server.display, DefaultRootWindow(server.display), 0, 0, kScreenWidth,
                              kScreenHeight, AllPlanes, ZPixmap);
    std::vector<char> pixels(image->data, image->data + image->bytes_per_line * image->height);
    XDestroyImage(image);
    return pixels;
  }
};

TEST_F(RootFrames, LatinTextInAUtf8LocaleFliesAsIso8859InTheCLocale) {
  // Letters, a centred line, backspace, an escape sequence and C1 codes.
  std::string latin1 =
      "Gr\xfc\xdf"
      "e aus K\xf6ln, na\xefve caf\xe9\n"
      "\t\xa1Se\xf1or \xc6gir!\n"
      "ab\xe9\bc\x1b[1mX \xff\xfe\x80\x9f\n";
  std::string utf8 =
      "Gr\xc3\xbc\xc3\x9f"
      "e aus K\xc3\xb6ln, na\xc3\xafve caf\xc3\xa9\n"
      "\t\xc2\xa1Se\xc3\xb1or \xc3\x86gir!\n"
      "ab\xc3\xa9\bc\x1b[1mX \xc3\xbf\xc3\xbe\xc2\x80\xc2\x9f\n";
  std::string latin1_file = write_file("latin1.txt", latin1);
  std::string utf8_file = write_file("utf8.txt", utf8);
  std::vector<char> want = frame("C", latin1_file);
  EXPECT_TRUE(frame("C.UTF-8", utf8_file) == want) << "UTF-8 text";
  EXPECT_TRUE(frame("C.UTF-8", latin1_file) == want) << "ISO-8859-1 bytes in UTF-8";
  EXPECT_FALSE(frame("C", utf8_file) == want) << "the C locale reads bytes";
}

struct Titles : AppFixture {
  // The property's value when it is a UTF8_STRING of 8-bit items.
  std::string utf8_property(const char* name) {
    Display* d = server.display;
    Atom type = None;
    int format = 0;
    unsigned long items = 0, left = 0;
    unsigned char* value = nullptr;
    XGetWindowProperty(d, state.base_window, XInternAtom(d, name, False), 0, 1024, False,
                       AnyPropertyType, &type, &format, &items, &left, &value);
    std::string text;
    if (type == XInternAtom(d, "UTF8_STRING", False) && format == 8 && value) {
      text.assign(reinterpret_cast<char*>(value), items);
    }
    if (value) XFree(value);
    return text;
  }
};

TEST_F(Titles, AUtf8LocaleAlsoSetsTheUtf8Names) {
  setenv("LC_ALL", "C.UTF-8", 1);
  // UTF-8 with one byte of ISO-8859-1 in it.
  const std::string title =
      "Gr\xc3\xbc\xc3\x9f"
      "e \xce\xb1 caf\xe9";
  start_app({"-title", title});
  EXPECT_EQ(utf8_property("_NET_WM_NAME"),
            "Gr\xc3\xbc\xc3\x9f"
            "e \xce\xb1 caf\xc3\xa9");
  EXPECT_EQ(utf8_property("_NET_WM_ICON_NAME"), utf8_property("_NET_WM_NAME"));
  EXPECT_EQ(property_text(state.base_window, false), title);  // the legacy names, as given
  EXPECT_EQ(property_text(state.base_window, true), title);
}

TEST_F(Titles, TheCLocaleSetsOnlyTheLegacyNames) {
  start_app({"-title", "caf\xe9"});
  EXPECT_EQ(utf8_property("_NET_WM_NAME"), "");
  EXPECT_EQ(utf8_property("_NET_WM_ICON_NAME"), "");
  EXPECT_EQ(property_text(state.base_window, false), "caf\xe9");
}

}  // namespace
