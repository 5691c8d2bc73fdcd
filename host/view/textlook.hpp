// How the views draw a text: its characters in the host's built-in font (common/glyphs.hpp),
// scaled to the text's character size and turned with it; a text too small to read is drawn as
// its box (host/view/textbox.hpp).
#pragma once

#include <string>
#include <vector>

#include "host/types.h"

namespace pixmend::host {

// What a text element (type 17) shows.
struct TextLook {
  DPoint3d origin{};
  RotMatrix rotation{};
  double charWidth = 0, charHeight = 0;
  int justification = 0;
  std::u16string chars;
};
// The look of a checked text element image.
TextLook textLookOf(const MSElement& text);

// Characters whose height is less than this many picture pixels, or whose width is less than six
// (one pixel per glyph column and the gap), are not readable: the text is drawn as its box.
constexpr double kReadableTextPixels = 7;

// The filled quadrilaterals (four corners each, design coordinates) that draw the text at
// `pixelsPerUnit` picture pixels per design unit: one per run of set glyph pixels in a glyph
// column. Empty (and `box` filled with the text's closed box) when the text is too small to read.
std::vector<std::vector<DPoint3d>> textGlyphs(const TextLook& text, double pixelsPerUnit, std::vector<DPoint3d>* box);

}  // namespace pixmend::host
