// Drawing: how the host draws a dialog and its items into the dialog's canvas, and the
// mdlWindow_... drawing calls that hooks use on top of it.
#include <algorithm>
#include <cstdio>

#include "host/dialog/dialog.hpp"
#include "host/output/journal.hpp"
#include "host/resource/openfiles.hpp"
#include "host/resource/images.hpp"
#include "host/system/publish.hpp"

namespace pixmend::host {
namespace {

constexpr int kBackground = 15, kInk = 0, kGreyed = 8, kField = 7, kButton = 9;

BSIRect inset(const BSIRect& r, int d) { return BSIRect{{r.origin.x + d, r.origin.y + d}, {r.corner.x - d, r.corner.y - d}}; }

int middleY(const BSIRect& r) { return r.origin.y + (r.corner.y - r.origin.y - fontHeight()) / 2; }

void drawRgb(Canvas& canvas, const BSIRect& rect, int width, const std::uint8_t* data, std::size_t size, int sourceX,
             int sourceY, const RgbColorDef* transparent) {
  if (width <= 0 || data == nullptr) return;
  const std::size_t stride = static_cast<std::size_t>(width) * 3;
  const long long rows = static_cast<long long>(size / stride);
  // Only the part of the rectangle that lies on the canvas is visited, however wild the rectangle.
  const int y0 = std::max(rect.origin.y, 0), y1 = std::min(rect.corner.y, canvas.height);
  const int x0 = std::max(rect.origin.x, 0), x1 = std::min(rect.corner.x, canvas.width);
  for (int y = y0; y < y1; ++y) {
    const long long sy = static_cast<long long>(y) - rect.origin.y + sourceY;
    if (sy < 0 || sy >= rows) continue;
    for (int x = x0; x < x1; ++x) {
      const long long sx = static_cast<long long>(x) - rect.origin.x + sourceX;
      if (sx < 0 || sx >= width) continue;
      const std::uint8_t* p = data + static_cast<std::size_t>(sy) * stride + static_cast<std::size_t>(sx) * 3;
      if (transparent != nullptr && p[0] == transparent->red && p[1] == transparent->green && p[2] == transparent->blue) {
        continue;
      }
      canvas.pixel(x, y, p[0], p[1], p[2]);
    }
  }
}

// The rows of a list box in `r`: the selected ones highlighted, an open cell editor framed.
void drawListRows(Canvas& c, const Item& item, const BSIRect& r, int ink) {
  c.fill(r, kField);
  c.frame(r, kGreyed);
  const int rows = item.model != nullptr ? mdlListModel_getRowCount(item.model) : 0;
  const int columns = std::max(1, mdlListModel_getColumnCount(item.model));
  // Columns given a width take it; the others share the rest equally.
  const std::vector<int>& given = item.spec.columnWidths;
  int givenTotal = 0, givenCount = 0;
  for (int col = 0; col < columns && col < static_cast<int>(given.size()); ++col, ++givenCount) givenTotal += given[static_cast<std::size_t>(col)];
  const int shared = std::max(1, (r.corner.x - r.origin.x - 4 - givenTotal) / std::max(1, columns - givenCount));
  std::vector<int> left(static_cast<std::size_t>(columns) + 1, r.origin.x + 2);
  for (int col = 0; col < columns; ++col)
    left[static_cast<std::size_t>(col) + 1] =
        left[static_cast<std::size_t>(col)] + (col < givenCount ? given[static_cast<std::size_t>(col)] : shared);
  const BSIRect inner = inset(r, 1);
  // A list longer than the item shows the rows up to its first selected one.
  const int visible = std::max(1, (r.corner.y - r.origin.y - 2) / fontHeight());
  const int first = item.selection.empty() ? 0 : std::max(0, std::min(item.selection.front(), rows - 1) - visible + 1);
  for (int row = first; row < rows; ++row) {
    const int y = r.origin.y + 2 + (row - first) * fontHeight();
    if (y >= r.corner.y) break;
    const bool selected = std::binary_search(item.selection.begin(), item.selection.end(), row);
    if (selected) c.fill(BSIRect{{inner.origin.x, y}, {inner.corner.x, std::min(y + fontHeight(), inner.corner.y)}}, 10);
    ListRow* listRow = mdlListModel_getRowAtIndex(item.model, row);
    for (int col = 0; col < columns; ++col) {
      const char* text = mdlListCell_getDisplayText(mdlListRow_getCellAtIndex(listRow, col));
      const BSIRect cell{{left[static_cast<std::size_t>(col)], y}, {left[static_cast<std::size_t>(col) + 1] - 2, y + fontHeight()}};
      BSIRect clip{{std::max(cell.origin.x, inner.origin.x), std::max(cell.origin.y, inner.origin.y)},
                   {std::min(cell.corner.x, inner.corner.x), std::min(cell.corner.y, inner.corner.y)}};
      c.text(text, cell.origin.x + 1, y, selected ? kField : ink, &clip);
      if (row == item.editRow && col == item.editColumn) c.frame(clip, 4);  // the open editor
    }
  }
}

int clampCoordinate(int v) { return std::clamp(v, -2 * kMaxDialogSide, 2 * kMaxDialogSide); }

}  // namespace

void drawItemFrame(MSDialog* db, const Item& item) {
  Canvas& c = db->canvas;
  const ItemSpec& s = item.spec;
  const BSIRect& r = s.rect;
  const int ink = s.enabled ? kInk : kGreyed;
  auto labelLeft = [&] {
    if (!s.label.empty()) c.text(s.label, r.origin.x - textWidth(s.label) - 4, middleY(r), ink);
  };
  switch (s.type) {
    case RTYPE_LABEL:
      c.fill(r, kBackground);
      c.text(s.label, r.origin.x, middleY(r), ink, &r);
      break;
    case RTYPE_TEXT:
      labelLeft();
      c.fill(r, kField);
      c.frame(r, kGreyed);
      c.text(item.text, r.origin.x + 3, middleY(r), ink, &r);
      break;
    case RTYPE_COMBOBOX: {  // a text field with the button that offers its entries
      labelLeft();
      c.fill(r, kField);
      c.frame(r, kGreyed);
      const BSIRect arrowBox{{r.corner.x - 13, r.origin.y}, r.corner};
      c.fill(arrowBox, kButton);
      c.frame(arrowBox, kGreyed);
      const BSIRect textArea{r.origin, {arrowBox.origin.x, r.corner.y}};
      c.text(item.text, r.origin.x + 3, middleY(r), ink, &textArea);
      const int ax = r.corner.x - 10, ay = middleY(r) + 3;
      for (int i = 0; i < 4; ++i) c.line(ax + i, ay + i, ax + 6 - i, ay + i, ink);
      break;
    }
    case RTYPE_OPTIONBTN: {
      labelLeft();
      c.fill(r, kButton);
      c.frame(r, kInk);
      std::string shown;
      for (const auto& e : s.options) {
        if (static_cast<double>(e.value) == item.number) shown = e.label;
      }
      c.text(shown, r.origin.x + 3, middleY(r), ink, &r);
      const int ax = r.corner.x - 10, ay = middleY(r) + 3;
      for (int i = 0; i < 4; ++i) c.line(ax + i, ay + i, ax + 6 - i, ay + i, ink);
      break;
    }
    case RTYPE_TOGGLE: {
      const BSIRect box{{r.origin.x, middleY(r)}, {r.origin.x + 10, middleY(r) + 10}};
      c.fill(box, kField);
      c.frame(box, ink);
      if (item.number != 0) {
        c.line(box.origin.x + 2, box.origin.y + 2, box.corner.x - 3, box.corner.y - 3, ink);
        c.line(box.origin.x + 2, box.corner.y - 3, box.corner.x - 3, box.origin.y + 2, ink);
      }
      c.text(s.label, r.origin.x + 14, middleY(r), ink);
      break;
    }
    case RTYPE_PUSHBTN:
      c.fill(r, kButton);
      c.frame(r, ink);
      c.text(s.label, r.origin.x + std::max(2, (r.corner.x - r.origin.x - textWidth(s.label)) / 2), middleY(r), ink, &r);
      break;
    case RTYPE_LISTBOX: {
      if (!s.label.empty()) {
        // A label takes the top line of the item; the list lies below it.
        const BSIRect top{r.origin, {r.corner.x, r.origin.y + fontHeight() + 2}};
        c.fill(top, kBackground);
        c.text(s.label, r.origin.x, r.origin.y, ink, &top);
        drawListRows(c, item, BSIRect{{r.origin.x, top.corner.y}, r.corner}, ink);
      } else {
        drawListRows(c, item, r, ink);
      }
      break;
    }
    case RTYPE_GROUPBOX:
      c.frame(r, kGreyed);
      if (!s.label.empty()) {
        c.fill(BSIRect{{r.origin.x + 6, r.origin.y - 5}, {r.origin.x + 10 + textWidth(s.label), r.origin.y + 6}}, kBackground);
        c.text(s.label, r.origin.x + 8, r.origin.y - 5, ink);
      }
      break;
    case RTYPE_IMAGE:
      if (s.image.type != 0 && s.hook == 0) {
        // An image item that names its picture is drawn by the host; otherwise its hook draws.
        if (const auto bytes = loadAppResource(db->owner, s.image.type, s.image.id)) {
          drawRgb(c, r, s.image.width, bytes->data(), bytes->size(), 0, 0, nullptr);
        }
      }
      break;
    case RTYPE_MENUBAR: {  // a menu bar inside a dialog: its menus' titles side by side
      c.fill(r, kButton);
      c.line(r.origin.x, r.corner.y - 1, r.corner.x - 1, r.corner.y - 1, kGreyed);
      int x = r.origin.x + 6;
      for (const auto& menu : s.options) {
        c.text(menu.label, x, middleY(r), menu.enabled && s.enabled ? kInk : kGreyed, &r);
        x += textWidth(menu.label) + 12;
      }
      break;
    }
    default:  // generic and picture items: drawn by their hooks
      break;
  }
}

void renderDialog(MSDialog* db) {
  if (db->commandWindow) return;
  db->canvas.fill(BSIRect{{0, 0}, {db->canvas.width, db->canvas.height}}, kBackground);
  for (const auto& item : db->items) {
    if (item.spec.visible) drawItemFrame(db, item);
  }
  for (int i = 0; i < static_cast<int>(db->items.size()); ++i) {
    if (liveDialog(db) && db->items[static_cast<std::size_t>(i)].spec.visible) sendItemDraw(db, i);
  }
}

}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

int mdlWindow_transparentRgbDataDraw(MSWindow* window, const BSIRect* rect, int width, const unsigned char* data,
                                     int sourceX, int sourceY, const RgbColorDef* transparent) {
  if (!liveDialog(window) || rect == nullptr || data == nullptr || width <= 0 || width > kMaxResourceImageSide) {
    return RSC_ERR_BAD_ARGUMENT;
  }
  // How far the data goes: a loaded resource knows its size; anything else is trusted for the
  // rectangle's rows only.
  std::size_t size = mdlResource_size(data);
  if (size == 0) {
    const long long wanted = static_cast<long long>(rect->corner.y) - rect->origin.y + std::max(sourceY, 0);
    const int rows = static_cast<int>(std::clamp<long long>(wanted, 0, kMaxResourceImageSide));
    size = static_cast<std::size_t>(rows) * static_cast<std::size_t>(width) * 3;
  }
  drawRgb(window->canvas, *rect, width, data, size, sourceX, sourceY, transparent);
  return RSC_SUCCESS;
}

int mdlWindow_iconDraw(MSWindow* window, int x, int y, unsigned int iconType, int iconId, int colour,
                       RscFileHandle rscFile) {
  if (!liveDialog(window)) return RSC_ERR_BAD_ARGUMENT;
  const auto bytes = rscFile == 0 ? loadAppResource(window->owner, iconType, iconId) : loadResource(rscFile, iconType, iconId);
  IconMask icon;
  if (!bytes || !decodeIcon(*bytes, &icon)) return RSC_ERR_NO_SUCH_RESOURCE;
  const RgbColorDef c = paletteColour(colour);
  x = clampCoordinate(x);
  y = clampCoordinate(y);
  for (int row = 0; row < icon.height; ++row) {
    for (int col = 0; col < icon.width; ++col) {
      if (icon.bits[static_cast<std::size_t>(row * icon.width + col)] != 0) {
        window->canvas.pixel(x + col, y + row, c.red, c.green, c.blue);
      }
    }
  }
  return RSC_SUCCESS;
}

int mdlWindow_textDraw(MSWindow* window, const char* text, int x, int y, int colour) {
  if (!liveDialog(window) || text == nullptr) return RSC_ERR_BAD_ARGUMENT;
  // What a hook writes into a dialog is what the user reads there (a message box's lines).
  journal().append("dialog", "text " + std::to_string(window->id) + " \"" + text + "\"");
  window->canvas.text(text, clampCoordinate(x), clampCoordinate(y), colour);
  return RSC_SUCCESS;
}

int mdlWindow_rectFill(MSWindow* window, const BSIRect* rect, int colour) {
  if (!liveDialog(window) || rect == nullptr) return RSC_ERR_BAD_ARGUMENT;
  window->canvas.fill(*rect, colour);
  return RSC_SUCCESS;
}

int mdlWindow_lineDraw(MSWindow* window, int x1, int y1, int x2, int y2, int colour) {
  if (!liveDialog(window)) return RSC_ERR_BAD_ARGUMENT;
  window->canvas.line(x1, y1, x2, y2, colour);
  return RSC_SUCCESS;
}

int mdlWindow_stringWidthGet(MSWindow*, const char* text, int) { return text == nullptr ? 0 : textWidth(text); }

int mdlWindow_fontHeightGet(MSWindow*, int) { return fontHeight(); }

int mdlWindow_saveAsPng(MSWindow* window, const char* fileName) {
  if (!liveDialog(window) || fileName == nullptr || window->commandWindow) return RSC_ERR_BAD_ARGUMENT;
  return window->canvas.savePng(fileName, nullptr) ? RSC_SUCCESS : RSC_ERR_WRITE_FAILED;
}

}  // extern "C"
