// Text elements (type 17) and text nodes (type 7) in the one element layout (host/view/layout.hpp),
// and the cleaning of texts (api.h, "Texts"). Texts are fixed pitch: their box is
// host/view/textbox.hpp. 8-bit texts are Latin-1, so every byte is one character; wide texts keep
// their 16-bit units as they are.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "host/design/api.h"
#include "host/design/design.hpp"
#include "host/design/texts.hpp"
#include "host/view/api.h"
#include "host/view/currtrans.hpp"
#include "host/view/layout.hpp"
#include "host/view/textbox.hpp"

namespace el = pixmend::host::element;

namespace pixmend::host {
namespace {

constexpr double kDesignPlane = 9007199254740992.0;  // 2^53, as for every element

bool finitePoint(const DPoint3d& p) {
  for (double c : {p.x, p.y, p.z}) {
    if (!std::isfinite(c) || std::fabs(c) > kDesignPlane) return false;
  }
  return true;
}

bool finiteRotation(const RotMatrix& r) {
  for (const auto& row : r.form3d) {
    for (double v : row) {
      if (!std::isfinite(v)) return false;
    }
  }
  return true;
}

RotMatrix identity() {
  RotMatrix r{};
  r.form3d[0][0] = r.form3d[1][1] = r.form3d[2][2] = 1;
  return r;
}

}  // namespace

TextSymbology symbologyOf(const MSElement* templ) {
  TextSymbology s;
  if (templ != nullptr && el::isGraphicType(el::typeOf(*templ)) && el::bytesOf(*templ) >= el::kDisplayBytes) {
    s.level = std::min<std::uint32_t>(el::get32(*templ, el::kLevel), MAX_LEVEL);
    s.graphicGroup = el::get32(*templ, el::kGraphicGroup);
    s.properties = el::get32(*templ, el::kProperties);
    s.color = el::get32(*templ, el::kColor);
    s.weight = el::get32(*templ, el::kWeight);
    s.style = el::get32(*templ, el::kStyle);
  }
  return s;
}

void applySymbology(MSElement& e, const TextSymbology& s) {
  el::put32(e, el::kGraphicGroup, s.graphicGroup);
  el::put32(e, el::kProperties, s.properties);
  el::put32(e, el::kColor, s.color);
  el::put32(e, el::kWeight, s.weight);
  el::put32(e, el::kStyle, s.style);
}

int resolveTextSettings(const DPoint3d* origin, const RotMatrix* rotation, const TextSize* size,
                        const TextParam* params, TextSettings* out) {
  if (origin == nullptr) return MDLERR_BADARG;
  if (!finitePoint(*origin)) return MDLERR_OUTOFDESIGNPLANE;
  TextSettings t;
  t.origin = *origin;
  t.rotation = rotation != nullptr ? *rotation : identity();
  if (size != nullptr) {
    t.size = *size;
  } else {
    mdlParams_getActive(&t.size.width, ACTIVEPARAM_TEXTWIDTH);
    mdlParams_getActive(&t.size.height, ACTIVEPARAM_TEXTHEIGHT);
  }
  if (params != nullptr) {
    t.font = params->font;
    t.justification = params->justification;
    t.lineSpacing = params->lineSpacing;
  } else {
    mdlParams_getActive(&t.font, ACTIVEPARAM_FONT);
    mdlParams_getActive(&t.justification, ACTIVEPARAM_TEXTJUST);
    t.lineSpacing = t.size.height / 2;  // the host keeps no active line spacing
  }
  if (!finiteRotation(t.rotation) || !std::isfinite(t.size.width) || !std::isfinite(t.size.height) ||
      !(t.size.width > 0) || !(t.size.height > 0) || !std::isfinite(t.lineSpacing) || t.font < 0 || t.font > 255 ||
      t.justification < TEXT_JUST_LT || t.justification > TEXT_JUST_RB) {
    return MDLERR_BADARG;
  }
  *out = t;
  return SUCCESS;
}

void putTextFields(MSElement& e, const TextSettings& t) {
  el::put32(e, el::kFont, static_cast<std::uint32_t>(t.font));
  el::put32(e, el::kJustification, static_cast<std::uint32_t>(t.justification));
  el::putDouble(e, el::kCharWidth, t.size.width);
  el::putDouble(e, el::kCharHeight, t.size.height);
  el::putRotation(e, el::kRotation, t.rotation);
  el::putPoint(e, el::kTextOrigin, t.origin);
  el::putDouble(e, el::kLineSpacing, t.lineSpacing);
}

int buildText(MSElement* out, const TextSymbology& symbology, const std::u16string& chars, const TextSettings& t) {
  if (out == nullptr || chars.empty()) return MDLERR_BADARG;
  // Longer texts are refused whole: cutting one would change what the user wrote.
  if (chars.size() > el::kMaxTextChars) return MDLERR_ELEMENTTOOLARGE;
  const std::size_t words = (el::kTextChars + chars.size() * 2) / 2;
  el::startImage(*out, TEXT_ELM, words, symbology.level);
  applySymbology(*out, symbology);
  putTextFields(*out, t);
  el::put32(*out, el::kTextCount, static_cast<std::uint32_t>(chars.size()));
  el::put32(*out, el::kTextCount + 4, 0);
  auto* bytes = reinterpret_cast<std::uint8_t*>(out->buf) + el::kTextChars;
  for (std::size_t i = 0; i < chars.size(); ++i) {
    bytes[2 * i] = static_cast<std::uint8_t>(chars[i] & 0xff);
    bytes[2 * i + 1] = static_cast<std::uint8_t>(chars[i] >> 8);
  }
  return SUCCESS;
}

std::u16string textCharacters(const MSElement& text) {
  const std::uint32_t count = el::get32(text, el::kTextCount);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.buf) + el::kTextChars;
  std::u16string chars;
  for (std::uint32_t i = 0; i < count; ++i) chars += static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  return chars;
}

bool isSoundText(const MSElement* e) {
  if (e == nullptr || el::typeOf(*e) != TEXT_ELM) return false;
  const std::size_t size = el::bytesOf(*e);
  return size <= sizeof(MSElement) &&
         el::checkImage(reinterpret_cast<const std::uint8_t*>(e->buf), size, sizeof(MSElement)).empty();
}

}  // namespace pixmend::host

using namespace pixmend::host;

namespace {

int createFrom(MSElement* out, const MSElement* templ, const std::u16string& chars, const DPoint3d* origin,
               const RotMatrix* rotation, const TextSize* size, const TextParam* params) {
  if (out == nullptr || chars.empty()) return MDLERR_BADARG;
  TextSettings t;
  if (const int status = resolveTextSettings(origin, rotation, size, params, &t)) return status;
  const TextSymbology symbology = symbologyOf(templ);  // read before `out`, which may be `templ`
  return buildText(out, symbology, chars, t);
}

// The line's characters, blanks and all (Latin-1: one byte, one character).
std::u16string latin1(const char* text, std::size_t length) {
  std::u16string chars;
  for (std::size_t i = 0; i < length; ++i) chars += static_cast<char16_t>(static_cast<unsigned char>(text[i]));
  return chars;
}

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

}  // namespace

extern "C" {

int mdlText_create(MSElement* out, const MSElement* templ, const char* text, const DPoint3d* origin,
                   const RotMatrix* rotation, const TextSize* size, const TextParam* params, DgnModelRefP modelRef) {
  (void)modelRef;
  if (text == nullptr) return MDLERR_BADARG;
  // Look no further than one character past the longest text: a longer one is refused anyway.
  return createFrom(out, templ, latin1(text, strnlen(text, pixmend::host::element::kMaxTextChars + 1)), origin,
                    rotation, size, params);
}

int mdlText_createWide(MSElement* out, const MSElement* templ, const MSWChar* text, const DPoint3d* origin,
                       const RotMatrix* rotation, const TextSize* size, const TextParam* params,
                       DgnModelRefP modelRef) {
  (void)modelRef;
  if (text == nullptr) return MDLERR_BADARG;
  std::u16string chars;
  for (std::size_t i = 0; text[i] != 0 && i <= pixmend::host::element::kMaxTextChars; ++i) chars += text[i];
  return createFrom(out, templ, chars, origin, rotation, size, params);
}

int mdlText_extract(char* text, int textSize, DPoint3d* origin, RotMatrix* rotation, TextSize* size,
                    TextParam* params, DPoint3d* shape, const MSElement* element) {
  if (!isSoundText(element)) return MDLERR_BADELEMENT;
  if (text != nullptr && textSize > 0) {
    const std::u16string chars = textCharacters(*element);
    const std::size_t n = std::min(chars.size(), static_cast<std::size_t>(textSize - 1));
    // Characters beyond Latin-1 have no 8-bit form: they read as '?'.
    for (std::size_t i = 0; i < n; ++i) text[i] = chars[i] <= 0xff ? static_cast<char>(chars[i]) : '?';
    text[n] = '\0';
  }
  // Everything in the current coordinate system: the origin and box as points, the text's axes
  // as directions, whose lengths there scale its character width and height.
  const RotMatrix r = el::getRotation(*element, el::kRotation);
  DPoint3d axes[3];
  double lengths[3];
  for (int j = 0; j < 3; ++j) {
    axes[j] = designVectorToCurrent({r.form3d[0][j], r.form3d[1][j], r.form3d[2][j]});
    lengths[j] = std::sqrt(axes[j].x * axes[j].x + axes[j].y * axes[j].y + axes[j].z * axes[j].z);
  }
  if (origin != nullptr) *origin = designToCurrent(el::getPoint(*element, el::kTextOrigin));
  if (rotation != nullptr) {
    for (int j = 0; j < 3; ++j) {
      const double l = lengths[j] > 0 ? lengths[j] : 1;
      rotation->form3d[0][j] = axes[j].x / l, rotation->form3d[1][j] = axes[j].y / l, rotation->form3d[2][j] = axes[j].z / l;
    }
  }
  if (size != nullptr) {
    *size = {el::getDouble(*element, el::kCharWidth) * lengths[0], el::getDouble(*element, el::kCharHeight) * lengths[1]};
  }
  if (params != nullptr) {
    *params = TextParam{};
    params->font = static_cast<int>(el::get32(*element, el::kFont));
    params->justification = static_cast<int>(el::get32(*element, el::kJustification));
    params->lineSpacing = el::getDouble(*element, el::kLineSpacing);
  }
  if (shape != nullptr) {
    el::textShape(*element, shape);
    for (int i = 0; i < 5; ++i) shape[i] = designToCurrent(shape[i]);
  }
  return SUCCESS;
}

int mdlText_addStringsToNodeDscr(MSElementDescr** nodeOut, const char* text, const MSElement* templ,
                                 const DPoint3d* origin, const RotMatrix* rotation, const TextSize* size,
                                 const TextParam* params) {
  if (nodeOut == nullptr) return MDLERR_BADARG;
  *nodeOut = nullptr;
  TextSettings t;
  if (text == nullptr) return MDLERR_BADARG;
  if (const int status = resolveTextSettings(origin, rotation, size, params, &t)) return status;
  const TextSymbology symbology = symbologyOf(templ);
  // Lines end at line feeds; one that ends the text starts no further line.
  std::vector<std::string> lines;
  for (const char* p = text;;) {
    const char* end = std::strchr(p, '\n');
    if (end == nullptr) {
      if (*p != '\0' || lines.empty()) lines.emplace_back(p);
      break;
    }
    lines.emplace_back(p, static_cast<std::size_t>(end - p));
    p = end + 1;
    if (*p == '\0') break;
  }
  auto element = std::make_unique<MSElement>();
  MSElement& header = *element;
  el::startImage(header, TEXT_NODE_ELM, el::kTextNodeBytes / 2, symbology.level);
  applySymbology(header, symbology);
  putTextFields(header, t);
  el::put32(header, el::kTextCount + 4, 0);
  MSElementDescr* node = nullptr;
  if (const int status = mdlElmdscr_new(&node, &header)) return status;
  // Each line lies one line height and the spacing below the one before, along the text's own
  // vertical axis (column 1 of its rotation). An empty line keeps its place but has no element
  // (a text element is never empty).
  const double step = t.size.height + t.lineSpacing;
  std::uint32_t count = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    TextSettings line = t;
    const double down = step * static_cast<double>(i);
    line.origin = {t.origin.x - t.rotation.form3d[0][1] * down, t.origin.y - t.rotation.form3d[1][1] * down,
                   t.origin.z - t.rotation.form3d[2][1] * down};
    int status = finitePoint(line.origin) ? SUCCESS : MDLERR_OUTOFDESIGNPLANE;
    if (status == SUCCESS) status = buildText(element.get(), symbology, latin1(lines[i].data(), lines[i].size()), line);
    if (status == SUCCESS) status = mdlElmdscr_appendElement(node, element.get());
    if (status != SUCCESS) {
      mdlElmdscr_freeAll(&node);
      return status;
    }
    ++count;
  }
  if (count == 0) {
    mdlElmdscr_freeAll(&node);
    return MDLERR_BADARG;
  }
  el::put32(*mdlElmdscr_getElement(node), el::kTextCount, count);
  *nodeOut = node;
  return SUCCESS;
}

int mdlText_compressString(char* text, int maxLength, int options) {
  if (text == nullptr || maxLength < 0) return MDLERR_BADARG;
  std::string s(text);
  if (options & TEXT_COMPRESS_CONTROL) {
    s.erase(std::remove_if(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 32; }), s.end());
  }
  if (options & TEXT_COMPRESS_LEADING) {
    std::size_t first = 0;
    while (first < s.size() && isBlank(s[first])) ++first;
    s.erase(0, first);
  }
  if (options & TEXT_COMPRESS_INNER) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
      // A run of blanks between other characters becomes one blank; runs at the ends stay for
      // the leading and trailing options to decide.
      if (isBlank(s[i]) && !out.empty() && !isBlank(out.back())) {
        std::size_t j = i;
        while (j < s.size() && isBlank(s[j])) ++j;
        if (j < s.size()) {
          out += ' ';
          i = j - 1;
          continue;
        }
      }
      out += s[i];
    }
    s = std::move(out);
  }
  if (s.size() > static_cast<std::size_t>(maxLength)) s.resize(static_cast<std::size_t>(maxLength));
  if (options & TEXT_COMPRESS_TRAILING) {
    while (!s.empty() && isBlank(s.back())) s.pop_back();
  }
  std::memcpy(text, s.c_str(), s.size() + 1);
  return static_cast<int>(s.size());
}

}  // extern "C"
