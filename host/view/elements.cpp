// Element images for temporary graphics and their display (see api.h).
//
// Layout (16-bit words): 0 type << 8 | level; 1 words that follow; 2-13 range (unused: zero);
// 14 graphic group; 15 words from word 16 to the end; 16 properties; 17 symbology (style bits
// 0-2, weight bits 3-7, colour bits 8-15); 18 vertex count; 19 fill flag; from word 20 on the
// vertices, three doubles each.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "host/output/journal.hpp"
#include "host/system/publish.hpp"
#include "host/view/api.h"
#include "host/view/graphics.hpp"
#include "host/view/view.hpp"

namespace pixmend::host {
namespace {

constexpr int kHeaderWords = 20;
constexpr int kWordsPerVertex = 12;                  // three doubles
constexpr double kDesignPlane = 9007199254740992.0;  // 2^53: beyond it doubles skip whole units

int& dynamicsDepth() {
  static int depth = 0;
  return depth;
}

bool inPlane(const DPoint3d* points, int count) {
  for (int i = 0; i < count; ++i) {
    for (double c : {points[i].x, points[i].y, points[i].z}) {
      if (!std::isfinite(c) || std::fabs(c) > kDesignPlane) return false;
    }
  }
  return true;
}

int build(MSElement* out, const MSElement* templ, int type, const DPoint3d* points, int count, bool filled) {
  if (out == nullptr || points == nullptr) return MDLERR_BADARG;
  if (!inPlane(points, count)) return MDLERR_OUTOFDESIGNPLANE;
  unsigned short level = 0;
  unsigned short symbology = 0;
  if (templ != nullptr && readElement(*templ)) {
    level = templ->buf[0] & 0x3f;
    symbology = templ->buf[17];
  }
  const int words = kHeaderWords + count * kWordsPerVertex;
  std::memset(out->buf, 0, static_cast<std::size_t>(kHeaderWords) * 2);
  out->buf[0] = static_cast<unsigned short>((type << 8) | level);
  out->buf[1] = static_cast<unsigned short>(words - 2);
  out->buf[15] = static_cast<unsigned short>(words - 16);
  out->buf[17] = symbology;
  out->buf[18] = static_cast<unsigned short>(count);
  out->buf[19] = filled ? 1 : 0;
  auto* bytes = reinterpret_cast<unsigned char*>(out->buf) + kHeaderWords * 2;
  for (int i = 0; i < count; ++i) {
    const double xyz[3] = {points[i].x, points[i].y, points[i].z};
    std::memcpy(bytes + static_cast<std::size_t>(i) * sizeof xyz, xyz, sizeof xyz);
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
    default:
      return nullptr;
  }
}

}  // namespace

void clearElement(MSElement& element) {
  element.buf[0] = 0;
  element.buf[1] = 0;
}

bool hasNoVertices(const MSElement& element) {
  const int type = (element.buf[0] >> 8) & 0x7f;
  return (type == LINE_ELM || type == LINE_STRING_ELM || type == SHAPE_ELM) && element.buf[18] == 0 &&
         element.buf[1] == kHeaderWords - 2;
}

void makeEmptyShape(MSElement& element) {
  std::memset(element.buf, 0, static_cast<std::size_t>(kHeaderWords) * 2);
  element.buf[0] = static_cast<unsigned short>(SHAPE_ELM << 8);
  element.buf[1] = kHeaderWords - 2;
  element.buf[15] = kHeaderWords - 16;
}

std::optional<ElementInfo> readElement(const MSElement& element) {
  ElementInfo info;
  info.type = (element.buf[0] >> 8) & 0x7f;
  if (typeName(info.type) == nullptr) return std::nullopt;
  const int count = element.buf[18];
  const int minimum = info.type == SHAPE_ELM ? 3 : 2;
  if (count < minimum || count > MAX_VERTICES || (info.type == LINE_ELM && count != 2)) return std::nullopt;
  if (element.buf[1] != kHeaderWords + count * kWordsPerVertex - 2) return std::nullopt;
  info.level = element.buf[0] & 0x3f;
  info.style = element.buf[17] & 0x7;
  info.weight = (element.buf[17] >> 3) & 0x1f;
  info.color = (element.buf[17] >> 8) & 0xff;
  info.filled = element.buf[19] != 0;
  const auto* bytes = reinterpret_cast<const unsigned char*>(element.buf) + kHeaderWords * 2;
  for (int i = 0; i < count; ++i) {
    double xyz[3];
    std::memcpy(xyz, bytes + static_cast<std::size_t>(i) * sizeof xyz, sizeof xyz);
    info.vertices.push_back({xyz[0], xyz[1], xyz[2]});
  }
  return info;
}

std::string describeElement(const ElementInfo& info, int drawMode) {
  std::string text = typeName(info.type);
  if (drawMode >= 0) text += " mode " + std::to_string(drawMode);
  text += " color " + std::to_string(info.color) + " weight " + std::to_string(info.weight) + " style " +
          std::to_string(info.style);
  if (info.level != 0) text += " level " + std::to_string(info.level);
  if (info.filled) text += " filled";
  text += ":";
  for (const auto& v : info.vertices) {
    text += " " + formatNumber(v.x) + "," + formatNumber(v.y);
    if (v.z != 0) text += "," + formatNumber(v.z);
  }
  return text;
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
  if (element == nullptr || !readElement(*element)) return MDLERR_BADARG;
  if ((color != nullptr && *color > 255) || (weight != nullptr && *weight > 31) ||
      (style != nullptr && (*style < 0 || *style > 7))) {
    return MDLERR_BADARG;
  }
  unsigned short& word = element->buf[17];
  if (color != nullptr) word = static_cast<unsigned short>((word & 0x00ff) | (*color << 8));
  if (weight != nullptr) word = static_cast<unsigned short>((word & 0xff07) | (*weight << 3));
  if (style != nullptr) word = static_cast<unsigned short>((word & 0xfff8) | static_cast<unsigned>(*style));
  return SUCCESS;
}

int mdlElement_display(const MSElement* element, int drawMode) {
  if (element == nullptr) return MDLERR_BADARG;
  const auto info = readElement(*element);
  if (!info) return MDLERR_BADARG;
  if (inDynamics()) {
    journal().append("dynamics", describeElement(*info, drawMode));
    keepDynamics(*info, drawMode);
  } else {
    journal().append("display", describeElement(*info, drawMode));
    keepDisplayed(*info, drawMode);
  }
  return SUCCESS;
}

}  // extern "C"
