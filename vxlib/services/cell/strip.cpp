// vxlibElement_stripAttributes and _stripAttributes2: elements without the library's user data,
// or without any linkage.
#include <cstring>
#include <vector>

#include "vxlib/core/core.hpp"

namespace {

constexpr unsigned short kUserDataId = 20275;  // the library's user-data linkages (vxlibAttrib_)
constexpr int kMaxCellText = 513;              // 512 units and the terminator
constexpr int kCellHeader = 2;

// The bytes of an element that can be read: a size within a stored element and an attribute
// offset inside it. 0 otherwise.
std::size_t readableSize(const MSElement* e) {
  if (e == nullptr) return 0;
  const std::size_t size = static_cast<std::size_t>(e->ehdr.sizeWords) * 2;
  const std::size_t attr = static_cast<std::size_t>(e->ehdr.attrOffset) * 2;
  if (size < sizeof(ElementHeader) || size > MAX_ELEMENT_SIZE || attr < sizeof(ElementHeader) || attr > size) return 0;
  return size;
}

}  // namespace

extern "C" {

int vxlibElement_stripAttributes(MSElement* target, const MSElement* source) {
  const std::size_t size = readableSize(source);
  if (target == nullptr || size == 0) return VXLIB_ERROR;
  const auto* in = reinterpret_cast<const unsigned char*>(source->buf);
  const std::size_t attr = static_cast<std::size_t>(source->ehdr.attrOffset) * 2;
  // Built aside first: `target` may be `source`.
  std::vector<unsigned char> out(in, in + attr);
  for (std::size_t at = attr; at + sizeof(LinkageHeader) <= size;) {
    LinkageHeader header;
    std::memcpy(&header, in + at, sizeof header);
    const std::size_t bytes = static_cast<std::size_t>(mdlLinkage_getWords(&header)) * 2;
    if (bytes < sizeof header || at + bytes > size) return VXLIB_ERROR;  // a broken linkage: nothing changed
    if (header.primaryId != kUserDataId) out.insert(out.end(), in + at, in + at + bytes);
    at += bytes;
  }
  std::memcpy(target->buf, out.data(), out.size());
  target->ehdr.sizeWords = static_cast<unsigned int>(out.size() / 2);
  return VXLIB_SUCCESS;
}

int vxlibElement_stripAttributes2(MSElement* target, const MSElement* source) {
  if (target == nullptr || readableSize(source) == 0) return VXLIB_ERROR;
  const bool cell = mdlElement_getType(source) == kCellHeader;
  MSWChar name[kMaxCellText] = {}, description[kMaxCellText] = {};
  // The host's stripping rebuilds the header; the cell's name and description are set again.
  if (cell) {
    mdlCell_extractName(name, kMaxCellText, source);
    mdlCell_extractDescription(description, kMaxCellText, source);
  }
  if (mdlElement_stripAttributes(target, source) != SUCCESS) return VXLIB_ERROR;
  if (cell) {
    mdlCell_setName(target, name);
    mdlCell_setDescription(target, description);
  }
  return VXLIB_SUCCESS;
}

}  // extern "C"
