// The design group's calls on element images (layout: host/view/layout.hpp): properties and
// symbology, linkages, the vertices of a linear element, and adding, rewriting and deleting
// elements of the active model (the store: store.cpp).
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "host/design/api.h"
#include "host/design/design.hpp"
#include "host/output/journal.hpp"
#include "host/view/api.h"
#include "host/view/layout.hpp"
#include "host/view/view.hpp"

using namespace pixmend::host;

namespace {

namespace el = pixmend::host::element;

const std::uint8_t* bytesOf(const MSElement* e) {
  return reinterpret_cast<const std::uint8_t*>(e->buf);
}

// An image that can be read as far as its header says: a header, a size no larger than a stored
// element and an attribute offset inside it. Calls that only read fields need no more.
bool readable(const MSElement* e) {
  if (e == nullptr) return false;
  const std::size_t size = el::bytesOf(*e);
  return size >= el::kHeaderBytes && size <= MAX_ELEMENT_SIZE && el::get32(*e, el::kAttrOffset) * 2u <= size;
}

bool graphic(const MSElement* e) {
  return readable(e) && el::isGraphicType(el::typeOf(*e)) && el::bytesOf(*e) >= el::kDisplayBytes;
}

// The caller's image as the design would keep it, or the reason it cannot be kept.
std::string checked(const MSElement* e, std::vector<std::uint8_t>* image) {
  if (e == nullptr) return "no element";
  const std::size_t size = el::bytesOf(*e);
  if (size > MAX_ELEMENT_SIZE) return "larger than " + std::to_string(MAX_ELEMENT_SIZE) + " bytes";
  std::string why = el::checkImage(bytesOf(e), size);
  if (why.empty()) image->assign(bytesOf(e), bytesOf(e) + size);
  return why;
}

unsigned refuse(const char* what, const std::string& why) {
  journal().append("design", std::string(what) + " refused: " + why);
  return 0;
}

bool writableActive() {
  return !designReadOnly();
}

void eraseFromViews(const std::vector<std::uint8_t>& image) {
  if (image.size() > sizeof(MSElement)) return;
  MSElement copy;
  std::memcpy(copy.buf, image.data(), image.size());
  if (readElement(copy)) mdlElement_display(&copy, DRAW_MODE_Erase);
}

}  // namespace

extern "C" {

int mdlElement_getType(const MSElement* element) {
  return readable(element) ? el::typeOf(*element) : 0;
}

int mdlElement_size(const MSElement* element) {
  return readable(element) ? static_cast<int>(el::bytesOf(*element)) : 0;
}

int mdlElement_getProperties(unsigned int* level, unsigned int* graphicGroup, int* elementClass,
                             const MSElement* element) {
  if (!readable(element)) return MDLERR_BADELEMENT;
  const bool g = graphic(element);
  if (level != nullptr) *level = el::get32(*element, el::kLevel);
  if (graphicGroup != nullptr) *graphicGroup = g ? el::get32(*element, el::kGraphicGroup) : 0;
  if (elementClass != nullptr) *elementClass = g ? static_cast<int>(el::get32(*element, el::kProperties) & el::kClassMask) : 0;
  return SUCCESS;
}

int mdlElement_setProperties(MSElement* element, const unsigned int* level, const unsigned int* graphicGroup,
                             const int* elementClass) {
  if (!readable(element)) return MDLERR_BADELEMENT;
  if ((level != nullptr && (*level < 1 || *level > MAX_LEVEL)) ||
      (elementClass != nullptr && (*elementClass < 0 || *elementClass > 7)))
    return MDLERR_BADARG;
  // A non-graphic element has a level but no graphic group or class.
  if ((graphicGroup != nullptr || elementClass != nullptr) && !graphic(element)) return MDLERR_BADELEMENT;
  if (level != nullptr) el::put32(*element, el::kLevel, *level);
  if (graphicGroup != nullptr) el::put32(*element, el::kGraphicGroup, *graphicGroup);
  if (elementClass != nullptr) {
    const std::uint32_t properties = el::get32(*element, el::kProperties) & ~el::kClassMask;
    el::put32(*element, el::kProperties, properties | static_cast<std::uint32_t>(*elementClass));
  }
  return SUCCESS;
}

int mdlElement_getSymbology(unsigned int* color, unsigned int* weight, int* style, const MSElement* element) {
  if (!graphic(element)) return MDLERR_BADELEMENT;
  if (color != nullptr) *color = el::get32(*element, el::kColor);
  if (weight != nullptr) *weight = el::get32(*element, el::kWeight);
  if (style != nullptr) *style = static_cast<int>(el::get32(*element, el::kStyle));
  return SUCCESS;
}

int mdlElement_getEffectiveSymbology(unsigned int* color, unsigned int* weight, int* style,
                                     const MSElement* element, DgnModelRefP modelRef) {
  unsigned int c = 0, w = 0;
  int s = 0;
  const int status = mdlElement_getSymbology(&c, &w, &s, element);
  if (status != SUCCESS) return status;
  // By-level values take the level's symbology; a level the model lacks gives 0.
  LevelSymbology byLevel;
  if (modelOf(modelRef)) {
    if (const StoredLevel* level = findLevel(el::get32(*element, el::kLevel))) byLevel = level->element;
  }
  if (color != nullptr) *color = c == COLOR_BYLEVEL ? byLevel.color : c;
  if (weight != nullptr) *weight = w == WEIGHT_BYLEVEL ? byLevel.weight : w;
  if (style != nullptr) *style = s == STYLE_BYLEVEL ? byLevel.style : s;
  return SUCCESS;
}

int mdlElement_isFilled(const MSElement* element) {
  if (!graphic(element)) return 0;
  // Only closed elements have a fill: shapes and complex shapes (flag at 60), ellipses (at 56).
  const int type = el::typeOf(*element);
  const std::size_t at = type == ELLIPSE_ELM ? el::kConicFill : el::kFillFlag;
  if ((type != SHAPE_ELM && type != CMPLX_SHAPE_ELM && type != ELLIPSE_ELM) || el::bytesOf(*element) < el::fixedBytes(type)) {
    return 0;
  }
  return el::get32(*element, at) != 0 ? 1 : 0;
}

int mdlElement_setLineStyle(MSElement* element, long styleNumber, const LineStyleParams* params,
                            DgnModelRefP modelRef) {
  (void)params;  // modifiers of named styles are taken and not kept yet: nothing draws them
  if (!graphic(element) || !modelOf(modelRef)) return MDLERR_BADARG;
  if (styleNumber != STYLE_BYLEVEL && findLineStyle(styleNumber) == nullptr) return MDLERR_BADARG;
  el::put32(*element, el::kStyle, static_cast<std::uint32_t>(styleNumber));
  return SUCCESS;
}

int mdlElement_stripAttributes(MSElement* out, const MSElement* in) {
  if (out == nullptr || !readable(in)) return MDLERR_BADELEMENT;
  const std::uint32_t words = el::get32(*in, el::kAttrOffset);
  if (out != in) std::memcpy(out->buf, in->buf, static_cast<std::size_t>(words) * 2);
  el::put32(*out, el::kSizeWords, words);
  return SUCCESS;
}

unsigned int mdlElement_add(MSElement* element) {
  std::vector<std::uint8_t> image;
  const std::string why = checked(element, &image);
  if (!why.empty()) return refuse("element", why);
  if (!writableActive()) return refuse("element", "the design is read-only");
  // A lone element is no component of anything before it.
  image[el::kTypeWord + 1] &= static_cast<std::uint8_t>(~(el::kComponentFlag >> 8));
  const unsigned position = addElement(activeModelId(), image);
  if (position == 0) return refuse("element", "the model has no file position left");
  // The caller's image gets what the host gave the element.
  std::memcpy(reinterpret_cast<std::uint8_t*>(element->buf) + el::kIdentifier,
              findElement(activeModelId(), position)->image.data() + el::kIdentifier, 16);
  return position;
}

unsigned int mdlElement_rewrite(MSElement* newElement, const MSElement* oldElement, unsigned int filePos) {
  (void)oldElement;  // the design's own copy is what is replaced
  std::vector<std::uint8_t> image;
  const std::string why = checked(newElement, &image);
  if (!why.empty()) return refuse("rewrite", why);
  if (!writableActive()) return refuse("rewrite", "the design is read-only");
  const StoredElement* old = findElement(activeModelId(), filePos);
  if (old == nullptr) return refuse("rewrite", "no element at file position " + std::to_string(filePos));
  // A component stays one.
  image[el::kTypeWord + 1] = static_cast<std::uint8_t>((image[el::kTypeWord + 1] & ~(el::kComponentFlag >> 8)) |
                                                       (old->image[el::kTypeWord + 1] & (el::kComponentFlag >> 8)));
  rewriteElement(activeModelId(), filePos, std::move(image));
  return filePos;
}

int mdlElement_undoableDelete(const MSElement* element, unsigned int filePos, int display) {
  (void)element;
  const StoredElement* old = findElement(activeModelId(), filePos);
  if (old == nullptr) return MDLERR_BADELEMENT;
  if (!writableActive()) return MDLERR_MODELREADONLY;
  if (display != 0) eraseFromViews(old->image);
  deleteElement(activeModelId(), filePos, true);
  return SUCCESS;
}

int mdlLinkage_setWords(LinkageHeader* header, int words) {
  if (header == nullptr) return MDLERR_BADARG;
  return el::setLinkageWords(&header->info, words) ? SUCCESS : MDLERR_BADARG;
}

int mdlLinkage_getWords(const LinkageHeader* header) {
  return header == nullptr ? 0 : el::linkageWords(header->info);
}

int mdlLinkage_appendToElement(MSElement* element, const LinkageHeader* header, const void* data,
                               const void* options) {
  if (!readable(element) || header == nullptr || options != nullptr) return MDLERR_BADARG;
  const std::size_t size = el::bytesOf(*element);
  const std::size_t length = static_cast<std::size_t>(el::linkageWords(header->info)) * 2;
  if (size + length > MAX_ELEMENT_SIZE) return MDLERR_ELEMENTTOOLARGE;
  auto* at = reinterpret_cast<std::uint8_t*>(element->buf) + size;
  at[0] = static_cast<std::uint8_t>(header->info);
  at[1] = static_cast<std::uint8_t>(header->info >> 8);
  at[2] = static_cast<std::uint8_t>(header->primaryId);
  at[3] = static_cast<std::uint8_t>(header->primaryId >> 8);
  if (data != nullptr) {
    std::memcpy(at + 4, data, length - 4);
  } else {
    std::memset(at + 4, 0, length - 4);
  }
  el::put32(*element, el::kSizeWords, static_cast<std::uint32_t>((size + length) / 2));
  return SUCCESS;
}

const void* mdlLinkage_extractFromElement(void* linkageOut, const MSElement* element, int primaryId) {
  if (!readable(element)) return nullptr;
  for (const auto& l : el::linkagesOf(*element)) {
    if (l.primaryId != static_cast<std::uint16_t>(primaryId)) continue;
    const std::uint8_t* at = bytesOf(element) + l.offset;
    if (linkageOut != nullptr) std::memcpy(linkageOut, at, static_cast<std::size_t>(l.words) * 2);
    return at;
  }
  return nullptr;
}

int mdlLinear_extract(DPoint3d* points, int* numPoints, const MSElement* element, DgnModelRefP modelRef) {
  if (numPoints != nullptr) *numPoints = 0;
  if (points == nullptr || numPoints == nullptr || element == nullptr) return MDLERR_BADARG;
  if (modelRef != nullptr && modelRef != mdlModelRef_getActive()) return MDLERR_BADARG;
  // A linear element without vertices (the fence's shape when there is no fence) gives none.
  if (hasNoVertices(*element)) return SUCCESS;
  const auto info = readElement(*element);
  if (!info || (info->type != LINE_ELM && info->type != LINE_STRING_ELM && info->type != SHAPE_ELM))
    return MDLERR_BADELEMENT;
  std::copy(info->vertices.begin(), info->vertices.end(), points);
  *numPoints = static_cast<int>(info->vertices.size());
  return SUCCESS;
}

}  // extern "C"
