// Lines and outlines of the geometric commands (see dynamics.hpp).
#include "transform/commands/dynamics.hpp"

#include "app/session.hpp"

namespace pixmend::app {
namespace {

bool solidSymbology() {
  const unsigned color = 0, weight = 0;
  const int style = 0;
  return mdlElement_setSymbology(dgnBuf, &color, &weight, &style) == SUCCESS;
}

}  // namespace

bool buildLine(const DPoint3d& from, const DPoint3d& to) {
  const DPoint3d points[2] = {from, to};
  const int status = mdlLine_create(dgnBuf, nullptr, points);
  if (status == MDLERR_OUTOFDESIGNPLANE) {
    okBox("The coordinates are beyond the design plane", 3);
    return false;
  }
  return status == SUCCESS && solidSymbology();
}

bool buildOutline(const DPoint3d corners[5]) {
  return mdlShape_create(dgnBuf, nullptr, corners, 5, 0) == SUCCESS && solidSymbology();
}

void restartCommand() {
  mdlState_restartCurrentCommand();
}

}  // namespace pixmend::app
