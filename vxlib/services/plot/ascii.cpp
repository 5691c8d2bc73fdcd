// The text-file driver: the texts of a drawing laid out as lines of characters, for a listing of a
// title block or a table that a text editor can show.
//   vxlibAscii_fopen             an empty list of texts
//   vxlibAscii_drawText          one text kept with its place (turned texts are left out)
//   vxlibAscii_fclose            the texts in reading order, then the file is written
//   vxlibAscii_newPage           nothing: the text file has no pages
//
// Reading order: texts form rows from the top down; a text joins the row of the text above it
// when it lies less than kRowHeight below that row's top text, and each row is read left to
// right. Each row starts a new line, with an empty line for each further 2 mm between its top
// and the previous row's top; a text's column is its distance from the leftmost text at 1.2 mm
// per character. Rows are made before anything is compared by x, so the layout never depends on
// the order the texts were drawn in.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "vxlib/core/core.hpp"
#include "vxlib/services/plot/plot.hpp"

namespace pixmend::vxlib::plot {
namespace {

constexpr const char* kTag = "vxlibAscii";
constexpr double kRowHeight = 2.0;             // mm
constexpr double kColumnsPerMm = 0.8333333333333334;
constexpr double kMaxAngleDifference = 1.0;    // degrees
constexpr int kShapeDoubles = 15;              // five points of the text's box

struct FreeText {
  void operator()(char* text) const { dlmSystem_mdlFree(text); }
};

struct Entry {
  std::unique_ptr<char, FreeText> text;
  double shape[kShapeDoubles];
  double size;
  int hostValue1;
  int hostValue2;
  double angle;
  int justification;
  double x() const { return shape[0]; }
  double y() const { return shape[1]; }
};

struct TextState {
  std::vector<Entry> entries;
  double smallestX = static_cast<double>(INT_MAX);
};

DriverFile& file() {
  static DriverFile f(kTag);
  return f;
}

TextState& state() {
  static TextState s;
  return s;
}

// A row of texts: its top (the highest text's y) and its texts from the left.
struct Row {
  double top;
  std::vector<const Entry*> texts;
};

// The entries in reading order: rows from the top, each row from the left.
std::vector<Row> readingOrder(const std::vector<Entry>& entries) {
  std::vector<const Entry*> byHeight;
  for (const Entry& e : entries) byHeight.push_back(&e);
  std::stable_sort(byHeight.begin(), byHeight.end(), [](const Entry* a, const Entry* b) { return a->y() > b->y(); });
  std::vector<Row> rows;
  for (const Entry* e : byHeight) {
    if (rows.empty() || rows.back().top - e->y() >= kRowHeight) rows.push_back(Row{e->y(), {}});
    rows.back().texts.push_back(e);
  }
  for (Row& row : rows) {
    std::stable_sort(row.texts.begin(), row.texts.end(), [](const Entry* a, const Entry* b) { return a->x() < b->x(); });
  }
  return rows;
}

void writeEntries() {
  const TextState& s = state();
  const std::vector<Row> rows = readingOrder(s.entries);
  std::string out;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    if (r > 0) {
      const double distance = rows[r - 1].top - rows[r].top;
      int newlines = 1;
      while (2.0 * (newlines + 1) < distance) ++newlines;
      out.append(static_cast<std::size_t>(newlines), '\n');
    }
    long column = 0;
    for (const Entry* e : rows[r].texts) {
      const long c = static_cast<long>((e->x() - s.smallestX) * kColumnsPerMm);
      if (c > column) {
        out.append(static_cast<std::size_t>(c - column), ' ');
        column = c;
      }
      out += e->text.get();
      column += static_cast<long>(std::strlen(e->text.get()));
    }
  }
  out += '\n';
  file().write(out);
}

void page() {}

int end() {
  if (!file().isOpen()) return VXLIB_ERROR;
  writeEntries();
  state() = TextState{};
  return file().close();
}

int begin(const char* path, int) {
  if (file().isOpen()) end();  // a plot still open is finished, not lost
  if (!file().open(path)) return 0;
  state() = TextState{};
  return 1;
}

}  // namespace

const Driver kTextDriver = {kOutputText, "text", begin, page, end};

}  // namespace pixmend::vxlib::plot

using namespace pixmend::vxlib;
using namespace pixmend::vxlib::plot;

extern "C" {

int vxlibAscii_fopen(const char* path) { return begin(path, 0); }
void vxlibAscii_newPage(void) { page(); }
int vxlibAscii_fclose(void) { return end(); }

void vxlibAscii_drawText(const double* shape, const char* text, double size, int hostValue1, int hostValue2,
                         double angleDifference, int justification) {
  if (!file().isOpen()) return;
  if (!(std::fabs(angleDifference) <= kMaxAngleDifference)) return;  // turned texts (and NaN) are left out
  if (shape == nullptr || !usableText(kTag, "drawText", text) ||
      !usable(kTag, "drawText", "the position", {shape[0], shape[1]}))
    return;
  const std::size_t length = std::strlen(text);
  auto* copy = static_cast<char*>(vxlibMem_mallocRscErrorPrintf(length + 1, kErrorList, kMsgOutOfMemory));
  if (copy == nullptr) return;
  std::memcpy(copy, text, length + 1);
  Entry entry{std::unique_ptr<char, FreeText>(copy), {}, size, hostValue1, hostValue2, angleDifference, justification};
  std::copy(shape, shape + kShapeDoubles, entry.shape);
  TextState& s = state();
  s.smallestX = std::min(s.smallestX, entry.x());
  s.entries.push_back(std::move(entry));
}

}  // extern "C"
