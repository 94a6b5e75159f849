// Display and window set-up. In window mode the program shows a top-level
// shell with one label widget (the canvas) whose window background receives
// every frame; in root mode both windows are the root window and the shell is
// never realised. GCs and pixmaps are always made on base_window.
#include "app/display_setup.h"

#include <unistd.h>

#include <string>

#include <X11/Shell.h>
#include <X11/StringDefs.h>
#include <X11/Xaw/Label.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/xpm.h>

#include "app_state.h"
#include "app/root_target.h"
#include "app/sizes.h"
#include "content/font_faces.h"
#include "content/utf8.h"
#include "render/smooth_pass.h"
#include "icon.xpm"

namespace {

constexpr int kHostNameSize = 256;

}  // namespace

void read_shell_size(AppState* s) {
  Dimension width = 0, height = 0;
  Arg args[2];
  XtSetArg(args[0], XtNwidth, &width);
  XtSetArg(args[1], XtNheight, &height);
  XtGetValues(s->toplevel, args, 2);
  s->width = frame_extent(width);
  s->height = frame_extent(height);
}

namespace {

void read_canvas_colours(AppState* s) {
  Arg args[2];
  XtSetArg(args[0], XtNforeground, &s->foreground);
  XtSetArg(args[1], XtNbackground, &s->background);
  XtGetValues(s->canvas, args, 2);
}

}  // namespace

void setup_display(AppState* state) {
  AppState* s = state;
  s->display = XtDisplay(s->toplevel);
  s->screen = DefaultScreen(s->display);
  s->colormap = XDefaultColormap(s->display, s->screen);
  s->root_window = RootWindow(s->display, s->screen);
  s->depth = DefaultDepth(s->display, s->screen);

  s->canvas = XtCreateManagedWidget("", labelWidgetClass, s->toplevel, nullptr, 0);
  read_canvas_colours(s);

  if (s->root_mode) {
    // The root window, or the window that a screen saver or a desktop put
    // in its place; frames take its size and depth.
    XWindowAttributes attributes;
    Window target = find_root_target(s, &attributes);
    s->base_window = target;
    s->view_window = target;
    s->width = frame_extent(attributes.width);
    s->height = frame_extent(attributes.height);
    s->depth = attributes.depth;
  } else {
    XtRealizeWidget(s->toplevel);
    s->base_window = XtWindow(s->toplevel);
    s->view_window = XtWindow(s->canvas);
    read_shell_size(s);
  }
  s->frame_pixmap = XCreatePixmap(s->display, s->base_window, s->width, s->height, s->depth);

  // An unknown font name is a protocol error; the default handler ends the
  // process there, before any metrics are used.
  s->font = XLoadFont(s->display, s->font_name);
  s->font_info = XQueryFont(s->display, s->font);

  read_smooth_choice(s);  // smooth letters come from an outline face
  setup_font_faces(s);

  if (s->source_width == 0) {
    short narrowest = s->font_info->min_bounds.width, widest = s->font_info->max_bounds.width;
    face_advance_bounds(s, &narrowest, &widest);  // a face's letters, when there is one
    s->source_width = derive_source_width(narrowest, widest, s->source_letters);
  }
  s->length_x = derive_length_x(s->length_x, s->source_width);
  XFlush(s->display);
}

void create_gcs(AppState* state) {
  AppState* s = state;
  Display* d = s->display;
  s->ink_gc = XCreateGC(d, s->base_window, 0, nullptr);
  s->paper_gc = XCreateGC(d, s->base_window, 0, nullptr);
  s->copy_gc = XCreateGC(d, s->base_window, 0, nullptr);
  XSetForeground(d, s->ink_gc, s->foreground);
  XSetBackground(d, s->ink_gc, s->background);
  XSetForeground(d, s->paper_gc, s->background);
  XSetBackground(d, s->paper_gc, s->background);
  XSetFont(d, s->ink_gc, s->font);
  XSetFunction(d, s->copy_gc, GXcopy);
  XSetFillRule(d, s->ink_gc, WindingRule);
  XSetFillRule(d, s->paper_gc, WindingRule);
  XSetLineAttributes(d, s->ink_gc, 0, LineSolid, CapNotLast, JoinMiter);
}

void setup_window_manager(AppState* state) {
  AppState* s = state;
  if (s->root_mode) return;
  XtSetSensitive(s->toplevel, True);
  XtSetSensitive(s->canvas, True);

  XWMHints hints{};
  hints.flags = InputHint;
  hints.input = True;
  XSetWMHints(s->display, s->base_window, &hints);

  s->wm_protocols = XInternAtom(s->display, "WM_PROTOCOLS", False);
  s->wm_delete_window = XInternAtom(s->display, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(s->display, s->base_window, &s->wm_delete_window, 1);

  set_window_names(s);
  set_client_identity(s);
  set_icon(s);
}

// In a UTF-8 locale the names are converted for the legacy properties:
// STRING where ISO-8859-1 holds them, COMPOUND_TEXT otherwise. Where Xlib
// cannot convert in this locale, the title's bytes go as they are.
void set_window_names(AppState* state) {
  AppState* s = state;
  if (s->utf8_text) {
    std::string name = valid_utf8(s->title);
    char* list[] = {name.data()};
    XTextProperty property{};
    if (Xutf8TextListToTextProperty(s->display, list, 1, XStdICCTextStyle, &property) >= Success) {
      XSetWMName(s->display, s->base_window, &property);
      XSetWMIconName(s->display, s->base_window, &property);
      XFree(property.value);
      set_utf8_names(s);
      return;
    }
  }
  XStoreName(s->display, s->base_window, s->title);
  XSetIconName(s->display, s->base_window, s->title);
  if (s->utf8_text) set_utf8_names(s);
}

// _NET_WM_PID and WM_CLIENT_MACHINE: which process on which host owns the
// window, so that a window manager can offer to end it.
void set_client_identity(AppState* state) {
  AppState* s = state;
  char host[kHostNameSize] = "";
  gethostname(host, sizeof host - 1);
  char* hosts[] = {host};
  XTextProperty machine{};
  if (XStringListToTextProperty(hosts, 1, &machine)) {
    XSetWMClientMachine(s->display, s->base_window, &machine);
    XFree(machine.value);
  }
  long pid = getpid();
  XChangeProperty(s->display, s->base_window, XInternAtom(s->display, "_NET_WM_PID", False),
                  XA_CARDINAL, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&pid), 1);
}

// Window managers read these before the legacy names, which they take as
// ISO-8859-1. Bytes of the title that are not UTF-8 are ISO-8859-1 here too.
void set_utf8_names(AppState* state) {
  AppState* s = state;
  std::string name = valid_utf8(s->title);
  Atom utf8_string = XInternAtom(s->display, "UTF8_STRING", False);
  for (const char* property : {"_NET_WM_NAME", "_NET_WM_ICON_NAME"}) {
    XChangeProperty(s->display, s->base_window, XInternAtom(s->display, property, False),
                    utf8_string, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(name.data()),
                    static_cast<int>(name.size()));
  }
}

// The icon's colours are allocated for good; only the attribute record's own
// allocations and the (unused) shape mask are given back here. A failed
// creation leaves the window without an icon.
void set_icon(AppState* state) {
  AppState* s = state;
  if (s->root_mode) return;
  XpmAttributes attributes{};
  attributes.valuemask = XpmColormap | XpmSize | XpmReturnPixels | XpmCloseness;
  attributes.colormap = s->colormap;
  attributes.closeness = 40000;

  Pixmap pixmap = None;
  Pixmap mask = None;
  int status = XpmCreatePixmapFromData(s->display, s->base_window, const_cast<char**>(icon_xpm),
                                       &pixmap, &mask, &attributes);
  if (mask != None) XFreePixmap(s->display, mask);
  if (status < XpmSuccess || pixmap == None) return;
  s->icon_pixmap = pixmap;
  XpmFreeAttributes(&attributes);

  XWMHints hints{};
  hints.flags = IconPixmapHint;
  hints.icon_pixmap = pixmap;
  XSetWMHints(s->display, s->base_window, &hints);
}
