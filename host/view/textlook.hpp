// How the views draw a text: its characters in the host's built-in font (common/glyphs.hpp),
// each character cell as wide as the text's character width and as high as its height, turned
// with the text; a text too small to read is drawn as its box (host/view/textbox.hpp).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "host/types.h"

namespace pixmend::host {

// The characters of a checked text element image (16-bit units).
std::u16string textCharacters(const MSElement& text);

// Characters less than this many picture pixels high, or less than six wide (one pixel per glyph
// column and the gap), are not readable.
constexpr double kReadableTextPixels = 7;

// The filled quadrilaterals, in picture pixels, that draw `chars` in the text's box `box` (its
// corners in picture pixels: 0 the text's own lower left, 1 along the text, 2, 3 above 0; a
// closing fifth point may follow): one per run of set glyph pixels in a glyph column. Empty when
// the characters would be too small to read (the caller then draws the box).
std::vector<std::array<DPoint2d, 4>> textGlyphQuads(const std::vector<DPoint2d>& box, const std::u16string& chars);

}  // namespace pixmend::host
