#include "content/line_layout.h"
