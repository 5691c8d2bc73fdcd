// Placing pages in the design, plotting them through a host plot driver, and spreadsheet output.
// (Being built: this file holds the entry points only.)
#include "vxlib/services/pages/pages.hpp"

namespace pixmend::vxlib::pages {

void placePagesFromDialog() {}
void printThroughPlotDriver() {}
void spreadsheetFromDialog() {}
std::string plotFileName(PlotDescr*, const char*) { return {}; }

}  // namespace pixmend::vxlib::pages
