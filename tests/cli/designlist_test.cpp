// pixmend design list, run as the user runs it: on the design a session filled with application
// data and a plot fence, on a design with a damaged element, and with a model that is not there.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/design/designfile.hpp"
#include "host/lifecycle.hpp"
#include "support/run_command.hpp"
#include "support/scratch_dir.hpp"

namespace {

using Outcome = pixmend::testsupport::CommandRun;

Outcome shell(const std::string& command) { return pixmend::testsupport::runCommand(command); }

class DesignList : public ::testing::Test {
 protected:
  void SetUp() override {
    struct stat st {};
    if (::stat(program_.c_str(), &st) != 0) GTEST_SKIP() << "the pixmend program is not built";
    pixmend::host::resetHost();
  }
  std::string program_ = std::string(PIXMEND_BUILD_DIR) + "/bin/pixmend";
  pixmend::testsupport::ScratchDir scratch_{"designlist"};
  std::string dir_ = scratch_.path();
};

TEST_F(DesignList, ShowsWhatTheApplicationsStored) {
  const Outcome played = shell("cd '" + dir_ + "' && '" + program_ + "' run - < '" PIXMEND_SOURCE_DIR
                               "/tests/sessions/vxlib_appdata.pms'");
  ASSERT_EQ(played.status, 0) << played.output;
  const Outcome list = shell("'" + program_ + "' design list '" + dir_ + "/plan.dgn'");
  ASSERT_EQ(list.status, 0) << list.output;
  const std::string expected =
      "model 0 \"Default\": 4 elements\n"
      "  level 1 \"Default\"\n"
      "         1  type 66 (application data), level 20, 50 bytes, application type 101 version 3, 12 bytes of data\n"
      "         2  type 6 (shape), level 0, 208 bytes\n"
      "      linkage 0x4F33, 12 words, user data identifier 6 value 42\n"
      "         3  type 66 (application data), level 20, 46 bytes, application type 110 version 2, 8 bytes of data\n"
      "         4  type 66 (application data), level 20, 50 bytes, application type 101 version 4, 12 bytes of data\n";
  EXPECT_NE(list.output.find(expected), std::string::npos) << list.output;

  // A damaged element is named, the others are listed; the file itself is left as it was.
  std::ifstream in(dir_ + "/plan.dgn", std::ios::binary);
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
  const auto damaged = pixmend::host::alterDesignForTesting(
      bytes, "UPDATE elements SET image = CAST(substr(image, 1, 20) AS BLOB) WHERE position = 3");
  ASSERT_FALSE(damaged.empty());
  std::ofstream(dir_ + "/damaged.dgn", std::ios::binary)
      .write(reinterpret_cast<const char*>(damaged.data()), static_cast<std::streamsize>(damaged.size()));
  const Outcome hurt = shell("'" + program_ + "' design list '" + dir_ + "/damaged.dgn' --model 0");
  EXPECT_EQ(hurt.status, 0) << hurt.output;
  EXPECT_NE(hurt.output.find("       3  damaged: shorter than an element header (20 bytes) (kept in the file as it is)"),
            std::string::npos)
      << hurt.output;
  EXPECT_NE(hurt.output.find("       4  type 66"), std::string::npos) << hurt.output;

  EXPECT_EQ(shell("'" + program_ + "' design list '" + dir_ + "/plan.dgn' --model 9").status, 1);
  EXPECT_EQ(shell("'" + program_ + "' design list").status, 2);
}

}  // namespace
