// vxlibPrint_printElementDescr: an element descriptor drawn through the current plot driver,
// fitted into a rectangle of the page.
//
// The host's current coordinate system carries the fit: design coordinates read as page
// millimetres while the descriptor is walked, so the host's stroking and text extraction hand out
// page coordinates directly. The walk goes twice, level 63 first, so that the grey fills kept on
// that level lie under every other element.
#include <cctype>
#include <cmath>
#include <cstring>

#include "host/mdl.h"
#include "vxlib/services/plot/plot.hpp"

namespace pixmend::vxlib::plot {
namespace {

constexpr unsigned kFillLevel = 63;
constexpr double kStrokeTolerance = 0.01;  // page millimetres
constexpr double kTextSizeFactor = 1.3;    // a text's box height to the drivers' text size
constexpr double kPi = 3.14159265358979323846;

struct Pass {
  int outputType;
  bool fillLevel;  // true: only elements on level 63; false: every other element
};

int clampedWeight(unsigned weight) { return weight <= 15 ? static_cast<int>(weight) : 2; }
int clampedStyle(int style) { return style >= 0 && style <= 7 ? style : 0; }

void drawOutline(const Pass& pass, MSElementDescr* node, int weight, int style, double fill) {
  DPoint3d* points = nullptr;
  int count = 0;
  if (mdlElmdscr_stroke(&points, &count, node, kStrokeTolerance) != SUCCESS || points == nullptr) return;
  if (count >= 2) {
    const auto* xyz = reinterpret_cast<const double*>(points);
    const double width = lineWidth(weight);
    switch (pass.outputType) {
      case kOutputPostScript:
        vxlibPs_drawPolylineExtended(xyz, count, width, postScriptDash(style), fill);
        break;
      case kOutputHpgl:
        vxlibHpgl_drawPolyline(xyz, count, width, fill);
        break;
      case kOutputPcl:
        vxlibPcl_drawPolylineExtended(xyz, count, width, pclLineType(style), pclPatternLength(style), fill);
        break;
      default:  // the text file draws no lines
        break;
    }
  }
  dlmSystem_mdlFree(points);
}

bool blank(const char* text) {
  for (const char* c = text; *c != '\0'; ++c) {
    if (!std::isspace(static_cast<unsigned char>(*c))) return false;
  }
  return true;
}

void drawText(const Pass& pass, const MSElement* element) {
  char text[1024] = "";
  DPoint3d origin{}, shape[5]{};
  TextParam params{};
  if (mdlText_extract(text, sizeof text, &origin, nullptr, nullptr, &params, shape, element) != SUCCESS) return;
  if (blank(text)) return;
  const double angle = std::atan2(shape[1].y - shape[0].y, shape[1].x - shape[0].x);
  const double size = std::hypot(shape[2].x - shape[1].x, shape[2].y - shape[1].y);
  // The drivers place texts by their baseline and know three justifications.
  const int code = params.justification;
  int justification = code;
  double x = origin.x, y = origin.y;
  if (code >= 0 && code <= 14) {
    justification = code <= 5 ? 2 : code <= 8 ? 0 : 1;
    const double move = code % 3 == 0 ? size : code % 3 == 1 ? size / 2 : 0.0;
    x += move * std::sin(angle);
    y -= move * std::cos(angle);
  }
  const double degrees = angle * 180.0 / kPi;
  switch (pass.outputType) {
    case kOutputPostScript:
      vxlibPs_drawText(x, y, text, kTextSizeFactor * size, degrees, justification);
      break;
    case kOutputHpgl:
      vxlibHpgl_drawText(x, y, text, kTextSizeFactor * size, degrees, justification);
      break;
    case kOutputPcl:
      vxlibPcl_drawText(x, y, text, kTextSizeFactor * size, degrees, justification);
      break;
    case kOutputText: {
      // The text file reads rows in the text's own axes: the box turned back by the text's angle.
      double unturned[15];
      const double c = std::cos(-angle), s = std::sin(-angle);
      for (int i = 0; i < 5; ++i) {
        unturned[3 * i] = c * shape[i].x - s * shape[i].y;
        unturned[3 * i + 1] = s * shape[i].x + c * shape[i].y;
        unturned[3 * i + 2] = shape[i].z;
      }
      vxlibAscii_drawText(unturned, text, kTextSizeFactor * size, params.font, params.justification,
                          degrees - pageAngle(), justification);
      break;
    }
    default:
      break;
  }
}

int printNode(MSElementDescr* node, void* parameters) {
  const Pass& pass = *static_cast<const Pass*>(parameters);
  vxlibUtil_updateHourGlass();
  const MSElement* element = mdlElmdscr_getElement(node);
  unsigned colour = 0, weight = 0, level = 0;
  int style = 0;
  if (mdlElement_getEffectiveSymbology(&colour, &weight, &style, element, nullptr) != SUCCESS) return 0;
  mdlElement_getProperties(&level, nullptr, nullptr, element);
  if ((level == kFillLevel) != pass.fillLevel) return 0;
  const MSElementDescr* parent = mdlElmdscr_parent(node);
  if (parent != nullptr && mdlElement_getType(mdlElmdscr_getElement(const_cast<MSElementDescr*>(parent))) == CMPLX_SHAPE_ELM)
    return 0;  // drawn with its complex shape
  const int type = mdlElement_getType(element);
  switch (type) {
    case SHAPE_ELM:
    case CMPLX_SHAPE_ELM:
    case ELLIPSE_ELM: {
      double fill = mdlElement_isFilled(element) != 0 ? 0.0 : -1.0;
      if (level == kFillLevel && colour >= 100 && colour <= 200) fill = 1.0 - (colour - 100) * 0.01;
      drawOutline(pass, node, clampedWeight(weight), clampedStyle(style), fill);
      break;
    }
    case TEXT_ELM:
      drawText(pass, element);
      break;
    case CELL_HEADER_ELM:
    case TEXT_NODE_ELM:
      break;  // their components are walked and drawn one by one
    default:
      drawOutline(pass, node, clampedWeight(weight), clampedStyle(style), -1.0);
      break;
  }
  return 0;
}

}  // namespace
}  // namespace pixmend::vxlib::plot

using namespace pixmend::vxlib::plot;

extern "C" {

void vxlibPrint_printElementDescr(MSElementDescr* descriptor, double x, double y, double width, double height) {
  DPoint3d low{}, high{};
  if (descriptor == nullptr || mdlElmdscr_computeRange(&low, &high, descriptor) != SUCCESS) return;
  const double dx = high.x - low.x, dy = high.y - low.y;
  // A descriptor without width or height is fitted by its other side alone.
  double scale = dx > 0 && dy > 0 ? std::fmin(width / dx, height / dy) : dx > 0 ? width / dx : dy > 0 ? height / dy : 1.0;
  if (!std::isfinite(scale) || scale <= 0) return;
  const double mx = (width - dx * scale) / 2, my = (height - dy * scale) / 2;
  const int outputType = currentOutputType();

  mdlCurrTrans_begin();
  mdlCurrTrans_identity();
  mdlCurrTrans_origin(&low);
  mdlCurrTrans_scale(1.0 / scale, 1.0 / scale, 1.0);
  if (outputType == kOutputHpgl) {
    mdlCurrTrans_rotateByAngles(0.0, 0.0, -kPi / 2);
    const DPoint3d turn{-height, 0.0, 0.0};
    mdlCurrTrans_origin(&turn);
  }
  const DPoint3d corner{-x - mx, -y - my, 0.0};
  mdlCurrTrans_origin(&corner);
  Pass fills{outputType, true}, rest{outputType, false};
  mdlElmdscr_operation(descriptor, printNode, &fills);
  mdlElmdscr_operation(descriptor, printNode, &rest);
  mdlCurrTrans_end();
}

}  // extern "C"
