// The host's element layout (layout.hpp): fields, linkages and the check of a whole image.
#include "host/view/layout.hpp"

#include <cmath>
#include <string>

#include "common/bytes.hpp"
#include "host/view/api.h"

namespace pixmend::host::element {
namespace {

const std::uint8_t* bytes(const MSElement& e) {
  return reinterpret_cast<const std::uint8_t*>(e.buf);
}

std::string words(std::size_t n) {
  return std::to_string(n) + (n == 1 ? " word" : " words");
}

// The fixed part of a linear element's image: its vertices must fill it exactly.
std::string checkLinear(const std::uint8_t* b, std::size_t attrBytes, int type) {
  if (attrBytes < kVertices) return "a line, line string or shape without room for its vertex count";
  const std::uint32_t count = le::get32(b + kVertexCount);
  if (attrBytes != kVertices + static_cast<std::size_t>(count) * kVertexBytes) {
    return "its vertex count " + std::to_string(count) + " does not fill its words";
  }
  const std::uint32_t minimum = type == SHAPE_ELM ? 3 : 2;
  if (count < minimum || count > MAX_VERTICES || (type == LINE_ELM && count != 2)) {
    return "a vertex count of " + std::to_string(count);
  }
  for (std::size_t i = 0; i < count * 3u; ++i) {
    if (!std::isfinite(le::getDouble(b + kVertices + i * 8))) return "a coordinate that is not a number";
  }
  return "";
}

// Every double from `from` to `to` is finite.
bool finiteDoubles(const std::uint8_t* b, std::size_t from, std::size_t to) {
  for (std::size_t at = from; at + 8 <= to; at += 8) {
    if (!std::isfinite(le::getDouble(b + at))) return false;
  }
  return true;
}

// The fixed part of an ellipse, arc, text, text node, complex shape or cell header, and the counts
// it holds, against the bytes before its linkages.
std::string checkFixed(const std::uint8_t* b, std::size_t attrBytes, int type) {
  const std::size_t fixed = fixedBytes(type);
  if (attrBytes < fixed) return "its fixed fields need " + words(fixed / 2) + " before its linkages";
  switch (type) {
    case ELLIPSE_ELM:
    case ARC_ELM:
      if (attrBytes != fixed) return "an ellipse or arc with words after its fixed fields";
      if (!finiteDoubles(b, kPrimaryAxis, fixed)) return "a coordinate that is not a number";
      if (!(le::getDouble(b + kPrimaryAxis) > 0) || !(le::getDouble(b + kSecondaryAxis) > 0)) return "an axis that is not positive";
      return "";
    case TEXT_ELM: {
      const std::uint32_t count = le::get32(b + kTextCount);
      if (count > kMaxTextChars) return "a text of " + std::to_string(count) + " characters";
      if (attrBytes != kTextChars + static_cast<std::size_t>(count) * 2) return "its character count " + std::to_string(count) + " does not fill its words";
      return finiteDoubles(b, kCharWidth, kTextCount) ? "" : "a coordinate that is not a number";
    }
    case TEXT_NODE_ELM:
      return finiteDoubles(b, kCharWidth, kTextCount) ? "" : "a coordinate that is not a number";
    case CELL_HEADER_ELM: {
      const std::uint32_t name = le::get32(b + kCellNameLength), description = le::get32(b + kCellDescriptionLength);
      if (name > kMaxCellNameChars || description > kMaxCellNameChars) return "a cell name or description longer than 512 characters";
      if (attrBytes != kCellNames + (static_cast<std::size_t>(name) + description) * 2) return "its name and description do not fill its words";
      return finiteDoubles(b, kCellOrigin, kCellNames) ? "" : "a coordinate that is not a number";
    }
    default:
      return "";
  }
}

}  // namespace

std::size_t fixedBytes(int type) {
  switch (type) {
    case LINE_ELM:
    case LINE_STRING_ELM:
    case SHAPE_ELM:
      return kVertices;
    case ELLIPSE_ELM:
      return kEllipseBytes;
    case ARC_ELM:
      return kArcBytes;
    case TEXT_ELM:
      return kTextChars;
    case TEXT_NODE_ELM:
      return kTextNodeBytes;
    case CMPLX_SHAPE_ELM:
      return kComplexBytes;
    case CELL_HEADER_ELM:
      return kCellNames;
    default:
      return isGraphicType(type) ? kDisplayBytes : kHeaderBytes;
  }
}

double getDouble(const MSElement& e, std::size_t offset) {
  return le::getDouble(bytes(e) + offset);
}

void putDouble(MSElement& e, std::size_t offset, double value) {
  le::putDouble(reinterpret_cast<std::uint8_t*>(e.buf) + offset, value);
}

DPoint3d getPoint(const MSElement& e, std::size_t offset) {
  return {getDouble(e, offset), getDouble(e, offset + 8), getDouble(e, offset + 16)};
}

void putPoint(MSElement& e, std::size_t offset, const DPoint3d& p) {
  putDouble(e, offset, p.x), putDouble(e, offset + 8, p.y), putDouble(e, offset + 16, p.z);
}

RotMatrix getRotation(const MSElement& e, std::size_t offset) {
  RotMatrix r{};
  for (int i = 0; i < 9; ++i) r.form3d[i / 3][i % 3] = getDouble(e, offset + static_cast<std::size_t>(i) * 8);
  return r;
}

void putRotation(MSElement& e, std::size_t offset, const RotMatrix& r) {
  for (int i = 0; i < 9; ++i) putDouble(e, offset + static_cast<std::size_t>(i) * 8, r.form3d[i / 3][i % 3]);
}

bool isGraphicType(int type) {
  switch (type) {
    case 2:   // cell header
    case 3:   // line
    case 4:   // line string
    case 6:   // shape
    case 7:   // text node
    case 14:  // complex shape
    case 15:  // ellipse
    case 16:  // arc
    case 17:  // text
      return true;
    default:
      return false;
  }
}

bool isLinearType(int type) {
  return type == LINE_ELM || type == LINE_STRING_ELM || type == SHAPE_ELM;
}

std::uint32_t get32(const MSElement& e, std::size_t offset) {
  return le::get32(bytes(e) + offset);
}

void put32(MSElement& e, std::size_t offset, std::uint32_t value) {
  le::put32(reinterpret_cast<std::uint8_t*>(e.buf) + offset, value);
}

int typeOf(const MSElement& e) {
  return static_cast<int>(get32(e, kTypeWord) & 0xff);
}

std::size_t bytesOf(const MSElement& e) {
  return static_cast<std::size_t>(get32(e, kSizeWords)) * 2;
}

void startImage(MSElement& e, int type, std::size_t wordCount, std::uint32_t level) {
  const std::size_t fixed = isGraphicType(type) ? kDisplayBytes : kHeaderBytes;
  for (std::size_t i = 0; i < fixed; i += 4) put32(e, i, 0);
  put32(e, kTypeWord, static_cast<std::uint32_t>(type) & 0xff);
  put32(e, kSizeWords, static_cast<std::uint32_t>(wordCount));
  put32(e, kAttrOffset, static_cast<std::uint32_t>(wordCount));
  put32(e, kLevel, level);
}

int linkageWords(std::uint16_t headerWord) {
  return ((headerWord & kLinkageLengthMask) + 1) * 4;
}

bool setLinkageWords(std::uint16_t* headerWord, int wordCount) {
  if (headerWord == nullptr || wordCount < 4 || wordCount > LINKAGE_MAX_WORDS || wordCount % 4 != 0) return false;
  *headerWord = static_cast<std::uint16_t>((*headerWord & ~kLinkageLengthMask) | (wordCount / 4 - 1));
  return true;
}

std::vector<Linkage> linkagesOf(const MSElement& e) {
  std::vector<Linkage> out;
  const std::size_t end = bytesOf(e);
  std::size_t at = static_cast<std::size_t>(get32(e, kAttrOffset)) * 2;
  while (at + kLinkageHeaderBytes <= end) {
    Linkage l;
    l.offset = at;
    l.headerWord = le::get16(bytes(e) + at);
    l.primaryId = le::get16(bytes(e) + at + 2);
    l.words = linkageWords(l.headerWord);
    if (at + static_cast<std::size_t>(l.words) * 2 > end) break;  // checkImage refuses such an image
    out.push_back(l);
    at += static_cast<std::size_t>(l.words) * 2;
  }
  return out;
}

std::string checkImage(const std::uint8_t* b, std::size_t size, std::size_t maxBytes) {
  if (size < kHeaderBytes) return "shorter than an element header (" + std::to_string(size) + " bytes)";
  if (size > maxBytes) return "larger than " + std::to_string(maxBytes) + " bytes";
  const std::size_t sizeBytes = static_cast<std::size_t>(le::get32(b + kSizeWords)) * 2;
  if (sizeBytes != size) {
    return "its size says " + words(le::get32(b + kSizeWords)) + " but it is " + words(size / 2) + (size % 2 ? " and a byte" : "") + " long";
  }
  const int type = static_cast<int>(le::get32(b + kTypeWord) & 0xff);
  if (type == 0) return "it has no type";
  const std::uint32_t level = le::get32(b + kLevel);
  if (level > MAX_LEVEL) return "level " + std::to_string(level) + " does not exist";
  const std::size_t attrBytes = static_cast<std::size_t>(le::get32(b + kAttrOffset)) * 2;
  const std::size_t fixed = isGraphicType(type) ? kDisplayBytes : kHeaderBytes;
  if (attrBytes < fixed || attrBytes > size) {
    return "its attribute offset " + words(le::get32(b + kAttrOffset)) + " lies outside its own words";
  }
  std::string why = isLinearType(type) ? checkLinear(b, attrBytes, type) : checkFixed(b, attrBytes, type);
  if (!why.empty()) return why;
  for (std::size_t at = attrBytes; at < size;) {
    if (at + kLinkageHeaderBytes > size) return "a linkage shorter than its header at byte " + std::to_string(at);
    const std::size_t length = static_cast<std::size_t>(linkageWords(le::get16(b + at))) * 2;
    if (at + length > size) return "a linkage at byte " + std::to_string(at) + " runs past the element's end";
    at += length;
  }
  return "";
}

}  // namespace pixmend::host::element
