// Root mode on the root window itself: floors per monitor, painting only
// what changed, two published pixmaps in turn, and what is left behind on
// leaving. See desktop_background.h for the whole picture.
#include "app/desktop_background.h"

#include <X11/StringDefs.h>

#include <algorithm>

#include "app_state.h"
#include "app/randr.h"
#include "render/draw_pass.h"

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
                const RowExtents& held) {
  Desktop* d = s->desktop;
  int width = floor.plan.width, height = floor.plan.height;
  if (fresh) {
    XFillRectangle(s->display, into, s->paper_gc, 0, 0, width, height);
  } else {
    d->bands.clear();
    frame_bands(held, kBandRows, &d->bands);
    fill_bands(s, into, d->bands);
  }
  clear_extents(&d->drawn, width, height);
  draw_pass(s, {into, width, height, &d->drawn});
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

}  // namespace

void setup_desktop(AppState* state) {
  AppState* s = state;
  if (!s->root_mode || s->view_window != s->root_window) return;
  DesktopResources values{};
  XtGetApplicationResources(s->toplevel, &values, desktop_resources, XtNumber(desktop_resources),
                            nullptr, 0);
  auto* d = new Desktop{};
  s->desktop = d;
  d->wallpaper = note_earlier_wallpaper(s->display, s->root_window);
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

void draw_desktop_frame(AppState* state) {
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
      draw_floor(s, floor, target, fresh_target, floor.held[now]);
    } else {
      draw_floor(s, floor, floor.pixmap, floor.fresh, floor.held_here);
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
  publish_wallpaper(s->display, s->root_window, d->wallpaper, target);
  s->frame_pixmap = target;
  free_retired(s);
  ++d->frames_published;
  d->current = other;
  XFlush(s->display);
}

bool follow_screen_changes(AppState* state, std::int64_t now_ns) {
  AppState* s = state;
  Desktop* d = s->desktop;
  bool notified = take_screen_change();
  if (!notified && now_ns < d->next_check_ns) return false;
  d->next_check_ns = now_ns + kMonitorCheckNs;
  MonitorLayout layout = current_layout(s);
  if (layout == d->layout) return false;
  take_layout(s, layout);
  return true;
}

void desktop_pace_point(const AppState* state, int* x, int* y) {
  *x = state->desktop->layout.pace_x;
  *y = state->desktop->layout.pace_y;
}

void leave_desktop(AppState* state, bool keep_frame) {
  AppState* s = state;
  const Wallpaper& wallpaper = s->desktop->wallpaper;
  if (keep_frame && s->desktop->frames_published > 0) {
    keep_wallpaper(s->display, s->root_window, wallpaper, s->frame_pixmap, s->width, s->height,
                   s->depth);
  } else {
    restore_wallpaper(s->display, s->root_window, wallpaper);
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
