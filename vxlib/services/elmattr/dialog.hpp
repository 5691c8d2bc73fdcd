// The attribute dialog's pieces shared by its two files: the items (their identifiers in the
// dialog resources, resources/vxlib/elmattr.json), the edit copy and the steps the hooks share.
#pragma once

#include "vxlib/services/elmattr/elmattr.hpp"

namespace pixmend::vxlib::elmattr {

constexpr int kAttributeDialog = 20013, kPropertiesDialog = 20017, kLevelDialog = 20025;
constexpr int kListBox = 20001, kListMenu = 20001, kMenuBar = 20002, kChoiceOption = 20008, kGroupOption = 20044;

// Items of the attribute dialog (type, identifier).
constexpr int kColorCombo = 1, kStyleCombo = 2, kWeightCombo = 4;  // their identifiers are the list kinds
constexpr int kTextStyleCombo = 5, kFontCombo = 6;
constexpr int kClassOption = 3, kJustificationOption = 17;
constexpr int kStyleWidthText = 11, kStyleScaleText = 12, kLevelText = 13, kHeightText = 14, kWidthText = 15,
              kSpacingText = 16, kAngleText = 18, kSizeText = 19, kFreeText = 20;
constexpr int kLevelButton = 20094;

// The properties dialog's record (the 92-byte buffer of the block).
struct Properties {
  char label[kLabelSize];
  std::int32_t kind;
  std::int32_t lockedMask;
  std::int32_t unused;
};
static_assert(sizeof(Properties) == 92, "the properties dialog's record is 92 bytes");
Properties* properties(GlobalData* b);

// The selected definition and the settings of the edit copy (the 1480-byte image).
struct Edit {
  GlobalData* b = nullptr;
  Definition* d = nullptr;
  VxlibElmAttrSettings s{};
};
bool beginEdit(Edit* e);
// The edit copy's settings into the definition: its row rebuilt and drawn, callback reason 1.
void commitEdit(const Edit& e, MSDialog* db);

int itemIndex(MSDialog* db, unsigned int type, int id);
// Shows the edit copy in the items: values, which items show, which are enabled.
void showEditCopy(MSDialog* db, const Edit& e);
// Reads the items back into the edit settings.
void readItems(MSDialog* db, Edit* e);
// Rebuilds the list for the group shown and selects `id` (0: the selection if still shown, else
// the group's first).
void rebuildList(MSDialog* db, int id);
void selectDefinition(MSDialog* db, int id);
// Shows or hides the menu bar, moving the other items by its height.
void showMenuBar(MSDialog* db, bool show);
bool groupHasMenuBar(GlobalData* b, int key);
// The group callback of the definition's group, after an edit through the push buttons.
void callGroupCallback(GlobalData* b, int groupKey);

struct HookSet {
  const DialogHookInfo* hooks;
  int count;
};
HookSet dialogHooks();  // dialog.cpp: the dialog, the list, the group
HookSet itemHooks();    // dialoghooks.cpp: toggles, values, buttons, properties, level chooser

}  // namespace pixmend::vxlib::elmattr
