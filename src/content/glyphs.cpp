#include "content/glyphs.h"
