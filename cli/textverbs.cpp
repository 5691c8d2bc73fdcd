// Session verbs for texts, text styles and cells in the open design:
//   textstyle NAME [font F] [size W H] [just J] [spacing S]
//                       creates (or replaces) a named text style of the active model; unnamed
//                       settings are the active ones (spacing: half the height)
//   text X Y TEXT [style NAME] [angle DEGREES]
//                       adds a text element at (X, Y) with the active text settings or the style's,
//                       and shows it in the views
//   celllib new FILE | celllib add FILE NAME DESIGN [DESCRIPTION] | celllib attach FILE
//                       makes a cell library, adds a cell made of a design's first model to it (as
//                       pixmend cell does), or attaches one (along VX_CELL, default extension .cel)
//   cell NAME           adds cell NAME of the attached library to the design as it is stored and
//                       shows it
// Each journals what the host did ("design: ...", "cell: ..."); a refusal is the step's error.
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "cli/session.hpp"
#include "common/text.hpp"
#include "host/design/api.h"
#include "host/config/config.hpp"
#include "host/design/cells.hpp"
#include "host/design/design.hpp"
#include "host/output/journal.hpp"
#include "host/system/publish.hpp"
#include "host/view/api.h"

namespace pixmend::cli {
namespace {

using text::parseInteger;
using text::parseNumber;
using host::journal;

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

struct TextOptions {
  std::string style;
  double angle = 0;  // degrees, counter-clockwise
};

std::string parseText(const Step& s, TextOptions* o) {
  const std::string usage = "usage: text X Y TEXT [style NAME] [angle DEGREES]";
  if (s.words.size() < 3 || s.words.size() % 2 == 0) return usage;
  if (!parseNumber(s.words[0]) || !parseNumber(s.words[1])) return "X and Y are numbers";
  for (std::size_t i = 3; i + 1 < s.words.size(); i += 2) {
    if (s.words[i] == "style") {
      o->style = s.words[i + 1];
    } else if (s.words[i] == "angle") {
      const auto a = parseNumber(s.words[i + 1]);
      if (!a) return "the angle is a number of degrees";
      o->angle = *a;
    } else {
      return usage;
    }
  }
  return "";
}

std::string runText(const Step& s, PlayContext&) {
  TextOptions o;
  parseText(s, &o);
  const DPoint3d origin{*parseNumber(s.words[0]), *parseNumber(s.words[1]), 0};
  TextParam params{};
  TextSize size{};
  const bool styled = !o.style.empty();
  if (styled) {
    const std::u16string name = host::wideFromUtf8(o.style);
    if (mdlTextStyle_getByName(&params, &size, reinterpret_cast<const MSWChar*>(name.c_str()), nullptr) != SUCCESS)
      return "the design has no text style " + o.style;
  }
  const double a = o.angle * M_PI / 180, c = std::cos(a), sn = std::sin(a);
  RotMatrix turn{};
  turn.form3d[0][0] = c, turn.form3d[0][1] = -sn, turn.form3d[1][0] = sn, turn.form3d[1][1] = c;
  turn.form3d[2][2] = 1;
  auto element = std::make_unique<MSElement>();
  const int status = mdlText_create(element.get(), nullptr, s.words[2].c_str(), &origin, &turn,
                                    styled ? &size : nullptr, styled ? &params : nullptr, nullptr);
  if (status != SUCCESS) return "cannot build the text (status " + std::to_string(status) + ")";
  if (mdlElement_add(element.get()) == 0) return "the design refused the text";
  mdlElement_display(element.get(), DRAW_MODE_Normal);  // placed, it is shown
  return "";
}

std::string checkCellLibrary(const Step& s) {
  const std::string usage = "usage: celllib new FILE | celllib add FILE NAME DESIGN [DESCRIPTION] | celllib attach FILE";
  if (s.words.size() == 2 && (s.words[0] == "new" || s.words[0] == "attach")) return nameProblem(s.words[1]);
  if ((s.words.size() == 4 || s.words.size() == 5) && s.words[0] == "add") {
    const std::string problem = nameProblem(s.words[1]);
    return problem.empty() ? nameProblem(s.words[3]) : problem;
  }
  return usage;
}

std::string runCellLibrary(const Step& s, PlayContext&) {
  const std::string file = host::expandText(s.words[1]);
  std::string why;
  if (s.words[0] == "new") {
    if (!host::newCellLibrary(file, &why)) return why;
    journal().append("cell", "new cell library " + s.words[1]);
    return "";
  }
  if (s.words[0] == "add") {
    const std::string description = s.words.size() == 5 ? s.words[4] : "";
    if (!host::addCellFromFile(file, s.words[2], description, host::expandText(s.words[3]), nullptr, &why)) return why;
    journal().append("cell", "cell \"" + s.words[2] + "\" added to " + s.words[1] + " from " + s.words[3]);
    return "";
  }
  const int status = mdlCell_attachLibraryEx(nullptr, file.c_str(), "VX_CELL", 0);
  return status == SUCCESS ? "" : "cannot attach the cell library " + s.words[1] + " (status " + std::to_string(status) + ")";
}

std::string runCell(const Step& s, PlayContext&) {
  const std::u16string name = host::wideFromUtf8(s.words[0]);
  MSElementDescr* cell = nullptr;
  const int status = mdlCell_getElmDscr(&cell, reinterpret_cast<const MSWChar*>(name.c_str()), CELL_READ_AS_STORED);
  if (status != SUCCESS) return "cannot read the cell " + s.words[0] + " (status " + std::to_string(status) + ")";
  const unsigned position = mdlElmdscr_add(cell);
  if (position != 0) mdlElmdscr_display(cell, nullptr, DRAW_MODE_Normal);  // placed, it is shown
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
  registerVerb({"text", "text X Y TEXT [style NAME] [angle DEGREES]",
                "add a text element with the active text settings or a style's, turned by DEGREES, and show it",
                [](const Step& s) {
                  TextOptions o;
                  return parseText(s, &o);
                },
                runText});
  registerVerb({"celllib", "celllib new FILE|add FILE NAME DESIGN [DESCRIPTION]|attach FILE",
                "make a cell library, add a cell to it from a design's first model, or attach one (looked for "
                "along VX_CELL; default extension .cel)",
                checkCellLibrary, runCellLibrary});
  registerVerb({"cell", "cell NAME", "add a cell of the attached library to the design, as the library stores it",
                [](const Step& s) -> std::string { return s.words.size() == 1 ? "" : "usage: cell NAME"; }, runCell});
  return true;
}();

}  // namespace
}  // namespace pixmend::cli
