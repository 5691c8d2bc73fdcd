// The 256 colours elements are drawn in, chosen for drawings shown on white paper (the view's
// pictures have a white raster background), so colour 0 is black:
//   0 black, 1 blue, 2 green, 3 red, 4 ochre, 5 magenta, 6 orange, 7 cyan, 8 grey, 9 light grey;
//   10-249 24 hues 15 degrees apart (from red over yellow, green and blue), 10 shades each: five
//          rising in brightness at full saturation, then five paling towards white;
//   250-255 greys from dark to white (255).
// Every model's palette (host/design/palette.cpp) is this table.
#include <array>
#include <cmath>

#include "host/view/graphics.hpp"

namespace pixmend::host {
namespace {

unsigned char channel(double v) {
  return static_cast<unsigned char>(std::lround(std::fmin(std::fmax(v, 0.0), 1.0) * 255.0));
}

RgbColorDef fromHsv(double hueDegrees, double saturation, double value) {
  const double h = std::fmod(hueDegrees, 360.0) / 60.0;
  const double c = value * saturation;
  const double x = c * (1 - std::fabs(std::fmod(h, 2.0) - 1));
  const double m = value - c;
  double r = 0, g = 0, b = 0;
  switch (static_cast<int>(h)) {
    case 0:
      r = c, g = x;
      break;
    case 1:
      r = x, g = c;
      break;
    case 2:
      g = c, b = x;
      break;
    case 3:
      g = x, b = c;
      break;
    case 4:
      r = x, b = c;
      break;
    default:
      r = c, b = x;
      break;
  }
  return RgbColorDef{channel(r + m), channel(g + m), channel(b + m)};
}

std::array<RgbColorDef, kElementColours> makeColours() {
  std::array<RgbColorDef, kElementColours> p{};
  const RgbColorDef basic[10] = {{0, 0, 0},       {0, 0, 255},    {0, 176, 0},   {255, 0, 0},
                                 {208, 160, 0},   {192, 0, 192},  {255, 128, 0}, {0, 160, 192},
                                 {128, 128, 128}, {192, 192, 192}};
  for (int i = 0; i < 10; ++i) p[i] = basic[i];
  for (int i = 10; i < 250; ++i) {
    const int hue = (i - 10) / 10;
    const int shade = (i - 10) % 10;
    const double saturation = shade < 5 ? 1.0 : 1.0 - 0.16 * (shade - 4);
    const double value = shade < 5 ? 0.4 + 0.15 * shade : 1.0;
    p[i] = fromHsv(hue * 15.0, saturation, value);
  }
  const unsigned char greys[6] = {40, 80, 120, 160, 208, 255};
  for (int i = 0; i < 6; ++i) p[250 + i] = RgbColorDef{greys[i], greys[i], greys[i]};
  return p;
}

}  // namespace

RgbColorDef elementColour(int index) {
  static const std::array<RgbColorDef, kElementColours> colours = makeColours();
  return colours[static_cast<std::size_t>(index >= 0 && index < kElementColours ? index : 0)];
}

}  // namespace pixmend::host
