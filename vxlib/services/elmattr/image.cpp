// The stored image of a definition: 1480 bytes in the layout of a definition in memory with
// 32-bit fields and 4-byte pointer slots, little-endian. Written field by field; on reading only
// the fields named here are taken: pointer slots carry nothing, counts of choices are the
// application's (never the file's), and every text is ended within its field.
//
// The two older forms (1320 and 320 bytes) keep the 48-byte head and are first brought into the
// current layout, byte range by byte range, then read as a current image.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/bytes.hpp"
#include "vxlib/services/elmattr/elmattr.hpp"

namespace pixmend::vxlib::elmattr {
namespace {

// ---- The head (every form)
constexpr std::size_t kGroupKeyAt = 0;
constexpr std::size_t kKindAt = 4;
constexpr std::size_t kIdAt = 8;
constexpr std::size_t kLabelSlotAt = 12;
constexpr std::size_t kCallbackSlotAt = 16;
constexpr std::size_t kLockedMaskAt = 20;
constexpr std::size_t kChoiceCountAt = 24;
constexpr std::size_t kChoiceValuesSlotAt = 28;
constexpr std::size_t kChoiceIconsSlotAt = 32;
constexpr std::size_t kMaxLengthAt = 36;
constexpr std::size_t kTextLabelSlotAt = 40;
constexpr std::size_t kCarriedAt = 44;
constexpr std::size_t kHeadSize = 48;
constexpr std::size_t kNextSlotAt = 1472;

// ---- The settings block of the current form (offsets in the image)
constexpr std::size_t kColorAt = 48;
constexpr std::size_t kLineStyleAt = 52;
constexpr std::size_t kWeightAt = 56;
constexpr std::size_t kLevelNameAt = 60;  // 512 wide characters
constexpr std::size_t kClassAt = 1084;
constexpr std::size_t kMaskAt = 1088;
constexpr std::size_t kReservedAt = 1092;
constexpr std::size_t kStyleScaleAt = 1096;
constexpr std::size_t kStyleWidthAt = 1104;
constexpr std::size_t kStyleNameAt = 1112;  // 64 characters
constexpr std::size_t kTextStyleNameAt = 1176;  // text kinds: 22 wide characters
constexpr std::size_t kIconValueAt = 1176;      // icon kinds
constexpr std::size_t kSizeAt = 1184;           // icon kinds 3, 5
constexpr std::size_t kFreeTextAt = 1220;       // 120 characters
constexpr std::size_t kFontAt = 1340;
constexpr std::size_t kTextWidthAt = 1344;
constexpr std::size_t kTextHeightAt = 1352;
constexpr std::size_t kJustificationAt = 1360;
constexpr std::size_t kLineSpacingAt = 1368;
constexpr std::size_t kAngleAt = 1384;      // kind 4 and kinds without a string there
constexpr std::size_t kExtraTextAt = 1384;  // kinds 6, 7: 84 characters
constexpr std::size_t kKind7ValueAt = 1468;

constexpr std::size_t kTextSizesBytes = 36;   // width, height, justification, line spacing
constexpr std::size_t kKindPartBytes = 128;   // what icon kinds keep from 1176 on

// ---- The 1320-byte form: bytes 48 to 1175 as now, then by kind
constexpr std::size_t kOld2FontAt = 1176;
constexpr std::size_t kOld2TextSizesAt = 1184;
constexpr std::size_t kOld2AngleAt = 1224;
constexpr std::size_t kOld2TextAt = 1224;
constexpr std::size_t kOld2Kind7ValueAt = 1308;

// ---- The 320-byte form: 32-bit words counted from offset 48
constexpr std::size_t word(int i) { return kHeadSize + 4 * static_cast<std::size_t>(i); }
constexpr int kOld1ColorWord = 0, kOld1StyleWord = 1, kOld1WeightWord = 2, kOld1LevelWord = 3, kOld1ClassWord = 4,
              kOld1MaskWord = 5, kOld1ReservedWord = 6, kOld1StyleBlockWord = 8, kOld1StyleNameWord = 12,
              kOld1FontWord = 28, kOld1TextSizesWord = 30, kOld1AngleWord = 40, kOld1Kind7ValueWord = 60;
constexpr std::size_t kOld1TextAt = kHeadSize + 156;
constexpr std::size_t kOld1StyleBlockBytes = 80;  // scale, width, name
constexpr int kOld1CustomStyle = 8;

void putText(std::uint8_t* image, std::size_t at, const char* text, std::size_t field) {
  const std::size_t n = strnlen(text, field);
  std::memcpy(image + at, text, n);  // the rest stays zero
}
void getText(const std::uint8_t* image, std::size_t at, char* text, std::size_t field) {
  std::memcpy(text, image + at, field);
  text[field - 1] = '\0';
}
void putWide(std::uint8_t* image, std::size_t at, const unsigned short* text, std::size_t field) {
  for (std::size_t i = 0; i < field && text[i] != 0; ++i) le::put16(image + at + 2 * i, text[i]);
}
void getWide(const std::uint8_t* image, std::size_t at, unsigned short* text, std::size_t field) {
  for (std::size_t i = 0; i < field; ++i) text[i] = le::get16(image + at + 2 * i);
  text[field - 1] = 0;
}
void putInt(std::uint8_t* image, std::size_t at, std::int32_t v) { le::put32(image + at, static_cast<std::uint32_t>(v)); }
std::int32_t getInt(const std::uint8_t* image, std::size_t at) { return static_cast<std::int32_t>(le::get32(image + at)); }

template <std::size_t N>
constexpr std::size_t countOf(const unsigned short (&)[N]) { return N; }
template <std::size_t N>
constexpr std::size_t countOf(const char (&)[N]) { return N; }

void writeSettings(const VxlibElmAttrSettings& s, int kind, std::uint8_t* image) {
  putInt(image, kColorAt, s.color);
  putInt(image, kLineStyleAt, s.lineStyle);
  putInt(image, kWeightAt, s.weight);
  putWide(image, kLevelNameAt, s.levelName, countOf(s.levelName));
  putInt(image, kClassAt, s.elementClass);
  putInt(image, kMaskAt, s.mask);
  putInt(image, kReservedAt, s.reserved);
  le::putDouble(image + kStyleScaleAt, s.lineStyleScale);
  le::putDouble(image + kStyleWidthAt, s.lineStyleWidth);
  putText(image, kStyleNameAt, s.lineStyleName, countOf(s.lineStyleName));
  if (hasIcons(kind)) {
    putInt(image, kIconValueAt, s.choice.icon.value);
    le::putDouble(image + kSizeAt, s.choice.icon.size);
  } else {
    putWide(image, kTextStyleNameAt, s.choice.textStyleName, countOf(s.choice.textStyleName));
  }
  putText(image, kFreeTextAt, s.freeText, countOf(s.freeText));
  putInt(image, kFontAt, s.font);
  le::putDouble(image + kTextWidthAt, s.textWidth);
  le::putDouble(image + kTextHeightAt, s.textHeight);
  putInt(image, kJustificationAt, s.justification);
  le::putDouble(image + kLineSpacingAt, s.lineSpacing);
  if (kind == 6 || kind == 7) {
    putText(image, kExtraTextAt, s.extra.text, countOf(s.extra.text));
  } else {
    le::putDouble(image + kAngleAt, s.extra.angle);
  }
  putInt(image, kKind7ValueAt, s.kind7Value);
}

void readCurrentSettings(const std::uint8_t* image, int kind, VxlibElmAttrSettings* s) {
  *s = VxlibElmAttrSettings{};
  s->color = getInt(image, kColorAt);
  s->lineStyle = getInt(image, kLineStyleAt);
  s->weight = getInt(image, kWeightAt);
  getWide(image, kLevelNameAt, s->levelName, countOf(s->levelName));
  s->elementClass = getInt(image, kClassAt);
  s->mask = getInt(image, kMaskAt);
  s->reserved = getInt(image, kReservedAt);
  s->lineStyleScale = le::getDouble(image + kStyleScaleAt);
  s->lineStyleWidth = le::getDouble(image + kStyleWidthAt);
  getText(image, kStyleNameAt, s->lineStyleName, countOf(s->lineStyleName));
  if (hasIcons(kind)) {
    s->choice.icon.value = getInt(image, kIconValueAt);
    s->choice.icon.size = le::getDouble(image + kSizeAt);
  } else {
    getWide(image, kTextStyleNameAt, s->choice.textStyleName, countOf(s->choice.textStyleName));
  }
  getText(image, kFreeTextAt, s->freeText, countOf(s->freeText));
  s->font = getInt(image, kFontAt);
  s->textWidth = le::getDouble(image + kTextWidthAt);
  s->textHeight = le::getDouble(image + kTextHeightAt);
  s->justification = getInt(image, kJustificationAt);
  s->lineSpacing = le::getDouble(image + kLineSpacingAt);
  if (kind == 6 || kind == 7) {
    getText(image, kExtraTextAt, s->extra.text, countOf(s->extra.text));
  } else {
    s->extra.angle = le::getDouble(image + kAngleAt);
  }
  s->kind7Value = getInt(image, kKind7ValueAt);
}

void move(std::vector<std::uint8_t>& to, std::size_t toAt, const std::uint8_t* from, std::size_t fromAt,
          std::size_t bytes) {
  std::memcpy(to.data() + toAt, from + fromAt, bytes);
}

// A 1320-byte image in the current layout.
std::vector<std::uint8_t> fromForm2(const std::uint8_t* old, int kind) {
  std::vector<std::uint8_t> image(kImageSize, 0);
  move(image, 0, old, 0, kTextStyleNameAt);  // the head and bytes 48 to 1175 keep their offsets
  if (kind == 4 || kind == 6 || kind == 7) {
    move(image, kFontAt, old, kOld2FontAt, 4);
    move(image, kTextWidthAt, old, kOld2TextSizesAt, kTextSizesBytes);
    if (kind == 4) move(image, kAngleAt, old, kOld2AngleAt, 8);
    if (kind != 4) move(image, kExtraTextAt, old, kOld2TextAt, kKind7ValueAt - kExtraTextAt);
    if (kind == 7) move(image, kKind7ValueAt, old, kOld2Kind7ValueAt, 4);
  } else {
    move(image, kTextStyleNameAt, old, kTextStyleNameAt, kKindPartBytes);
  }
  return image;
}

// A 320-byte image in the current layout; the line style and level are set afterwards.
std::vector<std::uint8_t> fromForm1(const std::uint8_t* old, int kind) {
  std::vector<std::uint8_t> image(kImageSize, 0);
  move(image, 0, old, 0, kHeadSize);
  move(image, kColorAt, old, word(kOld1ColorWord), 4);
  move(image, kWeightAt, old, word(kOld1WeightWord), 4);
  move(image, kClassAt, old, word(kOld1ClassWord), 4);
  move(image, kMaskAt, old, word(kOld1MaskWord), 4);
  move(image, kReservedAt, old, word(kOld1ReservedWord), 4);
  move(image, kStyleScaleAt, old, word(kOld1StyleBlockWord), kOld1StyleBlockBytes);
  if (kind == 4 || kind == 6 || kind == 7) {
    move(image, kFontAt, old, word(kOld1FontWord), 4);
    move(image, kTextWidthAt, old, word(kOld1TextSizesWord), kTextSizesBytes);
    if (kind == 4) move(image, kAngleAt, old, word(kOld1AngleWord), 8);
    if (kind != 4) move(image, kExtraTextAt, old, kOld1TextAt, kKind7ValueAt - kExtraTextAt);
    if (kind == 7) move(image, kKind7ValueAt, old, word(kOld1Kind7ValueWord), 4);
  } else {
    move(image, kTextStyleNameAt, old, word(kOld1FontWord), kKindPartBytes);
  }
  return image;
}

// The oldest form numbers its levels and marks a custom line style with 8.
void finishForm1(const std::uint8_t* old, VxlibElmAttrSettings* s) {
  char level[32];
  std::snprintf(level, sizeof level, "Level %d", getInt(old, word(kOld1LevelWord)));
  for (std::size_t i = 0; i < sizeof level && i < countOf(s->levelName); ++i) {
    s->levelName[i] = static_cast<unsigned char>(level[i]);
    if (level[i] == '\0') break;
  }
  const std::int32_t style = getInt(old, word(kOld1StyleWord));
  if (style != kOld1CustomStyle) {
    s->lineStyle = style;
    return;
  }
  getText(old, word(kOld1StyleNameWord), s->lineStyleName, std::min(countOf(s->lineStyleName), kImage1Size - word(kOld1StyleNameWord)));
  const long number = mdlLineStyle_numberFromName(s->lineStyleName, mdlModelRef_getActive());
  s->lineStyle = customStyleNumber(number);
}

}  // namespace

void writeImage(const Definition& d, std::uint8_t* image) {
  std::memset(image, 0, kImageSize);
  putInt(image, kGroupKeyAt, d.groupKey);
  putInt(image, kKindAt, d.kind);
  putInt(image, kIdAt, d.id);
  putInt(image, kLabelSlotAt, 0);
  putInt(image, kCallbackSlotAt, 0);
  putInt(image, kLockedMaskAt, d.lockedMask);
  putInt(image, kChoiceCountAt, d.choiceCount);
  putInt(image, kChoiceValuesSlotAt, 0);
  putInt(image, kChoiceIconsSlotAt, 0);
  putInt(image, kMaxLengthAt, d.maxLength);
  putInt(image, kTextLabelSlotAt, 0);
  putInt(image, kCarriedAt, d.carried);
  writeSettings(d.settings, d.kind, image);
  putInt(image, kNextSlotAt, 0);
}

bool readHead(const std::uint8_t* image, Definition* d) {
  const std::int32_t kind = getInt(image, kKindAt);
  if (kind < kMinKind || kind > kMaxKind) return false;
  d->groupKey = getInt(image, kGroupKeyAt);
  d->kind = kind;
  d->id = getInt(image, kIdAt);
  d->lockedMask = getInt(image, kLockedMaskAt);
  d->maxLength = getInt(image, kMaxLengthAt);
  return true;
}

void readSettings(const std::uint8_t* image, std::size_t size, int kind, VxlibElmAttrSettings* out) {
  if (size == kImageSize) {
    readCurrentSettings(image, kind, out);
  } else if (size == kImage2Size) {
    readCurrentSettings(fromForm2(image, kind).data(), kind, out);
  } else if (size == kImage1Size) {
    readCurrentSettings(fromForm1(image, kind).data(), kind, out);
    finishForm1(image, out);
  }
}

void terminateTexts(VxlibElmAttrSettings* s) {
  s->levelName[countOf(s->levelName) - 1] = 0;
  s->lineStyleName[sizeof s->lineStyleName - 1] = '\0';
  s->freeText[sizeof s->freeText - 1] = '\0';
}

}  // namespace pixmend::vxlib::elmattr
