// A drawable's pixels read through shared memory (MIT-SHM): the server
// writes them straight into an image made once, instead of sending them
// through the socket into fresh memory on every read. The tests' servers run
// on the same machine, where the extension works.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

class SharedImage {
 public:
  // An image of the default visual, width x height.
  SharedImage(Display* display, int width, int height);
  ~SharedImage();
  SharedImage(const SharedImage&) = delete;
  SharedImage& operator=(const SharedImage&) = delete;

  // Reads the top left width x height of the drawable into the image, which
  // stays this object's; nullptr when the server refused.
  XImage* read(Drawable drawable);

 private:
  Display* display_;
  XShmSegmentInfo segment_{};
  XImage* image_ = nullptr;
};
