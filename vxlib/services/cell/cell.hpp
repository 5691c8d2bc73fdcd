// What the cell family's files share (never exported).
#pragma once

#include <string>

namespace pixmend::vxlib {

// The cell directory (cellpath.cpp): VX_CELL's value when defined, else VX_DIR's followed by
// "cell/", else the fixed "/vexcraft/cell/" (this platform's form of the drive's folder).
std::string cellDirectory();
// Whether VX_CELL is defined (then the directory is a search path, not one folder).
bool cellSearchPathDefined();

}  // namespace pixmend::vxlib
