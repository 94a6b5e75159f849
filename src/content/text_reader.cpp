#include "content/text_reader.h"
char line_buffer[kLineBufferSize];
