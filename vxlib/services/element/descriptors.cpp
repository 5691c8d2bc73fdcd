// The descriptor family (vxlibElemDscr_): a descriptor's range, fitted into a box, drawn into a
// window's rectangle.
#include <algorithm>
#include <cmath>

#include "host/mdl.h"
#include "pixmend/vxlib.h"

namespace pixmend::vxlib {
namespace {

// A width or height of a range below this is taken as kFlatSide, so a flat descriptor is fitted
// by its other side alone.
constexpr double kFlatLimit = 0.001;
constexpr double kFlatSide = 0.0001;
constexpr int kTopView = 1;

}  // namespace
}  // namespace pixmend::vxlib

using namespace pixmend::vxlib;

extern "C" {

int vxlibElemDscr_getRange(DPoint3d* range, MSElementDescr* descriptor) {
  if (range == nullptr || descriptor == nullptr) return VXLIB_ERROR;
  return mdlElmdscr_computeRange(&range[0], &range[1], descriptor) == SUCCESS ? VXLIB_SUCCESS : VXLIB_ERROR;
}

int vxlibElemDscr_placeElementDescr(DPoint3d* box, int moveToBox, MSElementDescr* descriptor) {
  if (box == nullptr || descriptor == nullptr) return VXLIB_ERROR;
  DPoint3d low{}, high{};
  if (mdlElmdscr_validate(descriptor, mdlModelRef_getActive()) != SUCCESS ||
      mdlElmdscr_computeRange(&low, &high, descriptor) != SUCCESS) {
    return VXLIB_ERROR;
  }
  double width = high.x - low.x, height = high.y - low.y;
  if (std::fabs(width) < kFlatLimit) width = kFlatSide;
  if (std::fabs(height) < kFlatLimit) height = kFlatSide;
  // The box's corners in either order (a box given from its upper right would otherwise give a
  // negative scale and turn the descriptor over).
  DPoint3d b0 = box[0], b2 = box[2];
  if (b2.x < b0.x) std::swap(b0.x, b2.x);
  if (b2.y < b0.y) std::swap(b0.y, b2.y);
  if (b2.x == b0.x) b2.x = b0.x + 1;
  if (b2.y == b0.y) b2.y = b0.y + 1;
  const double scale = std::min((b2.x - b0.x) / width, (b2.y - b0.y) / height);
  const DPoint3d origin{b0.x + ((b2.x - b0.x) - width * scale) / 2 - scale * low.x,
                        b0.y + ((b2.y - b0.y) - height * scale) / 2 - scale * low.y, b0.z};
  Transform transform;
  mdlTMatrix_getIdentity(&transform);
  mdlTMatrix_scale(&transform, &transform, scale, scale, scale);
  if (moveToBox != 0) mdlTMatrix_translate(&transform, &transform, origin.x, origin.y, origin.z);
  return mdlElmdscr_transform(descriptor, &transform) == SUCCESS ? VXLIB_SUCCESS : VXLIB_ERROR;
}

int vxlibElemDscr_drawElementDescr(MSDialog* window, BSIRect* rectangle, MSElementDescr* descriptor,
                                   ViewFlags* viewFlags, int drawMode) {
  if (rectangle == nullptr || descriptor == nullptr) return VXLIB_ERROR;
  RotMatrix rotation;
  DPoint3d low{}, high{};
  if (mdlRMatrix_getStandard(&rotation, kTopView) != SUCCESS ||
      mdlElmdscr_computeRange(&low, &high, descriptor) != SUCCESS) {
    return VXLIB_ERROR;
  }
  // The range's corners as the view sees them, and the box round them.
  DPoint3d viewLow{}, viewHigh{};
  for (int corner = 0; corner < 8; ++corner) {
    DPoint3d p{corner & 1 ? high.x : low.x, corner & 2 ? high.y : low.y, corner & 4 ? high.z : low.z};
    mdlRMatrix_rotatePoint(&p, &rotation);
    viewLow = corner == 0
                  ? p
                  : DPoint3d{std::min(viewLow.x, p.x), std::min(viewLow.y, p.y), std::min(viewLow.z, p.z)};
    viewHigh = corner == 0 ? p
                           : DPoint3d{std::max(viewHigh.x, p.x), std::max(viewHigh.y, p.y),
                                      std::max(viewHigh.z, p.z)};
  }
  const DPoint3d delta{viewHigh.x - viewLow.x, viewHigh.y - viewLow.y, viewHigh.z - viewLow.z};
  ViewFlags flags{};
  flags.words[0] = VIEWFLAGS_DEFAULT;
  const int status = mdlElmdscr_displayToWindow(window, rectangle, viewFlags != nullptr ? viewFlags : &flags,
                                                descriptor, &rotation, &viewLow, &delta, drawMode);
  return status == SUCCESS ? VXLIB_SUCCESS : VXLIB_ERROR;
}

}  // extern "C"
