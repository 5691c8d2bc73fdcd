// The attribute dialog's item hooks: the toggles of the settings, the values (numbers, combo
// boxes, option buttons), the push buttons that edit the list with the properties dialog (20017),
// and the level chooser (20025).
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "vxlib/services/elmattr/dialog.hpp"

namespace pixmend::vxlib::elmattr {
namespace {

constexpr int kStyleByLevel = 0x7FFFFFFF;
constexpr int kLockButtonFirst = 20017, kLockButtonLast = 20020;
constexpr int kLockBits[] = {VXLIB_ELMATTR_FONT, VXLIB_ELMATTR_SIZE, VXLIB_ELMATTR_JUSTIFICATION, VXLIB_ELMATTR_ANGLE};
constexpr int kPropertiesLabel = 1, kPropertiesKind = 2, kPropertiesLocked = 3;
constexpr int kLevelOk = 1;  // the level chooser's default button

struct ItemRef {
  unsigned int type;
  int id;
};

// Each toggle: its hook (and identifier), its mask bit, the items it enables.
struct Toggle {
  int hook;
  int mask;
  ItemRef items[5];
};
const Toggle kToggles[] = {
    {20039, VXLIB_ELMATTR_COLOR, {{RTYPE_COMBOBOX, kColorCombo}}},
    {20040, VXLIB_ELMATTR_STYLE, {{RTYPE_COMBOBOX, kStyleCombo}, {RTYPE_TOGGLE, 20051}, {RTYPE_TOGGLE, 20052}}},
    {20041, VXLIB_ELMATTR_WEIGHT, {{RTYPE_COMBOBOX, kWeightCombo}}},
    {20042, VXLIB_ELMATTR_LEVEL, {{RTYPE_TEXT, kLevelText}, {RTYPE_PUSHBTN, kLevelButton}}},
    {20050, VXLIB_ELMATTR_CLASS, {{RTYPE_OPTIONBTN, kClassOption}}},
    {20104, VXLIB_ELMATTR_TEXTSTYLE, {{RTYPE_COMBOBOX, kTextStyleCombo}}},
    {20046, VXLIB_ELMATTR_FONT, {{RTYPE_COMBOBOX, kFontCombo}}},
    {20047, VXLIB_ELMATTR_SIZE, {{RTYPE_TEXT, kHeightText}, {RTYPE_TEXT, kWidthText}, {RTYPE_TEXT, kSpacingText}}},
    {20048, VXLIB_ELMATTR_JUSTIFICATION, {{RTYPE_OPTIONBTN, kJustificationOption}}},
    {20049, VXLIB_ELMATTR_ANGLE, {{RTYPE_TEXT, kAngleText}}},
    {20051, VXLIB_ELMATTR_STYLEWIDTH, {{RTYPE_TEXT, kStyleWidthText}}},
    {20052, VXLIB_ELMATTR_STYLESCALE, {{RTYPE_TEXT, kStyleScaleText}}},
};
constexpr int kTextMasks = VXLIB_ELMATTR_TEXTSTYLE | VXLIB_ELMATTR_FONT | VXLIB_ELMATTR_SIZE | VXLIB_ELMATTR_JUSTIFICATION;

const Toggle* toggleOf(int hook) {
  for (const Toggle& t : kToggles) {
    if (t.hook == hook) return &t;
  }
  return nullptr;
}

// Which settings a kind shows.
bool kindShows(int kind, int mask) {
  if ((mask & kTextMasks) != 0) return kind == 4 || kind == 6 || kind == 7;
  if (mask == VXLIB_ELMATTR_ANGLE) return kind == 4;
  return true;
}

void setText(MSDialog* db, unsigned int type, int id, const std::string& text) {
  const int i = itemIndex(db, type, id);
  if (i >= 0) mdlDialog_itemSetValue(db, i, text.c_str());
}
void setNumber(MSDialog* db, int id, double value) {
  const int i = itemIndex(db, RTYPE_TEXT, id);
  if (i >= 0) vxlibUtil_setActiveDecimalNumberInTextItem(db, i, value);
}
std::string getText(MSDialog* db, unsigned int type, int id) {
  char text[kColumnSize] = {};
  const int i = itemIndex(db, type, id);
  if (i >= 0) mdlDialog_itemGetValue(text, sizeof text, db, i);
  return text;
}
// The number typed, or `keep` when the field holds none.
double getNumber(MSDialog* db, int id, double keep) {
  const std::string text = getText(db, RTYPE_TEXT, id);
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  return end != text.c_str() && std::isfinite(value) ? value : keep;
}
void show(MSDialog* db, unsigned int type, int id, bool visible, bool enabled) {
  const int i = itemIndex(db, type, id);
  if (i < 0) return;
  mdlDialog_itemShow(db, i, visible ? 1 : 0);
  mdlDialog_itemSetEnabledState(db, i, enabled ? 1 : 0);
}

std::string byLevelText(int value) { return value == -1 ? "BL" : std::to_string(value); }
int byLevelValue(const std::string& text, int keep) {
  if (text == "BL") return -1;
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  return end != text.c_str() && *end == '\0' ? static_cast<int>(value) : keep;
}

std::string styleText(const VxlibElmAttrSettings& s) {
  if (s.lineStyle == kStyleByLevel) return "BL";
  if (s.lineStyle < 0) return s.lineStyleName;
  return std::to_string(s.lineStyle);
}

// A style chosen in the combo box: "BL", a number, or a named style (the custom style name).
void readStyle(const std::string& text, VxlibElmAttrSettings* s) {
  if (text == "BL") {
    s->lineStyle = kStyleByLevel;
    return;
  }
  char* end = nullptr;
  const long number = std::strtol(text.c_str(), &end, 10);
  if (end != text.c_str() && *end == '\0' && number >= 0) {
    char name[LINESTYLE_NAME_MAX] = {};
    // A named style numbered by the design is still a custom one.
    if (number < 8 || mdlLineStyle_nameFromNumber(name, number, mdlModelRef_getActive()) != 0) {
      s->lineStyle = static_cast<std::int32_t>(number);
      return;
    }
    std::snprintf(s->lineStyleName, sizeof s->lineStyleName, "%s", name);
    s->lineStyle = customStyleNumber(number);
    return;
  }
  if (text.empty()) return;
  std::snprintf(s->lineStyleName, sizeof s->lineStyleName, "%s", text.c_str());
  s->lineStyle = customStyleNumber(mdlLineStyle_numberFromName(s->lineStyleName, mdlModelRef_getActive()));
}

void toWide(unsigned short* out, std::size_t size, const std::string& text) {
  std::size_t i = 0;
  for (; i + 1 < size && i < text.size(); ++i) out[i] = static_cast<unsigned char>(text[i]);
  out[i] = 0;
}
std::string fromWide(const unsigned short* text) {
  const char* converted = vxlibUtil_convertToMultibyteText(text);
  return converted != nullptr ? converted : "";
}

// A change made in the dialog goes into the edit copy and the definition.
void changed(MSDialog* db) {
  Edit e;
  if (!beginEdit(&e)) return;
  readItems(db, &e);
  commitEdit(e, db);
}

void toggleHook(DialogItemMessage* m) {
  const Toggle* t = toggleOf(m->itemId);
  m->msgUnderstood = 1;
  if (t == nullptr) return;
  if (m->messageType == DITEM_MESSAGE_STATECHANGED) {
    changed(m->db);
    Edit e;
    if (beginEdit(&e)) showEditCopy(m->db, e);
  } else if (m->messageType != DITEM_MESSAGE_SYNCHRONIZE) {
    m->msgUnderstood = 0;
  }
}

void numberHook(DialogItemMessage* m) {
  m->msgUnderstood = 1;
  if (m->messageType == DITEM_MESSAGE_STATECHANGED) {
    changed(m->db);
    Edit e;
    if (beginEdit(&e)) showEditCopy(m->db, e);  // the number as the readout shows it
  } else {
    m->msgUnderstood = 0;
  }
}

// Takes a combo box's own list model off it and destroys it (the models the hooks made).
void releaseOwnListModel(DialogItemMessage* m) {
  if (ListModel* model = mdlDialog_comboBoxGetListModel(m->db, m->itemIndex)) {
    mdlDialog_comboBoxSetListModel(m->db, m->itemIndex, nullptr);
    mdlListModel_destroy(model);
  }
}

void symbologyComboHook(DialogItemMessage* m) {
  m->msgUnderstood = 1;
  switch (m->messageType) {
    case DITEM_MESSAGE_CREATE:
      if (ListModel* model = mdlListModel_create(1)) {
        mdlLevelList_getSymbologyListModel(model, m->itemId, mdlModelRef_getActive());
        mdlDialog_comboBoxSetListModel(m->db, m->itemIndex, model);
      }
      break;
    case DITEM_MESSAGE_DESTROY:
      releaseOwnListModel(m);
      break;
    case DITEM_MESSAGE_STATECHANGED:
      changed(m->db);
      if (m->itemId == kStyleCombo) {
        Edit e;
        if (beginEdit(&e)) showEditCopy(m->db, e);  // the style's items and name follow
      }
      break;
    default:
      m->msgUnderstood = 0;
  }
}

void fontComboHook(DialogItemMessage* m) {
  m->msgUnderstood = 1;
  if (m->messageType == DITEM_MESSAGE_CREATE) {
    const int host = itemIndex(m->db, RTYPE_COMBOBOX, -6301);
    mdlDialog_comboBoxSetListModel(m->db, m->itemIndex, host >= 0 ? mdlDialog_comboBoxGetListModel(m->db, host) : nullptr);
  } else if (m->messageType == DITEM_MESSAGE_STATECHANGED) {
    changed(m->db);
  } else {
    m->msgUnderstood = 0;
  }
}

void textStyleComboHook(DialogItemMessage* m) {
  m->msgUnderstood = 1;
  switch (m->messageType) {
    case DITEM_MESSAGE_CREATE: {
      // The host's text styles without its first two rows ("(none)" and "(active)").
      const int host = itemIndex(m->db, RTYPE_COMBOBOX, -6302);
      ListModel* from = host >= 0 ? mdlDialog_comboBoxGetListModel(m->db, host) : nullptr;
      ListModel* model = mdlListModel_create(1);
      const int rows = from != nullptr ? mdlListModel_getRowCount(from) : 0;
      for (int r = 2; model != nullptr && r < rows; ++r) {
        const char* name = mdlListCell_getStringValue(mdlListRow_getCellAtIndex(mdlListModel_getRowAtIndex(from, r), 0));
        mdlListCell_setStringValue(mdlListRow_getCellAtIndex(mdlListModel_insertNewRow(model, -1), 0), name, 1);
      }
      mdlDialog_comboBoxSetListModel(m->db, m->itemIndex, model);
      if (rows <= 2) mdlDialog_itemSetEnabledState(m->db, m->itemIndex, 0);
      break;
    }
    case DITEM_MESSAGE_DESTROY:
      releaseOwnListModel(m);
      break;
    case DITEM_MESSAGE_STATECHANGED:
      changed(m->db);
      break;
    default:
      m->msgUnderstood = 0;
  }
}

// The properties dialog on `label`, `kind` and `lockedMask`; true when confirmed (answer 3).
bool askProperties(GlobalData* b, const char* label, int kind, int lockedMask) {
  Properties* p = properties(b);
  if (p == nullptr) return false;
  std::memset(p, 0, sizeof *p);
  std::snprintf(p->label, sizeof p->label, "%s", label);
  p->kind = kind;
  p->lockedMask = lockedMask;
  int action = 0;
  return mdlDialog_openModal(&action, 0, kPropertiesDialog) == 0 && action == ACTIONBUTTON_OK;
}

void listButtonHook(DialogItemMessage* m) {
  if (m->messageType != DITEM_MESSAGE_BUTTON) return;
  m->msgUnderstood = 1;
  GlobalData* b = block();
  Definition* d = b != nullptr ? find(b, b->attributeSelectedId) : nullptr;
  if (b == nullptr) return;
  const int group = d != nullptr ? d->groupKey : b->attributeGroupShown;
  int select = b->attributeSelectedId;
  switch (m->itemId) {
    case 20063:  // properties of the selected definition
      if (d == nullptr || !askProperties(b, d->label, d->kind, d->lockedMask)) return;
      if (char* label = copyText(properties(b)->label)) {
        dlmSystem_mdlFree(d->label);
        d->label = label;
      }
      d->lockedMask = properties(b)->lockedMask;
      d->settings.mask &= ~d->lockedMask;
      break;
    case 20064:  // a copy inserted before the selected one
      if (d == nullptr || !askProperties(b, d->label, d->kind, d->lockedMask)) return;
      if (vxlibElmAttr_insertAttribute(d->id, properties(b)->label, properties(b)->lockedMask, &d->settings) != 0) return;
      select = b->attributeNextId - 1;
      break;
    case 20065: {  // a new definition at the end
      if (!askProperties(b, "", d != nullptr ? d->kind : 1, 0)) return;
      const Properties* p = properties(b);
      select = b->attributeNextId > 0 ? b->attributeNextId : 1;
      if (vxlibElmAttr_addAttribute(select, p->label, group, p->kind < kMinKind || p->kind > kMaxKind ? 1 : p->kind,
                                    p->lockedMask, nullptr, 0, nullptr, 0, nullptr, 0) != 0)
        return;
      break;
    }
    case 20066:  // delete
      if (d == nullptr) return;
      select = 0;
      vxlibElmAttr_deleteAttribute(d->id, 0);
      break;
    case 20102:
    case 20103:
      if (d == nullptr || !moveDefinition(b, d->id, m->itemId == 20102 ? -1 : 1)) return;
      break;
    default:
      m->msgUnderstood = 0;
      return;
  }
  rebuildList(m->db, select);
  callGroupCallback(b, group);
}

void propertiesHook(DialogMessage* m) {
  GlobalData* b = block();
  Properties* p = b != nullptr ? properties(b) : nullptr;
  m->msgUnderstood = 1;
  if (p == nullptr) return;
  switch (m->messageType) {
    case DIALOG_MESSAGE_INIT:
      setText(m->db, RTYPE_TEXT, kPropertiesLabel, p->label);
      setText(m->db, RTYPE_OPTIONBTN, kPropertiesKind, std::to_string(p->kind));
      setText(m->db, RTYPE_TEXT, kPropertiesLocked, std::to_string(p->lockedMask));
      for (int id = kLockButtonFirst; id <= kLockButtonLast; ++id)
        show(m->db, RTYPE_PUSHBTN, id, true, p->kind == 4);
      break;
    case DIALOG_MESSAGE_BUTTON: {  // the lock buttons turn their setting's locked bit over
      unsigned int type = 0;
      int id = 0;
      mdlDialog_itemGetTypeAndId(&type, &id, m->db, m->u.button.itemIndex);
      if (id < kLockButtonFirst || id > kLockButtonLast) return;
      const int locked = byLevelValue(getText(m->db, RTYPE_TEXT, kPropertiesLocked), 0) ^ kLockBits[id - kLockButtonFirst];
      setText(m->db, RTYPE_TEXT, kPropertiesLocked, std::to_string(locked));
      mdlDialog_itemDraw(m->db, itemIndex(m->db, RTYPE_TEXT, kPropertiesLocked));
      break;
    }
    case DIALOG_MESSAGE_ACTIONBUTTON:
      std::snprintf(p->label, sizeof p->label, "%s", getText(m->db, RTYPE_TEXT, kPropertiesLabel).c_str());
      p->kind = byLevelValue(getText(m->db, RTYPE_OPTIONBTN, kPropertiesKind), p->kind);
      p->lockedMask = byLevelValue(getText(m->db, RTYPE_TEXT, kPropertiesLocked), p->lockedMask);
      break;
    default:
      m->msgUnderstood = 0;
  }
}

void levelButtonHook(DialogItemMessage* m) {
  if (m->messageType != DITEM_MESSAGE_BUTTON) return;
  m->msgUnderstood = 1;
  GlobalData* b = block();
  Edit e;
  const long index = m->u.button.value;
  unsigned short* variable = b != nullptr && index >= 1 && index <= kLevelNameVariables ? b->levelNameVariables[index - 1] : nullptr;
  if (b == nullptr || (variable == nullptr && !beginEdit(&e))) return;
  unsigned short chosen[512] = {};
  unsigned short* name = variable != nullptr ? variable : chosen;
  if (variable == nullptr) std::memcpy(chosen, e.s.levelName, sizeof chosen);
  unsigned short old[512];
  std::memcpy(old, name, sizeof old);
  b->levelNameChosen = name;
  int action = 0;
  const bool ok = mdlDialog_openModal(&action, 0, kLevelDialog) == 0 && action == ACTIONBUTTON_OK;
  b->levelNameChosen = nullptr;
  if (!ok) {
    std::memcpy(name, old, sizeof old);
    return;
  }
  if (variable == nullptr) {
    std::memcpy(e.s.levelName, chosen, sizeof chosen);
    e.s.levelName[511] = 0;
    commitEdit(e, m->db);
    showEditCopy(m->db, e);
  }
}

void levelListHook(DialogItemMessage* m) {
  GlobalData* b = block();
  m->msgUnderstood = 1;
  if (b == nullptr) return;
  switch (m->messageType) {
    case DITEM_MESSAGE_CREATE: {
      ListModel* model = mdlListModel_create(1);
      unsigned int ids[256];
      const int count = mdlLevel_getIds(ids, 256, mdlModelRef_getActive());
      int selected = -1;
      for (int i = 0; model != nullptr && i < count; ++i) {
        unsigned short name[512] = {};
        if (mdlLevel_getName(name, 512, mdlModelRef_getActive(), ids[i]) != 0) continue;
        const std::string text = fromWide(name);
        mdlListCell_setStringValue(mdlListRow_getCellAtIndex(mdlListModel_insertNewRow(model, -1), 0), text.c_str(), 1);
        if (b->levelNameChosen != nullptr && text == fromWide(b->levelNameChosen)) selected = mdlListModel_getRowCount(model) - 1;
      }
      mdlDialog_listBoxSetListModel(m->db, m->itemIndex, model);
      mdlDialog_listBoxSelectRow(m->db, m->itemIndex, selected);
      break;
    }
    case DITEM_MESSAGE_DESTROY: {
      ListModel* model = mdlDialog_listBoxGetListModel(m->db, m->itemIndex);
      const int row = mdlDialog_listBoxGetSelectedRow(m->db, m->itemIndex);
      if (model != nullptr && row >= 0 && b->levelNameChosen != nullptr)
        toWide(b->levelNameChosen, 512,
               mdlListCell_getStringValue(mdlListRow_getCellAtIndex(mdlListModel_getRowAtIndex(model, row), 0)));
      mdlDialog_listBoxSetListModel(m->db, m->itemIndex, nullptr);
      if (model != nullptr) mdlListModel_destroy(model);
      break;
    }
    case DITEM_MESSAGE_BUTTON:
      if (m->u.button.buttonTrans == BUTTONTRANS_UP && m->u.button.clickCount == 2)
        mdlDialog_pushButtonActivate(m->db, itemIndex(m->db, RTYPE_PUSHBTN, kLevelOk));
      break;
    default:
      m->msgUnderstood = 0;
  }
}

}  // namespace

void showEditCopy(MSDialog* db, const Edit& e) {
  const bool any = e.d != nullptr;
  const VxlibElmAttrSettings& s = e.s;
  const int kind = any ? e.d->kind : 0;
  const int locked = any ? e.d->lockedMask : 0;
  for (const Toggle& t : kToggles) {
    const bool visible = any && kindShows(kind, t.mask);
    const bool on = (s.mask & t.mask) != 0;
    setText(db, RTYPE_TOGGLE, t.hook, on ? "1" : "0");
    show(db, RTYPE_TOGGLE, t.hook, visible, (locked & t.mask) == 0);
    for (const ItemRef& item : t.items) {
      if (item.id == 0) break;
      if (item.type == RTYPE_TOGGLE) continue;  // a toggle of its own, shown with its kind
      show(db, item.type, item.id, visible, on && (locked & t.mask) == 0);
    }
  }
  // The line style's width and scale only with the style on.
  if ((s.mask & VXLIB_ELMATTR_STYLE) == 0 || (locked & VXLIB_ELMATTR_STYLE) != 0) {
    show(db, RTYPE_TOGGLE, 20051, any, false);
    show(db, RTYPE_TOGGLE, 20052, any, false);
    show(db, RTYPE_TEXT, kStyleWidthText, any, false);
    show(db, RTYPE_TEXT, kStyleScaleText, any, false);
  }
  show(db, RTYPE_OPTIONBTN, kChoiceOption, any && hasChoices(kind), true);
  show(db, RTYPE_TEXT, kSizeText, any && (kind == 3 || kind == 5), true);
  show(db, RTYPE_TEXT, kFreeText, any && hasFreeText(kind), true);
  if (!any) {
    mdlWindow_redraw(db);
    return;
  }
  setText(db, RTYPE_COMBOBOX, kColorCombo, byLevelText(s.color));
  setText(db, RTYPE_COMBOBOX, kStyleCombo, styleText(s));
  setText(db, RTYPE_COMBOBOX, kWeightCombo, byLevelText(s.weight));
  setNumber(db, kStyleWidthText, s.lineStyleWidth);
  setNumber(db, kStyleScaleText, s.lineStyleScale);
  setText(db, RTYPE_TEXT, kLevelText, fromWide(s.levelName));
  setText(db, RTYPE_OPTIONBTN, kClassOption, s.elementClass != 0 ? "1" : "0");
  if (isTextKind(kind)) setText(db, RTYPE_COMBOBOX, kTextStyleCombo, fromWide(s.choice.textStyleName));
  setText(db, RTYPE_COMBOBOX, kFontCombo, std::to_string(s.font));
  setNumber(db, kHeightText, s.textHeight);
  setNumber(db, kWidthText, s.textWidth);
  setNumber(db, kSpacingText, s.lineSpacing);
  setText(db, RTYPE_OPTIONBTN, kJustificationOption, std::to_string(s.justification));
  if (kind == 4) setNumber(db, kAngleText, s.extra.angle);
  if (hasIcons(kind)) {
    setText(db, RTYPE_OPTIONBTN, kChoiceOption, std::to_string(s.choice.icon.value));
    setNumber(db, kSizeText, s.choice.icon.size);
  } else if (kind == 7) {
    setText(db, RTYPE_OPTIONBTN, kChoiceOption, std::to_string(s.kind7Value));
  }
  if (hasFreeText(kind)) setText(db, RTYPE_TEXT, kFreeText, s.freeText);
  mdlWindow_redraw(db);
}

void readItems(MSDialog* db, Edit* e) {
  VxlibElmAttrSettings& s = e->s;
  const int kind = e->d->kind;
  for (const Toggle& t : kToggles) {
    if ((e->d->lockedMask & t.mask) != 0 || itemIndex(db, RTYPE_TOGGLE, t.hook) < 0) continue;
    if (getText(db, RTYPE_TOGGLE, t.hook) == "1") {
      s.mask |= t.mask;
    } else {
      s.mask &= ~t.mask;
    }
  }
  s.color = byLevelValue(getText(db, RTYPE_COMBOBOX, kColorCombo), s.color);
  readStyle(getText(db, RTYPE_COMBOBOX, kStyleCombo), &s);
  s.weight = byLevelValue(getText(db, RTYPE_COMBOBOX, kWeightCombo), s.weight);
  s.lineStyleWidth = getNumber(db, kStyleWidthText, s.lineStyleWidth);
  s.lineStyleScale = getNumber(db, kStyleScaleText, s.lineStyleScale);
  toWide(s.levelName, 512, getText(db, RTYPE_TEXT, kLevelText));
  s.elementClass = getText(db, RTYPE_OPTIONBTN, kClassOption) == "1" ? 1 : 0;
  if (isTextKind(kind)) toWide(s.choice.textStyleName, 22, getText(db, RTYPE_COMBOBOX, kTextStyleCombo));
  s.font = byLevelValue(getText(db, RTYPE_COMBOBOX, kFontCombo), s.font);
  s.textHeight = getNumber(db, kHeightText, s.textHeight);
  s.textWidth = getNumber(db, kWidthText, s.textWidth);
  s.lineSpacing = getNumber(db, kSpacingText, s.lineSpacing);
  s.justification = byLevelValue(getText(db, RTYPE_OPTIONBTN, kJustificationOption), s.justification);
  if (kind == 4) s.extra.angle = getNumber(db, kAngleText, s.extra.angle);
  if (hasIcons(kind)) {
    s.choice.icon.value = byLevelValue(getText(db, RTYPE_OPTIONBTN, kChoiceOption), s.choice.icon.value);
    s.choice.icon.size = getNumber(db, kSizeText, s.choice.icon.size);
  } else if (kind == 7) {
    s.kind7Value = byLevelValue(getText(db, RTYPE_OPTIONBTN, kChoiceOption), s.kind7Value);
  }
  if (hasFreeText(kind)) {
    const std::string text = getText(db, RTYPE_TEXT, kFreeText);
    const std::size_t limit = std::min<std::size_t>(sizeof s.freeText - 1, e->d->maxLength > 0 ? static_cast<std::size_t>(e->d->maxLength) : sizeof s.freeText - 1);
    std::snprintf(s.freeText, limit + 1, "%s", text.c_str());
  }
}

HookSet itemHooks() {
  static const DialogHookInfo hooks[] = {
      {20200, reinterpret_cast<void*>(&propertiesHook)},
      {20039, reinterpret_cast<void*>(&toggleHook)}, {20040, reinterpret_cast<void*>(&toggleHook)},
      {20041, reinterpret_cast<void*>(&toggleHook)}, {20042, reinterpret_cast<void*>(&toggleHook)},
      {20050, reinterpret_cast<void*>(&toggleHook)}, {20104, reinterpret_cast<void*>(&toggleHook)},
      {20046, reinterpret_cast<void*>(&toggleHook)}, {20047, reinterpret_cast<void*>(&toggleHook)},
      {20048, reinterpret_cast<void*>(&toggleHook)}, {20049, reinterpret_cast<void*>(&toggleHook)},
      {20051, reinterpret_cast<void*>(&toggleHook)}, {20052, reinterpret_cast<void*>(&toggleHook)},
      {20045, reinterpret_cast<void*>(&numberHook)},
      {20063, reinterpret_cast<void*>(&listButtonHook)}, {20064, reinterpret_cast<void*>(&listButtonHook)},
      {20065, reinterpret_cast<void*>(&listButtonHook)}, {20066, reinterpret_cast<void*>(&listButtonHook)},
      {20102, reinterpret_cast<void*>(&listButtonHook)}, {20103, reinterpret_cast<void*>(&listButtonHook)},
      {20093, reinterpret_cast<void*>(&symbologyComboHook)},
      {20094, reinterpret_cast<void*>(&levelButtonHook)},
      {20095, reinterpret_cast<void*>(&levelListHook)},
      {20100, reinterpret_cast<void*>(&fontComboHook)},
      {20105, reinterpret_cast<void*>(&textStyleComboHook)},
  };
  return {hooks, static_cast<int>(sizeof hooks / sizeof hooks[0])};
}

}  // namespace pixmend::vxlib::elmattr
