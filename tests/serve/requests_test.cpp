// pixmend serve's request handling, through a real HTTP client against the served session on a
// real scan: the token and the host name, refusals of bad requests that leave the session and the
// raster file as they were, questions answered by the page, file dialogs kept in their folders,
// thinned cursor moves.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "served.hpp"

namespace pixmend::serve::test {
namespace {

namespace fs = std::filesystem;

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class Requests : public ::testing::Test {
 protected:
  void SetUp() override {
    scan_ = circuitScan();
    if (scan_.empty()) GTEST_SKIP() << "the shared test scans were not found (PIXMEND_TESTDATA_DIR)";
    prepareDesign(dir_.path(), scan_);
  }
  testsupport::ScratchDir dir_{"serve"};
  std::string scan_;
};

TEST_F(Requests, EveryRequestCarriesTheTokenAndNamesThisServer) {
  ServedSession s(dir_.path(), false);
  ASSERT_TRUE(s.started()) << s.why();
  const std::string port = std::to_string(s.port());
  EXPECT_EQ(s.raw("GET", "/", "").status, 403);
  EXPECT_EQ(s.raw("GET", "/app.js", "").status, 403);
  const Response wrong = s.raw("GET", "/api/state?token=" + std::string(32, '0'), "");
  EXPECT_EQ(wrong.status, 403);
  EXPECT_EQ(wrong.json["error"], "the token is not this server's");
  EXPECT_EQ(s.raw("GET", "/api/state?token=" + s.token().substr(0, 31), "").status, 403);
  // The page and its files carry the token on to what they ask for.
  const Response page = s.get("/");
  ASSERT_EQ(page.status, 200);
  EXPECT_NE(page.body.find("app.js?token=" + s.token()), std::string::npos);
  EXPECT_EQ(s.get("/app.js").status, 200);
  EXPECT_EQ(s.raw("GET", "/api/state", "", {{"X-Pixmend-Token", s.token()}}).status, 200);
  // Another site's page that points a name of its own at 127.0.0.1, or posts from elsewhere.
  EXPECT_EQ(s.raw("GET", "/api/state", "", {{"X-Pixmend-Token", s.token()}, {"Host", "attacker.example:" + port}}).status,
            403);
  EXPECT_EQ(s.raw("POST", "/api/step", R"({"line": "reset"})",
                  {{"X-Pixmend-Token", s.token()}, {"Origin", "http://attacker.example"}})
                .status,
            403);
  EXPECT_EQ(s.raw("GET", "/api/state", "", {{"X-Pixmend-Token", s.token()}, {"Host", "localhost:" + port}}).status,
            200);
}

TEST_F(Requests, BadRequestsGetAClearRefusalAndChangeNothing) {
  const std::string before = readAll(dir_.file("drawing.tif"));
  ServedSession s(dir_.path(), true);
  ASSERT_TRUE(s.started()) << s.why();
  ASSERT_EQ(s.step("keyin vxraster select").status, 200);
  const auto journalBefore = s.get("/api/state").json["journal"];
  struct Case {
    std::string method, path, body;
    int status;
    std::string error;
  };
  const std::string t = "?token=" + s.token();
  const std::vector<Case> cases = {
      {"POST", "/api/step", R"({"line": "frobnicate 1 2"})", 400, "unknown verb 'frobnicate' (see pixmend --help)"},
      {"POST", "/api/step", R"({"line": "point 1,5 2"})", 400, "point: X and Y must be numbers"},
      {"POST", "/api/step", R"({"line": "point 1e300 2"})", 400,
       "the point lies beyond the design plane (2^53 units from the origin)"},
      {"POST", "/api/step", R"({"line": "point nan 2"})", 400, "point: X and Y must be numbers"},
      {"POST", "/api/step", R"({"line": "cursor 1 2 view 9"})", 400, "cursor: the view is a number from 0 to 7"},
      {"POST", "/api/step", R"({"line": "reset\nkeyin vxraster end"})", 400, "one line at a time"},
      {"POST", "/api/step", R"({"line": "copy drawing.tif /tmp/x.tif"})", 403, "the page cannot use the verb 'copy'"},
      {"POST", "/api/step", R"({"line": "set MS_TMP /"})", 403, "the page cannot use the verb 'set'"},
      {"POST", "/api/step", R"({"line": "keyin % rm drawing.tif"})", 403, "the page does not run operating-system commands"},
      {"POST", "/api/step", R"({"line": "keyin mdl load /tmp/evil.so"})", 403,
       "the page does not load or unload applications (mdl ...)"},
      {"POST", "/api/step", R"({"line": "item 4 4 /etc/"})", 403,
       "/etc/ lies outside the folders this server may use (the design's folder and the temporary folder)"},
      {"POST", "/api/step", R"j({"line": "item 1 4 $(HOME)"})j", 403,
       "configuration variables ($(...)) cannot be typed in the page"},
      {"POST", "/api/step", R"({"line": "item 1 99 5"})", 422, "dialog 1 has no item 99"},
      {"POST", "/api/step", R"({"line": "press 77 1"})", 422, "dialog 77 is not open"},
      {"POST", "/api/step", R"({"line": "menu VXRaster > Nothing"})", 422, "menu VXRaster has no entry Nothing"},
      {"POST", "/api/step", R"({"line": 5})", 400, "the body must hold the step as \"line\""},
      {"POST", "/api/step", "{not json", 400, "the body must be a JSON object"},
      {"POST", "/api/step", std::string(70000, ' '), 413, "the request is too large"},
      {"POST", "/api/answer", R"({"answers": ["yes"]})", 409, "nothing waits for an answer"},
      {"POST", "/api/answer", R"({"answers": "yes"})", 400, "the body must hold \"answers\", a list"},
      {"GET", "/api/view.png", "", 400, "w and h are whole numbers of pixels from 1 to 4096"},
      {"GET", "/api/view.png?w=10&h=10&x0=5&y0=0&x1=5&y1=1", "", 400,
       "the area must have a width and a height within the design plane"},
      {"GET", "/api/view.png?w=100000&h=10&fit=1", "", 400, "w and h are whole numbers of pixels from 1 to 4096"},
      {"GET", "/api/files?folder=..", "", 403, ""},
      {"GET", "/api/files?folder=/etc", "", 403, ""},
      {"GET", "/nowhere", "", 404, "no such page"},
  };
  for (const auto& c : cases) {
    const std::string path = c.path + (c.path.find('?') == std::string::npos ? t : "&" + t.substr(1));
    const Response r = s.raw(c.method, path, c.body, {{"X-Pixmend-Token", s.token()}});
    EXPECT_EQ(r.status, c.status) << c.method << " " << c.path << " " << c.body.substr(0, 60);
    if (!c.error.empty()) {
      EXPECT_EQ(r.json.value("error", ""), c.error) << c.path << " " << c.body.substr(0, 60);
    }
  }
  EXPECT_EQ(s.get("/api/state").json["journal"], journalBefore) << "a refused request reached the host";
  // A burst of malformed requests: each refused, the session works on, the scan untouched.
  int refused = 0;
  for (int i = 0; i < 1000; ++i) {
    const Response r = s.step(i % 2 == 0 ? "point " + std::to_string(i) + " x" : "keyin % true");
    refused += r.status == 400 || r.status == 403 || r.status == 429 ? 1 : 0;
  }
  EXPECT_EQ(refused, 1000);
  EXPECT_EQ(readAll(dir_.file("drawing.tif")), before);
  // Once the rate allows it again, the session works as before.
  Response next = s.step("keyin vxraster invert");
  for (int i = 0; i < 500 && next.status == 429; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    next = s.step("keyin vxraster invert");
  }
  ASSERT_EQ(next.status, 200) << next.body;
  EXPECT_EQ(s.get("/api/state").json["fields"]["keyin"], "vxraster invert");
  const std::string journal = s.end();
  EXPECT_EQ(readAll(dir_.file("drawing.tif")), before) << "inverting the display writes no pixels";
  // Only what was played is recorded.
  const std::string recording = readAll(dir_.file("recording.pms"));
  EXPECT_NE(recording.find("\nload VXRaster\nkeyin vxraster select\nkeyin vxraster invert\n"), std::string::npos)
      << recording;
}

TEST_F(Requests, ABurstBeyondTheRateIsToldToWait) {
  Limits limits;
  limits.perSecond = 5;
  limits.burst = 20;
  ServedSession s(dir_.path(), false, limits);
  ASSERT_TRUE(s.started()) << s.why();
  int slowed = 0;
  for (int i = 0; i < 60; ++i) slowed += s.get("/api/state").status == 429 ? 1 : 0;
  EXPECT_GE(slowed, 30);
  const Response r = s.get("/api/state");
  if (r.status == 429) {
    EXPECT_EQ(r.json["error"], "too many requests: at most 5 a second");
  }
}

TEST_F(Requests, ABoxWaitsForThePageAndItsAnswerIsRecordedBeforeItsStep) {
  ServedSession s(dir_.path(), true);
  ASSERT_TRUE(s.started()) << s.why();
  ASSERT_EQ(s.step("keyin vxraster select").status, 200);
  const Response asked = s.step("keyin vxraster detach");
  ASSERT_EQ(asked.status, 200);
  const auto& q = asked.json["question"];
  ASSERT_TRUE(q.is_object()) << asked.body;
  EXPECT_EQ(q["kind"], "box");
  EXPECT_EQ(q["buttons"], nlohmann::json({"yes", "no"}));
  // While the box waits: no other step, no answer that is no button of it; pictures still come.
  EXPECT_EQ(s.step("keyin vxraster end").status, 409);
  EXPECT_EQ(s.answer({"maybe"}).json["error"], "\"maybe\" is not a button of the box");
  const Response picture = s.get("/api/view.png?fit=1&w=200&h=200");
  EXPECT_EQ(picture.status, 200);
  EXPECT_EQ(picture.body.substr(1, 3), "PNG");
  const Response answered = s.answer({" No "});
  ASSERT_EQ(answered.status, 200);
  EXPECT_TRUE(answered.json["question"].is_null());
  const std::string journal = s.end();
  EXPECT_NE(journal.find("box: answer no\n"), std::string::npos) << journal;
  EXPECT_NE(readAll(dir_.file("recording.pms")).find("\nanswer no\nkeyin vxraster detach\n"), std::string::npos);
}

TEST_F(Requests, FileDialogsListAndTakeOnlyNamesInsideTheFolders) {
  const fs::path outside = fs::path(dir_.path()).parent_path();
  fs::create_symlink(outside, dir_.file("up"));
  fs::create_symlink("/etc/hostname", dir_.file("hostname.tif"));
  fs::create_directory(dir_.file("scans"));
  fs::copy_file(scan_, dir_.file("scans/second.tif"));
  ServedSession s(dir_.path(), true);
  ASSERT_TRUE(s.started()) << s.why();
  const Response asked = s.step("keyin raster attach interactive");
  ASSERT_EQ(asked.json["question"]["kind"], "file") << asked.body;
  for (const std::string name : {"../x.tif", "/etc/hostname", "up/x.tif", "hostname.tif", "scans/../../x.tif"}) {
    const Response r = s.answer({name});
    EXPECT_EQ(r.status, 403) << name;
    EXPECT_NE(r.json.value("error", "").find("lies outside the folders"), std::string::npos) << name << r.body;
  }
  const Response listing = s.get("/api/files?folder=.");
  ASSERT_EQ(listing.status, 200);
  std::vector<std::string> names;
  for (const auto& e : listing.json["entries"]) names.push_back(e["name"]);
  EXPECT_EQ(std::count(names.begin(), names.end(), "up"), 0);
  EXPECT_EQ(std::count(names.begin(), names.end(), "hostname.tif"), 0);
  EXPECT_EQ(std::count(names.begin(), names.end(), "scans"), 1);
  EXPECT_EQ(s.get("/api/files?folder=up").status, 403);
  const Response attached = s.answer({"scans/second.tif"});
  ASSERT_EQ(attached.status, 200) << attached.body;
  const std::string journal = s.end();
  EXPECT_NE(journal.find("dialog: file open \"Attach Raster Reference\" -> scans/second.tif (answered)\n"),
            std::string::npos)
      << journal;
  EXPECT_NE(journal.find("raster: attached scans/second.tif"), std::string::npos);
  EXPECT_NE(readAll(dir_.file("recording.pms")).find("\nanswer scans/second.tif\nkeyin raster attach interactive\n"),
            std::string::npos);
}

TEST_F(Requests, CursorMovesArePlayedOnlyWhileACommandDrawsDynamics) {
  ServedSession s(dir_.path(), true);
  ASSERT_TRUE(s.started()) << s.why();
  EXPECT_EQ(s.step("cursor 100 100").json.value("skipped", ""), "no command draws dynamics");
  ASSERT_EQ(s.step("keyin vxraster delete dynamic").status, 200);
  ASSERT_EQ(s.step("point 100 100").status, 200);
  const Response moved = s.step("cursor 200 150");
  EXPECT_FALSE(moved.json.contains("skipped")) << moved.body;
  ASSERT_EQ(s.step("reset").status, 200);
  ASSERT_EQ(s.step("reset").status, 200);
  s.end();
  const std::string recording = readAll(dir_.file("recording.pms"));
  EXPECT_EQ(recording.find("cursor 100 100"), std::string::npos);
  EXPECT_NE(recording.find("point 100 100\ncursor 200 150\nreset\n"), std::string::npos) << recording;
}

}  // namespace
}  // namespace pixmend::serve::test
