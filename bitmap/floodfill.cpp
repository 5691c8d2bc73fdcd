// Flood-fill area selection with cut lines.
#include "bitmap/selection.hpp"
