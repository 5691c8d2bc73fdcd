// Cell headers (type 2) in the one element layout (host/view/layout.hpp): their name and
// description, origin and rotation, and the header a cell of the library is read with.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "host/design/api.h"
#include "host/design/cells.hpp"
#include "host/design/design.hpp"
#include "host/view/api.h"
#include "host/view/layout.hpp"
#include "host/view/textbox.hpp"

namespace el = pixmend::host::element;

namespace pixmend::host {
namespace {

bool isCellHeader(const MSElement* e) {
  if (e == nullptr || el::typeOf(*e) != CELL_HEADER_ELM) return false;
  const std::size_t size = el::bytesOf(*e);
  return size <= sizeof(MSElement) &&
         el::checkImage(reinterpret_cast<const std::uint8_t*>(e->buf), size, sizeof(MSElement)).empty();
}

std::u16string unitsAt(const MSElement& e, std::size_t offset, std::size_t count) {
  const auto* b = reinterpret_cast<const std::uint8_t*>(e.buf) + offset;
  std::u16string out;
  for (std::size_t i = 0; i < count; ++i) out += static_cast<char16_t>(b[2 * i] | b[2 * i + 1] << 8);
  return out;
}

std::u16string nameOf(const MSElement& e) {
  return unitsAt(e, el::kCellNames, el::get32(e, el::kCellNameLength));
}

std::u16string descriptionOf(const MSElement& e) {
  return unitsAt(e, el::kCellNames + el::get32(e, el::kCellNameLength) * 2, el::get32(e, el::kCellDescriptionLength));
}

std::u16string wideText(const MSWChar* text) {
  std::u16string out;
  for (std::size_t i = 0; text[i] != 0 && i <= el::kMaxCellNameChars; ++i) out += text[i];
  return out;
}

// Rewrites the header's name and description in place; the linkages after them move along.
int rewriteNames(MSElement* header, const std::u16string& name, const std::u16string& description) {
  if (name.size() > el::kMaxCellNameChars || description.size() > el::kMaxCellNameChars) return MDLERR_BADARG;
  const std::size_t size = el::bytesOf(*header), attr = static_cast<std::size_t>(el::get32(*header, el::kAttrOffset)) * 2;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(header->buf);
  const std::vector<std::uint8_t> linkages(bytes + attr, bytes + size);
  const std::size_t newAttr = el::kCellNames + (name.size() + description.size()) * 2;
  if (newAttr + linkages.size() > MAX_ELEMENT_SIZE) return MDLERR_ELEMENTTOOLARGE;
  auto* out = reinterpret_cast<std::uint8_t*>(header->buf);
  std::size_t at = el::kCellNames;
  for (const std::u16string* text : {&name, &description}) {
    for (char16_t c : *text) {
      out[at++] = static_cast<std::uint8_t>(c & 0xff);
      out[at++] = static_cast<std::uint8_t>(c >> 8);
    }
  }
  std::copy(linkages.begin(), linkages.end(), out + newAttr);
  el::put32(*header, el::kCellNameLength, static_cast<std::uint32_t>(name.size()));
  el::put32(*header, el::kCellDescriptionLength, static_cast<std::uint32_t>(description.size()));
  el::put32(*header, el::kAttrOffset, static_cast<std::uint32_t>(newAttr / 2));
  el::put32(*header, el::kSizeWords, static_cast<std::uint32_t>((newAttr + linkages.size()) / 2));
  return SUCCESS;
}

void widen(DPoint3d* low, DPoint3d* high, const DPoint3d& p) {
  low->x = std::min(low->x, p.x), low->y = std::min(low->y, p.y), low->z = std::min(low->z, p.z);
  high->x = std::max(high->x, p.x), high->y = std::max(high->y, p.y), high->z = std::max(high->z, p.z);
}

// Widens the range by what one image covers: vertices, a text's box, an ellipse's or arc's
// centre and its larger semi-axis all round (a box that surely holds it), a cell's own range.
void widenByImage(DPoint3d* low, DPoint3d* high, const MSElement& e) {
  switch (el::typeOf(e)) {
    case LINE_ELM:
    case LINE_STRING_ELM:
    case SHAPE_ELM:
      for (std::uint32_t i = 0; i < el::get32(e, el::kVertexCount); ++i)
        widen(low, high, el::getPoint(e, el::kVertices + i * el::kVertexBytes));
      break;
    case TEXT_ELM: {
      DPoint3d shape[5];
      el::textShape(e, shape);
      for (const DPoint3d& p : shape) widen(low, high, p);
      break;
    }
    case ELLIPSE_ELM:
    case ARC_ELM: {
      const DPoint3d c = el::getPoint(e, el::kCentre);
      const double r = std::max(el::getDouble(e, el::kPrimaryAxis), el::getDouble(e, el::kSecondaryAxis));
      widen(low, high, {c.x - r, c.y - r, c.z - r});
      widen(low, high, {c.x + r, c.y + r, c.z + r});
      break;
    }
    case CELL_HEADER_ELM:
      widen(low, high, el::getPoint(e, el::kCellRangeLow));
      widen(low, high, el::getPoint(e, el::kCellRangeHigh));
      break;
    default:
      break;
  }
}

}  // namespace

void cellRangeOf(MSElementDescr* first, DPoint3d* low, DPoint3d* high) {
  for (MSElementDescr* n = first; n != nullptr; n = mdlElmdscr_next(n)) {
    widenByImage(low, high, *mdlElmdscr_getElement(n));
    if (el::typeOf(*mdlElmdscr_getElement(n)) != CELL_HEADER_ELM) cellRangeOf(mdlElmdscr_firstComponent(n), low, high);
  }
}

int newCellHeader(MSElement* out, const std::u16string& name, const std::u16string& description) {
  el::startImage(*out, CELL_HEADER_ELM, el::kCellNames / 2, 0);
  for (std::size_t at = el::kDisplayBytes; at < el::kCellNames; at += 4) el::put32(*out, at, 0);
  RotMatrix r{};
  r.form3d[0][0] = r.form3d[1][1] = r.form3d[2][2] = 1;
  el::putRotation(*out, el::kCellRotation, r);
  return rewriteNames(out, name, description);
}

}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

int mdlCell_extractName(MSWChar* name, int size, const MSElement* cellHeader) {
  if (!isCellHeader(cellHeader)) return MDLERR_BADELEMENT;
  if (name != nullptr && !copyWide(nameOf(*cellHeader), name, size)) return size < 1 ? MDLERR_BADARG : MDLERR_TOOLARGE;
  return SUCCESS;
}

int mdlCell_extractDescription(MSWChar* description, int size, const MSElement* cellHeader) {
  if (!isCellHeader(cellHeader)) return MDLERR_BADELEMENT;
  if (description != nullptr && !copyWide(descriptionOf(*cellHeader), description, size))
    return size < 1 ? MDLERR_BADARG : MDLERR_TOOLARGE;
  return SUCCESS;
}

int mdlCell_setName(MSElement* cellHeader, const MSWChar* name) {
  if (!isCellHeader(cellHeader)) return MDLERR_BADELEMENT;
  if (name == nullptr) return MDLERR_BADARG;
  return rewriteNames(cellHeader, wideText(name), descriptionOf(*cellHeader));
}

int mdlCell_setDescription(MSElement* cellHeader, const MSWChar* description) {
  if (!isCellHeader(cellHeader)) return MDLERR_BADELEMENT;
  if (description == nullptr) return MDLERR_BADARG;
  return rewriteNames(cellHeader, nameOf(*cellHeader), wideText(description));
}

int mdlCell_extract(DPoint3d* origin, RotMatrix* rotation, const MSElement* cellHeader) {
  if (!isCellHeader(cellHeader)) return MDLERR_BADELEMENT;
  if (origin != nullptr) *origin = el::getPoint(*cellHeader, el::kCellOrigin);
  if (rotation != nullptr) *rotation = el::getRotation(*cellHeader, el::kCellRotation);
  return SUCCESS;
}

int mdlCell_setOrigin(MSElement* cellHeader, const DPoint3d* origin, DgnModelRefP modelRef) {
  if (!isCellHeader(cellHeader)) return MDLERR_BADELEMENT;
  if (origin == nullptr || !std::isfinite(origin->x) || !std::isfinite(origin->y) || !std::isfinite(origin->z))
    return MDLERR_BADARG;
  DPoint3d p = *origin;
  const bool is3d = modelOf(modelRef) ? activeModelIs3d() : true;
  if (!is3d) p.z = el::getPoint(*cellHeader, el::kCellOrigin).z;  // z is not the caller's to set in 2-D
  el::putPoint(*cellHeader, el::kCellOrigin, p);
  return SUCCESS;
}

}  // extern "C"
