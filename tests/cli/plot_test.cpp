// pixmend plot --format, run as a user runs it: a title block (a shape and a text in a design)
// plotted to PostScript that Ghostscript renders on upright A4 with the wide drawing turned and
// fitted between the side margins, to the text
// file with the title's text, and to HP-GL that hp2xx reads; a design with nothing to draw
// leaves the old file and ends with status 1; a format it does not know is refused.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <string>

#include "host/lifecycle.hpp"
#include "support/run_command.hpp"
#include "support/scratch_dir.hpp"

namespace {

using Outcome = pixmend::testsupport::CommandRun;

Outcome shell(const std::string& command) { return pixmend::testsupport::runCommand(command); }

std::string contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class PlotCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    struct stat st {};
    if (::stat(program_.c_str(), &st) != 0) GTEST_SKIP() << "the pixmend program is not built";
    pixmend::host::resetHost();
    // A shape stored by an application, and a title written beside it.
    const Outcome made = shell("cd '" + dir_ + "' && '" + program_ + "' run - < '" PIXMEND_SOURCE_DIR
                               "/tests/sessions/vxlib_appdata.pms' && printf '%s' 'design open plan.dgn\n"
                               "textstyle Title size 4 6 just 7\ntext 10 10 \"TITLE BLOCK\" style title\n"
                               "design close\n' | '" + program_ + "' run -");
    ASSERT_EQ(made.status, 0) << made.output;
  }
  Outcome plot(const std::string& arguments) {
    return shell("cd '" + dir_ + "' && '" + program_ + "' plot " + arguments);
  }
  std::string program_ = std::string(PIXMEND_BUILD_DIR) + "/bin/pixmend";
  pixmend::testsupport::ScratchDir scratch_{"plotcommand"};
  std::string dir_ = scratch_.path();
};

TEST_F(PlotCommand, ATitleBlockPlotsInsideTheMarginsOfItsPaper) {
  const Outcome ps = plot("plan.dgn --format ps --paper A4 plan.ps");
  ASSERT_EQ(ps.status, 0) << ps.output;
  EXPECT_NE(ps.output.find("on A4 (210 x 297 mm), the drawing turned a quarter to plan.ps"), std::string::npos)
      << ps.output;
  if (shell("command -v gs").status != 0) GTEST_SKIP() << "Ghostscript is not installed";
  // 1 pixel per millimetre: the page is 210 x 297 pixels, the margins 10.
  const Outcome rendered = shell("cd '" + dir_ + "' && gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pbmraw -r25.4 "
                                 "-g210x297 -dFIXEDMEDIA -sOutputFile=plan.pbm plan.ps");
  ASSERT_EQ(rendered.status, 0) << rendered.output;
  const std::string pbm = contents(dir_ + "/plan.pbm");
  // The header: "P4", a comment line, the size; the rows follow the size's line.
  std::size_t at = pbm.find('\n') + 1;
  while (at < pbm.size() && pbm[at] == '#') at = pbm.find('\n', at) + 1;
  int width = 0, height = 0, offset = 0;
  ASSERT_EQ(std::sscanf(pbm.c_str() + at, "%d %d%n", &width, &height, &offset), 2);
  ASSERT_EQ(width, 210);
  ASSERT_EQ(height, 297);
  const std::size_t stride = (static_cast<std::size_t>(width) + 7) / 8, start = at + offset + 1;
  ASSERT_EQ(pbm.size(), start + stride * static_cast<std::size_t>(height));
  int inside = 0, margins = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (!((static_cast<unsigned char>(pbm[start + y * stride + x / 8]) >> (7 - x % 8)) & 1)) continue;
      // Texts are drawn 1.3 times their box's height in a proportional face, so a text may reach
      // past its box along its line (here up and down the turned page); across it, nothing may.
      const bool inMargin = x < 9 || x >= width - 9;
      (inMargin ? margins : inside) += 1;
    }
  }
  EXPECT_GT(inside, 50) << "the drawing is not on the page";
  EXPECT_EQ(margins, 0) << "ink in the margins";

  const Outcome text = plot("plan.dgn --format txt plan.txt");
  ASSERT_EQ(text.status, 0) << text.output;
  EXPECT_EQ(contents(dir_ + "/plan.txt"), "TITLE BLOCK\n");

  ASSERT_EQ(plot("plan.dgn --format hpgl --paper A3 plan.hpgl").status, 0);
  if (shell("command -v hp2xx").status == 0) {
    const Outcome read = shell("cd '" + dir_ + "' && hp2xx -q -m pbm -f plan.hpgl.pbm plan.hpgl");
    EXPECT_EQ(read.status, 0) << read.output;
  }
}

TEST_F(PlotCommand, NothingToDrawKeepsTheOldFileAndUnknownFormatsAreRefused) {
  ASSERT_EQ(shell("cd '" + dir_ + "' && printf 'design new empty.dgn\\ndesign close\\n' | '" + program_ + "' run -")
                .status,
            0);
  std::ofstream(dir_ + "/old.ps") << "the old plot\n";
  const Outcome empty = plot("empty.dgn --format ps old.ps");
  EXPECT_EQ(empty.status, 1) << empty.output;
  EXPECT_NE(empty.output.find("old.ps was not written"), std::string::npos) << empty.output;
  EXPECT_EQ(contents(dir_ + "/old.ps"), "the old plot\n");
  EXPECT_EQ(plot("plan.dgn --format pdf plan.pdf").status, 2);
  EXPECT_EQ(plot("plan.dgn --format ps").status, 2);
  EXPECT_EQ(plot("plan.dgn --format ps --paper B4 plan.ps").status, 1);
}

}  // namespace
