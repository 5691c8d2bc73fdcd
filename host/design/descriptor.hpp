// The node of an element descriptor (api.h, MSElementDescr), for the design group's own files
// that walk and rebuild descriptors (descriptors.cpp, modify.cpp). Internal to host/design.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "host/design/api.h"

// A node owns its image, the rest of its chain and, for a complex header, its components. The
// caller holds the head through a plain pointer (released from its unique_ptr) until freeAll.
struct MSElementDescr {
  std::vector<std::uint64_t> storage;  // the image, 8-byte aligned
  std::unique_ptr<MSElementDescr> next;
  std::unique_ptr<MSElementDescr> first;  // first component of a complex header
  MSElementDescr* parent = nullptr;       // the header a component belongs to
  unsigned int filePos = 0;
  DgnModelRefP modelRef = nullptr;

  MSElement* image() { return reinterpret_cast<MSElement*>(storage.data()); }
  MSElementDescr() = default;
  MSElementDescr(const MSElementDescr&) = delete;
  MSElementDescr& operator=(const MSElementDescr&) = delete;
  ~MSElementDescr() {
    // Chains may be long: free them in a loop, not by recursion along `next`.
    for (std::unique_ptr<MSElementDescr> n = std::move(next); n != nullptr;) n = std::move(n->next);
  }
};
