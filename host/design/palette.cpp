// The colour palette of every model: the 256 colours elements are drawn in (host/view/colours.cpp),
// handed to applications as colour descriptors of the active model or a work file.
#include <array>
#include <functional>

#include "host/design/api.h"
#include "host/design/design.hpp"
#include "host/view/graphics.hpp"

struct MSColorDescr {
  RgbColorDef rgb;
};

namespace pixmend::host {
namespace {

constexpr int kColours = kElementColours;

std::array<MSColorDescr, kColours>& palette() {
  static std::array<MSColorDescr, kColours> colours = [] {
    std::array<MSColorDescr, kColours> p{};
    for (int i = 0; i < kColours; ++i) p[static_cast<std::size_t>(i)].rgb = elementColour(i);
    return p;
  }();
  return colours;
}

}  // namespace
}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

MSColorDescr* mdlColorPal_getColorDescr(DgnModelRefP modelRef, int index) {
  if (modelRef != nullptr && modelRef != mdlModelRef_getActive() && workFilePath(modelRef) == nullptr)
    return nullptr;
  if (index < 0 || index >= kColours) return nullptr;
  return &palette()[static_cast<std::size_t>(index)];
}

int mdlColorDescr_getRgb(RgbColorDef* rgb, const MSColorDescr* descr) {
  const MSColorDescr* first = palette().data();
  // Only the palette's own descriptors are read: anything else could point anywhere.
  const std::less<const MSColorDescr*> before;
  if (rgb == nullptr || descr == nullptr || before(descr, first) || !before(descr, first + kColours)) {
    return MDLERR_BADARG;
  }
  *rgb = descr->rgb;
  return SUCCESS;
}

}  // extern "C"
