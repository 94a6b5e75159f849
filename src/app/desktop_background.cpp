// Root mode on the root window itself: floors per monitor, painting only
// what changed, two published pixmaps in turn, and what is left behind on
// leaving. See desktop_background.h for the whole picture.
#include "app/desktop_background.h"

#include <X11/StringDefs.h>
#include <X11/Xatom.h>

#include <algorithm>

#include "app_state.h"
#include "app/display_rate.h"
#include "app/monitors.h"
#include "app/x_errors.h"

namespace {

constexpr int kBandRows = 8;                           // rows per painted band
constexpr std::int64_t kMonitorCheckNs = 500'000'000;  // between looks at the monitors

struct DesktopResources {
  Boolean span_monitors;
};

XtResource desktop_resources[] = {
    {const_cast<char*>("spanMonitors"), const_cast<char*>("SpanMonitors"),
     const_cast<char*>(XtRBoolean), sizeof(Boolean), XtOffsetOf(DesktopResources, span_monitors),
     const_cast<char*>(XtRImmediate), reinterpret_cast<XtPointer>(False)},
};

// The pixmap a wallpaper property names, None when unset or malformed.
Pixmap named_pixmap(Display* display, Window root, Atom property) {
  Atom type = None;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  Pixmap named = None;
  if (XGetWindowProperty(display, root, property, 0, 1, False, XA_PIXMAP, &type, &format, &items,
                         &after, &data) == Success &&
      type == XA_PIXMAP && format == 32 && items == 1) {
    named = *reinterpret_cast<Pixmap*>(data);
  }
  if (data) XFree(data);
  return named;
}

bool pixmap_exists(Display* display, Pixmap pixmap) {
  if (pixmap == None) return false;
  Status status = 0;
  bool answered = without_fatal_errors(display, [&] {
    Window root;
    int x, y;
    unsigned width, height, border, depth;
    status = XGetGeometry(display, pixmap, &root, &x, &y, &width, &height, &border, &depth);
  });
  return answered && status != 0;
}

void name_wallpaper(Display* display, Window root, Atom property, Pixmap pixmap) {
  XChangeProperty(display, root, property, XA_PIXMAP, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&pixmap), 1);
}

// The root's size; the screen's record in Xlib may be older.
void root_size(Display* display, Window root, int* width, int* height) {
  Window r;
  int x, y;
  unsigned w = 1, h = 1, border, depth;
  XGetGeometry(display, root, &r, &x, &y, &w, &h, &border, &depth);
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
}

MonitorLayout current_layout(AppState* s) {
  int width, height;
  root_size(s->display, s->root_window, &width, &height);
  return layout_monitors(width, height, query_monitors(s->display, s->root_window),
                         s->desktop->span_monitors);
}

// Floors for `layout`: a pixmap of its own for each unless one floor covers
// the root.
void make_floors(AppState* s) {
  Desktop* d = s->desktop;
  d->floors.clear();
  for (const FloorPlan& plan : d->layout.floors) {
    FloorBuffer floor{plan, None, true, {}, {}};
    if (!d->layout.whole_root) {
      floor.pixmap = XCreatePixmap(s->display, s->root_window, plan.width, plan.height, s->depth);
    }
    d->floors.push_back(std::move(floor));
  }
}

// A new layout: new pixmaps throughout. The old ones stay until a frame in
// the new ones is shown, so that no property names a pixmap that is gone.
void take_layout(AppState* s, const MonitorLayout& layout) {
  Desktop* d = s->desktop;
  for (Pixmap p : d->published) {
    if (p != None) d->retired.push_back(p);
  }
  for (const FloorBuffer& f : d->floors) {
    if (f.pixmap != None) d->retired.push_back(f.pixmap);
  }
  d->layout = layout;
  s->width = layout.root_width;
  s->height = layout.root_height;
  d->published[0] = XCreatePixmap(s->display, s->root_window, s->width, s->height, s->depth);
  d->published[1] = None;
  d->fresh[0] = d->fresh[1] = true;
  d->current = 0;
  d->frames_published = 0;
  make_floors(s);
  s->redraw = 1;
}

void fill_bands(AppState* s, Drawable target, const std::vector<PixelBand>& bands) {
  std::vector<XRectangle>& rectangles = s->desktop->rectangles;  // kept: no allocation per frame
  rectangles.clear();
  for (const PixelBand& b : bands) {
    rectangles.push_back({static_cast<short>(b.x), static_cast<short>(b.y),
                          static_cast<unsigned short>(b.width),
                          static_cast<unsigned short>(b.height)});
  }
  if (!rectangles.empty()) {
    XFillRectangles(s->display, target, s->paper_gc, rectangles.data(),
                    static_cast<int>(rectangles.size()));
  }
}

// Draws one floor into `into`, which holds what `held` says (or anything,
// when `fresh`), leaving there exactly a full repaint's pixels; what it drew
// lands in d->drawn.
void draw_floor(AppState* s, const FloorBuffer& floor, Drawable into, bool fresh,
                const RowExtents& held, void (*draw_pass)(AppState*)) {
  Desktop* d = s->desktop;
  int width = floor.plan.width, height = floor.plan.height;
  if (fresh) {
    XFillRectangle(s->display, into, s->paper_gc, 0, 0, width, height);
  } else {
    d->bands.clear();
    changed_bands(held, held, kBandRows, &d->bands);
    fill_bands(s, into, d->bands);
  }
  clear_extents(&d->drawn, width, height);
  AppState view = *s;  // the record as this floor sees it
  view.frame_pixmap = into;
  view.width = width;
  view.height = height;
  view.drawn_rows = &d->drawn;
  draw_pass(&view);
}

// The screen shows the other published pixmap: repaint what differs.
void show_changes(AppState* s, int other) {
  Desktop* d = s->desktop;
  for (const FloorBuffer& floor : d->floors) {
    d->bands.clear();
    changed_bands(floor.held[d->current], floor.held[other], kBandRows, &d->bands);
    for (const FloorSpot& spot : floor.plan.spots) {
      for (const PixelBand& b : d->bands) {
        XClearArea(s->display, s->root_window, spot.x + b.x, spot.y + b.y, b.width, b.height,
                   False);
      }
    }
  }
}

void free_retired(AppState* s) {
  Desktop* d = s->desktop;
  for (Pixmap p : d->retired) XFreePixmap(s->display, p);
  d->retired.clear();
}

// The earlier wallpaper back where it still exists; otherwise no property
// names one, and the root has the server's own background.
void restore_wallpaper(AppState* s) {
  Desktop* d = s->desktop;
  Display* display = s->display;
  Window root = s->root_window;
  bool restored =
      pixmap_exists(display, d->earlier_xrootpmap) && without_fatal_errors(display, [&] {
        XSetWindowBackgroundPixmap(display, root, d->earlier_xrootpmap);
      });
  if (restored) {
    name_wallpaper(display, root, d->xrootpmap_id, d->earlier_xrootpmap);
  } else {
    XDeleteProperty(display, root, d->xrootpmap_id);
    XSetWindowBackgroundPixmap(display, root, None);
  }
  if (restored && pixmap_exists(display, d->earlier_esetroot)) {
    name_wallpaper(display, root, d->esetroot_pmap_id, d->earlier_esetroot);
  } else {
    XDeleteProperty(display, root, d->esetroot_pmap_id);
  }
  XClearWindow(display, root);
}

// The last frame as a wallpaper of its own, as wallpaper setters leave one:
// a pixmap made on a connection that owns nothing else and is closed with
// RetainPermanent, so that the pixmap outlives the program. The one an
// earlier setter retained is freed first, by the convention that both
// properties then name it.
void keep_wallpaper(AppState* s) {
  Desktop* d = s->desktop;
  Display* keeper = XOpenDisplay(DisplayString(s->display));
  if (!keeper) {
    restore_wallpaper(s);
    return;
  }
  XSync(s->display, False);  // the frame is whole before the copy is made
  Window root = s->root_window;
  if (d->earlier_esetroot == d->earlier_xrootpmap && pixmap_exists(keeper, d->earlier_esetroot)) {
    without_fatal_errors(keeper, [&] { XKillClient(keeper, d->earlier_esetroot); });
  }
  Pixmap kept = XCreatePixmap(keeper, root, s->width, s->height, s->depth);
  GC copy = XCreateGC(keeper, kept, 0, nullptr);
  XCopyArea(keeper, s->frame_pixmap, kept, copy, 0, 0, s->width, s->height, 0, 0);
  XFreeGC(keeper, copy);
  XSetWindowBackgroundPixmap(keeper, root, kept);
  name_wallpaper(keeper, root, d->xrootpmap_id, kept);
  name_wallpaper(keeper, root, d->esetroot_pmap_id, kept);
  XClearWindow(keeper, root);
  XSetCloseDownMode(keeper, RetainPermanent);
  XCloseDisplay(keeper);
}

}  // namespace

void setup_desktop(AppState* state) {
  AppState* s = state;
  if (!s->root_mode || s->view_window != s->root_window) return;
  DesktopResources values{};
  XtGetApplicationResources(s->toplevel, &values, desktop_resources, XtNumber(desktop_resources),
                            nullptr, 0);
  auto* d = new Desktop{};
  s->desktop = d;
  d->xrootpmap_id = XInternAtom(s->display, "_XROOTPMAP_ID", False);
  d->esetroot_pmap_id = XInternAtom(s->display, "ESETROOT_PMAP_ID", False);
  d->earlier_xrootpmap = named_pixmap(s->display, s->root_window, d->xrootpmap_id);
  d->earlier_esetroot = named_pixmap(s->display, s->root_window, d->esetroot_pmap_id);
  d->span_monitors = values.span_monitors;
  XGCValues no_exposures{};
  no_exposures.graphics_exposures = False;
  d->copy_gc = XCreateGC(s->display, s->root_window, GCGraphicsExposures, &no_exposures);
  watch_screen_changes(s->display, s->root_window);
  d->layout = current_layout(s);
  // setup_display made the first frame pixmap at the root's size.
  d->published[0] = s->frame_pixmap;
  d->published[1] = None;
  d->fresh[0] = d->fresh[1] = true;
  if (d->layout.root_width != s->width || d->layout.root_height != s->height) {
    take_layout(s, d->layout);
  } else {
    make_floors(s);
  }
}

void draw_desktop_frame(AppState* state, void (*draw_pass)(AppState*)) {
  AppState* s = state;
  Desktop* d = s->desktop;
  int now = d->current, other = 1 - now;
  if (d->published[now] == None) {
    d->published[now] = XCreatePixmap(s->display, s->root_window, s->width, s->height, s->depth);
  }
  Pixmap target = d->published[now];
  bool fresh_target = d->fresh[now];
  if (fresh_target && !d->layout.whole_root) {
    XFillRectangle(s->display, target, s->paper_gc, 0, 0, s->width, s->height);
  }
  for (FloorBuffer& floor : d->floors) {
    if (floor.pixmap == None) {
      draw_floor(s, floor, target, fresh_target, floor.held[now], draw_pass);
    } else {
      draw_floor(s, floor, floor.pixmap, floor.fresh, floor.held_here, draw_pass);
      floor.fresh = false;
      floor.held_here = d->drawn;
      d->bands.clear();
      if (fresh_target) {
        d->bands.push_back({0, 0, floor.plan.width, floor.plan.height});
      } else {
        changed_bands(d->drawn, floor.held[now], kBandRows, &d->bands);
      }
      for (const FloorSpot& spot : floor.plan.spots) {
        for (const PixelBand& b : d->bands) {
          XCopyArea(s->display, floor.pixmap, target, d->copy_gc, b.x, b.y, b.width, b.height,
                    spot.x + b.x, spot.y + b.y);
        }
      }
    }
    std::swap(floor.held[now], d->drawn);
  }
  d->fresh[now] = false;

  XSetWindowBackgroundPixmap(s->display, s->root_window, target);
  if (d->frames_published == 0) {
    XClearWindow(s->display, s->root_window);
  } else {
    show_changes(s, other);
  }
  name_wallpaper(s->display, s->root_window, d->xrootpmap_id, target);
  name_wallpaper(s->display, s->root_window, d->esetroot_pmap_id, target);
  s->frame_pixmap = target;
  free_retired(s);
  ++d->frames_published;
  d->current = other;
  XFlush(s->display);
}

void follow_screen_changes(AppState* state, std::int64_t now_ns) {
  AppState* s = state;
  Desktop* d = s->desktop;
  bool notified = take_screen_change();
  if (!notified && now_ns < d->next_check_ns) return;
  d->next_check_ns = now_ns + kMonitorCheckNs;
  MonitorLayout layout = current_layout(s);
  if (layout == d->layout) return;
  take_layout(s, layout);
  update_frame_period(s);  // another monitor may pace
}

void desktop_pace_point(const AppState* state, int* x, int* y) {
  *x = state->desktop->layout.pace_x;
  *y = state->desktop->layout.pace_y;
}

void leave_desktop(AppState* state, bool keep_frame) {
  AppState* s = state;
  if (keep_frame && s->desktop->frames_published > 0) {
    keep_wallpaper(s);
  } else {
    restore_wallpaper(s);
  }
}

void free_desktop(AppState* state) {
  AppState* s = state;
  Desktop* d = s->desktop;
  if (!d) return;
  std::vector<Pixmap> owned = d->retired;
  for (Pixmap p : d->published) owned.push_back(p);
  for (const FloorBuffer& f : d->floors) owned.push_back(f.pixmap);
  std::sort(owned.begin(), owned.end());
  owned.erase(std::unique(owned.begin(), owned.end()), owned.end());
  for (Pixmap p : owned) {
    if (p != None && p != s->frame_pixmap) XFreePixmap(s->display, p);
  }
  XFreeGC(s->display, d->copy_gc);
  delete d;
  s->desktop = nullptr;
}
