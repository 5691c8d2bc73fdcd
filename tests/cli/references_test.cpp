// The reference verb as a user plays it: malformed steps are refused before anything is played,
// and a refused attachment (a file that is no design, the design itself) stops the session with
// its reason and leaves the design as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <string>

#include "support/run_command.hpp"
#include "support/scratch_dir.hpp"

namespace {

using Outcome = pixmend::testsupport::CommandRun;

class ReferenceVerb : public ::testing::Test {
 protected:
  void SetUp() override {
    struct stat st {};
    if (::stat(program_.c_str(), &st) != 0) GTEST_SKIP() << "the pixmend program is not built";
  }
  Outcome play(const std::string& script) {
    std::ofstream(dir_ + "/script.pms") << script;
    return pixmend::testsupport::runCommand("cd '" + dir_ + "' && '" + program_ + "' run script.pms");
  }
  std::string program_ = std::string(PIXMEND_BUILD_DIR) + "/bin/pixmend";
  pixmend::testsupport::ScratchDir scratch_{"referenceverb"};
  std::string dir_ = scratch_.path();
};

TEST_F(ReferenceVerb, MalformedStepsAreRefusedBeforePlaying) {
  const Outcome bad = play(
      "design new plan.dgn\nreference\nreference attach a.dgn hidden\nreference detach 0\n"
      "reference detach 256\nreference list all\nreference attach a.dgn nolocate nodisplay\n");
  EXPECT_EQ(bad.status, 2) << bad.output;
  for (const char* line : {"script.pms:2:", "script.pms:3:", "script.pms:4:", "script.pms:5:", "script.pms:6:"})
    EXPECT_NE(bad.output.find(line), std::string::npos) << line << "\n" << bad.output;
  EXPECT_EQ(bad.output.find("script.pms:7:"), std::string::npos) << bad.output;
  struct stat st {};
  EXPECT_NE(::stat((dir_ + "/plan.dgn").c_str(), &st), 0) << "nothing was played";
}

TEST_F(ReferenceVerb, ARefusedAttachmentStopsTheSessionWithItsReason) {
  std::ofstream(dir_ + "/notes.dgn") << "a text file named like a design";
  const Outcome foreign = play("design new plan.dgn\nreference attach notes.dgn\nreference list\n");
  EXPECT_EQ(foreign.status, 1);
  EXPECT_NE(foreign.output.find("notes.dgn is not a design file that can be read"), std::string::npos)
      << foreign.output;
  EXPECT_EQ(foreign.output.find("design: reference 1"), std::string::npos) << "the session stopped";
  const Outcome itself = play("design open plan.dgn\nreference attach ./plan.dgn\n");
  EXPECT_EQ(itself.status, 1);
  EXPECT_NE(itself.output.find("a design cannot be attached to itself"), std::string::npos) << itself.output;
  const Outcome none = play("design open plan.dgn\nreference list\n");
  EXPECT_NE(none.output.find("design: no references"), std::string::npos) << none.output;
}

}  // namespace
