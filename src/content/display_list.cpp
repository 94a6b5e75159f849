// List operations of the display list and the pen cache. Nothing here talks
// to the X server; pens.cpp makes and frees the GCs.
#include "content/display_list.h"

#include <algorithm>

#include "app_state.h"

namespace {

// The pen's number in the list's table, given it one if it has none yet; it
// is put at hand, where the other pen at hand was.
std::uint32_t pen_number(SegmentList* list, Pen* pen) {
  PenAtHand* hand = list->at_hand;
  for (int i = 0; i < 2; ++i) {
    if (hand[i].number != kNoPenNumber && hand[i].pen == pen) return hand[i].number;
  }
  std::uint32_t number;
  if (auto found = list->pen_numbers.find(pen); found != list->pen_numbers.end()) {
    number = found->second;
  } else {
    number = static_cast<std::uint32_t>(list->pens.size());
    list->pens.push_back(pen);
    list->pen_numbers.emplace(pen, number);
  }
  hand[1] = hand[0];
  hand[0] = {pen, number};
  return number;
}

// Room for `size` places at the end of the last block, in a new block when
// the last one is full.
SegmentBlock* block_with_room(SegmentList* list, std::uint32_t size) {
  if (!list->blocks.empty()) {
    SegmentBlock& last = list->blocks.back();
    if (last.capacity - last.used >= size) return &last;
  }
  std::uint32_t capacity = list->blocks.empty()
                               ? kFirstBlockPlaces
                               : std::min(2 * list->blocks.back().capacity, kLargestBlockPlaces);
  list->blocks.push_back({new StoredSegment[capacity], capacity, 0});
  return &list->blocks.back();
}

}  // namespace

SegmentList* new_segment_list() {
  return new SegmentList{};
}

StoredSegment* store_segment(SegmentList* list, Segment segment) {
  std::uint32_t number = pen_number(list, segment.pen);
  bool wide = number >= kWidePen;
  SegmentBlock* block = block_with_room(list, wide ? 2 : 1);
  StoredSegment* stored = block->places + block->used;
  *stored = {segment.length, wide ? kWidePen : static_cast<std::uint16_t>(number),
             segment.advance_x, segment.advance_y};
  if (wide) {
    StoredSegment rest{};
    std::memcpy(&rest, &number, sizeof number);
    stored[1] = rest;
  }
  block->used += wide ? 2 : 1;
  ++list->count;
  list->rows += segment.advance_y;
  list->tail = stored;
  return stored;
}

void drop_segments_before(SegmentList* list, SegmentPlace place, std::int64_t x, std::int64_t row) {
  for (std::uint32_t b = list->start.block; b < place.block && b < list->blocks.size(); ++b) {
    SegmentBlock& block = list->blocks[b];
    delete[] block.places;
    block = {nullptr, 0, 0};
  }
  list->start = place;
  list->start_x = x;
  list->start_row = row;
}

void free_segment_list(SegmentList* list) {
  if (!list) return;
  for (SegmentBlock& block : list->blocks) delete[] block.places;
  delete list;
}

SegmentCursor segment_at(const SegmentList* list, SegmentPlace place) {
  SegmentCursor c{list, place.block, nullptr, nullptr, nullptr};
  if (place.block < list->blocks.size()) {
    const SegmentBlock& block = list->blocks[place.block];
    c.begin = block.places;
    c.at = block.places + place.place;
    c.end = block.places + block.used;
  }
  return c;
}

SegmentCursor first_segment(const SegmentList* list) {
  return segment_at(list, list->start);
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
