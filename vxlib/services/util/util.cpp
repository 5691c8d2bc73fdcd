// The utility family (vxlibUtil_): language texts, text and unit conversions, text splitting,
// angles, the coordinate readout, editions, work mode, graphic groups, date and time, the
// hourglass and the user preference file. Levels and the plot-fence search: levels.cpp.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "vxlib/core/core.hpp"

namespace pixmend::vxlib {
namespace {

constexpr int kConvertUnits = 512;      // wide and multibyte conversions, terminating zero included
constexpr int kMsgPowerDraft = 20;      // list 20005: this edition cannot run the function
constexpr int kFirstMonthText = 2;      // list 20007: January .. December are 2 to 13
constexpr int kFirstWeekdayText = 14;   // list 20007: Sunday .. Saturday are 14 to 20
constexpr int kNameSize = 64;           // the day and month names' buffers
constexpr long kHourGlassTicks = 30;
constexpr int kWorkmodeValue = 32;      // the configuration variable's buffer

struct HourGlass {
  long lastTick = 0;
  int step = 0;
};

HourGlass& hourGlass() {
  static HourGlass h;
  return h;
}

// The conversion result in the caller's global data block (its 8-byte buffer), or in a buffer of
// this copy of the library when the application has no block.
double* unitResult() {
  static double fallback = 0;
  GlobalData* block = findGlobalData();
  return block != nullptr && block->buffer8 != nullptr ? static_cast<double*>(block->buffer8) : &fallback;
}

bool defined(const char* name) {
  return mdlSystem_getenv(name) != nullptr;
}

}  // namespace
}  // namespace pixmend::vxlib

using namespace pixmend::vxlib;

extern "C" {

const char* vxlibUtil_getLanguageText(int number) {
  return languageText(number);
}

unsigned short* vxlibUtil_convertToUnicodeText(const char* text) {
  static MSWChar wide[kConvertUnits];
  wide[0] = 0;
  if (text != nullptr) mdlCnv_convertMultibyteToUnicode(text, -1, wide, kConvertUnits);
  return wide;
}

char* vxlibUtil_convertToMultibyteText(const unsigned short* text) {
  static char narrow[kConvertUnits];
  narrow[0] = '\0';
  if (text != nullptr) mdlCnv_convertUnicodeToMultibyte(text, -1, narrow, kConvertUnits);
  return narrow;
}

double* vxlibUtil_masterToUORP(double value) {
  double* result = unitResult();
  if (mdlCnv_masterUnitsToUors(result, value, mdlModelRef_getActive()) != SUCCESS) *result = value;
  return result;
}

double* vxlibUtil_UORToMasterP(double value) {
  double* result = unitResult();
  if (mdlCnv_uorsToMasterUnits(result, value, mdlModelRef_getActive()) != SUCCESS) *result = value;
  return result;
}

void vxlibUtil_removeSpaces(char* text) {
  if (text == nullptr) return;
  char* out = text;
  for (const char* in = text; *in != '\0'; ++in) {
    if (*in != ' ' && *in != '\t') *out++ = *in;
  }
  *out = '\0';
}

int vxlibUtil_splitText(char* text, char* rest) {
  if (text == nullptr) return 0;
  for (char* at = text; *at != '\0'; ++at) {
    std::size_t breakLength = 0;
    if (*at == '\n') breakLength = 1;
    if (at[0] == '\\' && (at[1] == 'n' || at[1] == 'N')) breakLength = 2;
    if (breakLength == 0) continue;
    const char* after = at + breakLength;
    const bool more = *after != '\0';
    if (more && rest != nullptr) std::memmove(rest, after, std::strlen(after) + 1);
    *at = '\0';
    return more && rest != nullptr ? 1 : 0;
  }
  return 0;
}

int vxlibUtil_angleIn2Or3Quadrant(double angle) {
  const double c = std::cos(angle), s = std::sin(angle);
  return (c < -0.0001 && s > 0) || (c <= 0.0001 && s < 0) ? 1 : 0;
}

int vxlibUtil_getCoordinateReadoutAccuracy(int defaultPlaces) {
  int format = READOUT_DECIMAL, accuracy = 0;
  mdlParams_getActive(&format, ACTIVEPARAM_READOUT_FORMAT);
  mdlParams_getActive(&accuracy, ACTIVEPARAM_READOUT_ACCURACY);
  if (format == READOUT_DECIMAL) {
    const int places = accuracy & 7;
    return places == 0 ? 4 : places - 1;
  }
  if (defaultPlaces >= 0) return defaultPlaces;
  switch (accuracy >> 3) {
    case 0:
      return 5;
    case 1:
      return 6;
    case 3:
      return 7;
    case 7:
      return 8;
    case 15:
      return 9;
    case 31:
      return 10;
    default:
      return 4;  // a fraction the readout does not offer: the decimal readout's default
  }
}

int vxlibUtil_setActiveDecimalNumberInTextItem(MSDialog* dialog, int itemIndex, double value) {
  if (dialog == nullptr || itemIndex < 0 || !std::isfinite(value)) return VXLIB_ERROR;
  // Numbers in dialogs show what the coordinate readout shows; a fractional readout gives the
  // decimals that resolve its fraction.
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", vxlibUtil_getCoordinateReadoutAccuracy(-1), value);
  if (mdlDialog_itemSetValue(dialog, itemIndex, text) != 0) return VXLIB_ERROR;
  mdlDialog_itemDraw(dialog, itemIndex);
  return VXLIB_SUCCESS;
}

int vxlibUtil_runningPowerDraft(void) {
  if (!defined("_MSDRAFT")) return 0;
  rscMsgBox(kBoxOk, kErrorList, kMsgPowerDraft);
  return 1;
}

int vxlibUtil_mdlExternalNotAvailable(void) {
  return defined("_MSDRAFT") || defined("_MSPOWERSCOPE") || defined("_PRJREVIEW") ? 1 : 0;
}

int vxlibUtil_setWorkmode(const char* variableName) {
  if (variableName == nullptr) return 0;
  const int mode = mdlSystem_getWorkmode();
  const char* wanted = mode == WORKMODE_DWG ? "DWG" : mode == WORKMODE_V7 ? "V7" : "DGN";
  char value[kWorkmodeValue];
  if (mdlSystem_getCfgVar(value, variableName, sizeof value) != SUCCESS) return 0;
  if (std::strcmp(value, wanted) == 0) return 0;
  // Changed where it is defined, so the value it had does not come back from a higher level.
  const int level = mdlSystem_getCfgVarLevel(variableName);
  return mdlSystem_defineCfgVar(variableName, wanted, level > 0 ? level : 5) == SUCCESS ? 1 : 0;
}

unsigned int vxlibUtil_newGraphicGroup(void) {
  unsigned int next = 1;
  mdlParams_getActive(&next, ACTIVEPARAM_GRAPHICGROUP);
  const unsigned int after = next + 1;
  mdlParams_setActive(&after, ACTIVEPARAM_GRAPHICGROUP);
  return next;
}

void vxlibUtil_getDateAndTime(int* year, int* month, int* day, int* hour, int* minute, int* second, int* weekday,
                              char* weekdayName, char* monthName) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  if (year != nullptr) *year = local.tm_year + 1900;
  if (month != nullptr) *month = local.tm_mon + 1;
  if (day != nullptr) *day = local.tm_mday;
  if (hour != nullptr) *hour = local.tm_hour;
  if (minute != nullptr) *minute = local.tm_min;
  if (second != nullptr) *second = local.tm_sec;
  if (weekday != nullptr) *weekday = local.tm_wday;
  if (weekdayName != nullptr)
    std::snprintf(weekdayName, kNameSize, "%s", languageText(kFirstWeekdayText + local.tm_wday));
  if (monthName != nullptr) std::snprintf(monthName, kNameSize, "%s", languageText(kFirstMonthText + local.tm_mon));
}

void vxlibUtil_initHourGlass(void) {
  hourGlass().lastTick = mdlSystem_getTicks();
  hourGlass().step = 0;
}

void vxlibUtil_updateHourGlass(void) {
  static const char* const kSteps[] = {"|", "/", "-", "\\"};
  HourGlass& h = hourGlass();
  const long now = mdlSystem_getTicks();
  if (now - h.lastTick <= kHourGlassTicks) return;
  mdlOutput_printf(MSG_ERROR, "%s", kSteps[h.step]);
  h.step = (h.step + 1) % 4;
  h.lastTick = now;
}

int vxlibUtil_openUserPrefFile(RscFileHandle* handleOut, int write) {
  return mdlDialog_userPrefFileOpen(handleOut, write);
}

}  // extern "C"
