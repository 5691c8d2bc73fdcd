// The element-attribute family's list of definitions and its groups:
//   vxlibElmAttr_setGroupeNames / ..Extended / freeGroupeNames
//   vxlibElmAttr_addAttribute / insertAttribute / editAttribute / ..Extended / deleteAttribute
//   vxlibElmAttr_freeAllAttribute / extractData / getLabelFromId / findIdForAttributeName
//   vxlibElmAttr_insertOptionButton / setLevelNameVariable
//
// Every text and array a caller gives is copied to the host heap and owned by its definition;
// a definition is freed with everything it owns.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "vxlib/services/elmattr/elmattr.hpp"

namespace pixmend::vxlib::elmattr {

namespace {

void* allocate(std::size_t size) {
  return vxlibMem_mallocRscErrorPrintf(size, kErrorList, kMsgOutOfMemory);
}

Group* groups(GlobalData* b) { return static_cast<Group*>(b->attributeGroups); }

}  // namespace

void freeGroups(GlobalData* b) {
  Group* g = groups(b);
  for (int i = 0; g != nullptr && i < b->attributeGroupCount; ++i) dlmSystem_mdlFree(g[i].name);
  dlmSystem_mdlFree(g);
  b->attributeGroups = nullptr;
  b->attributeGroupCount = 0;
}

namespace {

// Keeps `count` groups read from the arguments: the first from the named ones, the others from
// `ap` as triples or, with `withCallback`, quadruples.
int setGroups(int count, const char* name, int key, int flags, VxlibElmAttrGroupCallback callback, bool withCallback,
              va_list ap) {
  GlobalData* b = block();
  if (b == nullptr || count < 0) return VXLIB_ERROR;
  freeAllDefinitions(b);
  freeGroups(b);
  if (count == 0) return VXLIB_SUCCESS;
  auto* table = static_cast<Group*>(allocate(sizeof(Group) * static_cast<std::size_t>(count)));
  if (table == nullptr) return VXLIB_ERROR;
  b->attributeGroups = table;
  b->attributeGroupCount = count;
  for (int i = 0; i < count; ++i) {
    if (i > 0) {
      name = va_arg(ap, const char*);
      key = va_arg(ap, int);
      flags = va_arg(ap, int);
      callback = withCallback ? va_arg(ap, VxlibElmAttrGroupCallback) : nullptr;
    }
    table[i].name = copyText(name != nullptr ? name : "");
    table[i].key = key;
    table[i].flags = flags;
    table[i].callback = withCallback ? callback : nullptr;
  }
  b->attributeGroupShown = table[0].key;
  return VXLIB_SUCCESS;
}

// Reads the choices of kinds 2, 3, 5 and 7 from the arguments into `d`.
bool readChoices(Definition* d, va_list ap) {
  if (d->kind == 5 || d->kind == 6) {
    d->maxLength = va_arg(ap, int);
    d->textLabel = copyText(va_arg(ap, const char*));
  } else if (d->kind == 7) {
    d->textLabel = copyText(va_arg(ap, const char*));
  }
  if (!hasChoices(d->kind)) return true;
  const int count = va_arg(ap, int);
  if (count < 0) return false;
  d->choiceCount = count;
  if (count == 0) return true;
  d->choiceValues = static_cast<std::int32_t*>(allocate(sizeof(std::int32_t) * static_cast<std::size_t>(count)));
  d->choiceIcons = static_cast<std::intptr_t*>(allocate(sizeof(std::intptr_t) * static_cast<std::size_t>(count)));
  if (d->choiceValues == nullptr || d->choiceIcons == nullptr) return false;
  for (int i = 0; i < count; ++i) {
    if (d->kind == 7) {
      d->choiceIcons[i] = reinterpret_cast<std::intptr_t>(copyText(va_arg(ap, const char*)));
    } else {
      d->choiceIcons[i] = va_arg(ap, int);
    }
    d->choiceValues[i] = va_arg(ap, int);
  }
  return true;
}

void append(GlobalData* b, Definition* d) {
  Definition** link = &State{b}.head();
  while (*link != nullptr) link = &(*link)->next;
  *link = d;
  ++b->attributeCount;
}

void setSettings(Definition* d, const VxlibElmAttrSettings* settings) {
  if (settings != nullptr) d->settings = *settings;
  terminateTexts(&d->settings);
}

}  // namespace

GlobalData* block() { return vxlibMain_getGlobalDataP(); }

Definition* find(GlobalData* b, int id) {
  if (b == nullptr) return nullptr;
  for (Definition* d = State{b}.head(); d != nullptr; d = d->next) {
    if (d->id == id) return d;
  }
  return nullptr;
}

const Group* findGroup(const GlobalData* b, int key) {
  const auto* table = static_cast<const Group*>(b->attributeGroups);
  for (int i = 0; table != nullptr && i < b->attributeGroupCount; ++i) {
    if (table[i].key == key) return &table[i];
  }
  return nullptr;
}

char* copyText(const char* text) {
  if (text == nullptr) return nullptr;
  const std::size_t size = std::strlen(text) + 1;
  auto* copy = static_cast<char*>(allocate(size));
  if (copy != nullptr) std::memcpy(copy, text, size);
  return copy;
}

void freeDefinition(Definition* d) {
  if (d == nullptr) return;
  if (d->kind == 7 && d->choiceIcons != nullptr) {
    for (int i = 0; i < d->choiceCount; ++i) dlmSystem_mdlFree(reinterpret_cast<char*>(d->choiceIcons[i]));
  }
  dlmSystem_mdlFree(d->choiceIcons);
  dlmSystem_mdlFree(d->choiceValues);
  dlmSystem_mdlFree(d->textLabel);
  dlmSystem_mdlFree(d->label);
  dlmSystem_mdlFree(d);
}

void freeAllDefinitions(GlobalData* b) {
  Definition*& head = State{b}.head();
  while (head != nullptr) {
    Definition* next = head->next;
    freeDefinition(head);
    head = next;
  }
  b->attributeCount = 0;
  b->attributeSelectedId = 0;
}

void noteIdentifier(GlobalData* b, int id) {
  if (id >= b->attributeNextId) b->attributeNextId = id + 1;
}

void notify(const Definition* d, int reason, MSDialog* dialog) {
  if (d == nullptr || d->callback == nullptr) return;
  VxlibElmAttrChange change{};
  change.reason = reason;
  change.attributeId = d->id;
  change.groupKey = d->groupKey;
  change.label = d->label;
  change.kind = d->kind;
  change.dialog = dialog;
  change.settings = d->settings;
  dlmSystem_callAnyFunction(mdlSystem_getCurrMdlDesc(), reinterpret_cast<void*>(d->callback), "P",
                            static_cast<void*>(&change));
}

bool copyChoices(Definition* d, const Definition* from) {
  d->callback = from->callback;
  d->maxLength = from->maxLength;
  if (from->textLabel != nullptr && (d->textLabel = copyText(from->textLabel)) == nullptr) return false;
  // Labels and icon identifiers are different things: a definition whose kind changed to or
  // from 7 takes no choices from the old one.
  if (from->choiceCount <= 0 || from->choiceValues == nullptr || from->choiceIcons == nullptr ||
      (d->kind == 7) != (from->kind == 7))
    return true;
  const auto count = static_cast<std::size_t>(from->choiceCount);
  d->choiceValues = static_cast<std::int32_t*>(allocate(sizeof(std::int32_t) * count));
  d->choiceIcons = static_cast<std::intptr_t*>(allocate(sizeof(std::intptr_t) * count));
  if (d->choiceValues == nullptr || d->choiceIcons == nullptr) return false;
  d->choiceCount = from->choiceCount;
  for (std::size_t i = 0; i < count; ++i) {
    d->choiceValues[i] = from->choiceValues[i];
    d->choiceIcons[i] = d->kind == 7 ? reinterpret_cast<std::intptr_t>(copyText(reinterpret_cast<const char*>(
                                           from->choiceIcons[i])))
                                     : from->choiceIcons[i];
  }
  return true;
}

bool moveDefinition(GlobalData* b, int id, int direction) {
  Definition* d = find(b, id);
  if (d == nullptr || (direction != -1 && direction != 1)) return false;
  // The neighbour in the group: the nearest definition of the same group before or after it.
  Definition* neighbour = nullptr;
  if (direction < 0) {
    for (Definition* e = State{b}.head(); e != d; e = e->next) {
      if (e->groupKey == d->groupKey) neighbour = e;
    }
  } else {
    for (Definition* e = d->next; e != nullptr && neighbour == nullptr; e = e->next) {
      if (e->groupKey == d->groupKey) neighbour = e;
    }
  }
  if (neighbour == nullptr) return false;
  Definition* first = direction < 0 ? neighbour : d;
  Definition* second = direction < 0 ? d : neighbour;
  // Swap the two nodes' places in the list (they need not be adjacent: other groups lie between).
  Definition** firstLink = &State{b}.head();
  while (*firstLink != first) firstLink = &(*firstLink)->next;
  Definition** secondLink = &first->next;
  while (*secondLink != second) secondLink = &(*secondLink)->next;
  if (first->next == second) {
    first->next = second->next;
    second->next = first;
    *firstLink = second;
  } else {
    Definition* afterFirst = first->next;
    Definition* afterSecond = second->next;
    *firstLink = second;
    second->next = afterFirst;
    *secondLink = first;
    first->next = afterSecond;
  }
  return true;
}

}  // namespace pixmend::vxlib::elmattr

namespace pixmend::vxlib {
void releaseAttributeDefinitions(GlobalData* block) {
  if (block == nullptr) return;
  elmattr::freeAllDefinitions(block);
  elmattr::freeGroups(block);
}
}  // namespace pixmend::vxlib

using namespace pixmend::vxlib;
using namespace pixmend::vxlib::elmattr;

extern "C" {

int vxlibElmAttr_setGroupeNames(int count, const char* name, int key, int flags, ...) {
  va_list ap;
  va_start(ap, flags);
  const int status = setGroups(count, name, key, flags, nullptr, false, ap);
  va_end(ap);
  return status;
}

int vxlibElmAttr_setGroupeNamesExtended(int count, const char* name, int key, int flags,
                                        VxlibElmAttrGroupCallback callback, ...) {
  va_list ap;
  va_start(ap, callback);
  const int status = setGroups(count, name, key, flags, callback, true, ap);
  va_end(ap);
  return status;
}

void vxlibElmAttr_freeGroupeNames(void) {
  if (GlobalData* b = block()) freeGroups(b);
}

int vxlibElmAttr_addAttribute(int attributeId, const char* label, int groupKey, int kind, int lockedMask,
                              VxlibElmAttrCallback callback, int refresh, const VxlibElmAttrSettings* settings, ...) {
  GlobalData* b = block();
  // Identifiers name definitions in files and dialogs: two with one identifier could never be
  // told apart, so a second is refused (as is a kind the dialog cannot show).
  if (b == nullptr || kind < kMinKind || kind > kMaxKind || attributeId <= 0 || find(b, attributeId) != nullptr)
    return VXLIB_ERROR;
  auto* d = static_cast<Definition*>(allocate(sizeof(Definition)));
  if (d == nullptr) return VXLIB_ERROR;
  d->groupKey = groupKey;
  d->kind = kind;
  d->id = attributeId;
  d->lockedMask = lockedMask;
  d->maxLength = kDefaultMaxLength;
  d->label = copyText(label != nullptr ? label : "");
  const Group* group = findGroup(b, groupKey);
  if (group != nullptr && (group->flags & VXLIB_ELMATTR_GROUP_MENUBAR) == 0) d->callback = callback;
  setSettings(d, settings);
  va_list ap;
  va_start(ap, settings);
  const bool ok = readChoices(d, ap);
  va_end(ap);
  if (!ok || d->label == nullptr) {
    freeDefinition(d);
    return VXLIB_ERROR;
  }
  append(b, d);
  noteIdentifier(b, attributeId);
  if (refresh != 0) refreshDialog(b, attributeId);
  return VXLIB_SUCCESS;
}

int vxlibElmAttr_insertAttribute(int attributeId, const char* label, int lockedMask,
                                 const VxlibElmAttrSettings* settings) {
  GlobalData* b = block();
  Definition* at = find(b, attributeId);
  if (at == nullptr) return VXLIB_ERROR;
  auto* d = static_cast<Definition*>(allocate(sizeof(Definition)));
  if (d == nullptr) return VXLIB_ERROR;
  d->kind = at->kind;
  d->id = b->attributeNextId > 0 ? b->attributeNextId : 1;
  // The group of the definition being edited in the dialog (the copied one's when none is).
  const Definition* edited = find(b, b->attributeSelectedId);
  d->groupKey = edited != nullptr ? edited->groupKey : at->groupKey;
  d->lockedMask = lockedMask;
  d->carried = at->carried;
  d->label = copyText(label != nullptr ? label : "");
  if (d->label == nullptr || !copyChoices(d, at)) {
    freeDefinition(d);
    return VXLIB_ERROR;
  }
  setSettings(d, settings != nullptr ? settings : &at->settings);
  Definition** link = &State{b}.head();
  while (*link != at) link = &(*link)->next;
  d->next = at;
  *link = d;
  ++b->attributeCount;
  noteIdentifier(b, d->id);
  refreshDialog(b, d->id);
  return VXLIB_SUCCESS;
}

int vxlibElmAttr_editAttribute(int attributeId, int refresh, const VxlibElmAttrSettings* settings) {
  GlobalData* b = block();
  Definition* d = find(b, attributeId);
  if (d == nullptr) return VXLIB_ERROR;
  setSettings(d, settings);
  if (refresh != 0) refreshDialog(b, attributeId);
  return VXLIB_SUCCESS;
}

int vxlibElmAttr_editAttributeExtended(int attributeId, int refresh, const VxlibElmAttrSettings* settings,
                                       VxlibElmAttrCallback callback) {
  Definition* d = find(block(), attributeId);
  if (d == nullptr) return VXLIB_ERROR;
  d->callback = callback;
  return vxlibElmAttr_editAttribute(attributeId, refresh, settings);
}

int vxlibElmAttr_deleteAttribute(int attributeId, int refresh) {
  GlobalData* b = block();
  Definition* d = find(b, attributeId);
  if (d == nullptr) return VXLIB_ERROR;
  Definition** link = &State{b}.head();
  while (*link != d) link = &(*link)->next;
  *link = d->next;
  freeDefinition(d);
  --b->attributeCount;
  if (b->attributeSelectedId == attributeId) b->attributeSelectedId = 0;
  if (refresh != 0) refreshDialog(b, 0);
  return VXLIB_SUCCESS;
}

void vxlibElmAttr_freeAllAttribute(void) {
  if (GlobalData* b = block()) freeAllDefinitions(b);
}

int vxlibElmAttr_extractData(int attributeId, VxlibElmAttrSettings* settingsOut) {
  const Definition* d = find(block(), attributeId);
  if (d == nullptr) return VXLIB_ERROR;
  if (settingsOut != nullptr) *settingsOut = d->settings;
  return VXLIB_SUCCESS;
}

int vxlibElmAttr_getLabelFromId(int attributeId, char* labelOut) {
  const Definition* d = find(block(), attributeId);
  if (d == nullptr || labelOut == nullptr) return VXLIB_ERROR;
  std::snprintf(labelOut, kLabelSize, "%s", d->label != nullptr ? d->label : "");
  return VXLIB_SUCCESS;
}

int vxlibElmAttr_findIdForAttributeName(const char* label, int groupKey) {
  GlobalData* b = block();
  if (b == nullptr || label == nullptr) return 0;
  for (const Definition* d = State{b}.head(); d != nullptr; d = d->next) {
    if (d->groupKey == groupKey && d->label != nullptr && std::strcmp(d->label, label) == 0) return d->id;
  }
  return 0;
}

int vxlibElmAttr_insertOptionButton(MSDialog* dialog, int optionButtonItem, int groupKey, int* selectedIdInOut) {
  GlobalData* b = block();
  const int index = dialog != nullptr ? mdlDialog_itemIndexByTypeAndId(dialog, RTYPE_OPTIONBTN, optionButtonItem, 0) : -1;
  if (b == nullptr || index < 0) return VXLIB_ERROR;
  mdlDialog_optionButtonClear(dialog, index);
  int first = 0;
  bool selectedFound = false;
  for (const Definition* d = State{b}.head(); d != nullptr; d = d->next) {
    if (d->groupKey != groupKey) continue;
    if (first == 0) first = d->id;
    if (selectedIdInOut != nullptr && *selectedIdInOut == d->id) selectedFound = true;
    mdlDialog_optionButtonInsert(dialog, index, d->label, d->id, 1);
  }
  if (selectedIdInOut != nullptr && !selectedFound) *selectedIdInOut = first != 0 ? first : optionButtonItem;
  mdlDialog_itemSynch(dialog, index);
  return VXLIB_SUCCESS;
}

int vxlibElmAttr_setLevelNameVariable(int index, unsigned short* levelName) {
  GlobalData* b = block();
  if (b == nullptr || index < 1 || index > kLevelNameVariables) return VXLIB_ERROR;
  b->levelNameVariables[index - 1] = levelName;
  return VXLIB_SUCCESS;
}

}  // extern "C"
