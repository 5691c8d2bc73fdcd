// The list row of a definition as the attribute dialog shows it: label, colour, line style,
// weight, level, class and the kind's details, a column left empty when its mask bit is not set.
// Sizes are shown with as many decimals as the host's coordinate readout.
#include <cstdio>
#include <cstring>
#include <string>

#include "vxlib/services/elmattr/elmattr.hpp"

namespace pixmend::vxlib::elmattr {
namespace {

constexpr int kByLevel = -1;
constexpr int kStyleByLevel = 0x7FFFFFFF;

const char* justificationName(int code) {
  switch (code) {
    case 0: return "LT";
    case 1: return "LC";
    case 2: return "LB";
    case 6: return "CT";
    case 7: return "CC";
    case 8: return "CB";
    case 12: return "RT";
    case 13: return "RC";
    case 14: return "RB";
    default: return "";
  }
}

class Details {
 public:
  Details() {
    const int accuracy = vxlibUtil_getCoordinateReadoutAccuracy(-1);
    std::snprintf(format_, sizeof format_, "%%.%df", accuracy);
  }
  std::string number(double value) const {
    char text[64];
    std::snprintf(text, sizeof text, format_, value);
    return text;
  }

 private:
  char format_[16];
};

std::string wide(const unsigned short* text) {
  const char* converted = vxlibUtil_convertToMultibyteText(text);
  return converted != nullptr ? converted : "";
}

std::string kindDetails(const Definition& d) {
  const VxlibElmAttrSettings& s = d.settings;
  const Details D;
  char text[256];
  switch (d.kind) {
    case 2:
      std::snprintf(text, sizeof text, "SY=%d", s.choice.icon.value);
      return text;
    case 3:
    case 5: {
      std::snprintf(text, sizeof text, "SY=%d,", s.choice.icon.value);
      std::string out = text + ("SI=" + D.number(s.choice.icon.size));
      if (d.kind == 5) out += ",\"" + std::string(s.freeText, strnlen(s.freeText, sizeof s.freeText)) + "\"";
      return out;
    }
    default:
      break;
  }
  std::string out;
  if ((s.mask & VXLIB_ELMATTR_TEXTSTYLE) != 0 && s.choice.textStyleName[0] != 0)
    out += "TS=" + wide(s.choice.textStyleName) + ",";
  if ((s.mask & VXLIB_ELMATTR_FONT) != 0) out += "FO=" + std::to_string(s.font) + ",";
  if ((s.mask & VXLIB_ELMATTR_SIZE) != 0)
    out += "SI=" + D.number(s.textHeight) + "/" + D.number(s.textWidth) + "/" + D.number(s.lineSpacing) + ",";
  if ((s.mask & VXLIB_ELMATTR_JUSTIFICATION) != 0) out += std::string("JU=") + justificationName(s.justification) + ",";
  if (d.kind == 4 && (s.mask & VXLIB_ELMATTR_ANGLE) != 0) out += "SL=" + D.number(s.extra.angle) + ",";
  if (d.kind == 6) return out + "\"" + std::string(s.freeText, strnlen(s.freeText, sizeof s.freeText)) + "\"";
  if (!out.empty()) out.pop_back();
  return out;
}

void put(char* column, const std::string& text) { std::snprintf(column, kColumnSize, "%s", text.c_str()); }

std::string byLevelOr(int value) { return value == kByLevel ? "BL" : std::to_string(value); }

}  // namespace

void summarize(const Definition& d, char columns[kColumns][kColumnSize]) {
  const VxlibElmAttrSettings& s = d.settings;
  for (int i = 0; i < kColumns; ++i) columns[i][0] = '\0';
  put(columns[0], d.label != nullptr ? d.label : "");
  if ((s.mask & VXLIB_ELMATTR_COLOR) != 0) put(columns[1], byLevelOr(s.color));
  if ((s.mask & VXLIB_ELMATTR_STYLE) != 0)
    put(columns[2], s.lineStyle == kStyleByLevel ? "BL" : s.lineStyle < 0 ? "UD" : std::to_string(s.lineStyle));
  if ((s.mask & VXLIB_ELMATTR_WEIGHT) != 0) put(columns[3], byLevelOr(s.weight));
  if ((s.mask & VXLIB_ELMATTR_LEVEL) != 0) put(columns[4], wide(s.levelName));
  if ((s.mask & VXLIB_ELMATTR_CLASS) != 0) put(columns[5], s.elementClass != 0 ? "C" : "P");
  put(columns[6], kindDetails(d));
}

}  // namespace pixmend::vxlib::elmattr
