// The current coordinate system (api.h, mdlCurrTrans_...) for the host's own readers: calls that
// hand out coordinates for drawing (stroking, text extraction) give them in it.
#pragma once

#include "host/types.h"

namespace pixmend::host {

// A design point as the current coordinate system reads it.
DPoint3d designToCurrent(const DPoint3d& design);
// A direction (no origin): a rotation's columns or a text's size turned into the current system.
DPoint3d designVectorToCurrent(const DPoint3d& design);
// The transform from current to design coordinates (the identity until something changed it).
const Transform& currentToDesign();

}  // namespace pixmend::host
