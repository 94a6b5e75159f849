// Publishing, keeping and restoring a wallpaper by the root properties.
#include "app/wallpaper.h"

#include <X11/Xatom.h>

#include "app/x_errors.h"

namespace {

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

}  // namespace

Wallpaper note_earlier_wallpaper(Display* display, Window root) {
  Wallpaper w{};
  w.xrootpmap_id = XInternAtom(display, "_XROOTPMAP_ID", False);
  w.esetroot_pmap_id = XInternAtom(display, "ESETROOT_PMAP_ID", False);
  w.earlier_xrootpmap = named_pixmap(display, root, w.xrootpmap_id);
  w.earlier_esetroot = named_pixmap(display, root, w.esetroot_pmap_id);
  return w;
}

void publish_wallpaper(Display* display, Window root, const Wallpaper& wallpaper, Pixmap pixmap) {
  name_wallpaper(display, root, wallpaper.xrootpmap_id, pixmap);
  name_wallpaper(display, root, wallpaper.esetroot_pmap_id, pixmap);
}

void restore_wallpaper(Display* display, Window root, const Wallpaper& wallpaper) {
  const Wallpaper& w = wallpaper;
  bool restored = pixmap_exists(display, w.earlier_xrootpmap) && without_fatal_errors(display, [&] {
                    XSetWindowBackgroundPixmap(display, root, w.earlier_xrootpmap);
                  });
  if (restored) {
    name_wallpaper(display, root, w.xrootpmap_id, w.earlier_xrootpmap);
  } else {
    XDeleteProperty(display, root, w.xrootpmap_id);
    XSetWindowBackgroundPixmap(display, root, None);
  }
  if (restored && pixmap_exists(display, w.earlier_esetroot)) {
    name_wallpaper(display, root, w.esetroot_pmap_id, w.earlier_esetroot);
  } else {
    XDeleteProperty(display, root, w.esetroot_pmap_id);
  }
  XClearWindow(display, root);
}

// The keeper connection owns nothing but the kept pixmap, so that closing
// it with RetainPermanent keeps that one pixmap and no more.
void keep_wallpaper(Display* display, Window root, const Wallpaper& wallpaper, Pixmap frame,
                    int width, int height, int depth) {
  const Wallpaper& w = wallpaper;
  Display* keeper = XOpenDisplay(DisplayString(display));
  if (!keeper) {
    restore_wallpaper(display, root, w);
    return;
  }
  XSync(display, False);  // the frame is whole before the copy is made
  if (w.earlier_esetroot == w.earlier_xrootpmap && pixmap_exists(keeper, w.earlier_esetroot)) {
    without_fatal_errors(keeper, [&] { XKillClient(keeper, w.earlier_esetroot); });
  }
  Pixmap kept = XCreatePixmap(keeper, root, width, height, depth);
  GC copy = XCreateGC(keeper, kept, 0, nullptr);
  XCopyArea(keeper, frame, kept, copy, 0, 0, width, height, 0, 0);
  XFreeGC(keeper, copy);
  XSetWindowBackgroundPixmap(keeper, root, kept);
  publish_wallpaper(keeper, root, w, kept);
  XClearWindow(keeper, root);
  XSetCloseDownMode(keeper, RetainPermanent);
  XCloseDisplay(keeper);
}
