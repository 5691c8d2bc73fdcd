// Elements built in the host's element buffer with the symbology of an attribute definition:
//   vxlibElement_createLine / createLineString / createShape / createArc / createArcByCenter
//   vxlibElement_createEllipse / createEllipseExtended
//   vxlibElement_setSymbologyByLevel / setSymbologyFromLevel
#include "vxlib/core/core.hpp"

namespace pixmend::vxlib {
namespace {

// The element just built in dgnBuf takes the definition and, when asked, joins the descriptor.
int finish(int hostStatus, int attributeId, MSElementDescr* descriptor) {
  if (hostStatus != SUCCESS || dgnBuf == nullptr) return VXLIB_ERROR;
  vxlibElmAttr_setSymbologyAndProperties(dgnBuf, attributeId, nullptr);
  if (descriptor != nullptr && mdlElmdscr_appendElement(descriptor, dgnBuf) != SUCCESS) return VXLIB_ERROR;
  return VXLIB_SUCCESS;
}

}  // namespace
}  // namespace pixmend::vxlib

using namespace pixmend::vxlib;

extern "C" {

int vxlibElement_createLine(const DPoint3d* points, int attributeId, MSElementDescr* descriptor) {
  if (points == nullptr || dgnBuf == nullptr) return VXLIB_ERROR;
  return finish(mdlLine_create(dgnBuf, nullptr, points), attributeId, descriptor);
}

int vxlibElement_createLineString(const DPoint3d* points, int count, int attributeId, MSElementDescr* descriptor) {
  if (points == nullptr || dgnBuf == nullptr) return VXLIB_ERROR;
  return finish(mdlLineString_create(dgnBuf, nullptr, points, count), attributeId, descriptor);
}

int vxlibElement_createShape(const DPoint3d* points, int count, int fill, int attributeId, MSElementDescr* descriptor) {
  if (points == nullptr || dgnBuf == nullptr) return VXLIB_ERROR;
  return finish(mdlShape_create(dgnBuf, nullptr, points, count, fill != 0 ? 1 : 0), attributeId, descriptor);
}

int vxlibElement_createArc(const DPoint3d* center, double radius, double startAngle, double sweepAngle, int attributeId,
                           MSElementDescr* descriptor) {
  if (center == nullptr || dgnBuf == nullptr) return VXLIB_ERROR;
  return finish(mdlArc_create(dgnBuf, nullptr, center, radius, radius, nullptr, startAngle, sweepAngle), attributeId,
                descriptor);
}

int vxlibElement_createArcByCenter(const DPoint3d* start, const DPoint3d* end, const DPoint3d* center,
                                   const DPoint3d* normal, int clockwise, int attributeId, MSElementDescr* descriptor) {
  if (start == nullptr || end == nullptr || center == nullptr || descriptor == nullptr) return VXLIB_ERROR;
  MSElement arc{};
  if (mdlArc_createByCenter(&arc, nullptr, start, end, center, normal, clockwise) != SUCCESS) return VXLIB_ERROR;
  vxlibElmAttr_setSymbologyAndProperties(&arc, attributeId, nullptr);
  return mdlElmdscr_appendElement(descriptor, &arc) == SUCCESS ? VXLIB_SUCCESS : VXLIB_ERROR;
}

int vxlibElement_createEllipse(const DPoint3d* center, double radius, int attributeId, MSElementDescr* descriptor) {
  return vxlibElement_createEllipseExtended(center, radius, 0, attributeId, descriptor);
}

int vxlibElement_createEllipseExtended(const DPoint3d* center, double radius, int fill, int attributeId,
                                       MSElementDescr* descriptor) {
  if (center == nullptr || dgnBuf == nullptr) return VXLIB_ERROR;
  return finish(mdlEllipse_create(dgnBuf, nullptr, center, radius, radius, nullptr, fill != 0 ? 1 : 0), attributeId,
                descriptor);
}

int vxlibElement_setSymbologyByLevel(MSElement* element) {
  const unsigned int color = COLOR_BYLEVEL, weight = WEIGHT_BYLEVEL;
  const int style = STYLE_BYLEVEL;
  return mdlElement_setSymbology(element, &color, &weight, &style) == SUCCESS ? VXLIB_SUCCESS : VXLIB_ERROR;
}

int vxlibElement_setSymbologyFromLevel(MSElement* element, unsigned int level) {
  unsigned int color = 0, weight = 0;
  int style = 0;
  if (element == nullptr || mdlLevel_getElementSymbology(&color, &weight, &style, mdlModelRef_getActive(), level) != SUCCESS)
    return VXLIB_ERROR;
  // The level's style may be a named one the element takes by number; the others through the
  // plain symbology call.
  if (mdlElement_setSymbology(element, &color, &weight, nullptr) != SUCCESS) return VXLIB_ERROR;
  return mdlElement_setLineStyle(element, style, nullptr, mdlModelRef_getActive()) == SUCCESS ? VXLIB_SUCCESS
                                                                                             : VXLIB_ERROR;
}

}  // extern "C"
