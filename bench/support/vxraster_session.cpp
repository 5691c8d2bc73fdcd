// VXRaster driven through the host for the benchmarks (see vxraster_session.hpp).
#include "support/vxraster_session.hpp"

#include "support/bench_support.hpp"

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>

#include "host/config/config.hpp"
#include "host/design/design.hpp"
#include "host/image/api.h"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/raster/raster.hpp"
#include "host/state/state.hpp"
#include "host/system/api.h"
#include "host/system/loader.hpp"

namespace pixmend::bench {
namespace {

std::string makeFolder() {
  char pattern[] = "/tmp/pixmend-bench-XXXXXX";
  return mkdtemp(pattern) != nullptr ? std::string(pattern) : std::string();
}

}  // namespace

VXRasterSession::VXRasterSession(const Drawing& sheet, const std::string& application) : dir_(makeFolder()) {
  if (dir_.empty()) return;
  const Point2d size{sheet.width, sheet.height};
  if (mdlImage_createFileFromBitMap(scanPath().c_str(), IMAGEFILE_TIFF, &size, sheet.bits.data(), 0, 0, 0,
                                    nullptr) != 0)
    return;
  start(application);
}

VXRasterSession::VXRasterSession(const std::string& scan, const std::string& application) : dir_(makeFolder()) {
  if (dir_.empty()) return;
  std::error_code error;
  std::filesystem::copy_file(scan, scanPath(), error);
  std::filesystem::permissions(scanPath(), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add, error);
  if (!error) start(application);
}

void VXRasterSession::start(const std::string& application) {
  host::resetHost();
  host::defineVariable("MS_TMP", dir_ + "/", host::kCfgLevelUser);
  host::defineVariable("MS_USERPREF", dir_ + "/host.upf", host::kCfgLevelUser);
  host::defineVariable("VX_DIR", dir_ + "/", host::kCfgLevelUser);
  std::string error;
  DgnRaster* raster = nullptr;
  ok_ = host::createDesign(dir_ + "/sheet.dgn", &error) &&
        host::attachRaster("sheet.tif", false, nullptr, nullptr, RASTER_UPDATE_ALL, &raster) == 0 &&
        host::loadApplication(application, {}).app != nullptr;
  host::runIdle();
}

VXRasterSession::~VXRasterSession() {
  host::unloadAllApplications(SYSTEM_UNLOAD_HOST_EXIT);
  host::runIdle();
  host::resetHost();
  std::error_code error;
  if (!dir_.empty()) std::filesystem::remove_all(dir_, error);
}

void VXRasterSession::keyin(const char* text) {
  host::runKeyin(text);
  host::runIdle();
}

void VXRasterSession::point(double x, double y) {
  host::deliverDataPoint(DPoint3d{x, y, 0}, 0);
  host::runIdle();
}

void VXRasterSession::event(int slot, const std::string& text, int state) {
  host::raiseSystemEvent(slot, text, state);
  host::runIdle();
}

void VXRasterSession::forget() {
  host::journal().clear();
}

}  // namespace pixmend::bench
