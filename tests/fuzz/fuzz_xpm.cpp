// Picture files of arbitrary content through the XPM library and the
// program's own picture code, against a private Xvfb started once.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <X11/xpm.h>

#include "app_state.h"
#include "content/display_list.h"
#include "content/picture_header.h"
#include "content/pixmap_loader.h"
#include "support/app_start.h"
#include "support/segments.h"
#include "support/x_server.h"

namespace {

constexpr int kPenLimit = 4096;  // start a fresh pen cache beyond this many pens

XServer server;
AppState state{};
Arguments arguments;
std::string path;

// Whatever the library reads from a file the header check lets through,
// it reads with the sizes the check saw.
void check_header_agrees(const std::uint8_t* data, std::size_t size) {
  PictureHeaderScan scan;
  scan_picture_header(&scan, reinterpret_cast<const char*>(data), size);
  if (!picture_header_fits(scan, size)) return;
  XpmImage image{};
  if (XpmReadFileToXpmImage(path.c_str(), &image, nullptr) != XpmSuccess) return;
  bool same = image.width == scan.values[0] && image.height == scan.values[1] &&
              image.ncolors == scan.values[2] && image.cpp == scan.values[3];
  XpmFreeXpmImage(&image);
  if (!same) std::abort();
}

int pen_count() {
  int n = 0;
  for (Pen* p = state.pens->head; p; p = p->next) ++n;
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (!start_x_server(&server)) std::abort();
  start_app_on(server.display_name, {"-r"}, &arguments, &state);
  state.pens = new_pen_cache();
  probe_pixels(&state);
  path = "/dev/shm/lumadrift-fuzz-" + std::to_string(getpid()) + ".xpm";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  check_header_agrees(data, size);

  state.segments = new_segment_list();
  load_pixmap_file(&state, path.c_str());
  long long x = 0;
  for (const Segment& g : segments_of(state.segments)) x += g.advance_x;
  if (x != 0) std::abort();  // a picture brings the pen back to x 0
  free_segment_list(state.segments);
  state.segments = nullptr;
  if (pen_count() > kPenLimit) {
    free_pen_cache(state.display, state.pens);
    state.pens = new_pen_cache();
  }
  return 0;
}
