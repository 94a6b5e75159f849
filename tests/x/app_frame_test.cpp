// The application frame in this process, against a private Xvfb: set-up in
// both modes, the derived sizes, real key events, resizing and the frame step.
// GoogleTest first: Xlib's macros (None, Bool) would break its headers.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <X11/Shell.h>
#include <X11/StringDefs.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <X11/extensions/XTest.h>

#include "app_state.h"
#include "app/display_setup.h"
#include "app/events.h"
#include "app/frame_loop.h"
#include "content/display_list.h"
#include "support/app_fixture.h"
#include "support/x_server.h"

namespace {

using Args = std::vector<std::string>;

using AppFrame = AppFixture;

TEST_F(AppFrame, WindowModeOpensANamedWindowWithProtocolAndIcon) {
  start_app({"-title", "Flying letters"});
  Display* d = server.display;
  wait_mapped();
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(d, state.base_window, &a));
  EXPECT_EQ(a.width, 640);
  EXPECT_EQ(a.height, 480);
  EXPECT_EQ(state.width, 640);
  EXPECT_EQ(state.height, 480);
  ASSERT_TRUE(XGetWindowAttributes(d, state.view_window, &a));
  EXPECT_EQ(a.width, 640);
  EXPECT_EQ(a.height, 480);
  EXPECT_EQ(state.depth, DefaultDepth(d, DefaultScreen(d)));

  EXPECT_EQ(property_text(state.base_window, false), "Flying letters");
  EXPECT_EQ(property_text(state.base_window, true), "Flying letters");

  Atom* protocols = nullptr;
  int count = 0;
  ASSERT_TRUE(XGetWMProtocols(d, state.base_window, &protocols, &count));
  ASSERT_EQ(count, 1);
  EXPECT_EQ(protocols[0], XInternAtom(d, "WM_DELETE_WINDOW", False));
  XFree(protocols);

  // The icon hint replaced the input hint: it stands alone.
  XWMHints* hints = XGetWMHints(d, state.base_window);
  ASSERT_NE(hints, nullptr);
  EXPECT_EQ(hints->flags, IconPixmapHint);
  Window root;
  int x, y;
  unsigned int w, h, border, depth;
  ASSERT_TRUE(XGetGeometry(d, hints->icon_pixmap, &root, &x, &y, &w, &h, &border, &depth));
  EXPECT_EQ(w, 48u);
  EXPECT_EQ(h, 48u);
  XFree(hints);
}

TEST_F(AppFrame, DefaultNameIsLumadrift) {
  start_app({});
  EXPECT_EQ(property_text(state.base_window, false), "Lumadrift");
  EXPECT_EQ(property_text(state.base_window, true), "Lumadrift");
  EXPECT_EQ(argc, 1);  // the toolkit took -display
}

// In a UTF-8 locale the title goes to the UTF-8 names as UTF-8, its bytes
// that are not UTF-8 taken as ISO-8859-1, and to the legacy names in
// STRING where ISO-8859-1 holds it, else in COMPOUND_TEXT; either reads
// back as the same characters. The window also names its process and host.
TEST_F(AppFrame, AUtf8LocaleNamesTheWindowInEveryEncoding) {
  setenv("LC_ALL", "C.UTF-8", 1);
  const struct {
    std::string title, utf8;
    const char* encoding;
  } cases[] = {
      {"Gr\xc3\xbc\xc3\x9f"
       "e",
       "Gr\xc3\xbc\xc3\x9f"
       "e",
       "STRING"},
      {"caf\xe9 \xce\xb1", "caf\xc3\xa9 \xce\xb1", "COMPOUND_TEXT"},
      {"\xe6\x97\xa5\xe6\x9c\xac", "\xe6\x97\xa5\xe6\x9c\xac", "COMPOUND_TEXT"},
  };
  Display* d = server.display;
  for (const auto& c : cases) {
    AppState probe{};
    Arguments args;
    start_app_on(server.display_name, {"-title", c.title}, &args, &probe);
    for (const char* name : {"_NET_WM_NAME", "_NET_WM_ICON_NAME"}) {
      Atom type = None;
      int format = 0;
      unsigned long items = 0, left = 0;
      unsigned char* value = nullptr;
      XGetWindowProperty(d, probe.base_window, XInternAtom(d, name, False), 0, 1024, False,
                         AnyPropertyType, &type, &format, &items, &left, &value);
      ASSERT_NE(value, nullptr) << name;
      EXPECT_EQ(type, XInternAtom(d, "UTF8_STRING", False)) << name;
      EXPECT_EQ(std::string(reinterpret_cast<char*>(value), items), c.utf8) << name;
      XFree(value);
    }
    for (Atom property : {XA_WM_NAME, XA_WM_ICON_NAME}) {
      XTextProperty text{};
      ASSERT_TRUE(XGetTextProperty(d, probe.base_window, &text, property)) << c.utf8;
      EXPECT_EQ(text.encoding, XInternAtom(d, c.encoding, False)) << c.utf8;
      char** list = nullptr;
      int count = 0;
      ASSERT_EQ(Xutf8TextPropertyToTextList(d, &text, &list, &count), Success) << c.utf8;
      ASSERT_EQ(count, 1);
      EXPECT_EQ(std::string(list[0]), c.utf8);
      XFreeStringList(list);
      XFree(text.value);
    }
    release_app(&probe);
  }
}

TEST_F(AppFrame, TheWindowNamesItsProcessAndHost) {
  start_app({});
  Display* d = server.display;
  Atom type = None;
  int format = 0;
  unsigned long items = 0, left = 0;
  unsigned char* value = nullptr;
  XGetWindowProperty(d, state.base_window, XInternAtom(d, "_NET_WM_PID", False), 0, 1, False,
                     XA_CARDINAL, &type, &format, &items, &left, &value);
  ASSERT_NE(value, nullptr);
  ASSERT_EQ(items, 1u);
  EXPECT_EQ(*reinterpret_cast<long*>(value), getpid());
  XFree(value);
  char host[256] = "";
  gethostname(host, sizeof host - 1);
  XTextProperty machine{};
  ASSERT_TRUE(XGetWMClientMachine(d, state.base_window, &machine));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(machine.value), machine.nitems), host);
  XFree(machine.value);
}

TEST_F(AppFrame, ToolkitOptionsActAndLeaveOnlyTheMaterial) {
  start_app({"-geometry", "300x200", "-bg", "blue", "-fg", "red", "text"});
  EXPECT_EQ(argc, 2);
  EXPECT_STREQ(argv[1], "text");
  EXPECT_EQ(state.width, 300);
  EXPECT_EQ(state.height, 200);
  EXPECT_EQ(state.foreground, 0xff0000u);
  EXPECT_EQ(state.background, 0x0000ffu);
}

// The toolkit starts once per process, so each case runs in a child.
TEST_F(AppFrame, SourceWidthAndLengthXAreDerived) {
  const struct {
    Args args;
    int source_width, length_x;
  } cases[] = {
      {{}, 320, 320},
      {{"-w", "10"}, 80, 80},
      {{"-sw", "500"}, 500, 500},
      {{"-sw", "500", "-fn", "10x20"}, 500, 500},
      {{"-lx", "50"}, 320, 50},
      {{"-lx", "0"}, 320, 320},
      {{"-lx", "-5", "-w", "10"}, 80, 80},
      {{"-fn", "10x20"}, 400, 400},
      {{"-sw", "-7"}, -7, -7},
  };
  for (const auto& c : cases) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    pid_t pid = fork();
    if (pid == 0) {
      start_app(c.args);
      int sizes[2] = {state.source_width, state.length_x};
      _exit(write(fds[1], sizes, sizeof sizes) == sizeof sizes ? 0 : 1);
    }
    close(fds[1]);
    int sizes[2] = {0, 0};
    EXPECT_EQ(read(fds[0], sizes, sizeof sizes), static_cast<ssize_t>(sizeof sizes));
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    EXPECT_EQ(sizes[0], c.source_width) << testing::PrintToString(c.args);
    EXPECT_EQ(sizes[1], c.length_x) << testing::PrintToString(c.args);
  }
}

TEST_F(AppFrame, ProportionalFontUsesTheMeanOfItsNarrowestAndWidest) {
  // The cursor font is one of the core fonts whose glyphs differ in width.
  start_app({"-fn", "cursor", "-w", "40"});
  short narrow = state.font_info->min_bounds.width;
  short wide = state.font_info->max_bounds.width;
  ASSERT_NE(narrow, wide);
  EXPECT_EQ(state.source_width, (narrow + wide) / 2 * 40);
}

TEST_F(AppFrame, RootModeDrawsOnTheRootWindowAtScreenSize) {
  start_app({"-r", "-geometry", "300x200"});
  EXPECT_EQ(state.base_window, state.root_window);
  EXPECT_EQ(state.view_window, state.root_window);
  EXPECT_EQ(state.width, 1024);
  EXPECT_EQ(state.height, 768);
  EXPECT_FALSE(XtIsRealized(state.toplevel));
  EXPECT_EQ(state.icon_pixmap, static_cast<Pixmap>(None));
  EXPECT_EQ(state.wm_delete_window, static_cast<Atom>(None));
  Window root;
  int x, y;
  unsigned int w, h, border, depth;
  ASSERT_TRUE(
      XGetGeometry(server.display, state.frame_pixmap, &root, &x, &y, &w, &h, &border, &depth));
  EXPECT_EQ(w, 1024u);
  EXPECT_EQ(h, 768u);
  char* name = nullptr;
  EXPECT_FALSE(XFetchName(server.display, state.root_window, &name) && name);
}

struct KeyCase {
  KeySym key;
  int scroll_step, length_x, length_y;
  long long position;
};

// Every key of the table, pressed for real, with the pointer inside the
// canvas and outside the window.
void check_keys(AppFrame* f) {
  AppState& s = f->state;
  s.scroll_step = 1;
  s.length_x = 2;
  s.length_y = 2;
  s.position = 3;
  const KeyCase steps[] = {
      {XK_a, 2, 2, 2, 3},     {XK_d, 1, 2, 2, 3},  {XK_d, 0, 2, 2, 3},    {XK_d, -1, 2, 2, 3},
      {XK_a, 0, 2, 2, 3},     {XK_n, 0, 2, 2, 4},  {XK_p, 0, 2, 2, 3},    {XK_Prior, 0, 2, 2, -7},
      {XK_Next, 0, 2, 2, 3},  {XK_s, 0, 2, 2, 0},  {XK_Left, 0, 1, 2, 0}, {XK_Left, 0, 1, 2, 0},
      {XK_Right, 0, 2, 2, 0}, {XK_Up, 0, 2, 1, 0}, {XK_Up, 0, 2, 1, 0},   {XK_Down, 0, 2, 2, 0},
      {XK_x, 0, 2, 2, 0},
  };
  for (const KeyCase& k : steps) {
    s.redraw = 0;
    press_key(f->server.display, k.key);
    ASSERT_TRUE(f->pump_until([&] { return s.redraw == 1; })) << "no redraw for key " << k.key;
    EXPECT_EQ(s.scroll_step, k.scroll_step) << k.key;
    EXPECT_EQ(s.length_x, k.length_x) << k.key;
    EXPECT_EQ(s.length_y, k.length_y) << k.key;
    EXPECT_EQ(s.position, k.position) << k.key;
  }
  // Shift makes no difference: Shift+A acts as a.
  s.redraw = 0;
  Display* d = f->server.display;
  XTestFakeKeyEvent(d, XKeysymToKeycode(d, XK_Shift_L), True, CurrentTime);
  press_key(d, XK_a);
  XTestFakeKeyEvent(d, XKeysymToKeycode(d, XK_Shift_L), False, CurrentTime);
  XSync(d, False);
  ASSERT_TRUE(f->pump_until([&] { return s.redraw == 1; }));
  EXPECT_EQ(s.scroll_step, 1);
}

TEST_F(AppFrame, KeysReachTheHandlerWithThePointerOnTheCanvas) {
  ASSERT_TRUE(start_window_manager(&server));
  start_app({});
  wait_mapped();
  Window child;
  int x, y;
  XTranslateCoordinates(server.display, state.view_window, DefaultRootWindow(server.display), 320,
                        240, &x, &y, &child);
  XTestFakeMotionEvent(server.display, -1, x, y, CurrentTime);
  XSetInputFocus(server.display, state.base_window, RevertToParent, CurrentTime);
  check_keys(this);
}

TEST_F(AppFrame, KeysReachTheHandlerWithThePointerOutside) {
  ASSERT_TRUE(start_window_manager(&server));
  start_app({"-geometry", "200x100+0+0"});
  wait_mapped();
  XTestFakeMotionEvent(server.display, -1, 1000, 700, CurrentTime);
  XSetInputFocus(server.display, state.base_window, RevertToParent, CurrentTime);
  check_keys(this);
}

TEST_F(AppFrame, ResizeAndMoveRemakeTheFramePixmap) {
  ASSERT_TRUE(start_window_manager(&server));
  start_app({});
  wait_mapped();
  pump();
  Display* d = server.display;

  Pixmap before = state.frame_pixmap;
  state.redraw = 0;
  XResizeWindow(d, state.base_window, 400, 300);
  XSync(d, False);
  ASSERT_TRUE(pump_until([&] { return state.width == 400 && state.height == 300; }))
      << state.width << "x" << state.height;
  EXPECT_NE(state.frame_pixmap, before);
  EXPECT_EQ(state.redraw, 1);
  Window root;
  int x, y;
  unsigned int w, h, border, depth;
  ASSERT_TRUE(XGetGeometry(d, state.frame_pixmap, &root, &x, &y, &w, &h, &border, &depth));
  EXPECT_EQ(w, 400u);
  EXPECT_EQ(h, 300u);
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(d, state.view_window, &a));
  EXPECT_EQ(a.width, 400);
  EXPECT_EQ(a.height, 300);

  // A pure move keeps the size but still makes a new pixmap and redraws.
  pump();
  before = state.frame_pixmap;
  state.redraw = 0;
  XMoveWindow(d, state.base_window, 37, 41);
  XSync(d, False);
  ASSERT_TRUE(pump_until([&] { return state.frame_pixmap != before; }));
  EXPECT_EQ(state.width, 400);
  EXPECT_EQ(state.redraw, 1);
}

TEST_F(AppFrame, FrameStepDrawsShowsAndAdvances) {
  start_app({"-sc", "3", "-st", "10"});
  state.pens = new_pen_cache();
  state.segments = new_segment_list();
  wait_mapped();

  EXPECT_FALSE(frame_step(&state));
  EXPECT_EQ(state.position, 13);  // the frame showed 10, then the advance
  EXPECT_EQ(state.redraw, 1);     // a moving scroll asks for the next frame

  // The window shows the frame: the whole canvas in the paper colour.
  pump();
  XImage* image = XGetImage(server.display, state.view_window, 0, 0, 640, 480, AllPlanes, ZPixmap);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(XGetPixel(image, 0, 0), state.background);
  EXPECT_EQ(XGetPixel(image, 639, 479), state.background);
  XDestroyImage(image);
}

TEST_F(AppFrame, FrameStepWithoutScrollDrawsOnceThenIdles) {
  start_app({"-sc", "0", "-wt", "-1"});
  state.pens = new_pen_cache();
  state.segments = new_segment_list();
  frame_step(&state);
  EXPECT_EQ(state.redraw, 0);
  EXPECT_EQ(state.position, 0);
  // The idle path with a negative wait: a short sleep, not over an hour.
  double start = now_seconds();
  frame_step(&state);
  EXPECT_LT(now_seconds() - start, 5.0);
  EXPECT_EQ(state.redraw, 0);
}

TEST_F(AppFrame, PensAreOnePerPixelInRecentlyUsedOrder) {
  start_app({});
  state.pens = new_pen_cache();
  Pen* a = pen_for_pixel(&state, 0xA);
  EXPECT_EQ(pen_for_pixel(&state, 0xA), a);
  Pen* b = pen_for_pixel(&state, 0xB);
  pen_for_pixel(&state, 0xC);
  EXPECT_EQ(pen_for_pixel(&state, 0xB), b);
  std::vector<unsigned long> order;
  for (Pen* p = state.pens->head; p; p = p->next) order.push_back(p->pixel);
  EXPECT_EQ(order, (std::vector<unsigned long>{0xB, 0xC, 0xA}));
  EXPECT_EQ(state.pens->tail, a);
  // Every pen's GC draws its pixel.
  XGCValues values;
  ASSERT_TRUE(XGetGCValues(state.display, b->gc,
                           GCForeground | GCFillRule | GCLineWidth | GCCapStyle, &values));
  EXPECT_EQ(values.foreground, 0xBu);
  EXPECT_EQ(values.fill_rule, WindingRule);
  EXPECT_EQ(values.line_width, 0);
  EXPECT_EQ(values.cap_style, CapNotLast);
  free_pen_cache(state.display, state.pens);
  state.pens = nullptr;
}

TEST_F(AppFrame, ProbedPixelsAreTheWidgetColours) {
  start_app({});
  probe_pixels(&state);
  EXPECT_EQ(state.ink_pixel, state.foreground);
  EXPECT_EQ(state.paper_pixel, state.background);
  EXPECT_NE(state.ink_pixel, state.paper_pixel);
}

TEST_F(AppFrame, ProbedPixelsFollowFgAndBg) {
  start_app({"-fg", "#123456", "-bg", "#654321"});
  probe_pixels(&state);
  EXPECT_EQ(state.ink_pixel, 0x123456u);
  EXPECT_EQ(state.paper_pixel, 0x654321u);
}

TEST_F(AppFrame, EqualColoursGiveOnePen) {
  start_app({"-fg", "green", "-bg", "green"});
  probe_pixels(&state);
  EXPECT_EQ(state.ink_pixel, state.paper_pixel);
  state.pens = new_pen_cache();
  EXPECT_EQ(pen_for_pixel(&state, state.ink_pixel), pen_for_pixel(&state, state.paper_pixel));
  free_pen_cache(state.display, state.pens);
  state.pens = nullptr;
}

}  // namespace
