// Texts in the views' pictures (textlook.hpp). A character cell is the text's character width
// wide and its character height high; the glyph's five columns take five sixths of the width
// (the last sixth is the gap before the next character, as in the dialogs' 6-pixel cells) and
// its seven rows the whole height.
#include "host/view/textlook.hpp"

#include <cmath>

#include "common/glyphs.hpp"
#include "host/view/layout.hpp"

namespace pixmend::host {

std::u16string textCharacters(const MSElement& text) {
  const std::uint32_t count = element::get32(text, element::kTextCount);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.buf) + element::kTextChars;
  std::u16string chars;
  for (std::uint32_t i = 0; i < count; ++i) chars += static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  return chars;
}

std::vector<std::array<DPoint2d, 4>> textGlyphQuads(const std::vector<DPoint2d>& box, const std::u16string& chars) {
  std::vector<std::array<DPoint2d, 4>> quads;
  if (box.size() < 4 || chars.empty()) return quads;
  const double n = static_cast<double>(chars.size());
  // One character's step along the text, and the text's height, as picture vectors.
  const DPoint2d along{(box[1].x - box[0].x) / n, (box[1].y - box[0].y) / n};
  const DPoint2d up{box[3].x - box[0].x, box[3].y - box[0].y};
  // A glyph column narrower than a pixel, or a row lower than one, could vanish.
  if (!(std::hypot(up.x, up.y) >= kReadableTextPixels) || !(std::hypot(along.x, along.y) >= glyphs::kColumns + 1))
    return quads;
  // (x, y) in character cells from the lower left: x along the text, y up it (1 = its height).
  auto at = [&](double x, double y) {
    return DPoint2d{box[0].x + along.x * x + up.x * y, box[0].y + along.y * x + up.y * y};
  };
  const double column = 1.0 / (glyphs::kColumns + 1), row = 1.0 / glyphs::kRows;
  for (std::size_t i = 0; i < chars.size(); ++i) {
    const std::uint8_t* glyph = glyphs::of(chars[i]);
    for (int c = 0; c < glyphs::kColumns; ++c) {
      const double x0 = static_cast<double>(i) + c * column;
      for (int top = 0; top < glyphs::kRows;) {
        if ((glyph[c] >> top & 1) == 0) {
          ++top;
          continue;
        }
        int bottom = top;
        while (bottom + 1 < glyphs::kRows && (glyph[c] >> (bottom + 1) & 1) != 0) ++bottom;
        // Glyph rows count from the top; y from the text's foot.
        const double y1 = 1 - top * row, y0 = 1 - (bottom + 1) * row;
        quads.push_back({at(x0, y0), at(x0 + column, y0), at(x0 + column, y1), at(x0, y1)});
        top = bottom + 1;
      }
    }
  }
  return quads;
}

}  // namespace pixmend::host
