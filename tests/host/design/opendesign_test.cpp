// The open design: creating and opening design files, the new-design-file events around them,
// attachments that are there again when the design is opened again, when the design is written
// (and when not), read-only designs, designs moved with their scans, and the model calls.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/config/config.hpp"
#include "host/design/api.h"
#include "host/design/design.hpp"
#include "host/image/api.h"
#include "host/image/image.hpp"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/raster/raster.hpp"
#include "host/system/api.h"
#include "host/system/idle.hpp"
#include "host/system/registry.hpp"
#include "support/scratch_dir.hpp"

namespace pixmend::host {
namespace {

std::vector<std::uint8_t> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// What the new-design-file handler saw: state, file name and the attachments there then.
struct EventSeen {
  int state;
  std::string file;
  std::size_t attachments;
};
std::vector<EventSeen> seen;
void onNewDesign(const char* file, int state) {
  seen.push_back({state, file, rasterAttachments().size()});
}

class OpenDesignTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetHost();
    seen.clear();
  }
  void TearDown() override {
    resetHost();
    if (!scratch_.path().empty())
      std::filesystem::permissions(scratch_.path(), std::filesystem::perms::owner_all);
  }

  std::string makeScan(const std::string& path, int width, int height) {
    std::vector<std::uint8_t> bits(static_cast<std::size_t>((width + 7) / 8 * height), 0x81);
    const Point2d size{width, height};
    EXPECT_EQ(
        mdlImage_createFileFromBitMap(path.c_str(), IMAGEFILE_TIFF, &size, bits.data(), 0, 0, 0, nullptr), 0);
    return path;
  }

  DgnRaster* attach(const std::string& name, int options = RASTER_UPDATE_ALL) {
    DgnRaster* raster = nullptr;
    EXPECT_EQ(attachRaster(name, false, nullptr, nullptr, options, &raster), 0) << name;
    return raster;
  }

  int writes(const std::string& path) {
    const auto texts = journal().texts("file");
    return static_cast<int>(std::count(texts.begin(), texts.end(), "wrote " + path));
  }

  testsupport::ScratchDir scratch_{"dgn"};
};

TEST_F(OpenDesignTest, ANewDesignIsWrittenAtOnceAndAnExistingFileIsNeverReplaced) {
  const std::string path = scratch_.file("plan.dgn");
  std::string error;
  ASSERT_TRUE(createDesign(path, &error)) << error;
  EXPECT_EQ(designFileName(), path);
  EXPECT_EQ(designFolder(), scratch_.path() + "/");
  EXPECT_EQ(*expandedVariable("_DGNDIR"), scratch_.path() + "/");
  DesignContent content;
  ASSERT_TRUE(readDesignFile(path, &content, &error)) << error;
  EXPECT_TRUE(content == newDesignContent());

  const std::string letter = scratch_.file("letter.txt");
  std::ofstream(letter) << "a user's document";
  EXPECT_FALSE(createDesign(letter, &error));
  EXPECT_NE(error.find("exists already"), std::string::npos) << error;
  EXPECT_FALSE(createDesign(path, &error)) << "not even one of ours";
  EXPECT_EQ(readBytes(letter).size(), 17u);
  EXPECT_EQ(designFileName(), path) << "the open design stays";
}

TEST_F(OpenDesignTest, AttachmentsAreThereWhenTheDesignIsOpenedAgain) {
  const std::string path = scratch_.file("plan.dgn");
  ASSERT_TRUE(createDesign(path, nullptr));
  makeScan(scratch_.file("a.tif"), 64, 32);
  makeScan(scratch_.file("b.tif"), 16, 16);
  DgnRaster* a = attach("a.tif");
  DgnRaster* b = attach(scratch_.file("b.tif"));
  RasterRendering rendering;
  std::memset(&rendering, 0x42, sizeof rendering);
  rendering.color = RgbColorDef{0, 176, 0};
  ASSERT_EQ(mdlRaster_renderingInfoSet(&rendering, b, RASTER_UPDATE_ALL), 0);
  RasterGeoReference geo;
  ASSERT_EQ(mdlRaster_geoReferenceInfoGet(&geo, a), 0);
  geo.origin = DPoint3d{1000.5, -20, 0};
  geo.extentX = 6.4;
  geo.extentY = 3.2;
  ASSERT_EQ(mdlRaster_geoReferenceInfoSet(&geo, a, RASTER_UPDATE_ALL), 0);
  runIdle();

  closeDesign();
  EXPECT_TRUE(rasterAttachments().empty());
  EXPECT_EQ(designFileName(), "");
  std::string error;
  ASSERT_TRUE(openDesign(path, &error)) << error;
  const auto back = rasterAttachments();
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0]->attachedName, "a.tif");
  EXPECT_EQ(back[0]->fullPath, scratch_.file("a.tif"));
  EXPECT_EQ(back[1]->attachedName, scratch_.file("b.tif"));
  RasterGeoReference geoBack;
  ASSERT_EQ(mdlRaster_geoReferenceInfoGet(&geoBack, back[0]), 0);
  EXPECT_EQ(std::memcmp(&geoBack, &geo, sizeof geo), 0);
  RasterRendering renderingBack;
  ASSERT_EQ(mdlRaster_renderingInfoGet(&renderingBack, back[1]), 0);
  EXPECT_EQ(std::memcmp(&renderingBack, &rendering, sizeof rendering), 0);
  RasterFileInfo info;
  ASSERT_EQ(mdlRaster_fileInfoGet(&info, back[0]), 0);
  EXPECT_EQ(info.fileOpen, 0) << "the design only names it";
  EXPECT_EQ(info.fileType, IMAGEFILE_TIFF);
  EXPECT_EQ(journal().texts("raster").back(),
            "attachment " + scratch_.file("b.tif") + " at 0,0 extent 16,16");
  ASSERT_TRUE(rasterPixels(*back[0]));
  EXPECT_EQ(rasterPixels(*back[0])->width, 64) << "read when first drawn";
}

TEST_F(OpenDesignTest, TheDesignIsWrittenOnlyWhenAStoreAskedAndSomethingChanged) {
  const std::string path = scratch_.file("plan.dgn");
  ASSERT_TRUE(createDesign(path, nullptr));
  makeScan(scratch_.file("a.tif"), 8, 8);
  DgnRaster* a = attach("a.tif", RASTER_UPDATE_MEMORY);
  runIdle();
  EXPECT_EQ(writes(path), 0) << "in memory only";
  ASSERT_EQ(mdlRaster_fileSave(a), 0);
  ASSERT_EQ(mdlRaster_fileSave(a), 0);
  EXPECT_EQ(writes(path), 0) << "written once control is back in the host";
  runIdle();
  EXPECT_EQ(writes(path), 1);
  RasterRendering rendering;
  mdlRaster_renderingInfoGet(&rendering, a);
  ASSERT_EQ(mdlRaster_renderingInfoSet(&rendering, a, RASTER_UPDATE_ALL), 0);
  runIdle();
  EXPECT_EQ(writes(path), 1) << "nothing changed";
  rendering.invertedDisplay = 1;
  ASSERT_EQ(mdlRaster_renderingInfoSet(&rendering, a, RASTER_UPDATE_MEMORY), 0);
  runIdle();
  EXPECT_EQ(writes(path), 1);
  ASSERT_EQ(mdlRaster_fileClose(a, RASTER_UPDATE_ALL), 0);
  runIdle();
  EXPECT_EQ(writes(path), 2);
  DesignContent content;
  ASSERT_TRUE(readDesignFile(path, &content, nullptr));
  EXPECT_TRUE(content.rasters.empty());
}

TEST_F(OpenDesignTest, ApplicationsHearOfTheOldDesignWhileItsAttachmentsAreThere) {
  Application* app = addApplication("Listener", "", "");
  app->eventSlots[SYSTEM_NEW_DESIGN_FILE] = reinterpret_cast<void*>(&onNewDesign);
  const std::string first = scratch_.file("first.dgn"), second = scratch_.file("second.dgn");
  makeScan(scratch_.file("a.tif"), 8, 8);
  attach(scratch_.file("a.tif"));  // in the temporary design: relative names are in the current folder
  ASSERT_TRUE(createDesign(first, nullptr));
  attach("a.tif");
  ASSERT_TRUE(createDesign(second, nullptr));
  ASSERT_TRUE(openDesign(first, nullptr));
  ASSERT_EQ(seen.size(), 6u);
  EXPECT_EQ(seen[0].state, DESIGN_FILE_CLOSING);
  EXPECT_EQ(seen[0].file, "");
  EXPECT_EQ(seen[0].attachments, 1u);
  EXPECT_EQ(seen[1].state, DESIGN_FILE_OPENED);
  EXPECT_EQ(seen[1].file, first);
  EXPECT_EQ(seen[1].attachments, 0u) << "the temporary design's attachment was not carried over";
  EXPECT_EQ(seen[2].state, DESIGN_FILE_CLOSING);
  EXPECT_EQ(seen[2].attachments, 1u);
  EXPECT_EQ(seen[3].file, second);
  EXPECT_EQ(seen[4].state, DESIGN_FILE_CLOSING);
  EXPECT_EQ(seen[4].file, second);
  EXPECT_EQ(seen[5].file, first);
  EXPECT_EQ(seen[5].attachments, 1u) << "the attachment made before the switch was stored";
  const auto design = journal().texts("design");
  EXPECT_EQ(design.front(), "closed the temporary design (its attachments were not stored)");
}

TEST_F(OpenDesignTest, AFileThatIsNoDesignLeavesTheOpenDesignAsItWas) {
  const std::string path = scratch_.file("plan.dgn");
  ASSERT_TRUE(createDesign(path, nullptr));
  makeScan(scratch_.file("a.tif"), 8, 8);
  attach("a.tif");
  const std::string scan = scratch_.file("a.tif");
  std::string error;
  EXPECT_FALSE(openDesign(scan, &error));
  EXPECT_NE(error.find("not a design file"), std::string::npos) << error;
  EXPECT_FALSE(openDesign(scratch_.file("missing.dgn"), &error));
  EXPECT_FALSE(openDesign("", &error));
  EXPECT_EQ(designFileName(), path);
  EXPECT_EQ(rasterAttachments().size(), 1u);
}

TEST_F(OpenDesignTest, AReadOnlyDesignKeepsItsFileAsItWas) {
  const std::string path = scratch_.file("plan.dgn");
  ASSERT_TRUE(createDesign(path, nullptr));
  closeDesign();
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  const auto before = readBytes(path);
  ASSERT_TRUE(openDesign(path, nullptr));
  EXPECT_TRUE(designReadOnly());
  EXPECT_EQ(journal().texts("design").back(), "opened " + path + " (read-only)");
  EXPECT_EQ(mdlModelRef_isReadOnly(mdlModelRef_getActive()), 1);
  makeScan(scratch_.file("a.tif"), 8, 8);
  attach("a.tif");
  runIdle();
  attach("a.tif");
  runIdle();
  EXPECT_EQ(readBytes(path), before);
  const auto design = journal().texts("design");
  EXPECT_EQ(std::count(design.begin(), design.end(), path + " is read-only: its changes are not stored"), 1);
  EXPECT_EQ(rasterAttachments().size(), 2u) << "the attachments are there for this session";
}

TEST_F(OpenDesignTest, ADesignMovedWithItsScansFindsThem) {
  const std::string one = scratch_.file("one"), two = scratch_.file("two");
  std::filesystem::create_directory(one);
  ASSERT_TRUE(createDesign(one + "/plan.dgn", nullptr));
  makeScan(one + "/scan.tif", 8, 8);
  attach("scan.tif");
  closeDesign();
  std::filesystem::rename(one, two);
  ASSERT_TRUE(openDesign(two + "/plan.dgn", nullptr));
  ASSERT_EQ(rasterAttachments().size(), 1u);
  EXPECT_EQ(rasterAttachments()[0]->fullPath, two + "/scan.tif");
  EXPECT_TRUE(rasterPixels(*rasterAttachments()[0]));
}

TEST_F(OpenDesignTest, AnAttachmentWhoseFileIsGoneIsKept) {
  const std::string path = scratch_.file("plan.dgn");
  ASSERT_TRUE(createDesign(path, nullptr));
  makeScan(scratch_.file("a.tif"), 8, 8);
  makeScan(scratch_.file("b.tif"), 8, 8);
  attach("a.tif");
  attach("b.tif");
  closeDesign();
  std::filesystem::remove(scratch_.file("a.tif"));
  ASSERT_TRUE(openDesign(path, nullptr));
  EXPECT_EQ(journal().texts("raster").back(), "attachment b.tif at 0,0 extent 8,8");
  const auto texts = journal().texts("raster");
  EXPECT_NE(std::find(texts.begin(), texts.end(), "a.tif: file not found (the attachment is kept)"),
            texts.end());
  ASSERT_EQ(rasterAttachments().size(), 2u);
  DgnRaster* gone = rasterAttachments()[0];
  EXPECT_EQ(rasterPixels(*gone), nullptr);
  RasterFileInfo info;
  ASSERT_EQ(mdlRaster_fileInfoGet(&info, gone), 0);
  EXPECT_EQ(info.fileType, 0);
  ASSERT_EQ(mdlRaster_fileClose(rasterAttachments()[1], RASTER_UPDATE_ALL), 0);
  runIdle();
  DesignContent content;
  ASSERT_TRUE(readDesignFile(path, &content, nullptr));
  ASSERT_EQ(content.rasters.size(), 1u);
  EXPECT_EQ(content.rasters[0].attachedName, "a.tif") << "still in the design";
}

TEST_F(OpenDesignTest, AnAttachmentThatLeadsToAPipeIsNeverOpened) {
  // Opening a pipe for reading waits for a writer that never comes: neither the design's list
  // nor a drawing may try.
  const std::string path = scratch_.file("plan.dgn");
  ASSERT_TRUE(createDesign(path, nullptr));
  makeScan(scratch_.file("a.tif"), 8, 8);
  attach("a.tif");
  closeDesign();
  std::filesystem::remove(scratch_.file("a.tif"));
  ASSERT_EQ(::mkfifo(scratch_.file("a.tif").c_str(), 0644), 0);
  ASSERT_TRUE(openDesign(path, nullptr));
  EXPECT_EQ(journal().texts("raster").back(), "a.tif: not a file (the attachment is kept)");
  ASSERT_EQ(rasterAttachments().size(), 1u);
  EXPECT_EQ(rasterPixels(*rasterAttachments()[0]), nullptr);
  EXPECT_EQ(mdlRaster_fileReload(rasterAttachments()[0], RASTER_UPDATE_ALL), MDLERR_CANNOTOPENFILE);
  DgnRaster* raster = nullptr;
  EXPECT_EQ(attachRaster("a.tif", false, nullptr, nullptr, RASTER_UPDATE_ALL, &raster),
            MDLERR_CANNOTOPENFILE);
}

TEST_F(OpenDesignTest, ModelCallsAnswerFromTheOpenDesign) {
  char name[MAXFILELENGTH];
  ASSERT_EQ(mdlModelRef_getFileName(nullptr, name, sizeof name), 0);
  EXPECT_STREQ(name, "") << "a temporary design has no file";
  EXPECT_EQ(mdlSystem_getWorkmode(), WORKMODE_DGN);
  defineVariable("PIXMEND_WORKMODE", "DWG", kCfgLevelUser);
  const std::string path = scratch_.file("plan.dgn");
  ASSERT_TRUE(createDesign(path, nullptr));
  undefineVariable("PIXMEND_WORKMODE");
  EXPECT_EQ(mdlSystem_getWorkmode(), WORKMODE_DWG) << "as it was when the design opened";
  ASSERT_EQ(mdlModelRef_getFileName(mdlModelRef_getActive(), name, sizeof name), 0);
  EXPECT_EQ(name, path);
  char small[8];
  EXPECT_EQ(mdlModelRef_getFileName(nullptr, small, sizeof small), MDLERR_TOOLARGE);
  EXPECT_EQ(std::strlen(small), 7u);
  EXPECT_EQ(mdlModelRef_getFileName(nullptr, nullptr, 10), MDLERR_BADARG);
  int dummy = 0;
  EXPECT_EQ(mdlModelRef_getFileName(reinterpret_cast<DgnModelRefP>(&dummy), name, sizeof name),
            MDLERR_BADARG);
  EXPECT_EQ(mdlModelRef_is3D(nullptr), 0);
  EXPECT_EQ(mdlModelRef_isReadOnly(nullptr), 0);
}

TEST(Palette, TwoHundredFiftySixFixedColours) {
  resetHost();
  RgbColorDef rgb{9, 9, 9};
  ASSERT_EQ(mdlColorDescr_getRgb(&rgb, mdlColorPal_getColorDescr(nullptr, 0)), 0);
  EXPECT_EQ(rgb.red + rgb.green + rgb.blue, 0) << "colour 0 is black on the white paper of a picture";
  ASSERT_EQ(mdlColorDescr_getRgb(&rgb, mdlColorPal_getColorDescr(mdlModelRef_getActive(), 255)), 0);
  EXPECT_EQ(rgb.red + rgb.green + rgb.blue, 765);
  ASSERT_EQ(mdlColorDescr_getRgb(&rgb, mdlColorPal_getColorDescr(nullptr, 1)), 0);
  EXPECT_EQ(rgb.blue, 255);
  ASSERT_EQ(mdlColorDescr_getRgb(&rgb, mdlColorPal_getColorDescr(nullptr, 3)), 0);
  EXPECT_EQ(rgb.red, 255);
  // The default colours of the raster session (active 2, overlay 1) differ from each other and
  // from black and white.
  RgbColorDef active{}, overlay{};
  mdlColorDescr_getRgb(&active, mdlColorPal_getColorDescr(nullptr, 2));
  mdlColorDescr_getRgb(&overlay, mdlColorPal_getColorDescr(nullptr, 1));
  EXPECT_NE(std::memcmp(&active, &overlay, sizeof active), 0);
  EXPECT_GT(active.green, active.red);
  for (int i = 0; i < 256; ++i) ASSERT_NE(mdlColorPal_getColorDescr(nullptr, i), nullptr) << i;

  EXPECT_EQ(mdlColorPal_getColorDescr(nullptr, 256), nullptr);
  EXPECT_EQ(mdlColorPal_getColorDescr(nullptr, -1), nullptr);
  int dummy = 0;
  EXPECT_EQ(mdlColorPal_getColorDescr(reinterpret_cast<DgnModelRefP>(&dummy), 1), nullptr);
  rgb = RgbColorDef{9, 8, 7};
  EXPECT_EQ(mdlColorDescr_getRgb(&rgb, nullptr), MDLERR_BADARG)
      << "an unchecked index keeps the caller's colour";
  EXPECT_EQ(mdlColorDescr_getRgb(&rgb, reinterpret_cast<const MSColorDescr*>(&dummy)), MDLERR_BADARG);
  EXPECT_EQ(rgb.red, 9);
  EXPECT_EQ(mdlColorDescr_getRgb(nullptr, mdlColorPal_getColorDescr(nullptr, 1)), MDLERR_BADARG);
}

}  // namespace
}  // namespace pixmend::host
