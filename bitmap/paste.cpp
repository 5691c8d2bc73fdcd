// Opaque, transparent and smart paste and the bounding box of a bitmaps ink.
#include "bitmap/bitmap.hpp"
