// What the command line and session verbs use of the plot group beside its C calls (api.h).
#pragma once

#include "host/plot/api.h"

namespace pixmend::host::plot {

// The range of every graphic element of the active model (x and y); false when it has none.
bool designRange(DPoint3d* low, DPoint3d* high);

// Makes the box from `low` to `high` the descriptor's area (as the fence would); MDLERR_BADARG
// for a descriptor the host did not make or an empty box.
int setPlotArea(PlotDescr* descr, const DPoint3d& low, const DPoint3d& high);

}  // namespace pixmend::host::plot
