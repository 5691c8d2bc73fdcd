// Token lists: a text split at any of a set of delimiter characters.
//   vxlibString_tokenize      splits the caller's text in place
//   vxlibString_tokenize2     splits a private copy, the caller's text stays as it was
//   vxlibString_freeTokenList
//
// A list is an array of pointers to zero-terminated copies of the tokens (no null entry at its
// end; the count goes back through the caller's pointer). The array grows 20 entries at a time.
// Everything comes from the host's heap through vxlibMem_*: the caller frees the list with
// vxlibString_freeTokenList and the count it was given.
//
// Splitting works like strtok (runs of delimiters count as one, none at the ends), but with the
// position kept in a local variable: a token list made inside another caller's strtok loop does
// not disturb it.
#include <cstring>

#include "vxlib/core/core.hpp"

namespace pixmend::vxlib {
namespace {

constexpr int kGrowBy = 20;

void* allocate(std::size_t size) { return vxlibMem_mallocRscErrorPrintf(size, kErrorList, kMsgOutOfMemory); }

// The next token of `*cursor` (advanced past it and its delimiter), or null.
char* nextToken(char** cursor, const char* delimiters) {
  char* p = *cursor + std::strspn(*cursor, delimiters);
  if (*p == '\0') {
    *cursor = p;
    return nullptr;
  }
  char* end = p + std::strcspn(p, delimiters);
  if (*end != '\0') *end++ = '\0';
  *cursor = end;
  return p;
}

void freeList(char** list, int count) {
  for (int i = 0; i < count; ++i) dlmSystem_mdlFree(list[i]);
  dlmSystem_mdlFree(list);
}

}  // namespace
}  // namespace pixmend::vxlib

using namespace pixmend::vxlib;

extern "C" {

char** vxlibString_tokenize(int* count, char* text, const char* delimiters) {
  if (count != nullptr) *count = 0;
  if (count == nullptr || text == nullptr || text[0] == '\0') return nullptr;
  const char* delims = delimiters != nullptr ? delimiters : "";
  int capacity = kGrowBy;
  auto** list = static_cast<char**>(allocate(sizeof(char*) * static_cast<std::size_t>(capacity)));
  if (list == nullptr) return nullptr;
  int n = 0;
  char* cursor = text;
  while (char* token = nextToken(&cursor, delims)) {
    if (n == capacity) {
      auto** grown = static_cast<char**>(vxlibMem_reallocRscErrorPrintf(
          list, sizeof(char*) * static_cast<std::size_t>(capacity),
          sizeof(char*) * static_cast<std::size_t>(capacity + kGrowBy), kErrorList, kMsgOutOfMemory));
      if (grown == nullptr) {
        freeList(list, n);
        return nullptr;
      }
      list = grown;
      capacity += kGrowBy;
    }
    const std::size_t length = std::strlen(token);
    auto* copy = static_cast<char*>(allocate(length + 1));
    if (copy == nullptr) {
      freeList(list, n);
      return nullptr;
    }
    std::memcpy(copy, token, length + 1);
    list[n++] = copy;
  }
  if (n == 0) {
    dlmSystem_mdlFree(list);
    return nullptr;
  }
  *count = n;
  return list;
}

char** vxlibString_tokenize2(int* count, const char* text, const char* delimiters) {
  if (count != nullptr) *count = 0;
  if (count == nullptr || text == nullptr || text[0] == '\0') return nullptr;
  const std::size_t length = std::strlen(text);
  auto* copy = static_cast<char*>(allocate(length + 1));
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, text, length + 1);
  char** list = vxlibString_tokenize(count, copy, delimiters);
  dlmSystem_mdlFree(copy);
  return list;
}

void vxlibString_freeTokenList(char** list, int count) {
  if (list == nullptr || count <= 0) return;
  freeList(list, count);
}

}  // extern "C"
