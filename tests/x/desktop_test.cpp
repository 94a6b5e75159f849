// Root mode as a desktop runs it: the frames published for compositors
// (picom and xcompmgr, read from the screen Xvfb keeps in a file), the
// wallpaper -quit leaves, the signals that end a run and the wallpaper
// they put back, and one floor per monitor.
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include "support/shared_image.h"
#include "support/x_server.h"
#include "support/xwd_screen.h"

namespace {

constexpr std::uint32_t kPaper = 0xffffff;
constexpr std::uint32_t kInk = 0x000000;

bool request_failed = false;
int note_error(Display*, XErrorEvent*) {
  request_failed = true;
  return 0;
}

struct DesktopRun : testing::Test {
  XServer server;
  std::string fb_dir;

  void TearDown() override {
    stop_x_server(&server);
    if (!fb_dir.empty()) {
      EXPECT_EQ(std::system(("rm -rf " + fb_dir).c_str()), 0);
    }
  }
  // An Xvfb whose screen can be read back, under openbox.
  void start(const std::vector<std::string>& extra = {}, bool window_manager = true) {
    char dir[] = "/tmp/lumadrift-fb-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    fb_dir = dir;
    std::vector<std::string> args = {"-noreset", "-fbdir", fb_dir};
    args.insert(args.end(), extra.begin(), extra.end());
    ASSERT_TRUE(start_x_server(&server, args));
    if (window_manager) {
      ASSERT_TRUE(start_window_manager(&server));
    }
  }
  Display* d() { return server.display; }
  Window root() { return DefaultRootWindow(server.display); }

  Pixmap named(const char* property) {
    Atom atom = XInternAtom(d(), property, False);
    Atom type;
    int format;
    unsigned long items, after;
    unsigned char* data = nullptr;
    Pixmap p = None;
    if (XGetWindowProperty(d(), root(), atom, 0, 1, False, XA_PIXMAP, &type, &format, &items,
                           &after, &data) == Success &&
        type == XA_PIXMAP && items == 1) {
      p = *reinterpret_cast<Pixmap*>(data);
    }
    if (data) XFree(data);
    return p;
  }
  // The size of a pixmap, or 0 x 0 when there is none of that id.
  std::pair<unsigned, unsigned> pixmap_size(Pixmap p) {
    XSync(d(), False);
    request_failed = false;
    XErrorHandler previous = XSetErrorHandler(note_error);
    Window r;
    int x, y;
    unsigned w = 0, h = 0, b, depth;
    Status ok = XGetGeometry(d(), p, &r, &x, &y, &w, &h, &b, &depth);
    XSync(d(), False);
    XSetErrorHandler(previous);
    if (!ok || request_failed) return {0, 0};
    return {w, h};
  }
  ScreenImage screen() {
    ScreenImage image;
    EXPECT_TRUE(read_xwd_screen(fb_dir + "/Xvfb_screen0", &image));
    return image;
  }
  // The screen shows a frame: mostly paper, with ink on it.
  bool shows_frame() {
    ScreenImage s = screen();
    long pixels = static_cast<long>(s.width) * s.height;
    return s.count(kPaper) > pixels / 3 && s.count(kInk) > 100;
  }
  // The screen shows the crawl: a frame, and then another one.
  bool shows_crawl() {
    if (!wait_until([&] { return shows_frame(); }, 20)) return false;
    ScreenImage before = screen();
    return wait_until([&] { return shows_frame() && screen().pixels != before.pixels; }, 5);
  }
  // A compositing manager is at work once it holds the screen's selection.
  bool compositing() {
    return XGetSelectionOwner(d(), XInternAtom(d(), "_NET_WM_CM_S0", False)) != None;
  }
  void set_solid_wallpaper() {
    ASSERT_EQ(std::system("hsetroot -solid '#336699' >/dev/null 2>&1"), 0);
    ASSERT_NE(named("_XROOTPMAP_ID"), static_cast<Pixmap>(None));
  }
  std::uint32_t root_pixel(int x, int y) {
    XImage* image = XGetImage(d(), root(), x, y, 1, 1, AllPlanes, ZPixmap);
    std::uint32_t p = XGetPixel(image, 0, 0) & 0xffffff;
    XDestroyImage(image);
    return p;
  }
};

// Pixmaps held by clients that are gone (retained), as xrestop counts them:
// every client but the server's own (resource base 0) and this test's.
long retained_pixmaps() {
  FILE* out = popen("xrestop -b -m 1 2>/dev/null", "r");
  std::string text;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, out)) > 0) text.append(buffer, n);
  pclose(out);
  std::istringstream lines(text);
  std::string line;
  long total = 0;
  bool server_client = false;
  while (std::getline(lines, line)) {
    if (line.find("res_base") != std::string::npos) {
      server_client = line.find(": 0") != std::string::npos && line.find("0x") == std::string::npos;
    }
    size_t at = line.find("pixmaps       :");
    if (at != std::string::npos && !server_client) total += std::stol(line.substr(at + 15));
  }
  return total;
}

Program start_compositor(const std::string& name) {
  if (name == "picom") {
    return start_command({"picom", "--backend", "xrender", "--config", "/dev/null"});
  }
  return start_command({"xcompmgr"});
}

void stop(Program* p) {
  kill(p->pid, SIGTERM);
  wait_program(p, 10);
}

TEST_F(DesktopRun, CompositorsShowTheCrawlAlsoWhenRestarted) {
  start();
  for (const char* name : {"picom", "xcompmgr"}) {
    Program compositor = start_compositor(name);
    ASSERT_TRUE(wait_until([&] { return compositing(); }, 20)) << name;
    Program p = start_program({"-root", "-start", "200"});
    EXPECT_TRUE(shows_crawl()) << name;
    stop(&compositor);
    compositor = start_compositor(name);
    ASSERT_TRUE(wait_until([&] { return compositing(); }, 20)) << name << ", started again";
    EXPECT_TRUE(shows_crawl()) << name << ", started again";
    kill(p.pid, SIGTERM);
    EXPECT_EQ(wait_program(&p, 10), 0);
    stop(&compositor);
  }
}

TEST_F(DesktopRun, ThePublishedPixmapIsNeverDrawnIntoWhileNamed) {
  start();
  std::string text = fb_dir + "/long.txt";
  {
    std::ofstream out(text);
    for (int i = 0; i < 8000; ++i) out << "Line " << i << " of a long text, filled in deep\n";
  }
  Program compositor = start_compositor("picom");
  // A negative line space keeps fill mode on the slow walk of every row.
  Program p = start_program({"-root", "-fill", "-space", "-1", "-start", "120000", text});
  ASSERT_TRUE(wait_until([&] { return named("_XROOTPMAP_ID") != None; }, 30));
  // A sample counts when no change of the property came in while it was
  // taken: the pixmap was named all the while, and must not have changed.
  Atom xrootpmap = XInternAtom(d(), "_XROOTPMAP_ID", False);
  XSelectInput(d(), root(), PropertyChangeMask);
  auto renamed = [&] {
    XSync(d(), False);
    bool seen_change = false;
    XEvent e;
    while (XCheckTypedWindowEvent(d(), root(), PropertyNotify, &e)) {
      seen_change |= e.xproperty.atom == xrootpmap;
    }
    return seen_change;
  };
  int checked = 0;
  std::vector<Pixmap> seen;
  SharedImage first_view(d(), 1024, 768), second_view(d(), 1024, 768);
  // At least 80 samples, and on until both pixmaps have been named: a frame
  // of fill this deep may take longer than the 80 samples do.
  int i = 0;
  for (double end = now_seconds() + 60; i < 80 || (seen.size() < 2 && now_seconds() < end); ++i) {
    renamed();
    Pixmap before = named("_XROOTPMAP_ID");
    XImage* first = first_view.read(before);
    sleep_seconds(0.01);
    XImage* second = second_view.read(before);
    ASSERT_TRUE(first && second) << "sample " << i;
    if (!renamed()) {
      ++checked;
      EXPECT_EQ(std::memcmp(first->data, second->data, first->bytes_per_line * 768), 0)
          << "sample " << i;
    }
    if (std::find(seen.begin(), seen.end(), before) == seen.end()) seen.push_back(before);
  }
  std::printf("%d of %d samples taken while one pixmap was named\n", checked, i);
  EXPECT_GE(checked, 15);
  EXPECT_EQ(seen.size(), 2u);  // two pixmaps in turn
  kill(p.pid, SIGTERM);
  EXPECT_EQ(wait_program(&p, 10), 0);
  stop(&compositor);
}

TEST_F(DesktopRun, QuitLeavesOneRetainedWallpaperThatACompositorStartedLaterShows) {
  start({}, false);
  set_solid_wallpaper();
  for (int run = 0; run < 15; ++run) {
    Program p = start_program({"-root", "-quit", "-start", std::to_string(100 + 20 * run)});
    ASSERT_EQ(wait_program(&p, 30), 0);
    Pixmap left = named("_XROOTPMAP_ID");
    EXPECT_EQ(named("ESETROOT_PMAP_ID"), left);
    EXPECT_EQ(pixmap_size(left), std::make_pair(1024u, 768u)) << "run " << run;
  }
  EXPECT_LE(retained_pixmaps(), 1);
  ASSERT_TRUE(start_window_manager(&server));
  Program compositor = start_compositor("xcompmgr");
  EXPECT_TRUE(wait_until([&] { return shows_frame(); }, 10));
  stop(&compositor);
}

TEST_F(DesktopRun, SignalsEndARunWithStatusZeroAndPutTheWallpaperBack) {
  start({}, false);
  const struct {
    int signal;
    std::vector<std::string> args;
  } cases[] = {
      {SIGTERM, {"-root"}},
      {SIGHUP, {"-root"}},
      {SIGINT, {"-root", "-noblur"}},
      {SIGTERM, {"-root", "-scroll", "0"}},  // asleep between frames
  };
  for (const auto& c : cases) {
    set_solid_wallpaper();
    Pixmap wallpaper = named("_XROOTPMAP_ID");
    Program p = start_program(c.args);
    ASSERT_TRUE(wait_until([&] { return named("_XROOTPMAP_ID") != wallpaper; }, 30));
    sleep_seconds(0.3);
    kill(p.pid, c.signal);
    double sent = now_seconds();
    EXPECT_EQ(wait_program(&p, 10), 0) << strsignal(c.signal);
    // Well within the five seconds that an idle root mode sleeps.
    EXPECT_LT(now_seconds() - sent, 2.0) << strsignal(c.signal);
    EXPECT_EQ(named("_XROOTPMAP_ID"), wallpaper);
    EXPECT_EQ(named("ESETROOT_PMAP_ID"), wallpaper);
    EXPECT_EQ(root_pixel(10, 10), 0x336699u);
    EXPECT_EQ(root_pixel(1000, 700), 0x336699u);
  }

  // A wallpaper named but gone: no property is left naming it.
  Pixmap gone = XCreatePixmap(d(), root(), 8, 8, 24);
  for (const char* property : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"}) {
    XChangeProperty(d(), root(), XInternAtom(d(), property, False), XA_PIXMAP, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&gone), 1);
  }
  XFreePixmap(d(), gone);
  XSync(d(), False);
  Program p = start_program({"-root"});
  ASSERT_TRUE(wait_until([&] { return named("_XROOTPMAP_ID") != gone; }, 30));
  kill(p.pid, SIGTERM);
  EXPECT_EQ(wait_program(&p, 10), 0);
  EXPECT_EQ(named("_XROOTPMAP_ID"), static_cast<Pixmap>(None));
  EXPECT_EQ(named("ESETROOT_PMAP_ID"), static_cast<Pixmap>(None));

  // A window takes the signal as well, and sets no property.
  Program window = start_program({"-title", "Signalled"});
  ASSERT_NE(find_window(d(), "Signalled", 30), static_cast<Window>(None));
  kill(window.pid, SIGTERM);
  EXPECT_EQ(wait_program(&window, 10), 0);
  EXPECT_EQ(named("_XROOTPMAP_ID"), static_cast<Pixmap>(None));
}

TEST_F(DesktopRun, EachMonitorHasAFloorOfItsOwnAndResizesAreFollowed) {
  start({"-screen", "0", "1600x600x24"}, false);
  auto xrandr = [](const std::string& args) {
    ASSERT_EQ(std::system(("xrandr " + args + " >/dev/null 2>&1").c_str()), 0) << args;
  };
  auto frame = [&](const std::vector<std::string>& args) {
    std::vector<std::string> all = {"-root", "-quit", "-start", "300"};
    all.insert(all.end(), args.begin(), args.end());
    Program p = start_program(all);
    EXPECT_EQ(wait_program(&p, 30), 0);
    return screen();
  };
  auto same_area = [](const ScreenImage& s, int x0, int x1, int width) {
    for (int y = 0; y < s.height; ++y) {
      for (int x = 0; x < width; ++x) {
        if (s.at(x0 + x, y) != s.at(x1 + x, y)) return false;
      }
    }
    return true;
  };
  xrandr("--setmonitor L 800/200x600/150+0+0 screen");
  xrandr("--setmonitor R 800/200x600/150+800+0 none");
  ScreenImage equal = frame({});
  EXPECT_TRUE(same_area(equal, 0, 800, 800));
  EXPECT_GT(equal.count(kInk), 1000);
  ScreenImage spanned = frame({"-xrm", "*spanMonitors: true"});
  EXPECT_FALSE(same_area(spanned, 0, 800, 800));

  xrandr("--delmonitor R");
  xrandr("--setmonitor R 500/120x400/100+1000+100 none");
  ScreenImage unequal = frame({});
  long ink_in_r = 0, ink_outside = 0;
  for (int y = 0; y < 600; ++y) {
    for (int x = 800; x < 1600; ++x) {
      bool in_r = x >= 1000 && x < 1500 && y >= 100 && y < 500;
      if (unequal.at(x, y) != kPaper) ++(in_r ? ink_in_r : ink_outside);
    }
  }
  EXPECT_GT(ink_in_r, 500);
  EXPECT_EQ(ink_outside, 0);

  // A live run follows the screen down to 1000 x 600 within a second.
  Program p = start_program({"-root"});
  ASSERT_TRUE(wait_until([&] { return named("_XROOTPMAP_ID") != None; }, 30));
  EXPECT_EQ(pixmap_size(named("_XROOTPMAP_ID")), std::make_pair(1600u, 600u));
  xrandr("--newmode 1000x600 48.00 1000 1040 1136 1272 600 603 613 630");
  xrandr("--addmode screen 1000x600");
  xrandr("--output screen --mode 1000x600 --fb 1000x600");
  EXPECT_TRUE(wait_until(
      [&] { return pixmap_size(named("_XROOTPMAP_ID")) == std::make_pair(1000u, 600u); }, 5));
  kill(p.pid, SIGTERM);
  EXPECT_EQ(wait_program(&p, 10), 0);
}

// An output split in halves with `none`: RandR still lists the output's own
// monitor over both, and the halves, not it, get the floors.
TEST_F(DesktopRun, ASplitOutputShowsAFloorOnEachHalfAndNoneOnTheSeam) {
  start({"-screen", "0", "1600x600x24"}, false);
  for (const char* half : {"L 800/200x600/150+0+0", "R 800/200x600/150+800+0"}) {
    std::string command = std::string("xrandr --setmonitor ") + half + " none >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }
  FILE* listed = popen("xrandr --listmonitors", "r");
  char first_line[64] = {};
  ASSERT_NE(fgets(first_line, sizeof first_line, listed), nullptr);
  pclose(listed);
  ASSERT_STREQ(first_line, "Monitors: 3\n");

  Program p = start_program({"-root", "-quit", "-start", "300"});
  ASSERT_EQ(wait_program(&p, 30), 0);
  ScreenImage s = screen();
  long differing = 0, ink = 0;
  for (int y = 0; y < 600; ++y) {
    for (int x = 0; x < 800; ++x) {
      differing += s.at(x, y) != s.at(x + 800, y);
      ink += s.at(x, y) == kInk;
    }
  }
  EXPECT_EQ(differing, 0);
  EXPECT_GT(ink, 1000);
}

}  // namespace
