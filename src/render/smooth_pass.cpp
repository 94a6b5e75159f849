// Smooth frames on the screen: the pens' colours read from the visual, the
// frame computed in the client, and the rows that hold ink put on the
// target in one image.
#include "render/smooth_pass.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <X11/StringDefs.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include "app_state.h"
#include "content/display_list.h"
#include "content/fine_glyphs.h"
#include "content/fine_text.h"
#include "render/dirty_rows.h"
#include "render/draw_target.h"
#include "render/row_index.h"
#include "render/smooth_frame.h"

struct SmoothPass {
  SmoothFrame frame;
  std::vector<Rgb> pen_colours;  // by the list's pen numbers
  FineGlyphs* fine_glyphs;
  std::vector<NearLine> near_lines;  // of the frame being drawn
  unsigned long masks[3];            // red, green and blue of the visual
  Visual* visual;
  XImage* image;  // width x height at depth, null until the first frame
  XShmSegmentInfo shared;
  bool use_shared;
};

namespace {

struct SmoothResources {
  Boolean smooth;
};

XtResource smooth_resources[] = {
    {const_cast<char*>("smooth"), const_cast<char*>("Smooth"), const_cast<char*>(XtRBoolean),
     sizeof(Boolean), XtOffsetOf(SmoothResources, smooth), const_cast<char*>(XtRImmediate),
     reinterpret_cast<XtPointer>(False)},
};

Visual* view_visual(AppState* s) {
  XWindowAttributes attributes;
  XGetWindowAttributes(s->display, s->view_window, &attributes);
  return attributes.visual;
}

// The 8 bits of a channel, and back.
unsigned channel_of(unsigned long pixel, unsigned long mask) {
  if (!mask) return 0;
  int shift = __builtin_ctzl(mask);
  unsigned long most = mask >> shift;
  return static_cast<unsigned>(((pixel & mask) >> shift) * 255 / most);
}
unsigned long pixel_bits(unsigned value, unsigned long mask) {
  if (!mask) return 0;
  int shift = __builtin_ctzl(mask);
  unsigned long most = mask >> shift;
  return ((value * most + 127) / 255) << shift;
}

Rgb rgb_of(const SmoothPass* pass, unsigned long pixel) {
  return channel_of(pixel, pass->masks[0]) << 16 | channel_of(pixel, pass->masks[1]) << 8 |
         channel_of(pixel, pass->masks[2]);
}

void free_image(AppState* s, SmoothPass* pass) {
  if (!pass->image) return;
  if (pass->use_shared) {
    XShmDetach(s->display, &pass->shared);
    XSync(s->display, False);
    shmdt(pass->shared.shmaddr);
  }
  XDestroyImage(pass->image);
  pass->image = nullptr;
}

// An image of width x height, in shared memory when the server offers it.
void make_image(AppState* s, SmoothPass* pass, int width, int height) {
  free_image(s, pass);
  pass->use_shared = XShmQueryExtension(s->display);
  if (pass->use_shared) {
    pass->image = XShmCreateImage(s->display, pass->visual, s->depth, ZPixmap, nullptr,
                                  &pass->shared, width, height);
    int id = shmget(IPC_PRIVATE, static_cast<std::size_t>(pass->image->bytes_per_line) * height,
                    IPC_CREAT | 0600);
    pass->shared.shmid = id;
    pass->shared.shmaddr = pass->image->data = static_cast<char*>(shmat(id, nullptr, 0));
    pass->shared.readOnly = False;
    XShmAttach(s->display, &pass->shared);
    XSync(s->display, False);
    shmctl(id, IPC_RMID, nullptr);  // gone once both sides let go
    return;
  }
  pass->image =
      XCreateImage(s->display, pass->visual, s->depth, ZPixmap, 0, nullptr, width, height, 32, 0);
  pass->image->data = static_cast<char*>(
      std::malloc(static_cast<std::size_t>(pass->image->bytes_per_line) * height));
}

// Whether the image keeps a pixel as this machine's 32-bit 0xRRGGBB, so
// that frames are drawn straight into it.
bool image_takes_rgb(const SmoothPass* pass, const XImage* image) {
  bool native = (image->byte_order == LSBFirst) == (__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__);
  return image->bits_per_pixel == 32 && native && pass->masks[0] == 0xff0000 &&
         pass->masks[1] == 0xff00 && pass->masks[2] == 0xff;
}

// The image's pixels of row y, pixel by pixel in the visual's format.
void fill_image_row(const SmoothPass* pass, XImage* image, const SmoothFrame& f, int y) {
  const Rgb* row = f.rows + static_cast<std::size_t>(y) * f.stride;
  for (int x = 0; x < f.width; ++x) {
    Rgb c = row[x];
    XPutPixel(image, x, y,
              pixel_bits(c >> 16, pass->masks[0]) | pixel_bits(c >> 8 & 0xff, pass->masks[1]) |
                  pixel_bits(c & 0xff, pass->masks[2]));
  }
}

// Source rows a pixel, at most, where letters wider than a pixel are drawn
// from their outlines.
constexpr double kWideLetterRows = 8;

// The lines whose rows are taller than a pixel, with their letters' fine
// glyphs; a line with a letter that has none keeps to the list's runs.
void gather_near_lines(AppState* s, SmoothPass* pass, const Projection& p) {
  pass->near_lines.clear();
  if (!s->fine_text || p.length_y < 1) return;
  trim_fine_glyphs(pass->fine_glyphs);
  // Depths (plus length_y) where rows are a pixel tall, where a source
  // pixel is a pixel wide, and where a pixel holds kWideLetterRows rows:
  // lines nearer than the first two, but not farther than the last.
  double scale = static_cast<double>(p.height) * p.length_y;
  double tall = std::sqrt(scale), wide = static_cast<double>(p.length_y) * p.width / p.length_x;
  double most = std::sqrt(scale * kWideLetterRows);
  auto near_depth = static_cast<std::int64_t>(std::max(tall, std::min(wide, most)));
  std::int64_t first_row = p.position - std::max<std::int64_t>(near_depth - p.length_y, 0);
  const FineText& text = *s->fine_text;
  auto line = std::lower_bound(text.lines.begin(), text.lines.end(), first_row - s->line_height,
                               [](const FineLine& l, std::int64_t r) { return l.top_row < r; });
  for (; line != text.lines.end() && line->top_row <= p.position; ++line) {
    NearLine near{line->top_row, {}};
    bool whole = true;
    for (std::uint32_t k = 0; k < line->count && whole; ++k) {
      const FineLetter& letter = fine_letter(text, line->first + k);
      const FineGlyph* glyph = fine_glyph(s, pass->fine_glyphs, letter.code_point);
      whole = glyph != nullptr;
      if (whole) near.letters.push_back({letter.x, glyph});
    }
    if (whole) pass->near_lines.push_back(std::move(near));
  }
}

void note_pen_colours(SmoothPass* pass, const SegmentList* list) {
  for (std::size_t i = pass->pen_colours.size(); i < list->pens.size(); ++i) {
    pass->pen_colours.push_back(rgb_of(pass, list->pens[i]->pixel));
  }
}

// Paper over rows [first, end) of a target that is not painted.
void paper_rows(AppState* s, const DrawTarget& target, int first, int end) {
  if (target.painted || first >= end) return;
  XFillRectangle(s->display, target.drawable, s->paper_gc, 0, first,
                 static_cast<unsigned>(target.width), static_cast<unsigned>(end - first));
}

}  // namespace

void read_smooth_choice(AppState* state) {
  AppState* s = state;
  SmoothResources values{};
  XtGetApplicationResources(s->toplevel, &values, smooth_resources, XtNumber(smooth_resources),
                            nullptr, 0);
  s->smooth = values.smooth ? 1 : 0;
  if (!s->smooth) return;
  Visual* visual = view_visual(s);
  if (visual->c_class == TrueColor && s->depth >= 15) return;
  s->smooth = 0;
  Cardinal count = 0;
  XtAppWarningMsg(s->app_context, "noSmooth", "smooth", "Lumadrift",
                  "smooth frames need a TrueColor visual; drawing as by default", nullptr, &count);
}

void setup_smooth_pass(AppState* state) {
  AppState* s = state;
  if (!s->smooth) return;
  auto* pass = new SmoothPass{};
  pass->visual = view_visual(s);
  pass->masks[0] = pass->visual->red_mask;
  pass->masks[1] = pass->visual->green_mask;
  pass->masks[2] = pass->visual->blue_mask;
  pass->fine_glyphs = new_fine_glyphs();
  s->smooth_pass = pass;
  s->fine_text = new FineText{};
}

void free_smooth_pass(AppState* state) {
  AppState* s = state;
  if (!s->smooth_pass) return;
  free_image(s, s->smooth_pass);
  free_fine_glyphs(s->smooth_pass->fine_glyphs);
  delete s->smooth_pass;
  s->smooth_pass = nullptr;
  delete s->fine_text;
  s->fine_text = nullptr;
}

void forget_smooth_rows(AppState* state) {
  if (state->smooth_pass) forget_ink_profiles(&state->smooth_pass->frame.profiles);
}

void draw_smooth(AppState* state, const DrawTarget& target) {
  AppState* s = state;
  SmoothPass* pass = s->smooth_pass;
  if (!row_index_is_current(s->row_index, s->segments, s->paper_pixel)) {
    paper_rows(s, target, 0, target.height);
    return;
  }
  note_pen_colours(pass, s->segments);
  Projection p{target.width, target.height, s->source_width, s->length_x, s->length_y, s->position};
  SmoothFrame& f = pass->frame;
  gather_near_lines(s, pass, p);
  SmoothSource source{pass->pen_colours, rgb_of(pass, s->ink_pixel), rgb_of(pass, s->paper_pixel),
                      pass->near_lines, s->line_height};
  if (!pass->image || pass->image->width < p.width || pass->image->height < p.height) {
    make_image(s, pass, std::max(p.width, 1), std::max(p.height, 1));
    f.rows = nullptr;  // new memory, all of it to clear
  }
  XImage* image = pass->image;
  if (pass->use_shared) XSync(s->display, False);  // the server has read the last frame
  bool direct = image_takes_rgb(pass, image);
  f.lent = direct ? reinterpret_cast<Rgb*>(image->data) : nullptr;
  f.lent_stride = static_cast<std::size_t>(image->bytes_per_line) / sizeof(Rgb);
  draw_smooth_frame(p, *s->row_index, static_cast<DrawMode>(s->draw_mode), source, &f);
  int first = 0, last = f.height - 1;
  while (first <= last && !f.inked[first]) ++first;
  while (last >= first && !f.inked[last]) --last;
  paper_rows(s, target, 0, std::min(first, target.height));
  paper_rows(s, target, last + 1, target.height);
  if (first > last) return;
  if (!direct) {
    for (int y = first; y <= last; ++y) fill_image_row(pass, image, f, y);
  }
  if (pass->use_shared) {
    XShmPutImage(s->display, target.drawable, s->copy_gc, image, 0, first, 0, first, f.width,
                 last - first + 1, False);
  } else {
    XPutImage(s->display, target.drawable, s->copy_gc, image, 0, first, 0, first, f.width,
              last - first + 1);
  }
  if (target.drawn) note_box(target.drawn, 0, first, f.width - 1, last);
}
