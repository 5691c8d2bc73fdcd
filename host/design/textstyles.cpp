// The active model's named text styles (design.hpp, "Text styles") and mdlTextStyle_getByName.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "common/text.hpp"
#include "host/design/api.h"
#include "host/design/design.hpp"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/system/publish.hpp"

namespace pixmend::host {
namespace {

// Longest style name in bytes (UTF-8), the bound of the design's other names.
constexpr std::size_t kMaxStyleName = 255;

struct Styles {
  std::int64_t model = 0;
  std::vector<StoredTextStyle> active;  // the active model's
  std::vector<StoredTextStyle> others;  // the other models', kept as they were read
};

Styles& styles() {
  static Styles s;
  return s;
}

const bool resetRegistered = registerReset("design.textstyles", [] { loadTextStyles(newDesignContent()); });

StoredTextStyle* find(const std::string& name) {
  for (auto& s : styles().active) {
    if (text::equalIgnoringCase(s.name, name)) return &s;
  }
  return nullptr;
}

}  // namespace

void loadTextStyles(const DesignContent& content) {
  Styles s;
  s.model = content.models.empty() ? 0 : content.models.front().id;
  for (const auto& t : content.textStyles) (t.model == s.model ? s.active : s.others).push_back(t);
  styles() = std::move(s);
}

void fillTextStyles(DesignContent* now) {
  now->textStyles = styles().others;
  now->textStyles.insert(now->textStyles.end(), styles().active.begin(), styles().active.end());
  // As the file gives them back: by model, then name.
  std::sort(now->textStyles.begin(), now->textStyles.end(), [](const StoredTextStyle& a, const StoredTextStyle& b) {
    return a.model != b.model ? a.model < b.model : a.name < b.name;
  });
}

const StoredTextStyle* findTextStyle(const std::string& name) {
  return find(name);
}

bool defineTextStyle(const StoredTextStyle& style, std::string* why) {
  auto refuse = [why](const char* reason) {
    if (why != nullptr) *why = reason;
    return false;
  };
  if (style.name.empty() || style.name.size() > kMaxStyleName) return refuse("a text style's name is 1 to 255 bytes");
  if (style.font < 0 || style.font > 255) return refuse("the font is a number from 0 to 255");
  if (style.justification < TEXT_JUST_LT || style.justification > TEXT_JUST_RB)
    return refuse("the justification is a number from 0 to 14");
  if (!std::isfinite(style.width) || !std::isfinite(style.height) || !(style.width > 0) || !(style.height > 0))
    return refuse("the character width and height are numbers above 0");
  if (!std::isfinite(style.lineSpacing) || style.lineSpacing < 0) return refuse("the line spacing is a number of 0 or more");
  if (designReadOnly()) return refuse("the design file is read-only");
  StoredTextStyle s = style;
  s.model = styles().model;
  const bool replaced = find(s.name) != nullptr;
  if (replaced) {
    *find(s.name) = s;
  } else {
    styles().active.push_back(s);
  }
  journal().append("design", "text style \"" + s.name + "\" " + (replaced ? "replaced" : "created") + ": font " +
                                 std::to_string(s.font) + ", justification " + std::to_string(s.justification) +
                                 ", size " + formatNumber(s.width) + " x " + formatNumber(s.height) +
                                 ", line spacing " + formatNumber(s.lineSpacing));
  requestDesignStore();
  return true;
}

}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" int mdlTextStyle_getByName(TextParam* params, TextSize* size, const MSWChar* name, DgnModelRefP modelRef) {
  if (name == nullptr || !modelOf(modelRef)) return MDLERR_NOSUCHTEXTSTYLE;
  const StoredTextStyle* s = find(utf8FromWide(name, kMaxStyleName + 1));
  if (s == nullptr) return MDLERR_NOSUCHTEXTSTYLE;
  if (params != nullptr) {
    *params = TextParam{};
    params->font = s->font;
    params->justification = s->justification;
    params->lineSpacing = s->lineSpacing;
  }
  if (size != nullptr) *size = TextSize{s->width, s->height};
  return SUCCESS;
}
