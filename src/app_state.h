// The one program record. main() creates a single AppState, keeps it for the
// whole run and hands its address to every set-up function, event handler and
// the frame loop. Besides it the program has seven globals, each where a
// callback without data of its own needs it or where the record cannot be:
//   line_buffer         text_reader.cpp      the reader's line and the messages' text
//   message_y           source_intake.cpp    the progress messages' cursor
//   screen_changed      randr.cpp            noted by an Xt event dispatcher
//   x_request_failed    x_errors.cpp         noted by an Xlib error handler
//   quit_signal,        signals.cpp          noted by the signal handler, and the
//   frame_loop_started,                      mask and state it needs to tell a
//   wait_mask                                wait from the compile phase
#pragma once

#include <cstdint>

#include <X11/Intrinsic.h>

#include "render/draw_mode.h"

struct Desktop;
struct FarRows;
struct FineText;
struct FontFaces;
struct GlyphTable;
struct Intake;
struct PenCache;
struct RowIndex;
struct SegmentList;
struct SmoothPass;

struct AppState {
  XtAppContext app_context;
  Display* display;
  int screen;
  int depth;  // of every pixmap the program creates
  Colormap colormap;
  Widget toplevel;
  Widget canvas;       // label widget whose window shows the frames
  Window base_window;  // toplevel's window, or the root window in root mode
  Window root_window;
  Window view_window;     // canvas's window, or the root window in root mode
  Pixmap frame_pixmap;    // width x height at depth
  Pixmap icon_pixmap;     // window mode only
  Atom wm_protocols;      // window mode only
  Atom wm_delete_window;  // window mode only
  Pixel foreground;
  Pixel background;
  Pixel ink_pixel;    // what a point drawn with ink_gc reads back as
  Pixel paper_pixel;  // what a point drawn with paper_gc reads back as
  GC ink_gc;
  GC paper_gc;
  GC copy_gc;
  const char* font_name;  // borrowed: a literal or an argv entry
  Font font;
  XFontStruct* font_info;
  const char* title;  // borrowed: a literal or an argv entry
  int utf8_text;      // 1 when the locale's character set is UTF-8: text is read as such
  int width;          // frame, screen pixels
  int height;         // frame, screen pixels
  int source_width;   // source pixels; 0 until derived from the font
  int source_letters;
  int line_height;  // font ascent + descent, screen pixels
  int root_mode;
  int redraw;
  int quit_after_draw;
  int draw_mode;    // a DrawMode
  int length_x;     // source pixels spanning the frame width at the bottom edge
  int length_y;     // depth of the bottom edge, source rows
  int line_space;   // source rows after each text line and message
  int scroll_step;  // source rows per frame
  int wait_usec;
  std::int64_t position;  // source row at the bottom edge
  double frame_rate;      // frames per second from the resources; 0 unpaced, below 0 the screen's
  std::int64_t frame_period_ns;    // while scrolling; 0 when frames are not paced
  std::int64_t frame_deadline_ns;  // monotonic clock: when the next frame may start
  PenCache* pens;
  SegmentList* segments;
  GlyphTable* glyphs;       // by code point: every character met so far
  RowIndex* row_index;      // the display list by source row, for the draw passes
  FarRows* far_rows;        // noblur's and fill's far rows of the indexed list, else null
  Desktop* desktop;         // root mode on the root window itself, else null
  Intake* intake;           // sources still read while frames run, else null
  int compiling;            // 1 while build_content shows its messages
  int smooth;               // the smooth resource, when the view can show it
  SmoothPass* smooth_pass;  // smooth frames' buffers, else null
  FineText* fine_text;      // the lines' letters, for smooth frames; else null

  // Letters from outline fonts: the faceName face and the fallback.
  FontFaces* faces;      // null when unused
  Pixel grey_pixels[3];  // kGreyLevels colours from paper towards ink, for an antialiased face
};

// The defaults of every setting; no other field is touched.
void fill_defaults(AppState* state);

// Fills the defaults, reads the locale's character set, takes the
// program's own options out of argv, then starts the toolkit with the rest.
void init_application(AppState* state, int* argc, char** argv);
