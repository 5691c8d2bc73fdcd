// Shared by the resource and dialog tests: a fresh host and a temporary folder per test, and
// a helper that compiles a JSON source text into a resource file.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/lifecycle.hpp"
#include "host/resource/compiler.hpp"
#include "support/scratch_dir.hpp"

namespace pixmend::host {

class ResourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetHost();
  }
  void TearDown() override {
    resetHost();
  }
  std::string path(const std::string& name) const { return dir_ + "/" + name; }

  // Compiles `json` (a whole source file) into `name`; fails the test on a compile error.
  std::string compile(const std::string& name, const std::string& json) {
    ResourceData data;
    std::string error;
    EXPECT_TRUE(compileResourceSource(json, "test.json", dir_, &data, nullptr, &error)) << error;
    EXPECT_TRUE(writeResourceFile(path(name), data, &error)) << error;
    return path(name);
  }

  static void writeText(const std::string& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary);
    out << text;
  }
  static std::string readAll(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  pixmend::testsupport::ScratchDir scratch_{"rsc"};
  std::string dir_ = scratch_.path();
};

}  // namespace pixmend::host
