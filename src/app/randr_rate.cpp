#include "app/randr_rate.h"

#include <vector>

#include <X11/extensions/Xrandr.h>

#include "app/frame_pacing.h"

namespace {

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
std::vector<OutputArea> output_areas(Display* display, Window root) {
  std::vector<OutputArea> areas;
  XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, root);
  if (!resources) return areas;
  RRCrtc primary = primary_crtc(display, resources, root);
  for (int i = 0; i < resources->ncrtc; ++i) {
    XRRCrtcInfo* crtc = XRRGetCrtcInfo(display, resources, resources->crtcs[i]);
    if (!crtc) continue;
    if (crtc->mode != None) {
      areas.push_back({crtc->x, crtc->y, crtc->width, crtc->height,
                       rate_of_mode(resources, crtc->mode), resources->crtcs[i] == primary});
    }
    XRRFreeCrtcInfo(crtc);
  }
  XRRFreeScreenResources(resources);
  return areas;
}

}  // namespace

double refresh_rate_at(Display* display, Window root, int x, int y) {
  int event_base, error_base, major = 0, minor = 0;
  // Current screen resources and the primary output came with RandR 1.3.
  if (!XRRQueryExtension(display, &event_base, &error_base) ||
      !XRRQueryVersion(display, &major, &minor) || major < 1 || (major == 1 && minor < 3)) {
    return kFallbackRefreshRate;
  }
  std::vector<OutputArea> areas = output_areas(display, root);
  return rate_at_point(areas.data(), static_cast<int>(areas.size()), x, y);
}
