// The form data array of the material-list family: a singly linked list of nodes, one per key,
// each with the same number of indexed value slots. The first node (the head) has no key; its
// slot 0 holds the array's dimensions. Every block comes from vxlibMem_mallocRscErrorPrintf
// (zero-filled) and is freed with dlmSystem_mdlFree.
#pragma once

#include <cstdint>

#include "vxlib/core/core.hpp"

namespace pixmend::vxlib::matlist {

// Value types of a node.
constexpr int kDouble = 1;
constexpr int kInteger = 2;
constexpr int kString = 3;
constexpr int kCharacter = 4;
constexpr int kCallback = 5;
constexpr int kHead = 255;

// A template callback: (slot index, key name, descriptor output, user value, width, height).
using Callback = int (*)(int, const char*, MSElementDescr**, void*, double, double);

// One value. A callback slot holds the function, the user value and whether the function is
// native code (else it belongs to an interpreted application and is called through the host).
struct Slot {
  union {
    double number;
    std::int32_t integer;
    char* text;      // owned by the node
    char character;
    struct {
      void* function;
      void* user;
      std::int32_t native;
    } callback;
    struct {
      std::int32_t valueCount;
      std::int32_t keyLength;
    } dimensions;    // the head's slot 0
  };
};

}  // namespace pixmend::vxlib::matlist

// Public as an opaque type (VxlibFormData in vxlib.h).
struct VxlibFormNode {
  char* name;              // key length + 1 bytes, zero-terminated; null in the head
  std::int32_t type;
  std::int32_t* present;   // value count flags
  pixmend::vxlib::matlist::Slot* values;  // value count slots
  VxlibFormNode* next;
};

namespace pixmend::vxlib::matlist {

using Node = ::VxlibFormNode;

// The dimensions of an array (from its head).
inline int valueCount(const Node* head) { return head->values[0].dimensions.valueCount; }
inline int keyLength(const Node* head) { return head->values[0].dimensions.keyLength; }

// The longest expansion of a template, its zero included: the caller's output buffer holds it.
constexpr int kOutputSize = 1024;
// The longest string value kept (as the host cleans texts), and one formatted value.
constexpr int kStringLimit = 1024;
constexpr int kFormattedLimit = 512;

constexpr int kMsgBadIndex = 15;  // list 20005: %d index, %s the template from the key on, %d value count

// The node of `key` (its first key-length characters, compared exactly), or null.
Node* findNode(Node* head, const char* key);

}  // namespace pixmend::vxlib::matlist

namespace pixmend::vxlib::matlist {

// Sends every value of the array to the open spreadsheet conversation: each placeholder
// "%NN%key" is put in the active cell and replaced by the value it expands to. 0, or 0x8000 for
// a null array (spreadsheet.cpp).
int sendToSpreadsheet(VxlibFormData* array);

}  // namespace pixmend::vxlib::matlist
