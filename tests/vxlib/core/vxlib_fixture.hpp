// Shared by the vxlib core tests: a fresh host and a temporary folder per test, applications
// registered with the host whose resource file holds the library's resources (compiled from
// resources/vxlib/ plus a test's own sources), and helpers to start the library as one of them.
//
// The tests call the library through the copy linked into the test program; each test
// application is a host record of its own, so the registry sees separate applications.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/config/config.hpp"
#include "host/lifecycle.hpp"
#include "host/output/answers.hpp"
#include "host/output/journal.hpp"
#include "host/resource/compiler.hpp"
#include "host/system/registry.hpp"
#include "vxlib/core/core.hpp"
#include "support/scratch_dir.hpp"

namespace pixmend::vxlib {

class VxlibTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host::resetHost();
    // No proposal of an installation folder unless a test asks for one.
    host::defineVariable("VX_DIR", "/opt/vx/", host::kCfgLevelUser);
  }
  void TearDown() override {
    releaseProcessStateForTesting();
    host::resetHost();
  }

  std::string path(const std::string& name) const { return dir_ + "/" + name; }

  // The library's resources and `extraJson` (a whole source text, may be empty) as `name`.
  std::string compileResources(const std::string& name, const std::string& extraJson = "") {
    std::vector<std::string> sources;
    for (const auto& entry : std::filesystem::directory_iterator(PIXMEND_SOURCE_DIR "/resources/vxlib")) {
      if (entry.path().extension() == ".json") sources.push_back(entry.path().string());
    }
    host::ResourceData data;
    std::string error;
    EXPECT_TRUE(host::compileResourceFiles(sources, &data, nullptr, &error)) << error;
    if (!extraJson.empty()) {
      EXPECT_TRUE(host::compileResourceSource(extraJson, "test.json", dir_, &data, nullptr, &error)) << error;
    }
    EXPECT_TRUE(host::writeResourceFile(path(name), data, &error)) << error;
    return path(name);
  }

  // An application known to the host, with the library's resources, loaded from `library`.
  host::Application* addApp(const std::string& name,
                            const std::string& library = "/opt/vx/app/bin/lib/libapp.so",
                            const std::string& extraJson = "") {
    if (!extraJson.empty())
      return host::addApplication(name, library, compileResources(name + ".rsc", extraJson));
    if (libraryRsc_.empty()) libraryRsc_ = compileResources("library.rsc");
    return host::addApplication(name, library, libraryRsc_);
  }

  // Starts the library for `app` with argv = {its library, args...}.
  static int start(host::Application* app, const std::vector<std::string>& args = {}) {
    std::vector<std::string> words{host::applicationPath(app)};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    host::AppScope scope(app);
    return vxlibMain_initVxLib(host::applicationName(app).c_str(), static_cast<int>(words.size()),
                               argv.data());
  }

  // An application registered and started in one step.
  host::Application* startApp(const std::string& name, const std::vector<std::string>& args = {}) {
    host::Application* app = addApp(name);
    start(app, args);
    return app;
  }

  static GlobalData* blockOf(host::Application* app) {
    host::AppScope scope(app);
    return findGlobalData();
  }

  // Texts journaled on `channel` since entry `from`.
  static std::vector<std::string> texts(const std::string& channel, std::size_t from = 0) {
    return host::journal().texts(channel, from);
  }
  static std::size_t mark() { return host::journal().size(); }

  static std::string readAll(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static void writeText(const std::string& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary);
    out << text;
  }

  pixmend::testsupport::ScratchDir scratch_{"vxlib"};
  std::string dir_ = scratch_.path();
  std::string libraryRsc_;
};

}  // namespace pixmend::vxlib
