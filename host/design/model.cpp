// The active model: its active parameters, its units, its line-style table and the level style
// list built from it (see api.h and design.hpp). The units are the open design's (opendesign.cpp).
#include <algorithm>
#include <cmath>
#include <cctype>
#include <cstdio>
#include <cstring>
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

constexpr int kStandardStyles = 8;
constexpr long kFirstNamedNumber = 8;

struct Model {
  DgnModelRef ref;
  std::vector<LineStyle> styles;
  long nextNumber = kFirstNamedNumber;
  int activeStyle = 0;
  // The other active parameters (api.h): text settings, angle and the coordinate readout.
  int font = 0;
  int textJustification = TEXT_JUST_LB;
  double textHeight = 1.0;
  double textWidth = 1.0;
  double angle = 0.0;
  int readoutFormat = READOUT_DECIMAL;
  int readoutAccuracy = 5;  // four decimal places
};

Model freshModel() {
  Model m;
  for (int i = 0; i < kStandardStyles; ++i) m.styles.push_back({std::to_string(i), i});
  return m;
}

Model& model() {
  static Model instance = freshModel();
  return instance;
}

LineStyle* findByName(const std::string& name) {
  for (auto& s : model().styles) {
    if (text::equalIgnoringCase(s.name, name)) return &s;
  }
  return nullptr;
}

// Only the host's one model is a model; anything else is refused.
bool knownModel(DgnModelRefP ref) {
  return ref == nullptr || ref == &model().ref;
}

void setActiveStyle(const LineStyle& style) {
  model().activeStyle = static_cast<int>(*style.number);
  journal().append("design",
                   "active line style " + std::to_string(*style.number) + " \"" + style.name + "\"");
}

const bool registered = registerReset("design", [] { startNewModel(); });

}  // namespace

const std::vector<LineStyle>& lineStyles() {
  return model().styles;
}

bool defineNamedLineStyle(const std::string& name) {
  if (name.empty() || name.size() >= LINESTYLE_NAME_MAX || findByName(name) != nullptr) return false;
  model().styles.push_back({name, std::nullopt});
  return true;
}

const LineStyle* findLineStyle(long number) {
  for (const auto& s : model().styles) {
    if (s.number && *s.number == number) return &s;
  }
  return nullptr;
}

const LineStyle* findLineStyle(const std::string& name) {
  return findByName(name);
}

long numberLineStyle(const std::string& name) {
  LineStyle* style = findByName(name);
  if (style == nullptr) return MDLERR_BADARG;
  if (!style->number) style->number = model().nextNumber++;
  return *style->number;
}

int activeLineStyle() {
  return model().activeStyle;
}

void startNewModel() {
  model() = freshModel();  // the same object: the reference handed out keeps its address
}

}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

DgnModelRefP mdlModelRef_getActive(void) {
  return &model().ref;
}

int mdlParams_getActive(void* valueP, int paramName) {
  if (valueP == nullptr) return MDLERR_BADARG;
  switch (paramName) {
    case ACTIVEPARAM_LINESTYLE:
      *static_cast<int*>(valueP) = model().activeStyle;
      return SUCCESS;
    case ACTIVEPARAM_LINESTYLENAME: {
      const LineStyle* style = findLineStyle(model().activeStyle);
      std::snprintf(static_cast<char*>(valueP), LINESTYLE_NAME_MAX, "%s",
                    style != nullptr ? style->name.c_str() : "");
      return SUCCESS;
    }
    case ACTIVEPARAM_FONT:
      *static_cast<int*>(valueP) = model().font;
      return SUCCESS;
    case ACTIVEPARAM_TEXTJUST:
      *static_cast<int*>(valueP) = model().textJustification;
      return SUCCESS;
    case ACTIVEPARAM_TEXTHEIGHT:
      *static_cast<double*>(valueP) = model().textHeight;
      return SUCCESS;
    case ACTIVEPARAM_TEXTWIDTH:
      *static_cast<double*>(valueP) = model().textWidth;
      return SUCCESS;
    case ACTIVEPARAM_ANGLE:
      *static_cast<double*>(valueP) = model().angle;
      return SUCCESS;
    case ACTIVEPARAM_GRAPHICGROUP:
      *static_cast<unsigned int*>(valueP) = activeGraphicGroup();
      return SUCCESS;
    case ACTIVEPARAM_READOUT_FORMAT:
      *static_cast<int*>(valueP) = model().readoutFormat;
      return SUCCESS;
    case ACTIVEPARAM_READOUT_ACCURACY:
      *static_cast<int*>(valueP) = model().readoutAccuracy;
      return SUCCESS;
    default:
      return MDLERR_BADARG;
  }
}

int mdlParams_setActive(const void* valueP, int paramName) {
  if (valueP == nullptr) return MDLERR_BADARG;
  switch (paramName) {
    case ACTIVEPARAM_LINESTYLE: {
      const LineStyle* style = findLineStyle(*static_cast<const int*>(valueP));
      if (style == nullptr) return MDLERR_BADARG;
      setActiveStyle(*style);
      return SUCCESS;
    }
    case ACTIVEPARAM_LINESTYLENAME: {
      const char* text = static_cast<const char*>(valueP);
      const std::string name(text, strnlen(text, LINESTYLE_NAME_MAX));
      if (findByName(name) == nullptr) return MDLERR_BADARG;
      numberLineStyle(name);
      setActiveStyle(*findByName(name));
      return SUCCESS;
    }
    case ACTIVEPARAM_FONT:
    case ACTIVEPARAM_TEXTJUST:
    case ACTIVEPARAM_READOUT_FORMAT:
    case ACTIVEPARAM_READOUT_ACCURACY: {
      const int value = *static_cast<const int*>(valueP);
      const bool ok = paramName == ACTIVEPARAM_FONT               ? value >= 0 && value <= 255
                      : paramName == ACTIVEPARAM_TEXTJUST         ? value >= TEXT_JUST_LT && value <= TEXT_JUST_RB
                      : paramName == ACTIVEPARAM_READOUT_FORMAT   ? value == READOUT_DECIMAL || value == READOUT_FRACTIONAL
                                                                  : value >= 0 && value <= 255;
      if (!ok) return MDLERR_BADARG;
      (paramName == ACTIVEPARAM_FONT               ? model().font
       : paramName == ACTIVEPARAM_TEXTJUST         ? model().textJustification
       : paramName == ACTIVEPARAM_READOUT_FORMAT   ? model().readoutFormat
                                                   : model().readoutAccuracy) = value;
      journal().append("design", "active parameter " + std::to_string(paramName) + " = " + std::to_string(value));
      return SUCCESS;
    }
    case ACTIVEPARAM_TEXTHEIGHT:
    case ACTIVEPARAM_TEXTWIDTH:
    case ACTIVEPARAM_ANGLE: {
      const double value = *static_cast<const double*>(valueP);
      // Sizes are above 0; every setting is a finite number.
      if (!std::isfinite(value) || (paramName != ACTIVEPARAM_ANGLE && !(value > 0))) return MDLERR_BADARG;
      (paramName == ACTIVEPARAM_TEXTHEIGHT ? model().textHeight
       : paramName == ACTIVEPARAM_TEXTWIDTH ? model().textWidth
                                            : model().angle) = value;
      journal().append("design", "active parameter " + std::to_string(paramName) + " = " + formatNumber(value));
      return SUCCESS;
    }
    case ACTIVEPARAM_GRAPHICGROUP: {
      const unsigned int value = *static_cast<const unsigned int*>(valueP);
      if (value < 1) return MDLERR_BADARG;
      setActiveGraphicGroup(value);
      return SUCCESS;
    }
    default:
      return MDLERR_BADARG;
  }
}

int mdlLineStyle_nameFromNumber(char* name, long styleNumber, DgnModelRefP modelRef) {
  if (name == nullptr) return MDLERR_BADARG;
  name[0] = '\0';
  const LineStyle* style = knownModel(modelRef) ? findLineStyle(styleNumber) : nullptr;
  if (style == nullptr) return MDLERR_BADARG;
  std::snprintf(name, LINESTYLE_NAME_MAX, "%s", style->name.c_str());
  return SUCCESS;
}

long mdlLineStyle_numberFromName(const char* name, DgnModelRefP modelRef) {
  if (name == nullptr || !knownModel(modelRef)) return MDLERR_BADARG;
  return numberLineStyle(std::string(name, strnlen(name, LINESTYLE_NAME_MAX)));
}

int mdlCnv_masterUnitsToUors(double* uors, double masterUnits, DgnModelRefP modelRef) {
  if (uors == nullptr || !knownModel(modelRef)) return MDLERR_BADARG;
  *uors = masterUnits * uorsPerMasterUnit();
  return SUCCESS;
}

int mdlCnv_uorsToMasterUnits(double* masterUnits, double uors, DgnModelRefP modelRef) {
  if (masterUnits == nullptr || !knownModel(modelRef)) return MDLERR_BADARG;
  *masterUnits = uors / uorsPerMasterUnit();
  return SUCCESS;
}

int mdlLevelList_getStyleListModel(ListModel* listModel, DgnModelRefP modelRef) {
  if (!knownModel(modelRef) || mdlListModel_getColumnCount(listModel) < 1) return MDLERR_BADARG;
  for (const auto& style : model().styles) {
    ListRow* row = mdlListModel_insertNewRow(listModel, -1);
    ListCell* cell = mdlListRow_getCellAtIndex(row, 0);
    if (cell == nullptr) return MDLERR_BADARG;
    mdlListCell_setStringValue(cell, style.name.c_str(), 1);
    mdlListCell_setLongValue(cell, style.number ? *style.number : LINESTYLE_NOT_NUMBERED);
  }
  return SUCCESS;
}

}  // extern "C"
