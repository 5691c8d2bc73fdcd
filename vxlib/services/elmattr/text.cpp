// Texts built with an attribute definition:
//   vxlibElmAttr_createText        a text element with the definition's text settings
//   vxlibElement_createText        the same in the host's element buffer, a justification given
//   vxlibUtil_extractTextSize      the size of a text of several lines built so
#include <cmath>
#include <cstdio>
#include <cstring>

#include "vxlib/services/elmattr/elmattr.hpp"

namespace pixmend::vxlib::elmattr {
namespace {

constexpr double kDegree = 3.14159265358979323846 / 180.0;
constexpr int kLineSize = 513;  // a line of a text: 512 characters and the terminator

RotMatrix aboutZ(double radians) {
  RotMatrix r{};
  r.form3d[0][0] = std::cos(radians);
  r.form3d[0][1] = -std::sin(radians);
  r.form3d[1][0] = std::sin(radians);
  r.form3d[1][1] = std::cos(radians);
  r.form3d[2][2] = 1;
  return r;
}

double uorsPerMaster() {
  double uors = 1;
  mdlCnv_masterUnitsToUors(&uors, 1.0, mdlModelRef_getActive());
  return uors;
}

}  // namespace
}  // namespace pixmend::vxlib::elmattr

using namespace pixmend::vxlib;
using namespace pixmend::vxlib::elmattr;

extern "C" {

int vxlibElmAttr_createText(MSElement* element, const MSElement* templateElement, const char* text,
                            const DPoint3d* origin, const RotMatrix* rotation, int attributeId, double scale,
                            VxlibElmAttrSettings* settingsOut) {
  const Definition* d = find(block(), attributeId);
  if (d == nullptr || element == nullptr || text == nullptr || !(scale > 0) || !std::isfinite(scale)) return VXLIB_ERROR;
  const VxlibElmAttrSettings& s = d->settings;
  DgnModelRefP model = mdlModelRef_getActive();
  TextParam params{};
  TextSize size{};
  mdlParams_getActive(&params.font, ACTIVEPARAM_FONT);
  mdlParams_getActive(&params.justification, ACTIVEPARAM_TEXTJUST);
  double activeWidth = 0, activeHeight = 0;
  mdlParams_getActive(&activeWidth, ACTIVEPARAM_TEXTWIDTH);
  mdlParams_getActive(&activeHeight, ACTIVEPARAM_TEXTHEIGHT);
  size.width = activeWidth / scale;
  size.height = activeHeight / scale;
  // 1. A text style the design knows gives the parameters and the size.
  bool styled = false;
  if ((s.mask & VXLIB_ELMATTR_TEXTSTYLE) != 0 && isTextKind(d->kind) && s.choice.textStyleName[0] != 0 &&
      mdlTextStyle_getByName(&params, &size, s.choice.textStyleName, model) == SUCCESS) {
    styled = true;
    const double divisor = scale / uorsPerMaster();
    size.width /= divisor;
    size.height /= divisor;
    if (size.width == 0 || size.height == 0) {
      size.width = activeWidth / scale;
      size.height = activeHeight / scale;
    }
  }
  // 2. The definition's own size.
  if ((s.mask & VXLIB_ELMATTR_SIZE) != 0) {
    size.width = s.textWidth / scale;
    size.height = s.textHeight / scale;
    params.lineSpacing = size.height * s.lineSpacing;
  }
  // 3. Justification and font (the active ones were taken above unless a style gave them).
  if ((s.mask & VXLIB_ELMATTR_JUSTIFICATION) != 0) params.justification = s.justification;
  if ((s.mask & VXLIB_ELMATTR_FONT) != 0) params.font = s.font;
  // 4. The angle: the definition's, else (without a style) the active one when not zero.
  RotMatrix turned{};
  const RotMatrix* used = rotation;
  double activeAngle = 0;
  mdlParams_getActive(&activeAngle, ACTIVEPARAM_ANGLE);
  if ((s.mask & VXLIB_ELMATTR_ANGLE) != 0 && d->kind == 4) {
    turned = aboutZ(s.extra.angle * kDegree);
    used = &turned;
  } else if (!styled && activeAngle != 0) {
    turned = aboutZ(activeAngle);
    used = &turned;
  }
  if (mdlText_createWide(element, templateElement, vxlibUtil_convertToUnicodeText(text), origin, used, &size, &params,
                         model) != SUCCESS)
    return VXLIB_ERROR;
  vxlibElmAttr_setSymbologyAndProperties(element, attributeId, settingsOut);
  return VXLIB_SUCCESS;
}

int vxlibElement_createText(const DPoint3d* origin, const char* text, double scale, int justification, int attributeId,
                            MSElementDescr* descriptor) {
  Definition* d = find(block(), attributeId);
  if (d == nullptr || dgnBuf == nullptr) return VXLIB_ERROR;
  const VxlibElmAttrSettings kept = d->settings;
  if (justification >= 0) {
    // For this call only: the definition's settings are restored afterwards.
    d->settings.mask |= VXLIB_ELMATTR_JUSTIFICATION;
    d->settings.justification = justification;
  }
  const int status = vxlibElmAttr_createText(dgnBuf, nullptr, text, origin, nullptr, attributeId, scale, nullptr);
  if (std::memcmp(&kept, &d->settings, sizeof kept) != 0) d->settings = kept;
  if (status != VXLIB_SUCCESS) return VXLIB_ERROR;
  if (descriptor != nullptr && mdlElmdscr_appendElement(descriptor, dgnBuf) != SUCCESS) return VXLIB_ERROR;
  return VXLIB_SUCCESS;
}

int vxlibUtil_extractTextSize(const char* text, double scale, int attributeId, double lineSpacing, double* widthOut,
                              double* heightOut, double* totalHeightOut, TextParam* textParamsOut) {
  if (text == nullptr) return VXLIB_ERROR;
  char line[kLineSize], rest[kLineSize];
  std::snprintf(line, sizeof line, "%s", text);
  const DPoint3d origin{0, 0, 0};
  double width = 0, height = 0;
  int lines = 0;
  for (bool more = true; more;) {
    more = vxlibUtil_splitText(line, rest) != 0;
    if (vxlibElement_createText(&origin, line, scale, -1, attributeId, nullptr) != VXLIB_SUCCESS) return VXLIB_ERROR;
    DPoint3d shape[5]{};
    if (mdlText_extract(nullptr, 0, nullptr, nullptr, nullptr, textParamsOut, shape, dgnBuf) != SUCCESS) return VXLIB_ERROR;
    const double w = std::hypot(shape[1].x - shape[0].x, shape[1].y - shape[0].y);
    height = std::hypot(shape[2].x - shape[1].x, shape[2].y - shape[1].y);
    if (w > width) width = w;
    ++lines;
    if (more) std::memmove(line, rest, std::strlen(rest) + 1);
  }
  if (widthOut != nullptr) *widthOut = width;
  if (heightOut != nullptr) *heightOut = height;
  if (totalHeightOut != nullptr) *totalHeightOut = (lines - 1) * lineSpacing + lines * height;
  return VXLIB_SUCCESS;
}

}  // extern "C"
