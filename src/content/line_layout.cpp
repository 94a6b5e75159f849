// The line layout. A text line becomes segments pixel row by pixel row: the
// run lists of its glyphs side by side, two runs of the same ink joined where
// one character ends and the next begins, and a pen move back to the row's
// start one row down. Runs of an antialiased face carry grey levels, each
// drawn with a pen of its own colour. A centred line stands between a move
// right and a move back; every line ends with the line space. Moves too long
// for a segment's 16-bit fields are split into several.
#include "content/line_layout.h"

#include <cstdint>
#include <vector>

#include "app_state.h"
#include "content/display_list.h"
#include "content/fine_text.h"
#include "content/glyph_levels.h"
#include "content/glyphs.h"
#include "content/segment_moves.h"

namespace {

constexpr int kMaxLength = INT16_MAX;  // what a segment's length holds

// The pens by run value: paper, ink, then the greys, looked up when a
// line first needs one.
struct LinePens {
  Pen* by_ink[kFirstGrey + kGreyLevels];
  Pen* pen(AppState* s, int ink) {
    if (!by_ink[ink]) by_ink[ink] = pen_for_pixel(s, s->grey_pixels[ink - kFirstGrey]);
    return by_ink[ink];
  }
};

int line_width(AppState* s, const char32_t* text, int count) {
  int width = 0;
  for (int k = 0; k < count; ++k) width += glyph_entry(s->glyphs, text[k])->width;
  return width;
}

// One pixel row of the line, closed by the move back to its start.
void emit_row(AppState* s, const char32_t* text, int count, int r, LinePens* pens) {
  StoredSegment* open = nullptr;
  int open_ink = kPaperInk;
  std::int64_t row_width = 0;
  for (int k = 0; k < count; ++k) {
    Run** rows = glyph_entry(s->glyphs, text[k])->rows;
    if (!rows) continue;  // never prepared: nothing to lay out
    bool first = true;
    for (const Run* run = rows[r]; run; run = run->next, first = false) {
      int ink = run->ink;
      if (first && open && open_ink == ink && open->length + run->length <= kMaxLength) {
        open->length = static_cast<std::int16_t>(open->length + run->length);
        open->advance_x = static_cast<std::int16_t>(open->advance_x + run->length);
      } else {
        Pen* pen = pens->pen(s, ink);
        open = append_segment(s->segments, new_segment(run->length, pen, run->length, 0));
        open_ink = ink;
      }
      row_width += run->length;
    }
  }
  append_moves(s->segments, pens->by_ink[kPaperInk], -row_width, 1);
}

// Where the line's letters stand, for smooth frames.
void note_letters(AppState* s, const char32_t* text, int count, std::int64_t shift) {
  std::vector<int> widths(count);
  for (int k = 0; k < count; ++k) widths[k] = glyph_entry(s->glyphs, text[k])->width;
  note_fine_line(s->fine_text, s->segments->rows, shift, text, widths.data(), count);
}

}  // namespace

void emit_line(AppState* state, const char32_t* text, int count, int centred) {
  AppState* s = state;
  note_line_start(s->segments);
  LinePens pens{};
  pens.by_ink[kFullInk] = pen_for_pixel(s, s->ink_pixel);
  Pen* paper = pens.by_ink[kPaperInk] = pen_for_pixel(s, s->paper_pixel);

  std::int64_t shift = 0;
  if (centred == 1) {
    int width = line_width(s, text, count);
    shift = (static_cast<std::int64_t>(s->source_width) - width) / 2;
    append_moves(s->segments, paper, shift, 0);
  }
  if (s->fine_text && count > 0) note_letters(s, text, count, shift);
  if (count == 0) {
    append_moves(s->segments, paper, 0, s->line_height);
  } else {
    for (int r = 0; r < s->line_height; ++r) emit_row(s, text, count, r, &pens);
  }
  if (centred == 1) {
    append_moves(s->segments, paper, -shift, s->line_space);
  } else if (s->line_space != 0) {
    append_moves(s->segments, paper, 0, s->line_space);
  }
}
