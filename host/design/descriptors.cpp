// Element descriptors (api.h): chains of nodes in memory, each holding one element image, with
// the components of a complex element under its header; read from and added to the design.
#include <cstring>
#include <memory>
#include <algorithm>
#include <new>
#include <vector>

#include "host/design/api.h"
#include "host/design/descriptor.hpp"
#include "host/design/design.hpp"
#include "host/view/layout.hpp"

namespace el = pixmend::host::element;
using namespace pixmend::host;

namespace {

bool isComplexHeader(int type) {
  return type == CELL_HEADER_ELM || type == TEXT_NODE_ELM || type == CMPLX_SHAPE_ELM;
}

using Node = std::unique_ptr<MSElementDescr>;

// A node holding a copy of `bytes`, or null without memory. Room for a whole stored element is
// kept, so a caller that grows the image in place (appending a linkage) stays inside it.
Node newNode(const std::uint8_t* bytes, std::size_t size) {
  try {
    auto node = std::make_unique<MSElementDescr>();
    node->storage.assign((std::max<std::size_t>(size, MAX_ELEMENT_SIZE) + 7) / 8, 0);
    std::memcpy(node->storage.data(), bytes, size);
    return node;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

// The element's image when it is well formed (temporary images may exceed a stored element).
bool wellFormed(const MSElement* e) {
  if (e == nullptr) return false;
  const std::size_t size = el::bytesOf(*e);
  return size <= sizeof(MSElement) &&
         el::checkImage(reinterpret_cast<const std::uint8_t*>(e->buf), size, sizeof(MSElement)).empty();
}

Node copyOf(const MSElement* e) {
  return newNode(reinterpret_cast<const std::uint8_t*>(e->buf), el::bytesOf(*e));
}

std::unique_ptr<MSElementDescr>* endOf(std::unique_ptr<MSElementDescr>* link) {
  while (*link != nullptr) link = &(*link)->next;
  return link;
}

void attach(MSElementDescr* descr, Node chain) {
  const bool complex = isComplexHeader(el::typeOf(*descr->image()));
  MSElementDescr* parent = complex ? descr : descr->parent;
  for (MSElementDescr* n = chain.get(); n != nullptr; n = n->next.get()) n->parent = parent;
  *endOf(complex ? &descr->first : &descr->next) = std::move(chain);
}

Node duplicateChain(const MSElementDescr* from, MSElementDescr* parent) {
  Node head;
  std::unique_ptr<MSElementDescr>* link = &head;
  for (const MSElementDescr* n = from; n != nullptr; n = n->next.get()) {
    Node copy = newNode(reinterpret_cast<const std::uint8_t*>(n->storage.data()), n->storage.size() * 8);
    if (copy == nullptr) return nullptr;
    copy->filePos = n->filePos;
    copy->modelRef = n->modelRef;
    copy->parent = parent;
    if (n->first != nullptr && (copy->first = duplicateChain(n->first.get(), copy.get())) == nullptr) return nullptr;
    *link = std::move(copy);
    link = &(*link)->next;
  }
  return head;
}

// The images of a descriptor's first node and its components, as rows to store: the header
// first, then each component flagged as one. Empty when an image is not fit to be stored.
bool rowsOf(const MSElementDescr* descr, std::vector<std::vector<std::uint8_t>>* rows) {
  auto add = [&](MSElementDescr* node, bool component) {
    MSElement* e = node->image();
    const std::size_t size = el::bytesOf(*e);
    if (size > MAX_ELEMENT_SIZE || !el::checkImage(reinterpret_cast<const std::uint8_t*>(e->buf), size).empty())
      return false;
    std::vector<std::uint8_t> image(reinterpret_cast<const std::uint8_t*>(e->buf),
                                    reinterpret_cast<const std::uint8_t*>(e->buf) + size);
    image[1] = static_cast<std::uint8_t>((image[1] & ~1u) | (component ? 1u : 0u));
    rows->push_back(std::move(image));
    return true;
  };
  auto* head = const_cast<MSElementDescr*>(descr);
  if (!add(head, false)) return false;
  // Each component is followed by its own components (a text node in a cell by its texts), so
  // the header counts say which rows belong to which header when they are read back.
  std::vector<MSElementDescr*> pending;
  for (MSElementDescr* c = head->first.get(); c != nullptr; c = c->next.get()) pending.push_back(c);
  std::reverse(pending.begin(), pending.end());
  while (!pending.empty()) {
    MSElementDescr* node = pending.back();
    pending.pop_back();
    if (!add(node, true)) return false;
    std::vector<MSElementDescr*> children;
    for (MSElementDescr* c = node->first.get(); c != nullptr; c = c->next.get()) children.push_back(c);
    pending.insert(pending.end(), children.rbegin(), children.rend());
  }
  return true;
}

}  // namespace

extern "C" {

MSElement* mdlElmdscr_getElement(MSElementDescr* descr) {
  return descr == nullptr ? nullptr : descr->image();
}
MSElementDescr* mdlElmdscr_next(const MSElementDescr* descr) {
  return descr == nullptr ? nullptr : descr->next.get();
}
MSElementDescr* mdlElmdscr_firstComponent(const MSElementDescr* descr) {
  return descr == nullptr ? nullptr : descr->first.get();
}
MSElementDescr* mdlElmdscr_parent(const MSElementDescr* descr) {
  return descr == nullptr ? nullptr : descr->parent;
}
unsigned int mdlElmdscr_getFilePos(const MSElementDescr* descr) {
  return descr == nullptr ? 0 : descr->filePos;
}
DgnModelRefP mdlElmdscr_getModelRef(const MSElementDescr* descr) {
  return descr == nullptr ? nullptr : descr->modelRef;
}

int mdlElmdscr_new(MSElementDescr** descrOut, const MSElement* element) {
  if (descrOut == nullptr) return MDLERR_BADARG;
  *descrOut = nullptr;
  if (!wellFormed(element)) return MDLERR_BADELEMENT;
  *descrOut = copyOf(element).release();
  return *descrOut == nullptr ? MDLERR_INSFMEMORY : SUCCESS;
}

int mdlElmdscr_appendElement(MSElementDescr* descr, const MSElement* element) {
  if (descr == nullptr || !wellFormed(element)) return MDLERR_BADELEMENT;
  Node node = copyOf(element);
  if (node == nullptr) return MDLERR_INSFMEMORY;
  attach(descr, std::move(node));
  return SUCCESS;
}

int mdlElmdscr_appendDscr(MSElementDescr* descr, MSElementDescr* toAppend) {
  if (descr == nullptr || toAppend == nullptr || descr == toAppend) return MDLERR_BADARG;
  attach(descr, Node(toAppend));
  return SUCCESS;
}

int mdlElmdscr_duplicate(MSElementDescr** copyOut, const MSElementDescr* descr) {
  if (copyOut == nullptr) return MDLERR_BADARG;
  *copyOut = nullptr;
  if (descr == nullptr) return MDLERR_BADELEMENT;
  *copyOut = duplicateChain(descr, nullptr).release();
  return *copyOut == nullptr ? MDLERR_INSFMEMORY : SUCCESS;
}

void mdlElmdscr_freeAll(MSElementDescr** descrP) {
  if (descrP == nullptr) return;
  Node owned(*descrP);  // the chain and its components go with it
  *descrP = nullptr;
}

unsigned int mdlElmdscr_read(MSElementDescr** descrOut, unsigned int filePos, DgnModelRefP modelRef, int reserved) {
  (void)reserved;
  if (descrOut == nullptr) return 0;
  *descrOut = nullptr;
  const auto model = elementModelOf(modelRef);
  const StoredElement* stored = model ? findElement(*model, filePos) : nullptr;
  if (stored == nullptr) return 0;
  Node head = newNode(stored->image.data(), stored->image.size());
  if (head == nullptr) return 0;
  head->filePos = filePos;
  head->modelRef = modelRef != nullptr ? modelRef : mdlModelRef_getActive();
  // The rows flagged as components that follow a complex header are its components.
  std::unique_ptr<MSElementDescr>* link = &head->first;
  for (std::uint32_t p : componentsOf(*model, filePos)) {
    const StoredElement* c = findElement(*model, p);
    Node node = newNode(c->image.data(), c->image.size());
    if (node == nullptr) return 0;
    node->filePos = p;
    node->modelRef = head->modelRef;
    node->parent = head.get();
    *link = std::move(node);
    link = &(*link)->next;
  }
  *descrOut = head.release();
  return filePos;
}

unsigned int mdlElmdscr_add(MSElementDescr* descr) {
  std::vector<std::vector<std::uint8_t>> rows;
  if (descr == nullptr || !rowsOf(descr, &rows) || designReadOnly()) return 0;
  const std::int64_t model = activeModelId();
  const unsigned position = addElement(model, std::move(rows.front()));
  for (std::size_t i = 1; position != 0 && i < rows.size(); ++i) addElement(model, std::move(rows[i]));
  if (position != 0) {
    descr->filePos = position;
    descr->modelRef = mdlModelRef_getActive();
  }
  return position;
}

unsigned int mdlElmdscr_rewrite(MSElementDescr* newDescr, const MSElementDescr* oldDescr, unsigned int filePos) {
  // What was read from a reference is not written back anywhere: references are read-only.
  if (newDescr == nullptr || isReference(newDescr->modelRef) || (oldDescr != nullptr && isReference(oldDescr->modelRef)))
    return 0;
  // A complex element is replaced whole: the old one goes, the new one is added (a new position).
  if (newDescr->first != nullptr || !componentsOf(activeModelId(), filePos).empty()) {
    if (designReadOnly() || findElement(activeModelId(), filePos) == nullptr) return 0;
    std::vector<std::vector<std::uint8_t>> rows;
    if (!rowsOf(newDescr, &rows)) return 0;
    deleteElement(activeModelId(), filePos, false);
    return mdlElmdscr_add(newDescr);
  }
  return mdlElement_rewrite(newDescr->image(), nullptr, filePos);
}

int mdlElmdscr_undoableDelete(const MSElementDescr* descr, unsigned int filePos, int display) {
  if (descr != nullptr && isReference(descr->modelRef)) return MDLERR_MODELREADONLY;
  return mdlElement_undoableDelete(descr != nullptr ? const_cast<MSElementDescr*>(descr)->image() : nullptr, filePos,
                                   display);
}

int mdlElmdscr_operation(MSElementDescr* descr, ElmdscrOperationFunc function, void* params) {
  if (function == nullptr) return MDLERR_BADARG;
  for (MSElementDescr* n = descr; n != nullptr; n = n->next.get()) {
    if (const int answer = function(n, params)) return answer;
    if (n->first != nullptr) {
      if (const int answer = mdlElmdscr_operation(n->first.get(), function, params)) return answer;
    }
  }
  return SUCCESS;
}

}  // extern "C"
