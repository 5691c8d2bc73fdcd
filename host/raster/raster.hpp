// The raster group's C++ side: which applications have the raster library initialised. Raster
// calls of an application that has not initialised it (or has terminated it) are refused.
#pragma once

#include "host/system/application.hpp"

namespace pixmend::host {

// True while `app` has initialised the raster library and not terminated it.
bool rasterLibraryActive(const Application* app);

}  // namespace pixmend::host
