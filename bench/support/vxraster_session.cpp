// VXRaster driven through the host for the benchmarks (see vxraster_session.hpp).
#include "support/vxraster_session.hpp"

#include "support/bench_support.hpp"

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "host/config/config.hpp"
#include "host/design/design.hpp"
#include "host/image/api.h"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/raster/raster.hpp"
#include "host/state/state.hpp"
#include "host/system/api.h"
#include "host/system/idle.hpp"
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

bool runEditPath(const std::string& scan, const std::string& root, double& seconds,
                 std::string* journalText) {
  char pattern[4096];
  std::snprintf(pattern, sizeof pattern, "%s/pixmend-edit-path-XXXXXX", root.c_str());
  if (::mkdtemp(pattern) == nullptr) return false;
  const std::string dir = pattern;
  struct Cleanup {
    std::string dir;
    ~Cleanup() {
      std::error_code error;
      std::filesystem::remove_all(dir, error);
    }
  } cleanup{dir};
  std::error_code error;
  std::filesystem::copy_file(scan, dir + "/sheet.tif", error);
  std::filesystem::permissions(dir + "/sheet.tif", std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add, error);
  if (error) return false;
  host::resetHost();
  host::defineVariable("MS_TMP", dir + "/", host::kCfgLevelUser);
  host::defineVariable("MS_USERPREF", dir + "/host.upf", host::kCfgLevelUser);
  host::defineVariable("VX_DIR", dir + "/", host::kCfgLevelUser);
  std::string why;
  if (!host::createDesign(dir + "/sheet.dgn", &why) ||
      host::loadApplication("VXRasterEdit", {}).app == nullptr)
    return false;
  host::runIdle();
  timespec t0{}, t1{};
  clock_gettime(CLOCK_MONOTONIC, &t0);
  DgnRaster* raster = nullptr;
  if (host::attachRaster("sheet.tif", false, nullptr, nullptr, RASTER_UPDATE_ALL, &raster) != 0) return false;
  host::runIdle();
  auto rss = [](const char* what) {
    if (std::getenv("PIXMEND_BENCH_RSS") == nullptr) return;
    std::FILE* f = std::fopen("/proc/self/status", "r");
    char line[256];
    while (f != nullptr && std::fgets(line, sizeof line, f) != nullptr)
      if (std::strncmp(line, "VmRSS", 5) == 0 || std::strncmp(line, "VmHWM", 5) == 0)
        std::fprintf(stderr, "%s %s", what, line);
    if (f != nullptr) std::fclose(f);
  };
  rss("attached");
  VXRasterSession::keyin("vxraster select");
  rss("selected");
  VXRasterSession::event(60, "0 0 64 64", 1);
  rss("edited");
  VXRasterSession::keyin("vxraster end");
  rss("ended");
  clock_gettime(CLOCK_MONOTONIC, &t1);
  seconds = static_cast<double>(t1.tv_sec - t0.tv_sec) + 1e-9 * static_cast<double>(t1.tv_nsec - t0.tv_nsec);
  if (journalText != nullptr) *journalText = host::journal().str();
  host::unloadAllApplications(SYSTEM_UNLOAD_HOST_EXIT);
  host::runIdle();
  host::resetHost();
  return true;
}

void VXRasterSession::keyin(const char* text) {
  host::runKeyin(text);
  host::runIdle();
}

void VXRasterSession::point(double x, double y) {
  host::deliverDataPoint(DPoint3d{x, y, 0}, 0);
  host::runIdle();
}

void VXRasterSession::reset() {
  host::deliverReset();
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
