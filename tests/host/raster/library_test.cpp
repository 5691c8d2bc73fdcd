// The raster library's start and end per application: journaled, refused outside an
// application, and forgotten with an application that is unloaded without ending it.
#include <gtest/gtest.h>

#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/raster/api.h"
#include "host/raster/raster.hpp"
#include "host/system/registry.hpp"

namespace pixmend::host {
namespace {

class RasterLibrary : public ::testing::Test {
 protected:
  void SetUp() override { resetHost(); }
  void TearDown() override { resetHost(); }
};

TEST_F(RasterLibrary, EachApplicationStartsAndEndsItsOwnUse) {
  Application* a = addApplication("First", "", "");
  Application* b = addApplication("Second", "", "");
  EXPECT_EQ(mdlRaster_initialize(), MDLERR_BADARG) << "no application runs";
  {
    AppScope scope(a);
    EXPECT_EQ(mdlRaster_initialize(), SUCCESS);
    EXPECT_EQ(mdlRaster_initialize(), SUCCESS);
  }
  EXPECT_TRUE(rasterLibraryActive(a));
  EXPECT_FALSE(rasterLibraryActive(b));
  {
    AppScope scope(b);
    EXPECT_EQ(mdlRaster_terminate(), MDLERR_BADARG);
  }
  {
    AppScope scope(a);
    EXPECT_EQ(mdlRaster_terminate(), SUCCESS);
  }
  EXPECT_FALSE(rasterLibraryActive(a));
  EXPECT_EQ(journal().texts("raster"),
            (std::vector<std::string>{"initialize First", "initialize First",
                                      "terminate Second: not initialized", "terminate First"}));
}

TEST_F(RasterLibrary, AnApplicationUnloadedWithoutEndingItIsForgotten) {
  Application* a = addApplication("First", "", "");
  {
    AppScope scope(a);
    mdlRaster_initialize();
  }
  removeApplication(a);
  EXPECT_FALSE(rasterLibraryActive(a));  // compared by address only
  Application* again = addApplication("First", "", "");
  EXPECT_FALSE(rasterLibraryActive(again));
  EXPECT_FALSE(rasterLibraryActive(nullptr));
}

}  // namespace
}  // namespace pixmend::host
