// pixmend cell new|add|list, run as the user runs them: a library made from a design a session
// drew (texts in a style, a text node), listed, its cell placed in another design by a session,
// and the refusals: a library that exists already, a damaged one, a cell name taken.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "support/run_command.hpp"
#include "support/scratch_dir.hpp"

namespace {

using Outcome = pixmend::testsupport::CommandRun;

Outcome shell(const std::string& command) { return pixmend::testsupport::runCommand(command); }

class CellLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    struct stat st {};
    if (::stat(program_.c_str(), &st) != 0) GTEST_SKIP() << "the pixmend program is not built";
  }
  Outcome pixmend(const std::string& args) { return shell("cd '" + dir_ + "' && '" + program_ + "' " + args); }
  Outcome play(const std::string& script) {
    std::ofstream(dir_ + "/script.pms") << script;
    return pixmend("run script.pms");
  }
  std::string program_ = std::string(PIXMEND_BUILD_DIR) + "/bin/pixmend";
  pixmend::testsupport::ScratchDir scratch_{"celllibrary"};
  std::string dir_ = scratch_.path();
};

TEST_F(CellLibrary, ACellMadeFromADrawingIsListedAndPlacedInAnotherDesign) {
  const Outcome drawn = play(
      "design new logo.dgn\n"
      "textstyle Big size 2 3 just 7\n"
      "text 10 10 \"VEX CRAFT\" style big\n"
      "text 0 0 small\n"
      "design close\n");
  ASSERT_EQ(drawn.status, 0) << drawn.output;
  EXPECT_NE(drawn.output.find("design: text style \"Big\" created: font 0, justification 7, size 2 x 3, line spacing 1.5"),
            std::string::npos)
      << drawn.output;
  ASSERT_EQ(pixmend("cell new lib.cel").status, 0);
  const Outcome again = pixmend("cell new lib.cel");
  EXPECT_EQ(again.status, 1);
  EXPECT_EQ(again.output, "pixmend: lib.cel exists already; a new cell library is a new file\n");
  const Outcome added = pixmend("cell add lib.cel LOGO --description \"the logo\" --from logo.dgn");
  ASSERT_EQ(added.status, 0) << added.output;
  EXPECT_EQ(added.output, "lib.cel: cell \"LOGO\" added from logo.dgn\n");
  const Outcome taken = pixmend("cell add lib.cel logo --from logo.dgn --model 0");
  EXPECT_EQ(taken.status, 1);
  EXPECT_EQ(taken.output, "pixmend: lib.cel: the library has a cell named LOGO already\n");
  EXPECT_EQ(pixmend("cell add lib.cel OTHER --from logo.dgn --model 3").output,
            "pixmend: lib.cel: the design has no model 3\n");
  const Outcome listed = pixmend("cell list lib.cel");
  ASSERT_EQ(listed.status, 0) << listed.output;
  EXPECT_EQ(listed.output,
            "lib.cel: cell library, 2 models\n"
            "  \"Default\": 0 elements\n"
            "  \"LOGO\" \"the logo\": 2 elements\n");

  const Outcome placed = play(
      "set VX_CELL .\n"
      "celllib attach lib\n"
      "design new plan.dgn\n"
      "cell logo\n"
      "design close\n");
  ASSERT_EQ(placed.status, 0) << placed.output;
  const Outcome plan = pixmend("design list plan.dgn");
  ASSERT_EQ(plan.status, 0) << plan.output;
  EXPECT_NE(plan.output.find("model 0 \"Default\": 3 elements\n"
                          "  level 1 \"Default\"\n"
                          "         1  type 2 (cell), level 0, 240 bytes named \"LOGO\"\n"
                          "         2  type 17 (text), level 0, 210 bytes, component \"VEX CRAFT\"\n"
                          "         3  type 17 (text), level 0, 202 bytes, component \"small\"\n"),
            std::string::npos)
      << plan.output;
}

TEST_F(CellLibrary, ADamagedLibraryIsRefusedAndLeftAsItIs) {
  std::ofstream(dir_ + "/broken.cel") << "not a cell library";
  const Outcome listed = pixmend("cell list broken.cel");
  EXPECT_EQ(listed.status, 1);
  EXPECT_EQ(listed.output, "pixmend: cannot use broken.cel as a cell library: broken.cel: not a design file\n");
  ASSERT_EQ(play("design new logo.dgn\ntext 0 0 x\ndesign close\n").status, 0);
  EXPECT_EQ(pixmend("cell add broken.cel X --from logo.dgn").status, 1);
  std::ifstream in(dir_ + "/broken.cel");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "not a cell library");
  EXPECT_EQ(pixmend("cell add broken.cel X").status, 2) << "--from is needed";
}

}  // namespace
