// Pictures of a view: the raster attachments drawn as the view shows them, with the temporary
// graphics the view shows (displayed elements, dynamics, the fence) over them, written as PNG.
//
// Each attachment is drawn at its georeference (turned and skewed when its rendering applies
// that), in display-priority order (then oldest first), its ink in its drawing colour and its
// background white (paper), the background left out or see-through as its rendering says
// (transparentBackground, backgroundTransparency) and ink and background exchanged while its
// display is inverted. Where nothing is drawn the picture is transparent.
//
// A picture is usually much smaller than the scans it shows (an A0 scan is some 13000 x 19000
// pixels), so each picture pixel takes the share of ink in the part of the scan it covers, and
// thin lines stay visible as lighter strokes instead of vanishing between sample points. For an
// unturned attachment in an unturned view the shares are counted exactly, a scan row at a time;
// otherwise each picture pixel samples its area at up to 8 x 8 points.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/raster/raster.hpp"
#include "host/view/view.hpp"

namespace pixmend::host {

// The longest side a picture has unless asked otherwise, and the most it may be asked to have.
constexpr int kDefaultPictureSide = 2000;
constexpr int kMaxPictureSide = 20000;

// One attachment as a picture draws it.
struct PictureLayer {
  std::shared_ptr<const ImageBuffer> pixels;
  RasterPlacement placement;
  double ink[3] = {0, 0, 0};   // drawing colour, 0 to 1
  bool inverted = false;       // 0 pixels are ink
  double backgroundAlpha = 1;  // 0 (left out) to 1 (opaque white)
};

// Whether a layer can be drawn: not when its extent is so large or so small that its corners or
// the mapping back to its pixels overflow (or vanish) in a double, nor when its axes fall
// together. Such a layer takes no part in a picture; one of nothing else has no picture.
bool layerDrawable(const PictureLayer& layer);

// The attachments of the active model in drawing order, bottom first; those whose file cannot be
// read are left out (the text window says so).
std::vector<PictureLayer> pictureLayers();

// What a picture shows: the view's area (view coordinates) in width x height pixels.
struct PictureFrame {
  int view = 0;          // whose temporary graphics are drawn over the rasters
  RotMatrix rotation{};  // design to view
  ViewArea area;
  int width = 0;
  int height = 0;
};

// The frame of a picture of `view`: its set area, else the layers' extent. `longSide` 0 gives
// the layers' own resolution up to kDefaultPictureSide pixels on the long side; otherwise the
// long side has exactly `longSide` pixels (1 to kMaxPictureSide). False with the reason when
// there is nothing to show or the request is out of range.
bool pictureFrame(int view, int longSide, const std::vector<PictureLayer>& layers, PictureFrame* frame,
                  std::string* why);

// Draws picture rows [first, first + rows) into `rgba` (4 bytes a pixel, red first, alpha not
// premultiplied; frame.width pixels a row): the layers, then the view's temporary graphics
// (host/view/graphics.hpp) over them.
void drawPictureRows(const PictureFrame& frame, const std::vector<PictureLayer>& layers, int first, int rows,
                     std::uint8_t* rgba);

// Draws the picture `frame` shows of `layers` as PNG bytes in memory (8-bit RGBA), for a program
// that sends it on rather than writing a file (pixmend serve). False with the reason.
bool encodeViewPicture(const PictureFrame& frame, const std::vector<PictureLayer>& layers, std::string* png,
                       std::string* why);

// Draws the picture of `view` and writes it to `path` as a PNG file (8-bit RGBA), atomically.
// `frame` (may be null) receives what was drawn. False with the reason.
bool writeViewPicture(int view, const std::string& path, int longSide, PictureFrame* frame, std::string* why);

}  // namespace pixmend::host
