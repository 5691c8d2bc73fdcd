// Shared by the VXRaster tests: a fresh host, a temporary folder holding the user's preference
// folder, temporary folder and installation folder, and VXRaster loaded from the build tree the
// way the host loads it (its library and its resource file beside it). Tests look at what a user
// would: the journal, the dialogs, the published records and the files.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "host/config/config.hpp"
#include "host/dialog/manager.hpp"
#include "host/lifecycle.hpp"
#include "host/output/answers.hpp"
#include "host/output/journal.hpp"
#include "host/resource/rscfile.hpp"
#include "host/state/state.hpp"
#include "host/system/api.h"
#include "host/system/idle.hpp"
#include "host/system/loader.hpp"
#include "host/system/published.hpp"
#include "support/scratch_dir.hpp"

namespace pixmend::app {

class VXRasterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host::resetHost();
    define("MS_USERPREF", path("host.upf"));
    define("MS_TMP", path("tmp/"));
    define("VX_DIR", path("vx/"));
  }
  void TearDown() override {
    // As at the end of a session: the applications shut down (their unload handlers free what
    // they hold) before the host forgets them.
    host::unloadAllApplications(SYSTEM_UNLOAD_HOST_EXIT);
    host::runIdle();
    host::resetHost();
  }

  std::string path(const std::string& name) const { return dir_ + "/" + name; }
  static void define(const std::string& name, const std::string& value) {
    host::defineVariable(name, value, host::kCfgLevelUser);
  }

  // Loads VXRaster (or the library at `library`) with the load arguments `args`.
  static host::Application* load(const std::vector<std::string>& args = {},
                                 const std::string& library = "VXRaster") {
    host::LoadResult result = host::loadApplication(library, args);
    EXPECT_NE(result.app, nullptr) << result.error;
    host::runIdle();
    return result.app;
  }

  // A key-in as typed, and whatever it queued.
  static void keyin(const std::string& text) {
    host::runKeyin(text);
    host::runIdle();
  }

  // Texts journaled on `channel` since entry `from`, and the whole journal since then.
  static std::vector<std::string> texts(const std::string& channel, std::size_t from = 0) {
    return host::journal().texts(channel, from);
  }
  static std::string journalSince(std::size_t from) { return host::journal().str(from); }
  static std::size_t mark() { return host::journal().size(); }

  // A field of a published record as a number or a text (nothing when it is not published).
  static std::optional<double> number(const std::string& access) {
    const auto ref = host::resolveAccess(access);
    if (!ref) return std::nullopt;
    return host::readNumber(*ref);
  }
  static std::optional<std::string> text(const std::string& access) {
    const auto ref = host::resolveAccess(access);
    if (!ref) return std::nullopt;
    return host::readText(*ref);
  }
  static bool setNumber(const std::string& access, double value) {
    const auto ref = host::resolveAccess(access);
    return ref && host::writeNumber(*ref, value);
  }
  static bool setText(const std::string& access, const std::string& value) {
    const auto ref = host::resolveAccess(access);
    return ref && host::writeText(*ref, value);
  }

  // The preference file's user-interface record ("VXR" 1), or nothing.
  std::optional<std::vector<std::uint8_t>> storedSettings() const {
    host::ResourceData data;
    std::string error;
    if (!host::readResourceFile(path("VXPixmend.upf"), &data, &error)) return std::nullopt;
    const auto found = data.resources.find({host::packType("VXR"), 1});
    if (found == data.resources.end()) return std::nullopt;
    return found->second;
  }

  pixmend::testsupport::ScratchDir scratch_{"vxraster"};
  std::string dir_ = scratch_.path();
};

}  // namespace pixmend::app
