// The wallpaper convention of X desktops, as wallpaper setters keep it: the
// pixmap that is the root window's background is named in the root
// properties _XROOTPMAP_ID and ESETROOT_PMAP_ID, which compositors and
// pseudo-transparent terminals read and watch. A wallpaper that is to
// outlive its program is made on a connection of its own that is closed
// with RetainPermanent; the next setter frees it with XKillClient when both
// properties name that one pixmap.
#pragma once

#include <X11/Xlib.h>

struct Wallpaper {
  Atom xrootpmap_id, esetroot_pmap_id;
  Pixmap earlier_xrootpmap;  // what each property named before the program ran, or None
  Pixmap earlier_esetroot;
};

// The two properties' atoms and the wallpaper they name now.
Wallpaper note_earlier_wallpaper(Display* display, Window root);

// Names `pixmap`, which the caller has made the root's background, in both
// properties.
void publish_wallpaper(Display* display, Window root, const Wallpaper& wallpaper, Pixmap pixmap);

// The earlier wallpaper back as the root's background and in the properties
// where its pixmap still exists; otherwise no property names one and the
// root has the server's own background.
void restore_wallpaper(Display* display, Window root, const Wallpaper& wallpaper);

// A copy of `frame` (width x height at depth) left as the wallpaper, owned
// by no client, after the earlier setter's retained pixmap is freed; the
// earlier wallpaper comes back instead when no second connection opens.
void keep_wallpaper(Display* display, Window root, const Wallpaper& wallpaper, Pixmap frame,
                    int width, int height, int depth);
