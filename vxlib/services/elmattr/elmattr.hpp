// What the files of the element-attribute family share (never exported): the definition as it
// lives in memory, the family's state in the global data block, the 1480-byte image of a
// definition as resource files keep it, and the pieces the dialog and the resources both use.
//
// In memory a definition holds real pointers (host heap, zero-filled through
// vxlibMem_mallocRscErrorPrintf); the stored image has the same fields at fixed offsets with
// 4-byte pointer slots that carry nothing (image.cpp writes and reads it field by field).
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "vxlib/core/core.hpp"

namespace pixmend::vxlib::elmattr {

constexpr int kMinKind = 1, kMaxKind = 7;
constexpr int kDefaultMaxLength = 80;
constexpr std::size_t kLabelSize = 80;     // a label in the complete-list form, terminator included
constexpr std::size_t kSettingsSize = 1424;
static_assert(sizeof(VxlibElmAttrSettings) == kSettingsSize, "the settings block is 1424 bytes");
static_assert(offsetof(VxlibElmAttrSettings, elementClass) == 1036 && offsetof(VxlibElmAttrSettings, choice) == 1128 &&
                  offsetof(VxlibElmAttrSettings, choice.icon.size) == 1136 &&
                  offsetof(VxlibElmAttrSettings, freeText) == 1172 && offsetof(VxlibElmAttrSettings, font) == 1292 &&
                  offsetof(VxlibElmAttrSettings, lineSpacing) == 1320 && offsetof(VxlibElmAttrSettings, extra) == 1336 &&
                  offsetof(VxlibElmAttrSettings, kind7Value) == 1420,
              "the settings block has the stored offsets less 48");

// Kinds: which of the settings' variants a definition uses.
inline bool isTextKind(int kind) { return kind == 1 || kind == 4 || kind == 6 || kind == 7; }
inline bool hasIcons(int kind) { return kind == 2 || kind == 3 || kind == 5; }
inline bool hasChoices(int kind) { return hasIcons(kind) || kind == 7; }
inline bool hasFreeText(int kind) { return kind == 5 || kind == 6; }

struct Definition {
  std::int32_t groupKey;
  std::int32_t kind;
  std::int32_t id;
  char* label;                     // owned
  VxlibElmAttrCallback callback;   // or null
  std::int32_t lockedMask;
  std::int32_t choiceCount;
  std::int32_t* choiceValues;      // owned, choiceCount entries
  std::intptr_t* choiceIcons;      // owned; kinds 2, 3, 5 icon identifiers, kind 7 owned labels (char*)
  std::int32_t maxLength;
  char* textLabel;                 // owned: kinds 5, 6, 7
  std::int32_t carried;
  VxlibElmAttrSettings settings;
  Definition* next;
};
static_assert(std::is_trivially_default_constructible_v<Definition>, "allocated zero-filled");

struct Group {
  char* name;  // owned
  std::int32_t key;
  std::int32_t flags;
  VxlibElmAttrGroupCallback callback;
};

// The family's state in the calling application's block (null when the library is not started).
struct State {
  GlobalData* block;
  Definition*& head() const { return *reinterpret_cast<Definition**>(&block->attributeList.next); }
};
GlobalData* block();

// ---- definitions.cpp
Definition* find(GlobalData* b, int id);
const Group* findGroup(const GlobalData* b, int key);
// A copy of `text` on the host heap (null for null); `size` limits the copy when not 0.
char* copyText(const char* text);
void freeDefinition(Definition* d);
void freeAllDefinitions(GlobalData* b);
void freeGroups(GlobalData* b);
// Keeps the next free identifier above `id`.
void noteIdentifier(GlobalData* b, int id);
// Calls the definition's change callback (when it has one) with `reason`.
void notify(const Definition* d, int reason, MSDialog* dialog);
// Copies another definition's callback, choices and texts into `d` (owned copies). False when
// memory ran out (what was copied stays owned by `d`).
bool copyChoices(Definition* d, const Definition* from);

// Moves definition `id` one place up (direction -1) or down (+1) among the definitions of its
// group, swapping it with its neighbour there; false when it is already the first (up) or last
// (down) of its group, or unknown.
bool moveDefinition(GlobalData* b, int id, int direction);

// ---- image.cpp: the 1480-byte image and the older forms
constexpr std::size_t kImageSize = 1480, kImage2Size = 1320, kImage1Size = 320;
void writeImage(const Definition& d, std::uint8_t* image);
// The head fields a complete-list read takes: group key, kind, identifier, locked mask, maximum
// length. False for a kind outside 1 to 7.
bool readHead(const std::uint8_t* image, Definition* d);
// The settings of an image of `size` bytes (1480, 1320 or 320), converted for `kind`; texts are
// terminated within their fields whatever the file held.
void readSettings(const std::uint8_t* image, std::size_t size, int kind, VxlibElmAttrSettings* out);
// Every text field ends within its field (a file may hold one without its terminator).
void terminateTexts(VxlibElmAttrSettings* s);

// ---- symbology.cpp
// A definition's line style for the design's number of a named style: the standard styles (0 to
// 7) as they are, a custom one negative (-n for the design's n), -1 for a name the design does
// not know (its name then stays the style).
std::int32_t customStyleNumber(long designNumber);
// Every definition with a custom line style resolved in the active design.
void resolveLineStyles(GlobalData* b);

// ---- summary.cpp: the seven texts of a list row
constexpr int kColumns = 7;
constexpr std::size_t kColumnSize = 256;
void summarize(const Definition& d, char columns[kColumns][kColumnSize]);

// ---- dialog.cpp: refreshes the open attribute dialog and selects `id` (nothing when closed)
void refreshDialog(GlobalData* b, int id);

}  // namespace pixmend::vxlib::elmattr
