// The PCL driver, checked by a structural reader (no PCL interpreter is at hand): every escape
// sequence well formed, nothing printable between them, each page's HP-GL/2 picture entered and
// left, every HP-GL/2 instruction a mnemonic with numeric parameters or a terminated label.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "vxlib/services/plot/plot.hpp"
#include "vxlib/services/plot/plot_fixture.hpp"

namespace pixmend::vxlib {
namespace {

constexpr char kEsc = 27;
constexpr char kEtx = 3;

struct PclDocument {
  std::vector<std::string> escapes;            // PCL escapes without ESC ("E", "&l26a0O", "%1B", ...)
  std::vector<std::vector<std::string>> hpgl;  // HP-GL/2 instructions of each picture ("PA0,0", "LBtext")
  std::string error;                           // "" when the file is well formed
};

// Reads a PCL escape after ESC at `i`; returns the index after it, or npos when malformed.
std::size_t readEscape(const std::string& s, std::size_t i, std::string* out) {
  if (i >= s.size()) return std::string::npos;
  const auto c = static_cast<unsigned char>(s[i]);
  if (c >= 0x30 && c <= 0x7e) {  // two-character escape (ESC E)
    *out = std::string(1, static_cast<char>(c));
    return i + 1;
  }
  if (c < 0x21 || c > 0x2f) return std::string::npos;
  std::size_t j = i + 1;
  if (c != '%') {  // a group character follows every parameterised character but '%'
    if (j >= s.size() || s[j] < 0x60 || s[j] > 0x7e) return std::string::npos;
    ++j;
  }
  for (;;) {  // value fields, each closed by a parameter character; upper case ends the escape
    const std::size_t start = j;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    while (j < s.size() && (std::isdigit(static_cast<unsigned char>(s[j])) || s[j] == '.')) ++j;
    if (j == start || j >= s.size()) return std::string::npos;
    const auto p = static_cast<unsigned char>(s[j]);
    ++j;
    if (p >= 0x40 && p <= 0x5e) break;
    if (p < 0x60 || p > 0x7e) return std::string::npos;
  }
  *out = s.substr(i, j - i);
  return j;
}

PclDocument readPcl(const std::string& s) {
  PclDocument doc;
  bool inHpgl = false;
  std::size_t i = 0;
  while (i < s.size()) {
    if (s[i] == kEsc) {
      std::string escape;
      const std::size_t next = readEscape(s, i + 1, &escape);
      if (next == std::string::npos) {
        doc.error = "malformed escape at byte " + std::to_string(i);
        return doc;
      }
      if (inHpgl && escape != "%1A" && escape != "%0A") {
        doc.error = "escape " + escape + " inside HP-GL/2 at byte " + std::to_string(i);
        return doc;
      }
      if (escape == "%1B" || escape == "%0B") {
        inHpgl = true;
        doc.hpgl.emplace_back();
      } else if (escape == "%1A" || escape == "%0A") {
        if (!inHpgl) {
          doc.error = "HP-GL/2 left without being entered at byte " + std::to_string(i);
          return doc;
        }
        inHpgl = false;
      }
      doc.escapes.push_back(escape);
      i = next;
      continue;
    }
    if (!inHpgl) {
      doc.error = "printable byte outside HP-GL/2 at byte " + std::to_string(i);
      return doc;
    }
    if (s[i] == '\n' || s[i] == ' ' || s[i] == ';') {
      ++i;
      continue;
    }
    if (i + 1 >= s.size() || !std::isupper(static_cast<unsigned char>(s[i])) ||
        !std::isupper(static_cast<unsigned char>(s[i + 1]))) {
      doc.error = "no HP-GL/2 mnemonic at byte " + std::to_string(i);
      return doc;
    }
    std::string instruction = s.substr(i, 2);
    i += 2;
    if (instruction == "LB") {
      const std::size_t end = s.find(kEtx, i);
      if (end == std::string::npos) {
        doc.error = "label without its terminator";
        return doc;
      }
      instruction += s.substr(i, end - i);
      i = end + 1;
    } else {
      while (i < s.size() && std::strchr("0123456789.,+-", s[i]) != nullptr) instruction += s[i++];
    }
    doc.hpgl.back().push_back(instruction);
  }
  if (inHpgl) doc.error = "the file ends inside HP-GL/2";
  return doc;
}

std::size_t count(const std::vector<std::string>& items, const std::string& prefix) {
  std::size_t n = 0;
  for (const auto& item : items) n += item.compare(0, prefix.size(), prefix) == 0 ? 1 : 0;
  return n;
}

std::size_t exactly(const std::vector<std::string>& items, const std::string& item) {
  return static_cast<std::size_t>(std::count(items.begin(), items.end(), item));
}

class Pcl : public PlotTest {
 protected:
  PclDocument closeAndRead(const std::string& file) {
    EXPECT_EQ(vxlibPcl_fclose(), 0);
    PclDocument doc = readPcl(readAll(file));
    EXPECT_EQ(doc.error, "");
    return doc;
  }
};

TEST_F(Pcl, EveryPageIsAResetPageHoldingOneHpglPicture) {
  const std::string pcl = path("pages.pcl");
  ASSERT_EQ(vxlibPcl_fopen(pcl.c_str(), 9), 1);
  const double square[] = {20, 20, 0, 60, 20, 0, 60, 60, 0, 20, 60, 0};
  vxlibPcl_drawPolyline(square, 4, 0.35, -1.0);
  vxlibPcl_drawText(30, 100, "TITLE (1\\2)", 5, 0, 2);
  vxlibPcl_newPage();
  vxlibPcl_drawPolyline(square, 4, 0.35, 0.0);
  const PclDocument doc = closeAndRead(pcl);
  const std::vector<std::string> page = {"E", "&l26a0O", "*c5952x8418Y", "&l0E", "*p0x0Y", "*c0T", "%1B", "%1A"};
  std::vector<std::string> expected = page;
  expected.insert(expected.end(), page.begin(), page.end());
  expected.push_back("E");
  EXPECT_EQ(doc.escapes, expected);
  ASSERT_EQ(doc.hpgl.size(), 2u);
  for (const auto& picture : doc.hpgl) {
    ASSERT_GE(picture.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(picture.begin(), picture.begin() + 3),
              (std::vector<std::string>{"IN", "SP1", "PA0,0"}));
  }
  EXPECT_EQ(count(doc.hpgl[0], "LBTITLE (1\\2)"), 1u);
  EXPECT_EQ(count(doc.hpgl[1], "PM0"), 1u);
  EXPECT_EQ(count(doc.hpgl[1], "FP"), 1u);
}

TEST_F(Pcl, FontAndLabelOriginAreSentOnlyWhenATextNeedsOthers) {
  const std::string pcl = path("fonts.pcl");
  ASSERT_EQ(vxlibPcl_fopen(pcl.c_str(), 9), 1);
  vxlibPcl_drawText(6, 0, "A", 5, 0, 2);   // size 5 differs from the page's 0: font sent
  vxlibPcl_drawText(20, 10, "B", 5, 0, 2);  // same font, left origin as after the header
  vxlibPcl_drawText(20, 20, "C", 5, 90, 0);  // new angle and centred origin
  vxlibPcl_drawText(20, 30, "D", 5, 90, 0);
  vxlibPcl_drawText(20, 40, "E", 5, 90, 7);  // left again: origin 1
  vxlibPcl_newPage();                        // the printer was reset: font and origin forgotten
  vxlibPcl_drawText(20, 10, "F", 5, 90, 0);
  const PclDocument doc = closeAndRead(pcl);
  ASSERT_EQ(doc.hpgl.size(), 2u);
  EXPECT_EQ(count(doc.hpgl[0], "SD"), 2u);
  EXPECT_EQ(count(doc.hpgl[0], "SD1,14,2,1,4,13,5,0,5,-7,7,52"), 2u);
  EXPECT_EQ(count(doc.hpgl[0], "DI1.0,0.0"), 1u);
  EXPECT_EQ(count(doc.hpgl[0], "DI0.0,1.0"), 1u);
  EXPECT_EQ(count(doc.hpgl[0], "LO"), 2u);
  EXPECT_EQ(count(doc.hpgl[0], "LO4"), 1u);
  EXPECT_EQ(count(doc.hpgl[0], "LO1"), 1u);
  EXPECT_EQ(count(doc.hpgl[1], "SD"), 1u);
  EXPECT_EQ(count(doc.hpgl[1], "LO4"), 1u);
  // (6, 0) mm is the picture's origin.
  EXPECT_EQ(doc.hpgl[0][3], "PU");
  EXPECT_EQ(doc.hpgl[0][4], "PA0,0");
}

TEST_F(Pcl, FillsShadeByTheirGreyAndLineTypesAreSetAndReset) {
  const std::string pcl = path("fills.pcl");
  ASSERT_EQ(vxlibPcl_fopen(pcl.c_str(), 9), 1);
  const double tri[] = {10, 10, 0, 20, 10, 0, 15, 20, 0};
  vxlibPcl_drawPolyline(tri, 3, 0.5, 0.0);
  vxlibPcl_drawPolyline(tri, 3, 0.5, 0.25);
  vxlibPcl_drawPolyline(tri, 3, 0.5, 1.0);
  vxlibPcl_drawPolylineExtended(tri, 3, 0.35, 3, 1.8, -1.0);
  vxlibPcl_drawPolylineExtended(tri, 3, 0.35, 0, 0.0, -1.0);
  const auto from = mark();
  vxlibPcl_drawPolylineExtended(tri, 3, 0.35, 99, 1.0, -1.0);
  EXPECT_EQ(textLines(from).size(), 1u) << "a line type the language does not have is refused";
  const PclDocument doc = closeAndRead(pcl);
  ASSERT_EQ(doc.hpgl.size(), 1u);
  const auto& h = doc.hpgl[0];
  EXPECT_EQ(exactly(h, "FT1"), 1u);
  EXPECT_EQ(count(h, "FT10,75"), 1u);
  EXPECT_EQ(count(h, "FT10,0"), 1u);
  EXPECT_EQ(exactly(h, "PD560,400,360,800,160,400"), 3u) << "a filled outline is closed at its first point";
  EXPECT_EQ(count(h, "LT3,1.80"), 1u);
  EXPECT_EQ(exactly(h, "LT"), 1u) << "the line type is set, and reset after the outline";
  EXPECT_EQ(count(h, "PW0.35"), 2u);
}

TEST_F(Pcl, HostileTextsAndNumbersLeaveAWellFormedFile) {
  const std::string pcl = path("hostile.pcl");
  ASSERT_EQ(vxlibPcl_fopen(pcl.c_str(), 9), 1);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double bad[] = {10, nan, 0, 20, 20, 0};
  const auto from = mark();
  vxlibPcl_drawText(10, 10, "A\x03\x1b%1ASTRAY", 5, 0, 2);
  vxlibPcl_drawText(10, 10, std::string(plot::kMaxTextLength + 1, 'x').c_str(), 5, 0, 2);
  vxlibPcl_drawText(1e9, 10, "far", 5, 0, 2);
  vxlibPcl_drawPolyline(bad, 2, 0.35, -1);
  vxlibPcl_drawPolyline(bad, -5, 0.35, -1);
  EXPECT_EQ(textLines(from).size(), 5u);
  vxlibPcl_drawText(10, 20, "%-12345X", 5, 0, 2);  // harmless inside a label
  const PclDocument doc = closeAndRead(pcl);
  ASSERT_EQ(doc.hpgl.size(), 1u);
  EXPECT_EQ(count(doc.hpgl[0], "LB"), 1u);
  EXPECT_EQ(count(doc.hpgl[0], "PD"), 0u);
}

}  // namespace
}  // namespace pixmend::vxlib
