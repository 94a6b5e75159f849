// The display list and the pen cache. All material compiles into one list
// of Segments, each a horizontal run of source pixels in one colour followed
// by a move of the drawing pen; colours are Pens, one GC per pixel value, kept
// in most-recently-used order. The pen cache owns its Pens. The list keeps
// its segments in large blocks, eight bytes each, in the order they were
// appended, and refers to their Pens by number through a table of its own;
// a walk reads them back with a SegmentCursor. Nothing is freed segment by
// segment: the list goes block by block, and before the Pens. The oldest
// segments of a list that keeps growing may be dropped: the list then
// begins at a later segment, with the pen where it stood there.
#pragma once

#include <cstdint>
#include <cstring>
#include <deque>
#include <unordered_map>
#include <vector>

#include <X11/Xlib.h>

struct AppState;
struct Pen;

// One entry of the display list, as it is appended and as a walk reads it.
struct Segment {
  std::int16_t length;     // source pixels covered; 0 is a pure pen move
  Pen* pen;                // not owned
  std::int16_t advance_x;  // source pixels, after the run
  std::int16_t advance_y;  // source rows down, after the run
};

// A Segment as the list stores it, in eight bytes. A pen number too large
// for `pen` is stored in the eight bytes that follow, and `pen` is then
// kWidePen.
struct StoredSegment {
  std::int16_t length;
  std::uint16_t pen;  // in SegmentList::pens, or kWidePen
  std::int16_t advance_x;
  std::int16_t advance_y;
};

constexpr std::uint16_t kWidePen = UINT16_MAX;
// Places of eight bytes in a block: small blocks first, so that a short
// list stays small, then doubling up to a megabyte.
constexpr std::uint32_t kFirstBlockPlaces = 512;
constexpr std::uint32_t kLargestBlockPlaces = 1u << 17;

struct SegmentBlock {
  StoredSegment* places;  // owned
  std::uint32_t capacity;
  std::uint32_t used;
};

// Where a segment is stored; a place at the end of a block's used places
// is the first place of the next block.
struct SegmentPlace {
  std::uint32_t block;
  std::uint32_t place;
};

constexpr std::uint32_t kNoPenNumber = UINT32_MAX;

struct PenAtHand {
  Pen* pen = nullptr;
  std::uint32_t number = kNoPenNumber;  // until a pen is put here
};

struct SegmentList {
  std::vector<SegmentBlock> blocks;  // in the order appended; those before `start` freed
  std::vector<Pen*> pens;            // by number, in the order first appended
  std::unordered_map<const Pen*, std::uint32_t> pen_numbers;
  PenAtHand at_hand[2];           // the last two pens numbered: text alternates ink and paper
  std::uint64_t count = 0;        // segments appended
  StoredSegment* tail = nullptr;  // the last one appended; none while the list is empty
  std::int64_t rows = 0;          // source row of the pen after the last segment
  // Where the list begins, and the pen there: the first segment, at x 0 of
  // row 0, until older segments are dropped.
  SegmentPlace start{0, 0};
  std::int64_t start_x = 0, start_row = 0;
  // Rows where a line or a picture begins, some way apart: where the oldest
  // segments may be dropped in whole lines.
  std::deque<std::int64_t> line_starts;
};

// Source rows between the noted line starts, at least.
constexpr std::int64_t kLineStartSpacing = 1024;

// Notes that a line or picture begins at the list's end.
inline void note_line_start(SegmentList* list) {
  if (list->line_starts.empty() || list->rows - list->line_starts.back() >= kLineStartSpacing) {
    list->line_starts.push_back(list->rows);
  }
}

// Reads a list in order, from a place on.
struct SegmentCursor {
  const SegmentList* list;
  std::uint32_t block;
  const StoredSegment* begin;  // of the block
  const StoredSegment* at;     // the next one to read
  const StoredSegment* end;    // of the block's used places
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

inline Segment new_segment(int length, Pen* pen, int advance_x, int advance_y) {
  return {static_cast<std::int16_t>(length), pen, static_cast<std::int16_t>(advance_x),
          static_cast<std::int16_t>(advance_y)};
}
SegmentList* new_segment_list();
// What append_segment leaves to it: a pen met for the first time or not
// lately, a full block, a pen number in the wide form.
StoredSegment* store_segment(SegmentList* list, Segment segment);
void free_segment_list(SegmentList* list);

// Stores the segment at the tail. While it stays the tail, its length and
// advances may be changed in place through what is given back.
inline StoredSegment* append_segment(SegmentList* list, Segment segment) {
  const PenAtHand* hand = list->at_hand;
  std::uint32_t number = segment.pen == hand[0].pen   ? hand[0].number
                         : segment.pen == hand[1].pen ? hand[1].number
                                                      : kNoPenNumber;
  if (number >= kWidePen || !list->tail) return store_segment(list, segment);
  SegmentBlock& block = list->blocks.back();
  if (block.used == block.capacity) return store_segment(list, segment);
  StoredSegment* stored = block.places + block.used++;
  *stored = {segment.length, static_cast<std::uint16_t>(number), segment.advance_x,
             segment.advance_y};
  ++list->count;
  list->rows += segment.advance_y;
  return list->tail = stored;
}

// Adds to the moves of the tail, in place.
inline void move_tail(SegmentList* list, int advance_x, int advance_y) {
  StoredSegment* t = list->tail;
  t->advance_x = static_cast<std::int16_t>(t->advance_x + advance_x);
  t->advance_y = static_cast<std::int16_t>(t->advance_y + advance_y);
  list->rows += advance_y;
}

// Frees the segments before `place`: the list then begins there, with the
// pen at x, row. Whole blocks are freed; a place inside a block keeps it.
void drop_segments_before(SegmentList* list, SegmentPlace place, std::int64_t x, std::int64_t row);

// The list's first segment: where it begins.
SegmentCursor first_segment(const SegmentList* list);
SegmentCursor segment_at(const SegmentList* list, SegmentPlace place);
// Where the segment that next_segment reads next is stored.
inline SegmentPlace place_of(const SegmentCursor& cursor) {
  return {cursor.block, static_cast<std::uint32_t>(cursor.at - cursor.begin)};
}
// Moves on to the next block that holds a segment; false after the last.
// Inline, as the readers are, so that a walk keeps its cursor in registers.
inline bool next_block(SegmentCursor* cursor) {
  SegmentCursor& c = *cursor;
  while (c.block + 1 < c.list->blocks.size()) {
    const SegmentBlock& block = c.list->blocks[++c.block];
    c.begin = block.places;
    c.at = block.places;
    c.end = block.places + block.used;
    if (c.at != c.end) return true;
  }
  return false;
}

// Reads the segment at the cursor as it is stored, with its pen number, and
// moves past it; false at the end.
inline bool next_stored_segment(SegmentCursor* cursor, const StoredSegment** stored,
                                std::uint32_t* pen_number) {
  SegmentCursor& c = *cursor;
  if (c.at == c.end && !next_block(cursor)) return false;
  *stored = c.at++;
  *pen_number = (*stored)->pen;
  if (*pen_number == kWidePen) std::memcpy(pen_number, c.at++, sizeof *pen_number);
  return true;
}

// Reads the segment at the cursor and moves past it; false at the end.
inline bool next_segment(SegmentCursor* cursor, Segment* segment) {
  const StoredSegment* stored;
  std::uint32_t number;
  if (!next_stored_segment(cursor, &stored, &number)) return false;
  *segment = {stored->length, cursor->list->pens[number], stored->advance_x, stored->advance_y};
  return true;
}

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
