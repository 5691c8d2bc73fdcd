// Definitions applied to elements, and their custom line styles resolved in the active design:
//   vxlibElmAttr_setSymbologyAndProperties
//   resolveAttributeLineStyles     after reading definitions and at each new design file
//
// A custom (named) line style is kept as a negative number with its name; the name is what
// counts, since the number a design gives a named style differs from design to design.
#include <cstdio>

#include "vxlib/services/elmattr/elmattr.hpp"

namespace pixmend::vxlib::elmattr {
namespace {

// The element's line style from a definition's: standard and by-level numbers directly; a
// custom style through its name, with the modifiers asked for, only when the design knows it.
void applyLineStyle(MSElement* element, const VxlibElmAttrSettings& s) {
  if (s.lineStyle >= 0) {
    mdlElement_setLineStyle(element, s.lineStyle, nullptr, mdlModelRef_getActive());
    return;
  }
  const long number = mdlLineStyle_numberFromName(s.lineStyleName, mdlModelRef_getActive());
  if (s.lineStyleName[0] == '\0' || number < 0) return;
  LineStyleParams params{};
  if ((s.mask & VXLIB_ELMATTR_STYLEWIDTH) != 0) {
    // The width is given in master units, like every size of a definition.
    double uors = 0;
    mdlCnv_masterUnitsToUors(&uors, s.lineStyleWidth, mdlModelRef_getActive());
    params.modifiers |= LINESTYLE_PARAM_WIDTH;
    params.startWidth = params.endWidth = uors;
  }
  if ((s.mask & VXLIB_ELMATTR_STYLESCALE) != 0) {
    params.modifiers |= LINESTYLE_PARAM_SCALE;
    params.scale = s.lineStyleScale;
  }
  mdlElement_setLineStyle(element, number, &params, mdlModelRef_getActive());
}

}  // namespace

std::int32_t customStyleNumber(long designNumber) { return customLineStyleNumber(designNumber); }

void resolveLineStyles(GlobalData* b) {
  for (Definition* d = State{b}.head(); d != nullptr; d = d->next)
    resolveLineStyle(&d->settings.lineStyle, d->settings.lineStyleName, sizeof d->settings.lineStyleName);
}

}  // namespace pixmend::vxlib::elmattr

namespace pixmend::vxlib {
void resolveAttributeLineStyles(GlobalData* block) {
  if (block != nullptr) elmattr::resolveLineStyles(block);
}
}  // namespace pixmend::vxlib

using namespace pixmend::vxlib;
using namespace pixmend::vxlib::elmattr;

extern "C" {

int vxlibElmAttr_setSymbologyAndProperties(MSElement* element, int attributeId, VxlibElmAttrSettings* settingsOut) {
  const Definition* d = find(block(), attributeId);
  if (d == nullptr) return VXLIB_ERROR;
  const VxlibElmAttrSettings& s = d->settings;
  if (element != nullptr) {
    if ((s.mask & VXLIB_ELMATTR_COLOR) != 0) {
      const auto color = static_cast<unsigned int>(s.color);
      mdlElement_setSymbology(element, &color, nullptr, nullptr);
    }
    if ((s.mask & VXLIB_ELMATTR_STYLE) != 0) applyLineStyle(element, s);
    if ((s.mask & VXLIB_ELMATTR_WEIGHT) != 0) {
      const auto weight = static_cast<unsigned int>(s.weight);
      mdlElement_setSymbology(element, nullptr, &weight, nullptr);
    }
    if ((s.mask & VXLIB_ELMATTR_LEVEL) != 0 && s.levelName[0] != 0) {
      const unsigned int level = vxlibUtil_levelIdFromName(s.levelName);
      if (level != 0) mdlElement_setProperties(element, &level, nullptr, nullptr);
    }
    if ((s.mask & VXLIB_ELMATTR_CLASS) != 0) {
      const int elementClass = s.elementClass != 0 ? ELEMENT_CLASS_CONSTRUCTION : ELEMENT_CLASS_PRIMARY;
      mdlElement_setProperties(element, nullptr, nullptr, &elementClass);
    }
  }
  if (settingsOut != nullptr) *settingsOut = s;
  return VXLIB_SUCCESS;
}

}  // extern "C"
