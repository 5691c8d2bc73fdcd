// A session edited through the page's requests and recorded by pixmend serve plays again with
// the session player of `pixmend run` to the very same journal and the same file, byte for byte:
// on the scanned circuit diagram, a selection, tool settings changed, a rectangle copied with a
// quarter turn (its outline following the cursor), a rectangle of it deleted, a box answered, an
// undo from the menu.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "cli/session.hpp"
#include "host/lifecycle.hpp"
#include "served.hpp"

namespace pixmend::serve::test {
namespace {

namespace fs = std::filesystem;

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(Replay, ARecordedSessionPlaysAgainToTheSameJournalAndPixels) {
  const std::string scan = circuitScan();
  if (scan.empty()) GTEST_SKIP() << "the shared test scans were not found (PIXMEND_TESTDATA_DIR)";
  testsupport::ScratchDir served("served"), replayed("replayed");
  prepareDesign(served.path(), scan);
  prepareDesign(replayed.path(), scan);
  const std::string original = readAll(served.file("drawing.tif"));

  std::string journal;
  {
    ServedSession s(served.path(), true);
    ASSERT_TRUE(s.started()) << s.why();
    const auto play = [&](const std::string& line) {
      const Response r = s.step(line);
      EXPECT_EQ(r.status, 200) << line << ": " << r.body;
      return r;
    };
    play("keyin vxraster select");
    play("item 1 1 Rectangle");
    play("item 1 2 90 degrees");
    // "Primary circuit." picked up, turned a quarter and put in the free space at the lower right.
    play("keyin vxraster copy");
    play("point 51.84 594");
    play("cursor 120.5 700.25");
    play("point 293.76 784.08");
    play("point 51.84 594");
    play("cursor 1400 200");
    play("cursor 1641.6 166.32");
    play("point 1641.6 166.32");
    play("reset");
    // The lettering's box deleted (written back at once).
    play("keyin vxraster delete dynamic");
    play("point 60 600");
    play("cursor 200 700");
    play("point 290 780");
    play("reset");
    // A question answered in the page, and an undo chosen in the menu.
    const Response asked = play("keyin vxraster detach");
    ASSERT_TRUE(asked.json["question"].is_object()) << asked.body;
    EXPECT_EQ(s.answer({"no"}).status, 200);
    play("menu VXRaster > Undo");
    journal = s.end();
  }
  for (const char* entry : {"dynamics: shape", "box: answer no\n", "menu: chose VXRaster > ~Undo\n", "file: wrote drawing.tif\n"})
    EXPECT_NE(journal.find(entry), std::string::npos) << entry;
  const std::string edited = readAll(served.file("drawing.tif"));
  EXPECT_NE(edited, original) << "the session changed the scan";
  const std::string recording = readAll(served.file("recording.pms"));
  EXPECT_NE(recording.find("\nanswer no\nkeyin vxraster detach\nmenu VXRaster > Undo\n"), std::string::npos)
      << recording;

  const auto previous = fs::current_path();
  fs::current_path(replayed.path());
  host::resetHost();
  std::ostringstream replay, problems;
  const int status = cli::runScript(recording, "recording.pms", replay, problems);
  host::resetHost();
  fs::current_path(previous);
  EXPECT_EQ(status, 0) << problems.str();
  EXPECT_EQ(replay.str(), journal);
  EXPECT_EQ(readAll(replayed.file("drawing.tif")), edited);
}

}  // namespace
}  // namespace pixmend::serve::test
