// Definitions in resource files:
//   vxlibElmAttr_writeResource / ..ByHandle     one 'VxA3' per definition (its settings)
//   vxlibElmAttr_readResource / ..ByHandle      the settings of the definitions there are, from
//                                               'VxA3', else the older 'VxA2' or 'VxAs'
//   vxlibElmAttr_writeResourceExtended / readResourceExtended   the complete list: 'ASD3' and
//                                               'ASNa' per position, 'ASNo' 1 the count
//
// A complete list read from a file replaces the list only when every position could be read;
// otherwise the old list stays as it was.
#include <cstring>
#include <vector>

#include "vxlib/services/elmattr/elmattr.hpp"

namespace pixmend::vxlib::elmattr {
namespace {

constexpr unsigned int fourCc(const char (&t)[5]) {
  return static_cast<unsigned int>(static_cast<unsigned char>(t[0])) << 24 |
         static_cast<unsigned int>(static_cast<unsigned char>(t[1])) << 16 |
         static_cast<unsigned int>(static_cast<unsigned char>(t[2])) << 8 | static_cast<unsigned char>(t[3]);
}
constexpr unsigned int kSettingsType = fourCc("VxA3"), kSettingsType2 = fourCc("VxA2"), kSettingsType1 = fourCc("VxAs");
constexpr unsigned int kListType = fourCc("ASD3"), kListType2 = fourCc("ASD2"), kListType1 = fourCc("ASDa");
constexpr unsigned int kLabelType = fourCc("ASNa"), kCountType = fourCc("ASNo");
constexpr int kCountId = 1;

// The first of the three forms there is: the image and its size; empty when none.
std::vector<std::uint8_t> loadImage(VxlibRscFile* file, const unsigned int (&types)[3], int id) {
  const std::size_t sizes[3] = {kImageSize, kImage2Size, kImage1Size};
  for (int i = 0; i < 3; ++i) {
    std::vector<std::uint8_t> image(sizes[i], 0);
    if (vxlibResource_load(file, types[i], id, image.data(), static_cast<unsigned int>(sizes[i])) == VXLIB_SUCCESS)
      return image;
  }
  return {};
}

int writeSettings(VxlibRscFile* file) {
  GlobalData* b = block();
  if (b == nullptr) return VXLIB_ERROR;
  std::vector<std::uint8_t> image(kImageSize);
  for (const Definition* d = State{b}.head(); d != nullptr; d = d->next) {
    writeImage(*d, image.data());
    if (vxlibResource_add(file, kSettingsType, d->id, image.data(), kImageSize, nullptr) != VXLIB_SUCCESS)
      return VXLIB_ERROR;
  }
  return VXLIB_SUCCESS;
}

int readSettingsFrom(VxlibRscFile* file) {
  GlobalData* b = block();
  if (b == nullptr) return VXLIB_ERROR;
  for (Definition* d = State{b}.head(); d != nullptr; d = d->next) {
    const std::vector<std::uint8_t> image = loadImage(file, {kSettingsType, kSettingsType2, kSettingsType1}, d->id);
    if (!image.empty()) readSettings(image.data(), image.size(), d->kind, &d->settings);
  }
  resolveLineStyles(b);
  refreshDialog(b, b->attributeSelectedId);
  return VXLIB_SUCCESS;
}

void freeList(Definition* head) {
  while (head != nullptr) {
    Definition* next = head->next;
    freeDefinition(head);
    head = next;
  }
}

// The new list of `count` definitions, or null (everything read freed) when a position has no
// image or no label, or memory ran out.
Definition* readList(VxlibRscFile* file, int count) {
  Definition* head = nullptr;
  Definition** tail = &head;
  for (int i = 0; i < count; ++i) {
    const std::vector<std::uint8_t> image = loadImage(file, {kListType, kListType2, kListType1}, i);
    char label[kLabelSize] = {};
    auto* d = static_cast<Definition*>(vxlibMem_mallocRscErrorPrintf(sizeof(Definition), kErrorList, kMsgOutOfMemory));
    const bool ok = d != nullptr && !image.empty() && readHead(image.data(), d) &&
                    vxlibResource_load(file, kLabelType, i, label, kLabelSize) == VXLIB_SUCCESS;
    if (ok) {
      label[kLabelSize - 1] = '\0';
      d->label = copyText(label);
      readSettings(image.data(), image.size(), d->kind, &d->settings);
    }
    if (!ok || d->label == nullptr) {
      freeDefinition(d);
      freeList(head);
      return nullptr;
    }
    *tail = d;
    tail = &d->next;
  }
  return head;
}

}  // namespace
}  // namespace pixmend::vxlib::elmattr

using namespace pixmend::vxlib;
using namespace pixmend::vxlib::elmattr;

extern "C" {

int vxlibElmAttr_writeResource(const char* fileName) {
  VxlibRscFile file{};
  if (vxlibResource_openFile(&file, fileName, 1) != VXLIB_SUCCESS) return VXLIB_ERROR;
  writeSettings(&file);
  vxlibResource_closeFile(&file);
  return VXLIB_SUCCESS;
}

int vxlibElmAttr_writeResourceByHandle(RscFileHandle resourceFile) {
  VxlibRscFile file{};
  file.handle = resourceFile;
  return writeSettings(&file);
}

int vxlibElmAttr_readResource(const char* fileName) {
  VxlibRscFile file{};
  if (vxlibResource_openFile(&file, fileName, 0) != VXLIB_SUCCESS) return VXLIB_ERROR;
  const int status = readSettingsFrom(&file);
  vxlibResource_closeFile(&file);
  return status;
}

int vxlibElmAttr_readResourceByHandle(RscFileHandle resourceFile) {
  VxlibRscFile file{};
  file.handle = resourceFile;
  return readSettingsFrom(&file);
}

int vxlibElmAttr_writeResourceExtended(const char* fileName) {
  GlobalData* b = block();
  VxlibRscFile file{};
  if (b == nullptr || vxlibResource_openFile(&file, fileName, 1) != VXLIB_SUCCESS) return VXLIB_ERROR;
  int status = VXLIB_SUCCESS;
  std::vector<std::uint8_t> image(kImageSize);
  std::int32_t count = 0;
  for (const Definition* d = State{b}.head(); d != nullptr; d = d->next, ++count) {
    writeImage(*d, image.data());
    char label[kLabelSize] = {};
    std::strncpy(label, d->label != nullptr ? d->label : "", kLabelSize - 1);
    if (vxlibResource_add(&file, kListType, count, image.data(), kImageSize, nullptr) != VXLIB_SUCCESS ||
        vxlibResource_add(&file, kLabelType, count, label, kLabelSize, nullptr) != VXLIB_SUCCESS)
      status = VXLIB_ERROR;
  }
  if (vxlibResource_add(&file, kCountType, kCountId, &count, sizeof count, nullptr) != VXLIB_SUCCESS) status = VXLIB_ERROR;
  vxlibResource_closeFile(&file);
  return status;
}

int vxlibElmAttr_readResourceExtended(const char* fileName) {
  GlobalData* b = block();
  VxlibRscFile file{};
  if (b == nullptr || vxlibResource_openFile(&file, fileName, 0) != VXLIB_SUCCESS) return VXLIB_ERROR;
  std::int32_t count = 0;
  Definition* fresh = nullptr;
  const bool counted = vxlibResource_load(&file, kCountType, kCountId, &count, sizeof count) == VXLIB_SUCCESS;
  // The count comes from the file: a negative one, or one the file holds no images for, is refused
  // by reading position after position rather than trusting it for an allocation.
  const bool read = counted && count >= 0 && (count == 0 || (fresh = readList(&file, count)) != nullptr);
  vxlibResource_closeFile(&file);
  if (!read) return VXLIB_ERROR;

  // Walk both lists: a new definition whose identifier is the next old one's takes over that
  // one's callback, choices and texts.
  Definition* old = State{b}.head();
  for (Definition* d = fresh; d != nullptr; d = d->next) {
    noteIdentifier(b, d->id);
    if (old == nullptr || old->id != d->id) continue;
    const std::int32_t maxLength = d->maxLength;
    copyChoices(d, old);
    d->maxLength = maxLength;
    old = old->next;
  }
  freeAllDefinitions(b);
  State{b}.head() = fresh;
  b->attributeCount = count;
  resolveLineStyles(b);
  refreshDialog(b, 0);
  return VXLIB_SUCCESS;
}

}  // extern "C"
