// The application library exports exactly the names of its contract: MdlMain, the VXDll
// operations and the vxlib families, nothing else.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace {

std::set<std::string> expectedExports() {
  std::ifstream in(PIXMEND_SOURCE_DIR "/tests/app/exports.txt");
  std::set<std::string> names;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line[0] != '#') names.insert(line);
  }
  return names;
}

std::set<std::string> actualExports(const std::string& library) {
  // Only the dynamic symbols defined in the library; undefined references and the linker's own
  // section markers are left out.
  const std::string command = "nm -D --defined-only " + library + " 2>&1";
  std::set<std::string> names;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return names;
  std::array<char, 512> buffer{};
  while (std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) {
    std::istringstream fields(buffer.data());
    std::string address, type, name;
    if (!(fields >> address >> type >> name)) continue;
    if (type == "T" || type == "D" || type == "B" || type == "R" || type == "W" || type == "V" || type == "i") {
      names.insert(name);
    }
  }
  pclose(pipe);
  return names;
}

std::string difference(const std::set<std::string>& a, const std::set<std::string>& b) {
  std::string out;
  for (const auto& name : a) {
    if (b.count(name) == 0) out += "  " + name + "\n";
  }
  return out;
}

TEST(VXRasterExports, AreExactlyTheContract) {
  const auto expected = expectedExports();
  ASSERT_FALSE(expected.empty());
  const auto actual = actualExports(PIXMEND_BUILD_DIR "/lib/libVXRaster.so");
  EXPECT_EQ(difference(actual, expected), "") << "exported but not in tests/app/exports.txt";
  EXPECT_EQ(difference(expected, actual), "") << "in tests/app/exports.txt but not exported";
}

}  // namespace
