// The X side of the pen cache: every Pen's GC is made and freed here, and the
// ink and paper pixel values are read back from the server.
#include "app_state.h"
#include "content/display_list.h"

#include <X11/Xutil.h>

Pen* new_pen(Display* display, Drawable drawable, unsigned long pixel) {
  auto* pen = new Pen{};
  pen->gc = XCreateGC(display, drawable, 0, nullptr);
  XSetForeground(display, pen->gc, pixel);
  XSetFillRule(display, pen->gc, WindingRule);
  XSetLineAttributes(display, pen->gc, 0, LineSolid, CapNotLast, JoinMiter);
  pen->pixel = pixel;
  return pen;
}

Pen* pen_for_pixel(AppState* state, unsigned long pixel) {
  if (Pen* pen = find_pen(state, pixel)) return move_pen_to_front(state->pens, pen);
  return push_pen_front(state->pens, new_pen(state->display, state->base_window, pixel));
}

void free_pen_cache(Display* display, PenCache* cache) {
  if (!cache) return;
  while (cache->head) {
    Pen* next = cache->head->next;
    XFreeGC(display, cache->head->gc);
    delete cache->head;
    cache->head = next;
  }
  delete cache;
}

void probe_pixels(AppState* state) {
  AppState* s = state;
  Pixmap pixmap = XCreatePixmap(s->display, s->base_window, 2, 1, s->depth);
  XDrawPoint(s->display, pixmap, s->ink_gc, 0, 0);
  XDrawPoint(s->display, pixmap, s->paper_gc, 1, 0);
  XImage* image = XGetImage(s->display, pixmap, 0, 0, 2, 1, AllPlanes, XYPixmap);
  s->ink_pixel = XGetPixel(image, 0, 0);
  s->paper_pixel = XGetPixel(image, 1, 0);
  XDestroyImage(image);
  XFreePixmap(s->display, pixmap);
}
