// XPM pictures: read by the XPM library into a pixmap on the server, read
// back pixel by pixel and laid out as runs of equal pixels, centred on the
// width of the source picture.
#pragma once

struct AppState;

void load_pixmap_file(AppState* state, const char* file_name);
