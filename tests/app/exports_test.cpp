// The application library exports exactly the names of its contract: MdlMain, the VXDll
// operations and the vxlib families, nothing else; and it takes nothing of our C++ from another
// library: it reaches the host through the host's C functions only.
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

// The undefined dynamic symbols of `library` that are C++ of ours (namespace pixmend, also inside
// a template's arguments), demangled.
std::set<std::string> ourCxxImports(const std::string& library) {
  const std::string command = "nm -D --undefined-only --demangle " + library + " 2>&1";
  std::set<std::string> names;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {"cannot run nm"};
  std::array<char, 4096> buffer{};
  while (std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) {
    std::string line = buffer.data();
    if (line.find("pixmend::") == std::string::npos) continue;
    while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) line.pop_back();
    const auto type = line.find(" U ");
    names.insert(type == std::string::npos ? line : line.substr(type + 3));
  }
  pclose(pipe);
  return names;
}

TEST(VXRasterExports, AreExactlyTheContract) {
  const auto expected = expectedExports();
  ASSERT_FALSE(expected.empty());
  const auto actual = actualExports(PIXMEND_BUILD_DIR "/lib/libVXRaster.so");
  EXPECT_EQ(difference(actual, expected), "") << "exported but not in tests/app/exports.txt";
  EXPECT_EQ(difference(expected, actual), "") << "in tests/app/exports.txt but not exported";
}

TEST(VXRasterImports, AreTheHostsCFunctionsOnly) {
  for (const char* library : {"libVXRaster.so", "libVXRasterEdit.so"}) {
    const std::string path = std::string(PIXMEND_BUILD_DIR "/lib/") + library;
    std::string found;
    for (const auto& name : ourCxxImports(path)) found += "  " + name + "\n";
    EXPECT_EQ(found, "") << library << " takes C++ of ours from another library";
  }
}

}  // namespace
