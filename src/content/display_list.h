// The display list and the pen cache. All material compiles into one chain
// of Segments, each a horizontal run of source pixels in one colour followed
// by a move of the drawing pen; colours are Pens, one GC per pixel value, kept
// in most-recently-used order. Both lists own their nodes; a Segment only
// points at its Pen, so the Segments must be freed before the Pens.
#pragma once

#include <cstdint>

#include <X11/Xlib.h>

struct AppState;
struct Pen;

struct Segment {
  std::int16_t length;     // source pixels covered; 0 is a pure pen move
  Pen* pen;                // not owned
  std::int16_t advance_x;  // source pixels, after the run
  std::int16_t advance_y;  // source rows down, after the run
  Segment* prev;
  Segment* next;
};

struct SegmentList {
  Segment* head;  // drawn first
  Segment* tail;  // appended to
};

struct Pen {
  GC gc;                // owned; foreground is `pixel`
  unsigned long pixel;  // the key
  Pen* prev;
  Pen* next;
};

struct PenCache {
  Pen* head;  // most recently requested
  Pen* tail;  // least recently requested
};

Segment* new_segment(int length, Pen* pen, int advance_x, int advance_y);
SegmentList* new_segment_list();
// Links the segment in at the tail; a null segment is ignored.
Segment* append_segment(SegmentList* list, Segment* segment);
void free_segment_list(SegmentList* list);

Pen* new_pen(Display* display, Drawable drawable, unsigned long pixel);
PenCache* new_pen_cache();
Pen* find_pen(AppState* state, unsigned long pixel);
Pen* push_pen_front(PenCache* cache, Pen* pen);
Pen* move_pen_to_front(PenCache* cache, Pen* pen);
// The one way to get a Pen: found or made, and now at the head.
Pen* pen_for_pixel(AppState* state, unsigned long pixel);
void free_pen_cache(Display* display, PenCache* cache);

// Finds ink_pixel and paper_pixel: what points drawn with ink_gc and
// paper_gc read back as through XGetImage.
void probe_pixels(AppState* state);
