#include "content/pixmap_loader.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

#include <X11/Xutil.h>
#include <X11/xpm.h>

#include "app_state.h"
#include "content/display_list.h"
#include "content/picture_header.h"
#include "content/segment_moves.h"

namespace {

constexpr int kCloseness = 40000;  // accept a colour this near when the exact one is taken
constexpr int kDescriptorNameSize = 32;

// Makes the server-side pixmap of a picture read from a file. False when
// the library cannot make it.
bool create_pixmap(AppState* s, XpmImage* image, Pixmap* pixmap) {
  XpmAttributes attributes{};
  attributes.valuemask = XpmColormap | XpmSize | XpmReturnPixels | XpmCloseness;
  attributes.colormap = s->colormap;
  attributes.closeness = kCloseness;
  Pixmap shape = None;
  int status =
      XpmCreatePixmapFromXpmImage(s->display, s->base_window, image, pixmap, &shape, &attributes);
  if (shape != None) XFreePixmap(s->display, shape);
  if (status < XpmSuccess) return false;
  XpmFreeAttributes(&attributes);
  return true;
}

// Reads a picture file into an image. The library is handed the file under
// a name of its open descriptor: given the file's own name, it would hand a
// name ending in ".gz" or ".Z" to an external decompressor, although the
// file is known to begin with the XPM text already. (Reading from a copy in
// memory instead is no way out: the library's parser then reads past the
// end of the copy for a malformed colour line.) The declared sizes are
// checked first, since the library believes them.
bool read_picture_file(const char* file_name, XpmImage* image) {
  int fd = open(file_name, O_RDONLY);
  if (fd < 0) return false;
  if (!picture_file_header_fits(fd)) {
    close(fd);
    return false;
  }
  char name[kDescriptorNameSize];
  std::snprintf(name, sizeof name, "/dev/fd/%d", fd);
  bool read = XpmReadFileToXpmImage(name, image, nullptr) == XpmSuccess;
  close(fd);
  return read;
}

// The picture read back from the server, row by row, as runs of equal
// pixels; each row ends with the move back to its left edge, one row down.
void emit_image(AppState* s, Pixmap pixmap, int width, int height) {
  if (width <= 0 || height <= 0) return;
  XImage* image = XGetImage(s->display, pixmap, 0, 0, width, height, AllPlanes, XYPixmap);
  if (!image) return;
  for (int r = 0; r < height; ++r) {
    StoredSegment* open = nullptr;
    unsigned long open_pixel = 0;
    for (int x = 0; x < width; ++x) {
      unsigned long p = XGetPixel(image, x, r);
      if (open && p == open_pixel) {
        ++open->length;
        ++open->advance_x;
      } else {
        open = append_segment(s->segments, new_segment(1, pen_for_pixel(s, p), 1, 0));
        open_pixel = p;
      }
    }
    move_tail(s->segments, -width, 1);  // back to the picture's left edge, one row down
  }
  XDestroyImage(image);
}

}  // namespace

// A file the library cannot read, or a picture larger than any pixmap can be,
// adds nothing. A picture of no width still takes its height in rows.
void load_pixmap_file(AppState* state, const char* file_name) {
  AppState* s = state;
  XpmImage image{};
  if (!read_picture_file(file_name, &image)) return;
  unsigned width = image.width, height = image.height;
  Pixmap pixmap = None;
  bool usable = width <= kMaxPictureSide && height <= kMaxPictureSide;
  if (usable && width > 0 && height > 0) usable = create_pixmap(s, &image, &pixmap);
  XpmFreeXpmImage(&image);
  if (!usable) return;

  note_line_start(s->segments);
  std::int64_t shift = (static_cast<std::int64_t>(s->source_width) - width) / 2;
  Pen* paper = pen_for_pixel(s, s->paper_pixel);
  append_moves(s->segments, paper, shift, 0);
  if (pixmap != None) {
    emit_image(s, pixmap, static_cast<int>(width), static_cast<int>(height));
  } else if (height > 0) {
    append_moves(s->segments, paper, 0, height);
  }
  append_moves(s->segments, paper, -shift, 0);
  if (pixmap != None) XFreePixmap(s->display, pixmap);
}
