// RandR 1.5 monitors and RandR's screen-change notifications, for root mode
// on the desktop.
#include "app/monitors.h"

#include <X11/Intrinsic.h>
#include <X11/extensions/Xrandr.h>

namespace {

// Xt's event dispatchers take no data of their own: the notification is
// noted here and taken by the frame loop.
bool screen_changed = false;

Boolean note_screen_change(XEvent* event) {
  XRRUpdateConfiguration(event);
  screen_changed = true;
  return True;
}

bool randr_at_least(Display* display, int want_minor, int* event_base) {
  int error_base = 0, major = 0, minor = 0;
  return XRRQueryExtension(display, event_base, &error_base) &&
         XRRQueryVersion(display, &major, &minor) &&
         (major > 1 || (major == 1 && minor >= want_minor));
}

}  // namespace

std::vector<MonitorArea> query_monitors(Display* display, Window root) {
  std::vector<MonitorArea> areas;
  int event_base = 0;
  if (!randr_at_least(display, 5, &event_base)) return areas;
  int count = 0;
  XRRMonitorInfo* monitors = XRRGetMonitors(display, root, True, &count);
  for (int i = 0; monitors && i < count; ++i) {
    const XRRMonitorInfo& m = monitors[i];
    areas.push_back({m.x, m.y, m.width, m.height, m.primary != 0});
  }
  if (monitors) XRRFreeMonitors(monitors);
  return areas;
}

void watch_screen_changes(Display* display, Window root) {
  int event_base = 0;
  if (!randr_at_least(display, 2, &event_base)) return;
  XRRSelectInput(display, root,
                 RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
  XtSetEventDispatcher(display, event_base + RRScreenChangeNotify, note_screen_change);
  XtSetEventDispatcher(display, event_base + RRNotify, note_screen_change);
}

bool take_screen_change() {
  bool changed = screen_changed;
  screen_changed = false;
  return changed;
}
