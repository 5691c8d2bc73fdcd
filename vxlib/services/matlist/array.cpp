// Form data arrays: creating and destroying them and inserting values.
//   vxlibMatList_createFormDataArray / ..._destroyFormDataArray / ..._insertValue
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "vxlib/services/matlist/formdata.hpp"

namespace pixmend::vxlib::matlist {
namespace {

// Keys and value counts beyond these are no form (and would make the blocks absurdly large).
constexpr int kMaxKeyLength = 255;
constexpr int kMaxValueCount = 65536;

void* allocate(std::size_t size) { return vxlibMem_mallocRscErrorPrintf(size, kErrorList, kMsgOutOfMemory); }

void freeNode(Node* node, int count) {
  if (node->type == kString && node->present != nullptr && node->values != nullptr) {
    for (int i = 0; i < count; ++i) {
      if (node->present[i] != 0) dlmSystem_mdlFree(node->values[i].text);
    }
  }
  dlmSystem_mdlFree(node->name);
  dlmSystem_mdlFree(node->present);
  dlmSystem_mdlFree(node->values);
  dlmSystem_mdlFree(node);
}

// A new node for `key` with its blocks, or null (the user was told) when memory ran out.
Node* newNode(const char* key, int type, int count, int length) {
  auto* node = static_cast<Node*>(allocate(sizeof(Node)));
  if (node == nullptr) return nullptr;
  node->type = type;
  node->name = static_cast<char*>(allocate(static_cast<std::size_t>(length) + 1));
  node->present = static_cast<std::int32_t*>(allocate(sizeof(std::int32_t) * static_cast<std::size_t>(count)));
  node->values = static_cast<Slot*>(allocate(sizeof(Slot) * static_cast<std::size_t>(count)));
  if (node->name == nullptr || node->present == nullptr || node->values == nullptr) {
    freeNode(node, 0);
    return nullptr;
  }
  std::memcpy(node->name, key, strnlen(key, static_cast<std::size_t>(length)));
  return node;
}

// The string value as it is kept: cleaned as the host cleans texts (blanks at the end dropped),
// at most kStringLimit - 1 characters, in a block of its own.
char* keptString(const char* text) {
  const std::size_t n = text != nullptr ? strnlen(text, kStringLimit - 1) : 0;
  auto* copy = static_cast<char*>(allocate(n + 1));
  if (copy == nullptr) return nullptr;
  if (n > 0) std::memcpy(copy, text, n);
  mdlText_compressString(copy, kStringLimit, TEXT_COMPRESS_TRAILING);
  return copy;
}

}  // namespace

Node* findNode(Node* head, const char* key) {
  if (head == nullptr || key == nullptr) return nullptr;
  const auto length = static_cast<std::size_t>(keyLength(head));
  const std::size_t n = strnlen(key, length);
  for (Node* node = head->next; node != nullptr; node = node->next) {
    if (std::strlen(node->name) == n && std::memcmp(node->name, key, n) == 0) return node;
  }
  return nullptr;
}

}  // namespace pixmend::vxlib::matlist

using namespace pixmend::vxlib;
using namespace pixmend::vxlib::matlist;

extern "C" {

VxlibFormData* vxlibMatList_createFormDataArray(int keyLength, int valueCount) {
  if (keyLength < 1 || keyLength > kMaxKeyLength || valueCount < 1 || valueCount > kMaxValueCount) return nullptr;
  auto* head = static_cast<Node*>(vxlibMem_mallocRscErrorPrintf(sizeof(Node), kErrorList, kMsgOutOfMemory));
  if (head == nullptr) return nullptr;
  head->type = kHead;
  head->values = static_cast<Slot*>(vxlibMem_mallocRscErrorPrintf(sizeof(Slot), kErrorList, kMsgOutOfMemory));
  if (head->values == nullptr) {
    dlmSystem_mdlFree(head);
    return nullptr;
  }
  head->values[0].dimensions.valueCount = valueCount;
  head->values[0].dimensions.keyLength = keyLength;
  return head;
}

VxlibFormData* vxlibMatList_destroyFormDataArray(VxlibFormData* array) {
  if (array == nullptr) return nullptr;
  const int count = valueCount(array);
  for (Node* node = array->next; node != nullptr;) {
    Node* next = node->next;
    freeNode(node, count);
    node = next;
  }
  dlmSystem_mdlFree(array->values);
  dlmSystem_mdlFree(array);
  return nullptr;
}

int vxlibMatList_insertValue(VxlibFormData* array, const char* key, int type, int index, ...) {
  if (array == nullptr || key == nullptr) return 1;
  const int count = valueCount(array);
  if (index < 0 || index >= count) return 2;
  Node* node = findNode(array, key);
  if (node == nullptr) {
    node = newNode(key, type, count, keyLength(array));
    if (node == nullptr) return 1;
    Node* last = array;
    while (last->next != nullptr) last = last->next;
    last->next = node;
  }
  // A value of another type than the node's would be read as the wrong thing (a string's
  // pointer as a double): it is not stored.
  if (type != node->type) return 3;
  Slot& slot = node->values[index];
  va_list ap;
  va_start(ap, index);
  int result = 0;
  switch (type) {
    case kDouble:
      slot.number = va_arg(ap, double);
      break;
    case kInteger:
      slot.integer = va_arg(ap, int);
      break;
    case kString: {
      char* kept = keptString(va_arg(ap, const char*));
      if (kept == nullptr) {
        result = 1;
        break;
      }
      // A value inserted again replaces the old one, whose block is let go.
      if (node->present[index] != 0) dlmSystem_mdlFree(slot.text);
      slot.text = kept;
      break;
    }
    case kCharacter: {
      const char* c = va_arg(ap, const char*);
      slot.character = c != nullptr ? *c : '\0';
      break;
    }
    case kCallback:
      slot.callback.function = va_arg(ap, void*);
      slot.callback.user = va_arg(ap, void*);
      slot.callback.native = va_arg(ap, int);
      break;
    default:
      result = 3;
  }
  va_end(ap);
  if (result != 1) node->present[index] = 1;
  return result;
}

}  // extern "C"
