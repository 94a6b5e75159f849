// The noting error handler of without_fatal_errors.
#include "app/x_errors.h"

bool x_request_failed = false;

int note_x_error(Display*, XErrorEvent*) {
  x_request_failed = true;
  return 0;
}
