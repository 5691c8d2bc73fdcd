// Shared by the raster-session tests: VXRaster loaded over a design file in the test's folder,
// rasters attached the way the host's attach command does, and what a user could check
// afterwards: the journal, the attachments' records (colour, inverted display, placement) and
// the decoded pixels of the files.
#pragma once

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "host/design/design.hpp"
#include "host/mdl.h"
#include "host/raster/raster.hpp"
#include "host/state/state.hpp"
#include "host/system/idle.hpp"
#include "host/system/loader.hpp"
#include "pixmend/vxdll.h"
#include "tests/app/vxraster_fixture.hpp"

namespace pixmend::app {

// A file's pixels as the image library decodes them.
struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> bits;
  bool operator==(const Pixels& o) const { return width == o.width && height == o.height && bits == o.bits; }
  bool operator!=(const Pixels& o) const { return !(*this == o); }
};

class RasterSessionTest : public VXRasterTest {
 protected:
  void SetUp() override {
    VXRasterTest::SetUp();
    std::filesystem::create_directories(path("tmp"));
    std::string error;
    ASSERT_TRUE(host::createDesign(path("drawing.dgn"), &error)) << error;
  }

  // The shared collection of real scans, or "" when it is not there.
  static std::string scans() {
    const std::string dir = PIXMEND_TESTDATA_DIR;
    return !dir.empty() && std::filesystem::is_directory(dir) ? dir : "";
  }
  // Copies scan `relative` of the collection into the test's folder as `name`; false without it.
  bool copyScan(const std::string& relative, const std::string& name) const {
    if (scans().empty()) return false;
    std::error_code error;
    std::filesystem::copy_file(scans() + "/" + relative, path(name),
                               std::filesystem::copy_options::overwrite_existing, error);
    // The collection is kept read-only; the copy is the test's to change.
    std::filesystem::permissions(path(name), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add, error);
    return !error;
  }

  // A drawing-like pattern of w x h pixels (a frame, a diagonal, a block) written as `name` in
  // `fileType`; `variant` changes the block's place, so two variants differ.
  std::string writePattern(const std::string& name, int w, int h, int fileType = IMAGEFILE_TIFF,
                           int variant = 0) const {
    Pixels p = pattern(w, h, variant);
    const Point2d size{w, h};
    EXPECT_EQ(
        mdlImage_createFileFromBitMap(path(name).c_str(), fileType, &size, p.bits.data(), 0, 0, 0, nullptr),
        0);
    return path(name);
  }
  static Pixels pattern(int w, int h, int variant = 0) {
    Pixels p{w, h, std::vector<unsigned char>(static_cast<std::size_t>((w + 7) / 8) * h, 0)};
    auto set = [&](int x, int y) {
      p.bits[static_cast<std::size_t>(y) * ((w + 7) / 8) + x / 8] |= 0x80 >> (x % 8);
    };
    for (int x = 0; x < w; ++x) {
      set(x, 0);
      set(x, h - 1);
    }
    for (int y = 0; y < h; ++y) {
      set(0, y);
      set(w - 1, y);
      set(y * (w - 1) / std::max(h - 1, 1), y);
    }
    for (int y = h / 4; y < h / 2; ++y)
      for (int x = w / 4 + variant; x < w / 2 + variant && x < w; ++x) set(x, y);
    return p;
  }

  static Pixels read(const std::string& file) {
    unsigned char* bits = nullptr;
    Point2d size{};
    Pixels p;
    if (mdlImage_readFileToBitMap(&bits, &size, file.c_str(), IMAGEFILE_FROM_FILE, 0, nullptr) != 0) return p;
    p.width = size.x;
    p.height = size.y;
    p.bits.assign(bits, bits + mdlImage_memorySize(&size, 1));
    mdlImage_freeImage(bits, &size, 1);
    return p;
  }

  // Attaches `name` (in the test's folder) as the host's attach command does.
  static DgnRaster* attach(const std::string& name, std::optional<DPoint3d> origin = std::nullopt,
                           std::optional<DPoint2d> extent = std::nullopt) {
    DgnRaster* raster = nullptr;
    EXPECT_EQ(host::attachRaster(name, false, origin ? &*origin : nullptr, extent ? &*extent : nullptr,
                                 RASTER_UPDATE_ALL, &raster),
              0)
        << name;
    return raster;
  }
  // The live attachment of `name` (the load opens a new one in place of the host's own).
  static DgnRaster* attachment(const std::string& name) {
    for (DgnRaster* r : host::rasterAttachments())
      if (r->attachedName == name) return r;
    return nullptr;
  }
  static RasterRendering rendering(const std::string& name) {
    RasterRendering r{};
    EXPECT_EQ(mdlRaster_renderingInfoGet(&r, attachment(name)), 0) << name;
    return r;
  }
  static RasterGeoReference geoReference(const std::string& name) {
    RasterGeoReference g{};
    EXPECT_EQ(mdlRaster_geoReferenceInfoGet(&g, attachment(name)), 0) << name;
    return g;
  }
  static RgbColorDef palette(int index) {
    RgbColorDef c{};
    mdlColorDescr_getRgb(&c, mdlColorPal_getColorDescr(nullptr, index));
    return c;
  }
  static bool sameColor(const RgbColorDef& a, const RgbColorDef& b) {
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
  }

  // Whether VXRaster has a raster loaded, as a user sees it: the loaded raster is drawn in the
  // active colour (palette 2), every other one in its own (black in these tests). Asking the
  // undo command would undo the last edit.
  static bool loaded() {
    for (DgnRaster* r : host::rasterAttachments())
      if (sameColor(r->rendering.color, palette(2))) return true;
    return false;
  }

  // VXRaster's test build, whose editing step (host event slot 60) changes the bitmap as an
  // editing command does.
  static host::Application* loadEditing() { return load({}, "VXRasterEdit"); }
  // Paints a rectangle of the active raster's bitmap (pixels, row 0 at the top) with ink or
  // background, loading the raster first as every editing command does; written back at once,
  // or left for a later write-back or release.
  static void edit(int left, int top, int width, int height, bool ink = true, bool writeBack = true) {
    const std::string text = std::to_string(left) + " " + std::to_string(top) + " " + std::to_string(width) +
                             " " + std::to_string(height);
    host::raiseSystemEvent(60, text, (ink ? 1 : 0) | (writeBack ? 0 : 2));
    host::runIdle();
  }
  // `p` with a rectangle painted as edit() paints it.
  static Pixels painted(Pixels p, int left, int top, int width, int height, bool ink = true) {
    const int stride = (p.width + 7) / 8;
    for (int y = top; y < top + height && y < p.height; ++y)
      for (int x = left; x < left + width && x < p.width; ++x) {
        unsigned char& byte = p.bits[static_cast<std::size_t>(y) * stride + x / 8];
        const auto bit = static_cast<unsigned char>(0x80 >> (x % 8));
        byte = ink ? byte | bit : byte & static_cast<unsigned char>(~bit);
      }
    return p;
  }

  static void point(double x, double y, int view = 0) {
    host::deliverDataPoint(DPoint3d{x, y, 0}, view);
    host::runIdle();
  }
  static void cursor(double x, double y, int view = 0) { host::moveCursor(DPoint3d{x, y, 0}, view); }

  // The last entry on `channel` since `from`, or "".
  static std::string last(const std::string& channel, std::size_t from = 0) {
    const auto all = texts(channel, from);
    return all.empty() ? "" : all.back();
  }
  static bool journaled(const std::string& line, std::size_t from = 0) {
    return journalSince(from).find(line + "\n") != std::string::npos;
  }
};

}  // namespace pixmend::app
