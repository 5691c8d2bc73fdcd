// The text calls' shared pieces (texts.cpp): what a template gives a new text, the settings a text
// is built with (given or the active ones) and the reading of a text's characters.
#pragma once

#include <cstdint>
#include <string>

#include "host/design/api.h"
#include "host/types.h"

namespace pixmend::host {

// Level and symbology a template gives (all 0 without a graphic template).
struct TextSymbology {
  std::uint32_t level = 0, graphicGroup = 0, properties = 0, color = 0, weight = 0, style = 0;
};
TextSymbology symbologyOf(const MSElement* templ);
void applySymbology(MSElement& e, const TextSymbology& s);

struct TextSettings {
  DPoint3d origin{};
  RotMatrix rotation{};
  TextSize size{};
  int font = 0;
  int justification = TEXT_JUST_LB;
  double lineSpacing = 0;
};
// The settings from the arguments, the active ones where a pointer is null (without parameters
// the line spacing is half the character height). 0; MDLERR_BADARG for a null origin, a size that
// is not above 0, a font outside 0-255, an unknown justification or a number that is not finite;
// MDLERR_OUTOFDESIGNPLANE for an origin beyond the design plane.
int resolveTextSettings(const DPoint3d* origin, const RotMatrix* rotation, const TextSize* size,
                        const TextParam* params, TextSettings* out);
// Writes the fields texts and text nodes share (font to line spacing).
void putTextFields(MSElement& e, const TextSettings& t);
// A text element of `chars` (1 to 512 units: MDLERR_BADARG when empty, MDLERR_ELEMENTTOOLARGE
// when longer).
int buildText(MSElement* out, const TextSymbology& symbology, const std::u16string& chars, const TextSettings& t);
// The characters of a checked text element.
std::u16string textCharacters(const MSElement& text);
// A text element whose image passes the layout's check.
bool isSoundText(const MSElement* e);

}  // namespace pixmend::host
