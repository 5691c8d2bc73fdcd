// TIFF tag tests, photometric interpretation, read-only test, inversion and file deletion.
#include "include/pixmend/vxdll.h"
