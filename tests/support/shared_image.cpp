#include "support/shared_image.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <X11/Xutil.h>

SharedImage::SharedImage(Display* display, int width, int height) : display_(display) {
  int screen = DefaultScreen(display);
  image_ = XShmCreateImage(display, DefaultVisual(display, screen), DefaultDepth(display, screen),
                           ZPixmap, nullptr, &segment_, width, height);
  segment_.shmid =
      shmget(IPC_PRIVATE, static_cast<size_t>(image_->bytes_per_line) * height, IPC_CREAT | 0600);
  segment_.shmaddr = image_->data = static_cast<char*>(shmat(segment_.shmid, nullptr, 0));
  segment_.readOnly = False;
  XShmAttach(display, &segment_);
  XSync(display, False);
  // The segment goes when both sides have let it go.
  shmctl(segment_.shmid, IPC_RMID, nullptr);
}

SharedImage::~SharedImage() {
  XShmDetach(display_, &segment_);
  XSync(display_, False);
  XDestroyImage(image_);  // the image record only: the data are the segment's
  shmdt(segment_.shmaddr);
}

XImage* SharedImage::read(Drawable drawable) {
  return XShmGetImage(display_, drawable, image_, 0, 0, AllPlanes) ? image_ : nullptr;
}
