// Raster attachments through the C calls: opening and its refusals, the file information and
// the records (whole records, reserved bytes included), reloading, closing, the system raster
// container, finding an attachment under a point, and the library's guard.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "host/design/design.hpp"
#include "host/image/image.hpp"
#include "host/system/registry.hpp"
#include "host/view/view.hpp"
#include "raster_fixture.hpp"

namespace pixmend::host {
namespace {

using Attachments = RasterTest;

TEST_F(Attachments, OpenGivesTheFileInformationAndAnUprightPlacementOfOneUnitPerPixel) {
  const std::string path = makeRaster("scan.tif", 40, 30, [](int x, int y) { return x == y; });
  DgnRasterP raster = open(path);
  ASSERT_NE(raster, nullptr);

  RasterFileInfo info;
  std::memset(&info, 0x55, sizeof info);
  ASSERT_EQ(mdlRaster_fileInfoGet(&info, raster), 0);
  EXPECT_STREQ(info.attachedName, path.c_str());
  EXPECT_STREQ(info.fullPath, path.c_str());
  EXPECT_EQ(info.fileType, IMAGEFILE_TIFF);
  EXPECT_NE(info.fileOpen, 0) << "opened by the raster library";
  for (unsigned char b : info.reserved1) ASSERT_EQ(b, 0);

  RasterGeoReference geo;
  ASSERT_EQ(mdlRaster_geoReferenceInfoGet(&geo, raster), 0);
  EXPECT_EQ(geo.origin.x, 0);
  EXPECT_EQ(geo.origin.y, 0);
  EXPECT_EQ(geo.extentX, 40);
  EXPECT_EQ(geo.extentY, 30);
  EXPECT_EQ(geo.rotation, 0);
  RasterRendering rendering;
  ASSERT_EQ(mdlRaster_renderingInfoGet(&rendering, raster), 0);
  EXPECT_EQ(rendering.color.red + rendering.color.green + rendering.color.blue, 0) << "black ink";
  EXPECT_EQ(rendering.invertedDisplay, 0);
  EXPECT_EQ(rendering.transparentBackground, 0);
  EXPECT_EQ(rasterJournal().back(), "attached " + path + " at 0,0 extent 40,30");
}

TEST_F(Attachments, AnIntergraphFileKeepsThePlacementOfItsHeader) {
  const std::string path = makeRaster("map.cit", 20, 10, [](int x, int) { return x < 5; });
  const DPoint3d origin{100, 200, 0};
  const DPoint2d extent{40, 20};
  ASSERT_EQ(mdlImage_updateIngrAttach(&origin, &extent, path.c_str()), 0);
  DgnRasterP raster = open(path);
  RasterGeoReference geo;
  ASSERT_EQ(mdlRaster_geoReferenceInfoGet(&geo, raster), 0);
  EXPECT_DOUBLE_EQ(geo.origin.x, 100);
  EXPECT_DOUBLE_EQ(geo.origin.y, 200);
  EXPECT_DOUBLE_EQ(geo.extentX, 40);
  EXPECT_DOUBLE_EQ(geo.extentY, 20);
}

TEST_F(Attachments, OpenRefusesWhatIsNoRasterAndLeavesTheOutputAlone) {
  const std::string text = scratch_.file("notes.tif");
  std::ofstream(text) << "just some text, not a raster";
  const DgnRasterP untouched = reinterpret_cast<DgnRasterP>(0x1234);
  DgnRasterP raster = untouched;
  EXPECT_EQ(mdlRaster_fileOpen(&raster, scratch_.file("missing.tif").c_str(), nullptr, 1, 14),
            MDLERR_FILENOTFOUND);
  EXPECT_EQ(mdlRaster_fileOpen(&raster, scratch_.path().c_str(), nullptr, 1, 14), MDLERR_CANNOTOPENFILE);
  const int status = mdlRaster_fileOpen(&raster, text.c_str(), nullptr, 1, 14);
  EXPECT_TRUE(status == MDLERR_CORRUPTIMAGE || status == MDLERR_UNKNOWNIMAGETYPE) << status;
  const std::string path = makeRaster("ok.tif", 8, 8, [](int, int) { return true; });
  EXPECT_EQ(mdlRaster_fileOpen(&raster, path.c_str(), nullptr, 2, 14), MDLERR_BADARG) << "unknown mode";
  EXPECT_EQ(mdlRaster_fileOpen(nullptr, path.c_str(), nullptr, 1, 14), MDLERR_BADARG);
  EXPECT_EQ(mdlRaster_fileOpen(&raster, nullptr, nullptr, 1, 14), MDLERR_BADARG);
  const std::string longName(300, 'a');
  EXPECT_EQ(mdlRaster_fileOpen(&raster, longName.c_str(), nullptr, 1, 14), MDLERR_BADARG);
  DgnModelRefP work = nullptr;
  ASSERT_EQ(mdlWorkDgn_openFile(&work, nullptr, path.c_str(), nullptr, nullptr, 1), 0);
  EXPECT_EQ(mdlRaster_fileOpen(&raster, path.c_str(), work, 1, 14), MDLERR_BADARG) << "not the active model";
  EXPECT_EQ(raster, untouched);
  EXPECT_TRUE(rasterAttachments().empty());
}

TEST_F(Attachments, RecordsTravelWholeReservedBytesIncluded) {
  DgnRasterP raster = open(makeRaster("scan.tif", 16, 16, [](int, int) { return false; }));
  RasterRendering rendering;
  std::memset(&rendering, 0xA5, sizeof rendering);
  rendering.color = RgbColorDef{1, 2, 3};
  rendering.invertedDisplay = 1;
  rendering.displayPriority = 7;
  ASSERT_EQ(mdlRaster_renderingInfoSet(&rendering, raster, RASTER_UPDATE_MEMORY), 0);
  RasterRendering back;
  ASSERT_EQ(mdlRaster_renderingInfoGet(&back, raster), 0);
  EXPECT_EQ(std::memcmp(&back, &rendering, sizeof back), 0);

  RasterGeoReference geo;
  ASSERT_EQ(mdlRaster_geoReferenceInfoGet(&geo, raster), 0);
  std::memset(geo.reserved, 0x3C, sizeof geo.reserved);
  geo.origin = DPoint3d{-5.5, 1e6, 2};
  geo.rotation = 0.25;
  ASSERT_EQ(mdlRaster_geoReferenceInfoSet(&geo, raster, RASTER_UPDATE_ALL), 0);
  RasterGeoReference geoBack;
  ASSERT_EQ(mdlRaster_geoReferenceInfoGet(&geoBack, raster), 0);
  EXPECT_EQ(std::memcmp(&geoBack, &geo, sizeof geo), 0);

  RasterExtendedInfo extended;
  std::memset(&extended, 0x11, sizeof extended);
  extended.state = RASTER_STATE_CLOSING;
  ASSERT_EQ(mdlRaster_extendedInfoSet(&extended, raster, 14), 0);
  RasterExtendedInfo extendedBack;
  ASSERT_EQ(mdlRaster_extendedInfoGet(&extendedBack, raster), 0);
  EXPECT_EQ(std::memcmp(&extendedBack, &extended, sizeof extended), 0);
}

TEST_F(Attachments, AGeoreferenceOutsideTheDesignIsRefusedAndChangesNothing) {
  DgnRasterP raster = open(makeRaster("scan.tif", 16, 16, [](int, int) { return false; }));
  RasterGeoReference good;
  ASSERT_EQ(mdlRaster_geoReferenceInfoGet(&good, raster), 0);
  for (int field = 0; field < 5; ++field) {
    RasterGeoReference bad = good;
    switch (field) {
      case 0:
        bad.extentX = 0;
        break;
      case 1:
        bad.extentY = -1;
        break;
      case 2:
        bad.origin.x = NAN;
        break;
      case 3:
        bad.rotation = INFINITY;
        break;
      default:
        bad.skew = NAN;
        break;
    }
    EXPECT_EQ(mdlRaster_geoReferenceInfoSet(&bad, raster, 14), MDLERR_BADARG) << field;
  }
  RasterGeoReference now;
  ASSERT_EQ(mdlRaster_geoReferenceInfoGet(&now, raster), 0);
  EXPECT_EQ(std::memcmp(&now, &good, sizeof now), 0);
  EXPECT_EQ(mdlRaster_geoReferenceInfoSet(nullptr, raster, 14), MDLERR_BADARG);
}

TEST_F(Attachments, UnknownAndClosedHandlesAreRefused) {
  DgnRasterP raster = open(makeRaster("scan.tif", 16, 16, [](int, int) { return false; }));
  ASSERT_EQ(mdlRaster_fileClose(raster, RASTER_UPDATE_ALL), 0);
  DgnRasterP reopened = open(makeRaster("other.tif", 16, 16, [](int, int) { return true; }));
  EXPECT_NE(reopened, raster) << "a closed attachment's address is never given to a new one";
  RasterFileInfo info;
  RasterRendering rendering;
  RasterGeoReference geo;
  RasterExtendedInfo extended;
  int dummy = 0;
  for (DgnRasterP bad : {raster, static_cast<DgnRasterP>(nullptr), reinterpret_cast<DgnRasterP>(&dummy)}) {
    EXPECT_EQ(mdlRaster_fileInfoGet(&info, bad), MDLERR_BADARG);
    EXPECT_EQ(mdlRaster_renderingInfoGet(&rendering, bad), MDLERR_BADARG);
    EXPECT_EQ(mdlRaster_renderingInfoSet(&rendering, bad, 14), MDLERR_BADARG);
    EXPECT_EQ(mdlRaster_geoReferenceInfoGet(&geo, bad), MDLERR_BADARG);
    EXPECT_EQ(mdlRaster_extendedInfoSet(&extended, bad, 14), MDLERR_BADARG);
    EXPECT_EQ(mdlRaster_fileSave(bad), MDLERR_BADARG);
    EXPECT_EQ(mdlRaster_fileReload(bad, 14), MDLERR_BADARG);
    EXPECT_EQ(mdlRaster_fileClose(bad, 14), MDLERR_BADARG);
  }
  EXPECT_EQ(mdlRaster_fileInfoGet(nullptr, reopened), MDLERR_BADARG);
}

TEST_F(Attachments, AnApplicationMustStartTheLibraryTheHostNeedNot) {
  const std::string path = makeRaster("scan.tif", 16, 16, [](int, int) { return false; });
  DgnRasterP raster = open(path);  // the host itself
  Application* app = addApplication("Editor", "", "");
  AppScope scope(app);
  RasterFileInfo info;
  EXPECT_EQ(mdlRaster_fileInfoGet(&info, raster), MDLERR_BADARG);
  EXPECT_EQ(mdlRaster_systemRasterContainerGet(), nullptr);
  EXPECT_EQ(journal().texts("text").back(),
            "raster: Editor called mdlRaster_fileInfoGet without mdlRaster_initialize\n");
  ASSERT_EQ(mdlRaster_initialize(), 0);
  EXPECT_EQ(mdlRaster_fileInfoGet(&info, raster), 0);
  ASSERT_EQ(mdlRaster_terminate(), 0);
  DgnRasterP other = nullptr;
  EXPECT_EQ(mdlRaster_fileOpen(&other, path.c_str(), nullptr, 1, 14), MDLERR_BADARG);
}

TEST_F(Attachments, ReloadReadsTheFileAgainAndSurvivesAFileThatWentBad) {
  const std::string path = makeRaster("scan.tif", 16, 8, [](int, int) { return false; });
  DgnRasterP raster = open(path);
  DgnRaster* r = findRaster(raster);
  ASSERT_NE(r, nullptr);
  ASSERT_TRUE(rasterPixels(*r));
  EXPECT_EQ(rasterPixels(*r)->data[0], 0);

  // Another program rewrites the file (as the editing session does); the attachment shows the old
  // pixels until it is reloaded.
  makeRaster("scan.tif", 24, 8, [](int, int) { return true; });
  EXPECT_EQ(rasterPixels(*r)->width, 16);
  ASSERT_EQ(mdlRaster_fileReload(raster, RASTER_UPDATE_ALL), 0);
  EXPECT_EQ(rasterPixels(*r)->width, 24);
  EXPECT_EQ(rasterPixels(*r)->data[0], 0xff);
  EXPECT_EQ(rasterJournal().back(), "reloaded " + path);

  // Letting go of the file keeps nothing of it; the next drawing reads it again.
  ASSERT_EQ(mdlRaster_fileReload(raster, RASTER_UPDATE_MEMORY), 0);
  EXPECT_EQ(r->pixels, nullptr);
  EXPECT_EQ(rasterJournal().back(), "reloaded " + path) << "letting go is not journaled";
  EXPECT_TRUE(rasterPixels(*r));

  std::ofstream(path, std::ios::trunc) << "broken";
  EXPECT_NE(mdlRaster_fileReload(raster, RASTER_UPDATE_ALL), 0);
  EXPECT_EQ(r->pixels, nullptr) << "shows nothing";
  EXPECT_NE(rasterJournal().back().find("cannot read it"), std::string::npos);
  RasterFileInfo info;
  EXPECT_EQ(mdlRaster_fileInfoGet(&info, raster), 0) << "the handle stays valid";
}

TEST_F(Attachments, TheContainerIsASnapshotOldestFirst) {
  DgnRasterP a = open(makeRaster("a.tif", 8, 8, [](int, int) { return false; }));
  DgnRasterP b = open(makeRaster("b.tif", 8, 8, [](int, int) { return false; }));
  DgnRasterP c = open(makeRaster("c.tif", 8, 8, [](int, int) { return false; }));
  MdlContainer* container = mdlRaster_systemRasterContainerGet();
  ASSERT_NE(container, nullptr);
  ASSERT_EQ(mdlRaster_fileClose(b, RASTER_UPDATE_ALL), 0);
  EXPECT_EQ(mdlCntr_itemCount(container), 3) << "later detaches do not change it";
  MdlContainerIterator* it = mdlCntr_iteratorCreate(container, CNTR_ITERATE_FORWARD);
  ASSERT_NE(it, nullptr);
  std::vector<void*> seen;
  for (void* v = mdlCntr_valueGet(it); v != nullptr; v = mdlCntr_valueGet(it)) {
    seen.push_back(v);
    if (mdlCntr_iteratorNext(it) != 0) break;
  }
  EXPECT_EQ(seen, (std::vector<void*>{a, b, c}));
  EXPECT_EQ(mdlCntr_valueGet(it), nullptr) << "past the end";
  EXPECT_EQ(mdlCntr_iteratorNext(it), 1);
  EXPECT_EQ(mdlCntr_iteratorCreate(container, 2), nullptr) << "only forward";

  MdlContainer* now = mdlRaster_systemRasterContainerGet();
  EXPECT_EQ(mdlCntr_itemCount(now), 2);
  MdlContainerIterator* first = mdlCntr_iteratorCreate(now, CNTR_ITERATE_FORWARD);
  EXPECT_EQ(mdlCntr_valueGet(first), a);
  mdlCntr_release(now);
  mdlCntr_release(container);
  // Released containers and their iterators read as empty rather than being followed.
  EXPECT_EQ(mdlCntr_itemCount(container), 0);
  EXPECT_EQ(mdlCntr_valueGet(it), nullptr);
  EXPECT_EQ(mdlCntr_iteratorNext(first), 1);
  mdlCntr_release(container);
  mdlCntr_release(nullptr);
  EXPECT_EQ(mdlCntr_itemCount(nullptr), 0);
  EXPECT_EQ(mdlCntr_iteratorCreate(nullptr, 1), nullptr);
}

TEST_F(Attachments, AnEmptyContainerHasNoFirstValue) {
  MdlContainer* container = mdlRaster_systemRasterContainerGet();
  EXPECT_EQ(mdlCntr_itemCount(container), 0);
  EXPECT_EQ(mdlCntr_valueGet(mdlCntr_iteratorCreate(container, 1)), nullptr);
  mdlCntr_release(container);
}

TEST_F(Attachments, FindTakesTheTopmostUnderThePointInTheView) {
  // low: 0..100 x 0..100; high: 50..150 x 50..150, attached later; turned: a 10 x 10 square at
  // 300,0 turned by 45 degrees about its origin.
  DgnRasterP low = open(makeRaster("low.tif", 100, 100, [](int, int) { return false; }));
  DgnRasterP high = open(makeRaster("high.tif", 100, 100, [](int, int) { return false; }));
  DgnRasterP turned = open(makeRaster("turned.tif", 10, 10, [](int, int) { return false; }));
  RasterGeoReference geo;
  mdlRaster_geoReferenceInfoGet(&geo, high);
  geo.origin = DPoint3d{50, 50, 0};
  mdlRaster_geoReferenceInfoSet(&geo, high, 1);
  mdlRaster_geoReferenceInfoGet(&geo, turned);
  geo.origin = DPoint3d{300, 0, 0};
  geo.rotation = std::atan(1.0);
  mdlRaster_geoReferenceInfoSet(&geo, turned, 1);

  const DPoint3d both{75, 75, 0}, lowOnly{10, 10, 0}, none{200, 10, 0};
  for (int view = 0; view < MAX_VIEWS; ++view) {
    EXPECT_EQ(mdlRaster_viewFindRaster(&both, view), high) << "the newer of equal priority, view " << view;
    EXPECT_EQ(mdlRaster_viewFindRaster(&lowOnly, view), low);
    EXPECT_EQ(mdlRaster_viewFindRaster(&none, view), nullptr);
  }
  EXPECT_EQ(mdlRaster_viewFindRaster(&both, 8), nullptr);
  EXPECT_EQ(mdlRaster_viewFindRaster(&both, -1), nullptr);
  EXPECT_EQ(mdlRaster_viewFindRaster(nullptr, 0), nullptr);

  RasterRendering rendering;
  mdlRaster_renderingInfoGet(&rendering, low);
  rendering.displayPriority = 2;
  mdlRaster_renderingInfoSet(&rendering, low, 1);
  EXPECT_EQ(mdlRaster_viewFindRaster(&both, 0), low) << "a higher priority is drawn on top";

  // A point outside the area a view shows cannot have been given in it.
  ASSERT_TRUE(setViewArea(3, DPoint2d{60, 60}, DPoint2d{200, 200}));
  EXPECT_EQ(mdlRaster_viewFindRaster(&lowOnly, 3), nullptr);
  EXPECT_EQ(mdlRaster_viewFindRaster(&lowOnly, 4), low);
  EXPECT_EQ(mdlRaster_viewFindRaster(&both, 3), low);

  // The turn counts only while the rendering applies it.
  const DPoint3d corner{309, 1, 0}, onTurned{297, 7, 0};
  EXPECT_EQ(mdlRaster_viewFindRaster(&corner, 0), turned);
  EXPECT_EQ(mdlRaster_viewFindRaster(&onTurned, 0), nullptr);
  mdlRaster_renderingInfoGet(&rendering, turned);
  rendering.placementTransformApplied = 1;
  mdlRaster_renderingInfoSet(&rendering, turned, 1);
  EXPECT_EQ(mdlRaster_viewFindRaster(&corner, 0), nullptr);
  EXPECT_EQ(mdlRaster_viewFindRaster(&onTurned, 0), turned);
}

TEST_F(Attachments, CloseAndSynchroniseRedrawOnceForWhatWasNotRedrawn) {
  DgnRasterP a = open(makeRaster("a.tif", 8, 8, [](int, int) { return false; }));
  DgnRasterP b = open(makeRaster("b.tif", 8, 8, [](int, int) { return false; }));
  ASSERT_EQ(mdlRaster_eventSynchronize(14), 0);
  EXPECT_NE(rasterJournal().back(), "views redrawn") << "both were redrawn when opened";
  ASSERT_EQ(mdlRaster_fileClose(a, RASTER_UPDATE_MEMORY), 0);
  ASSERT_EQ(mdlRaster_fileClose(b, RASTER_UPDATE_DESIGN), 0);
  EXPECT_EQ(rasterJournal().back(), "detached " + scratch_.file("b.tif"));
  ASSERT_EQ(mdlRaster_eventSynchronize(14), 0);
  ASSERT_EQ(mdlRaster_eventSynchronize(14), 0);
  const auto texts = rasterJournal();
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "views redrawn"), 1);
  EXPECT_TRUE(rasterAttachments().empty());
}

TEST_F(Attachments, ClosingAndOpeningAgainKeepsTheFileAndGivesANewHandle) {
  // The raster session's load path: the host attached the file (offset 844 is 0), the session
  // closes it and opens it again through the library (then it is non-zero).
  const std::string path = makeRaster("scan.tif", 8, 8, [](int x, int) { return x == 0; });
  DgnRaster* hostMade = nullptr;
  ASSERT_EQ(attachRaster("scan.tif", false, nullptr, nullptr, RASTER_UPDATE_ALL, &hostMade),
            MDLERR_FILENOTFOUND)
      << "a bare name is taken in the design's folder, here the current one";
  ASSERT_EQ(attachRaster(path, false, nullptr, nullptr, RASTER_UPDATE_ALL, &hostMade), 0);
  RasterFileInfo info;
  ASSERT_EQ(mdlRaster_fileInfoGet(&info, hostMade), 0);
  EXPECT_EQ(info.fileOpen, 0);
  ASSERT_EQ(mdlRaster_fileClose(hostMade, 14), 0);
  DgnRasterP raster = nullptr;
  ASSERT_EQ(mdlRaster_fileOpen(&raster, info.attachedName, mdlModelRef_getActive(), 1, 14), 0);
  ASSERT_EQ(mdlRaster_fileInfoGet(&info, raster), 0);
  EXPECT_NE(info.fileOpen, 0);
  EXPECT_EQ(rasterJournal(),
            (std::vector<std::string>{"attached " + path + " at 0,0 extent 8,8", "detached " + path,
                                      "attached " + path + " at 0,0 extent 8,8"}));
}

}  // namespace
}  // namespace pixmend::host
