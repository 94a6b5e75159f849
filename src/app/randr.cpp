// The RandR queries: monitors, output rates and screen-change notifications.
#include "app/randr.h"

#include <X11/Intrinsic.h>
#include <X11/extensions/Xrandr.h>

#include "app/frame_pacing.h"

namespace {

// RandR 1.2 brought the notifications, 1.3 the current screen resources and
// the primary output, 1.5 the monitors.
constexpr int kNotifyMinor = 2, kOutputsMinor = 3, kMonitorsMinor = 5;

// Xt's event dispatchers take no data of their own: the notification is
// noted here and taken by the frame loop.
bool screen_changed = false;

Boolean note_screen_change(XEvent* event) {
  XRRUpdateConfiguration(event);
  screen_changed = true;
  return True;
}

// True when the server has RandR 1.`want_minor` or later.
bool randr_at_least(Display* display, int want_minor, int* event_base) {
  int error_base = 0, major = 0, minor = 0;
  return XRRQueryExtension(display, event_base, &error_base) &&
         XRRQueryVersion(display, &major, &minor) &&
         (major > 1 || (major == 1 && minor >= want_minor));
}

// The rate of mode `id` among the screen's modes; 0 when unknown.
double rate_of_mode(const XRRScreenResources* resources, RRMode id) {
  for (int i = 0; i < resources->nmode; ++i) {
    const XRRModeInfo& m = resources->modes[i];
    if (m.id != id) continue;
    return mode_refresh_rate(m.dotClock, m.hTotal, m.vTotal, (m.modeFlags & RR_Interlace) != 0,
                             (m.modeFlags & RR_DoubleScan) != 0);
  }
  return 0;
}

RRCrtc primary_crtc(Display* display, XRRScreenResources* resources, Window root) {
  RROutput primary = XRRGetOutputPrimary(display, root);
  if (primary == None) return None;
  XRROutputInfo* info = XRRGetOutputInfo(display, resources, primary);
  if (!info) return None;
  RRCrtc crtc = info->crtc;
  XRRFreeOutputInfo(info);
  return crtc;
}

// Every lit output's area and rate.
std::vector<ScreenArea> query_outputs(Display* display, Window root) {
  std::vector<ScreenArea> areas;
  XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, root);
  if (!resources) return areas;
  RRCrtc primary = primary_crtc(display, resources, root);
  for (int i = 0; i < resources->ncrtc; ++i) {
    XRRCrtcInfo* crtc = XRRGetCrtcInfo(display, resources, resources->crtcs[i]);
    if (!crtc) continue;
    if (crtc->mode != None) {
      areas.push_back({crtc->x, crtc->y, static_cast<int>(crtc->width),
                       static_cast<int>(crtc->height), resources->crtcs[i] == primary,
                       rate_of_mode(resources, crtc->mode)});
    }
    XRRFreeCrtcInfo(crtc);
  }
  XRRFreeScreenResources(resources);
  return areas;
}

}  // namespace

std::vector<ScreenArea> query_monitors(Display* display, Window root) {
  std::vector<ScreenArea> areas;
  int event_base = 0;
  if (!randr_at_least(display, kMonitorsMinor, &event_base)) return areas;
  int count = 0;
  XRRMonitorInfo* monitors = XRRGetMonitors(display, root, True, &count);
  for (int i = 0; monitors && i < count; ++i) {
    const XRRMonitorInfo& m = monitors[i];
    areas.push_back({m.x, m.y, m.width, m.height, m.primary != 0});
  }
  if (monitors) XRRFreeMonitors(monitors);
  return areas;
}

double refresh_rate_at(Display* display, Window root, int x, int y) {
  int event_base = 0;
  if (!randr_at_least(display, kOutputsMinor, &event_base)) return kFallbackRefreshRate;
  std::vector<ScreenArea> areas = query_outputs(display, root);
  return rate_at_point(areas.data(), static_cast<int>(areas.size()), x, y);
}

void watch_screen_changes(Display* display, Window root) {
  int event_base = 0;
  if (!randr_at_least(display, kNotifyMinor, &event_base)) return;
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
