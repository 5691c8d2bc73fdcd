// Walking a descriptor's nodes for the geometry, drawing and modify calls (internal to
// host/design): soundness of every image, and the range of a node's own geometry.
#pragma once

#include <functional>

#include "host/design/descriptor.hpp"
#include "host/types.h"

namespace pixmend::host {

// Visits `first` and the rest of its chain, each header before its components. The function
// returns false to stop; walk then returns false.
bool walkNodes(MSElementDescr* first, const std::function<bool(MSElementDescr*)>& visit);
// Every image of the chain (components included) is well formed.
bool soundChain(MSElementDescr* first);
bool isComplexHeaderType(int type);

// Widens [low, high] by the geometry of one element image (none for complex headers with
// components, which their components cover, and for non-graphic elements): false when it has
// none. `any` says whether low/high hold anything yet.
bool addElementRange(const MSElement& e, bool hasComponents, bool* any, DPoint3d* low, DPoint3d* high);
// The range of a chain and its components; false when nothing in it has any.
bool chainRange(MSElementDescr* first, DPoint3d* low, DPoint3d* high);

}  // namespace pixmend::host
