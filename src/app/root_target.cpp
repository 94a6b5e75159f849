#include "app/root_target.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <X11/Xatom.h>

#include "app_state.h"
#include "app/x_errors.h"

namespace {

constexpr unsigned long kLargestWindowId = 0xffffffffUL;  // ids are 32-bit on the wire
constexpr char kScreenSaverVariable[] = "XSCREENSAVER_WINDOW";

// The window named by `window`'s __SWM_VROOT property, None when it has none.
Window virtual_root_of(Display* display, Window window, Atom vroot) {
  Window named = None;
  without_fatal_errors(display, [&] {
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, vroot, 0, 1, False, XA_WINDOW, &type, &format, &items,
                           &after, &data) == Success &&
        type == XA_WINDOW && format == 32 && items == 1) {
      named = *reinterpret_cast<Window*>(data);
    }
    if (data) XFree(data);
  });
  return named;
}

// XGetWindowAttributes that gives false instead of ending the program when
// the window does not exist (or vanishes meanwhile).
bool window_attributes(Display* display, Window window, XWindowAttributes* attributes) {
  Status status = 0;
  bool answered = without_fatal_errors(
      display, [&] { status = XGetWindowAttributes(display, window, attributes); });
  return answered && status != 0;
}

// The first virtual root among the root window's children whose window
// exists, with its attributes; None when there is none.
Window find_virtual_root(Display* display, Window root, XWindowAttributes* attributes) {
  // No window can carry a property whose name the server has never heard.
  Atom vroot = XInternAtom(display, "__SWM_VROOT", True);
  if (vroot == None) return None;
  Window root_return = None, parent = None;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, root, &root_return, &parent, &children, &count)) return None;
  Window found = None;
  for (unsigned int i = 0; i < count && found == None; ++i) {
    Window named = virtual_root_of(display, children[i], vroot);
    if (named != None && window_attributes(display, named, attributes)) found = named;
  }
  if (children) XFree(children);
  return found;
}

[[noreturn]] void refuse_window(const char* value, const char* why) {
  std::fprintf(stderr, "lumadrift: %s=\"%s\" %s\n", kScreenSaverVariable, value, why);
  std::exit(1);
}

}  // namespace

bool parse_window_id(const char* text, unsigned long* id) {
  if (!text) return false;
  while (*text == ' ' || *text == '\t') ++text;
  int base = 10;
  if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text += 2;
  }
  // strtoul would also take a sign and blanks of its own.
  if (!std::isxdigit(static_cast<unsigned char>(*text))) return false;
  errno = 0;
  char* end = nullptr;
  unsigned long value = std::strtoul(text, &end, base);
  while (*end == ' ' || *end == '\t') ++end;
  if (*end != '\0' || errno == ERANGE || value == 0 || value > kLargestWindowId) return false;
  *id = value;
  return true;
}

Window find_root_target(AppState* state, XWindowAttributes* attributes) {
  AppState* s = state;
  const char* value = std::getenv(kScreenSaverVariable);
  if (value && *value) {
    unsigned long id = 0;
    if (!parse_window_id(value, &id)) refuse_window(value, "is not a window id");
    if (!window_attributes(s->display, id, attributes)) refuse_window(value, "names no window");
    return id;
  }
  Window vroot = find_virtual_root(s->display, s->root_window, attributes);
  if (vroot != None) return vroot;
  XGetWindowAttributes(s->display, s->root_window, attributes);
  return s->root_window;
}
