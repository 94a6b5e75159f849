// List operations of the display list and the pen cache. Nothing here talks
// to the X server; pens.cpp makes and frees the GCs.
#include "content/display_list.h"

#include "app/app_state.h"

Segment* new_segment(int length, Pen* pen, int advance_x, int advance_y) {
  auto* segment = new Segment{};
  segment->length = static_cast<std::int16_t>(length);
  segment->pen = pen;
  segment->advance_x = static_cast<std::int16_t>(advance_x);
  segment->advance_y = static_cast<std::int16_t>(advance_y);
  return segment;
}

SegmentList* new_segment_list() {
  return new SegmentList{};
}

Segment* append_segment(SegmentList* list, Segment* segment) {
  if (!segment) return nullptr;
  segment->next = nullptr;
  if (!list->head) {
    segment->prev = nullptr;
    list->head = segment;
  } else {
    segment->prev = list->tail;
    list->tail->next = segment;
  }
  list->tail = segment;
  return segment;
}

void free_segment_list(SegmentList* list) {
  if (!list) return;
  while (list->head) {
    Segment* next = list->head->next;
    delete list->head;
    list->head = next;
  }
  delete list;
}

PenCache* new_pen_cache() {
  return new PenCache{};
}

Pen* find_pen(AppState* state, unsigned long pixel) {
  for (Pen* pen = state->pens->head; pen; pen = pen->next) {
    if (pen->pixel == pixel) return pen;
  }
  return nullptr;
}

Pen* push_pen_front(PenCache* cache, Pen* pen) {
  if (!pen) return nullptr;
  pen->prev = nullptr;
  if (!cache->head) {
    pen->next = nullptr;
    cache->tail = pen;
  } else {
    pen->next = cache->head;
    cache->head->prev = pen;
  }
  cache->head = pen;
  return pen;
}

Pen* move_pen_to_front(PenCache* cache, Pen* pen) {
  if (!pen || !cache || !cache->head) return nullptr;
  if (!pen->prev) {  // the head
    cache->head = pen->next;
    if (cache->head) {
      cache->head->prev = nullptr;
    } else {
      cache->tail = nullptr;
    }
  } else if (!pen->next) {  // the tail
    cache->tail = pen->prev;
    cache->tail->next = nullptr;
  } else {
    pen->prev->next = pen->next;
    pen->next->prev = pen->prev;
  }
  pen->prev = nullptr;
  pen->next = nullptr;
  return push_pen_front(cache, pen);
}
