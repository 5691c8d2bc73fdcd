// The README's first command ends in `pixmend demo`: its VXRaster session must go through, keep
// the setting across the new start, and leave its script and the about box's picture behind.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "support/scratch_dir.hpp"

namespace {

TEST(Demo, TheSessionGoesThroughAndLeavesItsScriptAndPicture) {
  const std::string program = PIXMEND_BUILD_DIR "/bin/pixmend";
  if (!std::filesystem::exists(program)) GTEST_SKIP() << "pixmend is not built (" << program << ")";
  const pixmend::testsupport::ScratchDir scratch("demo");
  const std::string& dir = scratch.path();

  std::string output;
  FILE* pipe = popen((program + " demo " + dir + " 2>&1").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::array<char, 4096> buffer{};
  std::size_t n = 0;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) output.append(buffer.data(), n);
  const int status = pclose(pipe);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;

  EXPECT_NE(output.find("     value: userInterfaceData.activeColor = 2\n"), std::string::npos) << output;
  EXPECT_NE(output.find("     value: userInterfaceData.activeColor = 5\n"), std::string::npos) << output;
  EXPECT_NE(output.find("     dialog: opened 20020 \"Vexcraft Pixmend\"\n"), std::string::npos) << output;
  EXPECT_EQ(output.find("error: Unknown command"), std::string::npos) << output;
  EXPECT_TRUE(std::filesystem::is_regular_file(dir + "/vxraster.pms"));
  EXPECT_GT(std::filesystem::file_size(dir + "/about.png"), 1000u);
  EXPECT_TRUE(std::filesystem::is_regular_file(dir + "/6-moved.pbm")) << "the buffer operations follow";
}

}  // namespace
