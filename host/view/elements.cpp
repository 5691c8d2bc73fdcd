// Element images of lines, line strings and shapes, in the host's one element layout
// (layout.hpp); the reading of every drawable image and its display (see api.h).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "common/bytes.hpp"
#include "host/output/journal.hpp"
#include "host/system/publish.hpp"
#include "host/view/api.h"
#include "host/view/graphics.hpp"
#include "host/view/layout.hpp"
#include "host/view/textbox.hpp"
#include "host/view/textlook.hpp"
#include "host/view/view.hpp"

namespace pixmend::host {
namespace {

namespace el = element;

constexpr double kDesignPlane = 9007199254740992.0;  // 2^53: beyond it doubles skip whole units

int& dynamicsDepth() {
  static int depth = 0;
  return depth;
}

std::size_t linearWords(int count) {
  return (el::kVertices + static_cast<std::size_t>(count) * el::kVertexBytes) / 2;
}

int build(MSElement* out, const MSElement* templ, int type, const DPoint3d* points, int count, bool filled) {
  if (out == nullptr || points == nullptr) return MDLERR_BADARG;
  if (!inDesignPlane(points, count)) return MDLERR_OUTOFDESIGNPLANE;
  startFromTemplate(*out, templ, type, linearWords(count));
  el::put32(*out, el::kVertexCount, static_cast<std::uint32_t>(count));
  el::put32(*out, el::kFillFlag, filled ? 1 : 0);
  auto* bytes = reinterpret_cast<std::uint8_t*>(out->buf) + el::kVertices;
  for (int i = 0; i < count; ++i) {
    le::putDouble(bytes + i * el::kVertexBytes, points[i].x);
    le::putDouble(bytes + i * el::kVertexBytes + 8, points[i].y);
    le::putDouble(bytes + i * el::kVertexBytes + 16, points[i].z);
  }
  return SUCCESS;
}

const char* typeName(int type) {
  switch (type) {
    case LINE_ELM:
      return "line";
    case LINE_STRING_ELM:
      return "linestring";
    case SHAPE_ELM:
      return "shape";
    case CMPLX_SHAPE_ELM:
      return "complexshape";
    case ELLIPSE_ELM:
      return "ellipse";
    case ARC_ELM:
      return "arc";
    case TEXT_ELM:
      return "text";
    default:
      return nullptr;
  }
}

// Level and symbology as the image holds them.
void readSymbology(const MSElement& element, ElementInfo* info) {
  info->level = static_cast<int>(el::get32(element, el::kLevel));
  const std::uint32_t color = el::get32(element, el::kColor), weight = el::get32(element, el::kWeight);
  const auto style = static_cast<std::int32_t>(el::get32(element, el::kStyle));
  info->colorByLevel = color == COLOR_BYLEVEL;
  info->weightByLevel = weight == WEIGHT_BYLEVEL;
  info->styleByLevel = style == STYLE_BYLEVEL;
  info->color = color <= 255 ? color : 0;
  info->weight = weight <= 31 ? weight : 0;
  info->style = style >= 0 && style <= 7 ? style : 0;
}

std::string formatPoint(const DPoint3d& p) {
  std::string text = formatNumber(p.x) + "," + formatNumber(p.y);
  if (p.z != 0) text += "," + formatNumber(p.z);
  return text;
}

// " centre 5,5 axes 3,2 rotation 30 start 0 sweep 360" (degrees).
std::string describeCurve(const geometry::Curve& c) {
  constexpr double kDegrees = 180 / 3.14159265358979323846;
  return " centre " + formatPoint(c.centre) + " axes " + formatNumber(geometry::length(c.u)) + "," +
         formatNumber(geometry::length(c.v)) + " rotation " + formatNumber(std::atan2(c.u.y, c.u.x) * kDegrees) +
         " start " + formatNumber(c.start * kDegrees) + " sweep " + formatNumber(c.sweep * kDegrees);
}

}  // namespace

bool inDesignPlane(const DPoint3d* points, int count) {
  for (int i = 0; i < count; ++i) {
    for (double c : {points[i].x, points[i].y, points[i].z}) {
      if (!std::isfinite(c) || std::fabs(c) > kDesignPlane) return false;
    }
  }
  return true;
}

void startFromTemplate(MSElement& out, const MSElement* templ, int type, std::size_t words) {
  // Read before `out` is written: the template may be `out` itself.
  std::uint32_t level = 0, symbology[3] = {0, 0, 0};
  if (templ != nullptr && el::isGraphicType(el::typeOf(*templ)) && el::bytesOf(*templ) >= el::kDisplayBytes) {
    level = std::min<std::uint32_t>(el::get32(*templ, el::kLevel), MAX_LEVEL);
    symbology[0] = el::get32(*templ, el::kColor);
    symbology[1] = el::get32(*templ, el::kWeight);
    symbology[2] = el::get32(*templ, el::kStyle);
  }
  el::startImage(out, type, words, level);
  el::put32(out, el::kColor, symbology[0]);
  el::put32(out, el::kWeight, symbology[1]);
  el::put32(out, el::kStyle, symbology[2]);
}

geometry::Curve elementCurve(const MSElement& element) {
  const RotMatrix r = el::getRotation(element, el::kRotation);
  geometry::Curve c;
  c.centre = el::getPoint(element, el::kCentre);
  c.u = geometry::scaled(geometry::column(r, 0), el::getDouble(element, el::kPrimaryAxis));
  c.v = geometry::scaled(geometry::column(r, 1), el::getDouble(element, el::kSecondaryAxis));
  const bool arc = el::typeOf(element) == ARC_ELM;
  c.start = arc ? el::getDouble(element, el::kStartAngle) : 0;
  c.sweep = arc ? el::getDouble(element, el::kSweepAngle) : 2 * 3.14159265358979323846;
  return c;
}

bool closedOutline(const ElementInfo& info) {
  return info.type == SHAPE_ELM || info.type == ELLIPSE_ELM || info.type == CMPLX_SHAPE_ELM;
}

void clearElement(MSElement& element) {
  el::startImage(element, 0, 0, 0);
}

bool hasNoVertices(const MSElement& element) {
  return el::isLinearType(el::typeOf(element)) && el::bytesOf(element) == el::kVertices &&
         el::get32(element, el::kVertexCount) == 0;
}

void makeEmptyShape(MSElement& element) {
  el::startImage(element, SHAPE_ELM, el::kVertices / 2, 0);
  el::put32(element, el::kVertexCount, 0);
  el::put32(element, el::kFillFlag, 0);
}

std::optional<ElementInfo> readElement(const MSElement& element) {
  ElementInfo info;
  info.type = el::typeOf(element);
  if (typeName(info.type) == nullptr || info.type == CMPLX_SHAPE_ELM) return std::nullopt;
  // The image's own size bounds what is read (an image may sit in a buffer of just that size).
  const std::size_t size = el::bytesOf(element);
  if (size > sizeof(MSElement) ||
      !el::checkImage(reinterpret_cast<const std::uint8_t*>(element.buf), size, sizeof(MSElement)).empty()) {
    return std::nullopt;
  }
  readSymbology(element, &info);
  if (info.type == ELLIPSE_ELM || info.type == ARC_ELM) {
    info.filled = info.type == ELLIPSE_ELM && el::get32(element, el::kConicFill) != 0;
    info.outline.push_back({{}, elementCurve(element)});
    return info;
  }
  if (info.type == TEXT_ELM) {
    // A text shows its characters (textlook.hpp); its vertices are its box.
    DPoint3d box[5];
    el::textShape(element, box);
    info.vertices.assign(box, box + 5);
    info.text = std::make_shared<TextLook>(textLookOf(element));
    return info;
  }
  info.filled = el::get32(element, el::kFillFlag) != 0;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(element.buf) + el::kVertices;
  const std::uint32_t count = el::get32(element, el::kVertexCount);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t* v = bytes + i * el::kVertexBytes;
    info.vertices.push_back({le::getDouble(v), le::getDouble(v + 8), le::getDouble(v + 16)});
  }
  return info;
}

std::optional<ElementInfo> readComplexShape(const MSElement& header, const std::vector<const MSElement*>& components) {
  const std::size_t size = el::bytesOf(header);
  if (el::typeOf(header) != CMPLX_SHAPE_ELM || size > sizeof(MSElement) ||
      !el::checkImage(reinterpret_cast<const std::uint8_t*>(header.buf), size, sizeof(MSElement)).empty()) {
    return std::nullopt;
  }
  ElementInfo info;
  info.type = CMPLX_SHAPE_ELM;
  readSymbology(header, &info);
  info.filled = el::get32(header, el::kComplexFill) != 0;
  for (const MSElement* c : components) {
    const auto part = c != nullptr ? readElement(*c) : std::nullopt;
    if (!part) return std::nullopt;
    if (part->type == ARC_ELM) {
      info.outline.push_back(part->outline.front());
    } else if (el::isLinearType(part->type)) {
      info.outline.push_back({part->vertices, std::nullopt});
    }
  }
  if (info.outline.empty()) return std::nullopt;
  return info;
}

std::string describeElement(const ElementInfo& info, int drawMode) {
  std::string text = typeName(info.type);
  if (drawMode >= 0) text += " mode " + std::to_string(drawMode);
  const auto shown = [](bool byLevel, long value) { return byLevel ? std::string("bylevel") : std::to_string(value); };
  text += " color " + shown(info.colorByLevel, info.color) + " weight " + shown(info.weightByLevel, info.weight) +
          " style " + shown(info.styleByLevel, info.style);
  if (info.level != 0) text += " level " + std::to_string(info.level);
  if (info.filled) text += " filled";
  text += ":";
  for (const auto& v : info.vertices) text += " " + formatPoint(v);
  for (const auto& part : info.outline) {
    if (part.curve) text += describeCurve(*part.curve);
    for (const auto& v : part.vertices) text += " " + formatPoint(v);
  }
  if (info.text != nullptr) {
    text += " \"";
    for (char16_t c : info.text->chars) text += c >= 0x20 && c <= 0x7e ? static_cast<char>(c) : '?';
    text += "\"";
  }
  return text;
}

void displayElementInfo(const ElementInfo& info, int drawMode) {
  if (inDynamics()) {
    journal().append("dynamics", describeElement(info, drawMode));
    keepDynamics(info, drawMode);
  } else {
    journal().append("display", describeElement(info, drawMode));
    keepDisplayed(info, drawMode);
  }
}

DynamicsScope::DynamicsScope() {
  ++dynamicsDepth();
}
DynamicsScope::~DynamicsScope() {
  --dynamicsDepth();
}
bool inDynamics() {
  return dynamicsDepth() > 0;
}

}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

int mdlLine_create(MSElement* out, const MSElement* templ, const DPoint3d* points) {
  return build(out, templ, LINE_ELM, points, 2, false);
}

int mdlLineString_create(MSElement* out, const MSElement* templ, const DPoint3d* points, int numVerts) {
  if (numVerts < 2 || numVerts > MAX_VERTICES) return MDLERR_BADARG;
  return build(out, templ, LINE_STRING_ELM, points, numVerts, false);
}

int mdlShape_create(MSElement* out, const MSElement* templ, const DPoint3d* points, int numVerts,
                    int fillMode) {
  if (numVerts < 3 || numVerts > MAX_VERTICES) return MDLERR_BADARG;
  return build(out, templ, SHAPE_ELM, points, numVerts, fillMode != 0);
}

int mdlElement_setSymbology(MSElement* element, const unsigned int* color, const unsigned int* weight,
                            const int* style) {
  if (element == nullptr || !el::isGraphicType(el::typeOf(*element)) || el::bytesOf(*element) < el::kDisplayBytes)
    return MDLERR_BADARG;
  if ((color != nullptr && *color > 255 && *color != COLOR_BYLEVEL) ||
      (weight != nullptr && *weight > 31 && *weight != WEIGHT_BYLEVEL) ||
      (style != nullptr && (*style < 0 || *style > 7) && *style != STYLE_BYLEVEL)) {
    return MDLERR_BADARG;
  }
  if (color != nullptr) el::put32(*element, el::kColor, *color);
  if (weight != nullptr) el::put32(*element, el::kWeight, *weight);
  if (style != nullptr) el::put32(*element, el::kStyle, static_cast<std::uint32_t>(*style));
  return SUCCESS;
}

int mdlElement_display(const MSElement* element, int drawMode) {
  if (element == nullptr) return MDLERR_BADARG;
  const auto info = readElement(*element);
  if (!info) return MDLERR_BADARG;
  displayElementInfo(*info, drawMode);
  return SUCCESS;
}

}  // extern "C"
