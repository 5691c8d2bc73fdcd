// The dialog manager's records: dialog and item descriptions as read from resources, open
// dialogs with their items and canvas, pull-down menus, and the canvas drawing primitives.
// Internal to host/dialog.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/dialog/api.h"
#include "host/resource/store.hpp"

namespace pixmend::host {

// Largest side of a dialog or window, and of an item in it, in pixels; coordinates given to the
// drawing calls are kept within twice that on either side.
constexpr int kMaxDialogSide = 4096;

struct OptionEntry {
  std::string label;
  long value = 0;
  bool enabled = true;
};

struct ImageRef {
  ResourceType type = 0;
  ResourceId id = 0;
  int width = 0;
};

// An item as the resource describes it.
struct ItemSpec {
  ResourceType type = RTYPE_LABEL;
  int id = 0;
  BSIRect rect{};
  std::string label;
  std::string balloon;
  std::string access;
  int hook = 0;
  bool enabled = true;
  bool visible = true;
  int action = 0;
  int columns = 1;
  std::vector<int> columnWidths;  // list boxes: pixels per column from the left (the rest share what is left)
  int attributes = 0;
  int maxLength = 0;  // text items: longest text (0: as the bound field allows)
  bool multiple = false;  // list boxes: several rows may be selected
  long value = 0;         // push buttons: told apart by it when they share a hook
  std::vector<OptionEntry> options;
  ImageRef image;
};

struct DialogSpec {
  int id = 0;
  std::string title;
  int width = 300;
  int height = 200;
  int hook = 0;
  std::vector<ItemSpec> items;
};

// Reads a dialog resource (canonical JSON, see docs/dialogs.md). False with a message for
// anything malformed; never throws.
bool parseDialogSpec(const std::vector<std::uint8_t>& bytes, DialogSpec* spec, std::string* error);

struct MenuEntry {
  std::string label;
  long command = 0;
  std::string keyin;
  bool separator = false;
  std::vector<MenuEntry> submenu;
  int press = 0;  // a menu popped up in a dialog: presses this button of the dialog
};

struct MenuSpec {
  std::string label;
  std::vector<MenuEntry> entries;
};
bool parseMenuSpec(const std::vector<std::uint8_t>& bytes, MenuSpec* spec, std::string* error);

// A synonym list ('dSyn'): the items that show one value wherever they appear.
struct SynonymItem {
  ResourceType type = 0;
  int id = 0;
};
bool parseSynonyms(const std::vector<std::uint8_t>& bytes, std::vector<SynonymItem>* items, std::string* error);

// A label as a user reads and types it: the mnemonic markers '~' and '&' dropped, case ignored
// (lower case), so menus, options and buttons are chosen by their labels as shown.
std::string plainLabel(const std::string& label);

struct Canvas {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;

  void resize(int w, int h);
  void fill(const BSIRect& rect, int colour);
  void frame(const BSIRect& rect, int colour);
  void line(int x1, int y1, int x2, int y2, int colour);
  void pixel(int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b);
  // Text in the built-in font with its top-left corner at (x, y); clipped to `clip` when given.
  void text(const std::string& s, int x, int y, int colour, const BSIRect* clip = nullptr);
  bool savePng(const std::string& path, std::string* error) const;
};

int textWidth(const std::string& s);
int fontHeight();
RgbColorDef paletteColour(int index);

struct Item {
  ItemSpec spec;
  std::string text;   // text items
  double number = 0;  // option buttons, toggles, list boxes (first selected row, -1 none)
  ListModel* model = nullptr;
  std::vector<int> selection;  // list boxes: the selected rows, ascending
  int editRow = -1;            // list boxes: the cell whose editor is open
  int editColumn = -1;
  std::shared_ptr<ListModel> hostModel;  // the host's own combo boxes (-6301, -6302): their list
};

// The host's combo boxes that an application's dialog may hold: the host fills them when the
// dialog opens (their list models live as long as the dialog).
constexpr int kFontComboId = -6301;       // the fonts: "0" to "255", the number as long value
constexpr int kTextStyleComboId = -6302;  // "(none)", "(active)", then the design's text styles
void giveHostListModel(Item& item);

// Selects exactly `rows` (sorted, duplicates dropped) and makes the first the item's value.
void setSelection(Item& item, std::vector<int> rows);

struct Application;

}  // namespace pixmend::host

struct MenuBarMenu {
  unsigned int type = 0;
  int id = 0;
  pixmend::host::MenuSpec spec;
  pixmend::host::Application* owner = nullptr;
};

struct MSDialog {
  int id = 0;
  std::string title;
  int hook = 0;
  int interests = 0;
  pixmend::host::Application* owner = nullptr;
  std::vector<pixmend::host::Item> items;
  pixmend::host::Canvas canvas;
  bool closed = false;   // gone: refused by every call
  bool closing = false;  // destroy messages under way
  bool closePending = false;
  bool modal = false;
  int modalAction = 0;
  bool commandWindow = false;
  bool resizing = false;
  bool opened = false;    // its opening messages are done and it has been drawn  // a resize message is under way (a hook resizing again is not told twice)
  std::vector<std::unique_ptr<MenuBarMenu>> menus;  // the command window's menu bar
};

namespace pixmend::host {

// The command window if it exists now (never creates it).
const MSDialog* existingCommandWindow();
// Is `db` an open dialog or the command window?
bool liveDialog(const MSDialog* db);
// Redraws the whole dialog into its canvas (items, then the draw messages to their hooks).
void renderDialog(MSDialog* db);
// Draws one item as the host does (without its hook).
void drawItemFrame(MSDialog* db, const Item& item);
// Sends the draw message of one item to its hook.
void sendItemDraw(MSDialog* db, int index);

}  // namespace pixmend::host
