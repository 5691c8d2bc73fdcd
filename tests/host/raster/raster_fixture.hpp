// Shared set-up of the raster group's tests: a fresh host, a scratch folder, and raster files
// made in it (small drawn bitmaps, or copies of the shared real scans).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bitmap/bitmap.hpp"
#include "host/image/api.h"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/raster/api.h"
#include "host/raster/raster.hpp"
#include "support/scratch_dir.hpp"

namespace pixmend::host {

class RasterTest : public ::testing::Test {
 protected:
  void SetUp() override { resetHost(); }
  void TearDown() override { resetHost(); }

  // A width x height 1-bit raster whose pixel (x, y) is ink where `ink` says, written as `name`
  // in the scratch folder (the type from its extension). Its path.
  std::string makeRaster(const std::string& name, int width, int height,
                         const std::function<bool(int, int)>& ink) {
    std::vector<std::uint8_t> bits(bitmapBytes(width, height), 0);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        if (ink(x, y)) bits[static_cast<std::size_t>(y) * rowBytes(width) + (x >> 3)] |= pixelMask(x);
      }
    }
    const std::string path = scratch_.file(name);
    const Point2d size{width, height};
    EXPECT_EQ(mdlImage_createFileFromBitMap(path.c_str(), IMAGEFILE_FROM_FILE, &size, bits.data(), 0, 0, 0,
                                            nullptr),
              0)
        << path;
    return path;
  }

  // A copy of a shared scan (e.g. "tiff/feyn.tif") in the scratch folder, or "" when the scans
  // are not there (the caller skips).
  std::string copyScan(const std::string& relative, const std::string& as = "") {
    const std::string dir = PIXMEND_TESTDATA_DIR;
    const std::string source = dir + "/" + relative;
    if (dir.empty() || !std::filesystem::exists(source)) return "";
    const std::string target =
        scratch_.file(as.empty() ? std::filesystem::path(relative).filename().string() : as);
    std::filesystem::copy_file(source, target, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(target, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    return target;
  }

  DgnRasterP open(const std::string& path) {
    DgnRasterP raster = nullptr;
    EXPECT_EQ(mdlRaster_fileOpen(&raster, path.c_str(), nullptr, RASTER_OPEN_ATTACH, RASTER_UPDATE_ALL), 0)
        << path;
    return raster;
  }

  std::vector<std::string> rasterJournal() { return journal().texts("raster"); }

  testsupport::ScratchDir scratch_{"raster"};
};

}  // namespace pixmend::host
