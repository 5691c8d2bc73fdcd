// Session verbs for texts, text styles and cells in the open design:
//   textstyle NAME [font F] [size W H] [just J] [spacing S]
//                       creates (or replaces) a named text style of the active model; unnamed
//                       settings are the active ones (spacing: half the height)
//   text X Y TEXT [style NAME]
//                       adds a text element at (X, Y) with the active text settings or the style's
//   celllib FILE        attaches a cell library (looked for along VX_CELL, default extension .cel)
//   cell NAME           adds cell NAME of the attached library to the design as it is stored
// Each journals what the host did ("design: ...", "cell: ..."); a refusal is the step's error.
#include <cstdio>
#include <memory>
#include <string>

#include "cli/session.hpp"
#include "common/text.hpp"
#include "host/design/api.h"
#include "host/design/design.hpp"
#include "host/output/journal.hpp"
#include "host/system/publish.hpp"

namespace pixmend::cli {
namespace {

using text::parseInteger;
using text::parseNumber;

struct StyleOptions {
  host::StoredTextStyle style;
  bool spacingGiven = false;
};

std::string parseTextStyle(const Step& s, StyleOptions* o) {
  const std::string usage = "usage: textstyle NAME [font F] [size W H] [just J] [spacing S]";
  if (s.words.empty()) return usage;
  o->style.name = s.words[0];
  mdlParams_getActive(&o->style.font, ACTIVEPARAM_FONT);
  mdlParams_getActive(&o->style.justification, ACTIVEPARAM_TEXTJUST);
  mdlParams_getActive(&o->style.width, ACTIVEPARAM_TEXTWIDTH);
  mdlParams_getActive(&o->style.height, ACTIVEPARAM_TEXTHEIGHT);
  for (std::size_t i = 1; i < s.words.size();) {
    const std::string& key = s.words[i];
    const std::size_t need = key == "size" ? 2 : 1;
    if (i + need >= s.words.size()) return usage;
    if (key == "font" || key == "just") {
      const auto n = parseInteger(s.words[i + 1], 0, key == "font" ? 255 : TEXT_JUST_RB);
      if (!n) return key == "font" ? "the font is a number from 0 to 255" : "the justification is a number from 0 to 14";
      (key == "font" ? o->style.font : o->style.justification) = static_cast<int>(*n);
    } else if (key == "size") {
      const auto w = parseNumber(s.words[i + 1]), h = parseNumber(s.words[i + 2]);
      if (!w || !h || !(*w > 0) || !(*h > 0)) return "the size is a width and a height above 0";
      o->style.width = *w, o->style.height = *h;
    } else if (key == "spacing") {
      const auto v = parseNumber(s.words[i + 1]);
      if (!v || *v < 0) return "the spacing is a number of 0 or more";
      o->style.lineSpacing = *v;
      o->spacingGiven = true;
    } else {
      return usage;
    }
    i += need + 1;
  }
  if (!o->spacingGiven) o->style.lineSpacing = o->style.height / 2;
  return "";
}

std::string runTextStyle(const Step& s, PlayContext&) {
  StyleOptions o;
  parseTextStyle(s, &o);
  std::string why;
  return host::defineTextStyle(o.style, &why) ? "" : "cannot create the text style: " + why;
}

std::string checkText(const Step& s) {
  if ((s.words.size() != 3 && s.words.size() != 5) || (s.words.size() == 5 && s.words[3] != "style"))
    return "usage: text X Y TEXT [style NAME]";
  return parseNumber(s.words[0]) && parseNumber(s.words[1]) ? "" : "X and Y are numbers";
}

std::string runText(const Step& s, PlayContext&) {
  const DPoint3d origin{*parseNumber(s.words[0]), *parseNumber(s.words[1]), 0};
  TextParam params{};
  TextSize size{};
  const bool styled = s.words.size() == 5;
  if (styled) {
    const std::u16string name = host::wideFromUtf8(s.words[4]);
    if (mdlTextStyle_getByName(&params, &size, reinterpret_cast<const MSWChar*>(name.c_str()), nullptr) != SUCCESS)
      return "the design has no text style " + s.words[4];
  }
  auto element = std::make_unique<MSElement>();
  const int status = mdlText_create(element.get(), nullptr, s.words[2].c_str(), &origin, nullptr, styled ? &size : nullptr,
                                    styled ? &params : nullptr, nullptr);
  if (status != SUCCESS) return "cannot build the text (status " + std::to_string(status) + ")";
  return mdlElement_add(element.get()) != 0 ? "" : "the design refused the text";
}

std::string runCellLibrary(const Step& s, PlayContext&) {
  char found[MAXFILELENGTH];
  const int status = mdlCell_attachLibraryEx(found, s.words[0].c_str(), "VX_CELL", 0);
  return status == SUCCESS ? "" : "cannot attach the cell library " + s.words[0] + " (status " + std::to_string(status) + ")";
}

std::string runCell(const Step& s, PlayContext&) {
  const std::u16string name = host::wideFromUtf8(s.words[0]);
  MSElementDescr* cell = nullptr;
  const int status = mdlCell_getElmDscr(&cell, reinterpret_cast<const MSWChar*>(name.c_str()), CELL_READ_AS_STORED);
  if (status != SUCCESS) return "cannot read the cell " + s.words[0] + " (status " + std::to_string(status) + ")";
  const unsigned position = mdlElmdscr_add(cell);
  mdlElmdscr_freeAll(&cell);
  return position != 0 ? "" : "the design refused the cell";
}

const bool registered = [] {
  registerVerb({"textstyle", "textstyle NAME [font F] [size W H] [just J] [spacing S]",
                "create or replace a named text style of the active model (unnamed settings: the active ones)",
                [](const Step& s) {
                  StyleOptions o;
                  return parseTextStyle(s, &o);
                },
                runTextStyle});
  registerVerb({"text", "text X Y TEXT [style NAME]", "add a text element with the active text settings or a style's",
                checkText, runText});
  registerVerb({"celllib", "celllib FILE", "attach a cell library (looked for along VX_CELL; default extension .cel)",
                [](const Step& s) { return s.words.size() == 1 ? nameProblem(s.words[0]) : "usage: celllib FILE"; },
                runCellLibrary});
  registerVerb({"cell", "cell NAME", "add a cell of the attached library to the design, as the library stores it",
                [](const Step& s) -> std::string { return s.words.size() == 1 ? "" : "usage: cell NAME"; }, runCell});
  return true;
}();

}  // namespace
}  // namespace pixmend::cli
