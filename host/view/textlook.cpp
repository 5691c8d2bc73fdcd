// Texts in the views' pictures (textlook.hpp). A character cell is the text's character width
// wide and its character height high; the glyph's five columns take five sixths of the width
// (the last sixth is the gap before the next character, as in the dialogs' 6-pixel cells) and
// its seven rows the whole height.
#include "host/view/textlook.hpp"

#include "common/glyphs.hpp"
#include "host/view/layout.hpp"
#include "host/view/textbox.hpp"

namespace pixmend::host {

TextLook textLookOf(const MSElement& text) {
  TextLook t;
  t.origin = element::getPoint(text, element::kTextOrigin);
  t.rotation = element::getRotation(text, element::kRotation);
  t.charWidth = element::getDouble(text, element::kCharWidth);
  t.charHeight = element::getDouble(text, element::kCharHeight);
  t.justification = static_cast<int>(element::get32(text, element::kJustification));
  const std::uint32_t count = element::get32(text, element::kTextCount);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.buf) + element::kTextChars;
  for (std::uint32_t i = 0; i < count; ++i) t.chars += static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  return t;
}

std::vector<std::vector<DPoint3d>> textGlyphs(const TextLook& t, double pixelsPerUnit, std::vector<DPoint3d>* box) {
  std::vector<std::vector<DPoint3d>> quads;
  DPoint3d shape[5];
  const double width = t.charWidth * static_cast<double>(t.chars.size());
  element::textBox(t.origin, t.rotation, width, t.charHeight, t.justification, shape);
  box->clear();
  // A glyph column narrower than a pixel could vanish: such a text is too narrow to read.
  if (!(t.charHeight * pixelsPerUnit >= kReadableTextPixels) || !(t.charWidth * pixelsPerUnit >= glyphs::kColumns + 1)) {
    box->assign(shape, shape + 5);
    return quads;
  }
  // Corner 0 is the text's own lower left: local (x, y) from there along its axes.
  const RotMatrix& r = t.rotation;
  auto at = [&](double x, double y) {
    return DPoint3d{shape[0].x + r.form3d[0][0] * x + r.form3d[0][1] * y,
                    shape[0].y + r.form3d[1][0] * x + r.form3d[1][1] * y,
                    shape[0].z + r.form3d[2][0] * x + r.form3d[2][1] * y};
  };
  const double column = t.charWidth / (glyphs::kColumns + 1), row = t.charHeight / glyphs::kRows;
  for (std::size_t i = 0; i < t.chars.size(); ++i) {
    const std::uint8_t* glyph = glyphs::of(t.chars[i]);
    for (int c = 0; c < glyphs::kColumns; ++c) {
      const double x0 = static_cast<double>(i) * t.charWidth + c * column;
      for (int top = 0; top < glyphs::kRows;) {
        if ((glyph[c] >> top & 1) == 0) {
          ++top;
          continue;
        }
        int bottom = top;
        while (bottom + 1 < glyphs::kRows && (glyph[c] >> (bottom + 1) & 1) != 0) ++bottom;
        // Rows count from the top; y from the text's foot.
        const double y1 = t.charHeight - top * row, y0 = t.charHeight - (bottom + 1) * row;
        quads.push_back({at(x0, y0), at(x0 + column, y0), at(x0 + column, y1), at(x0, y1)});
        top = bottom + 1;
      }
    }
  }
  return quads;
}

}  // namespace pixmend::host
