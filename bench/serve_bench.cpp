// The click-to-picture round trip of pixmend serve: a data point sent as the page sends it (POST
// api/step) and the view's new picture fetched as the page fetches it (GET api/view.png, the size
// of a page's view), over HTTP on 127.0.0.1, against a served session on an A4 scan at 300 dpi
// (2480 x 3518 pixels, page 1 of the shared scans' fivepages-scan-causingerrors.tif).
//
//   click/smart   the smart delete's click on a glyph: the glyph's ink selected, its overlay
//                 raster written and attached, the picture with it (then a reset, not timed)
//   click/corner  the first corner of a dynamic rectangle delete: the rubber band starts (then a
//                 reset, not timed)
//   picture       the picture alone
//
// Wall time (the server's threads do the work): the round trip a person waits for. Run it on a
// quiet machine; the figure asked for is under 100 ms a click.
#include <benchmark/benchmark.h>
#include <httplib.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <future>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/serve/engine.hpp"
#include "cli/serve/webserver.hpp"
#include "cli/session.hpp"
#include "host/config/config.hpp"
#include "host/image/formats.hpp"
#include "host/image/image.hpp"
#include "host/lifecycle.hpp"

namespace pixmend::bench {
namespace {

namespace fs = std::filesystem;

constexpr int kPageWidth = 1200, kPageHeight = 800;

std::string scanPath() {
  const char* set = std::getenv("PIXMEND_TESTDATA");
  const std::string dir = set != nullptr && *set != '\0' ? set : PIXMEND_TESTDATA_DIR;
  return dir.empty() ? "" : dir + "/tiff/fivepages-scan-causingerrors.tif";
}

// A glyph of the scan: an ink pixel (design point at its centre) of a 4-connected component of
// 40 to 3000 pixels, the first found walking the middle rows.
bool findGlyph(const host::ImageBuffer& image, double* x, double* y) {
  const int w = image.width, h = image.height;
  const std::size_t stride = rowBytes(w);
  auto ink = [&](int px, int py) { return ((image.data[static_cast<std::size_t>(py) * stride + px / 8] >> (7 - px % 8)) & 1) != 0; };
  std::vector<std::uint8_t> seen(static_cast<std::size_t>(w) * h, 0);
  for (int py = h / 2; py < h - 1; py += 7) {
    for (int px = 1; px < w - 1; ++px) {
      if (!ink(px, py) || seen[static_cast<std::size_t>(py) * w + px]) continue;
      std::deque<std::pair<int, int>> todo{{px, py}};
      seen[static_cast<std::size_t>(py) * w + px] = 1;
      int count = 0;
      while (!todo.empty() && count <= 3000) {
        const auto [cx, cy] = todo.front();
        todo.pop_front();
        ++count;
        for (const auto& [nx, ny] : {std::pair{cx + 1, cy}, {cx - 1, cy}, {cx, cy + 1}, {cx, cy - 1}}) {
          if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
          auto& s = seen[static_cast<std::size_t>(ny) * w + nx];
          if (!s && ink(nx, ny)) {
            s = 1;
            todo.emplace_back(nx, ny);
          }
        }
      }
      if (count >= 40 && count <= 3000) {
        *x = px + 0.5;
        *y = h - py - 0.5;  // one design unit a pixel, the origin at the lower left
        return true;
      }
    }
  }
  return false;
}

// The served session, its host on a thread of its own, as pixmend serve runs it.
class Served {
 public:
  explicit Served(const std::string& folder) : folders_(folder), token_(serve::WebServer::newToken()) {
    std::string why;
    folders_.add(".", &why);
    for (const auto& [name, value] : {std::pair{"MS_TMP", "./"}, {"MS_USERPREF", "host.upf"}, {"VX_DIR", "./"}})
      host::defineVariable(name, value, host::kCfgLevelUser);
    engine_ = std::make_unique<serve::Engine>(folders_, events_, recorder_);
    server_ = std::make_unique<serve::WebServer>(*engine_, events_, token_, serve::Limits{64 * 1024, 1e6, 1e6});
    ok_ = server_->bind(0, &why);
    if (!ok_) return;
    server_->start();
    std::promise<bool> ready;
    auto started = ready.get_future();
    host_ = std::thread([this, &ready] {
      serve::StartOptions options;
      options.design = "page.dgn";
      std::string problem;
      const bool ok = engine_->start(options, &problem);
      if (!ok) engine_->stop();
      ready.set_value(ok);
      engine_->run();
    });
    ok_ = started.get();
    client_ = std::make_unique<httplib::Client>("127.0.0.1", server_->port());
    client_->set_default_headers({{"X-Pixmend-Token", token_}});
    client_->set_keep_alive(true);
    client_->set_tcp_nodelay(true);
  }
  ~Served() {
    if (client_) client_->Post("/api/quit", "{}", "application/json");
    engine_->stop();
    if (host_.joinable()) host_.join();
    server_->stop();
  }
  bool ok() const { return ok_; }

  bool step(const std::string& line) {
    const auto r = client_->Post("/api/step", nlohmann::json{{"line", line}}.dump(), "application/json");
    return r && r->status == 200;
  }
  std::size_t picture(const std::string& area) {
    const auto r = client_->Get(("/api/view.png?w=" + std::to_string(kPageWidth) + "&h=" + std::to_string(kPageHeight) + area).c_str());
    return r && r->status == 200 ? r->body.size() : 0;
  }

 private:
  serve::Folders folders_;
  serve::Events events_;
  serve::Recorder recorder_;
  std::string token_;
  std::unique_ptr<serve::Engine> engine_;
  std::unique_ptr<serve::WebServer> server_;
  std::unique_ptr<httplib::Client> client_;
  std::thread host_;
  bool ok_ = false;
};

struct Fixture {
  std::string folder;
  std::string previous;
  double glyphX = 0, glyphY = 0;
  std::unique_ptr<Served> served;
  std::string why;

  Fixture() {
    const std::string scan = scanPath();
    if (scan.empty() || !fs::exists(scan)) {
      why = "the shared test scans were not found (PIXMEND_TESTDATA)";
      return;
    }
    host::ImageBuffer image;
    if (host::readImageFile(scan.c_str(), IMAGEFILE_FROM_FILE, image, nullptr) != 0 || !findGlyph(image, &glyphX, &glyphY)) {
      why = "no glyph found on " + scan;
      return;
    }
    folder = (fs::temp_directory_path() / ("pixmend-serve-bench-" + std::to_string(::getpid()))).string();
    fs::create_directories(folder);
    previous = fs::current_path().string();
    fs::current_path(folder);
    host::resetHost();
    std::ostringstream out, errors;
    cli::runScript("copy " + scan + " page.tif\ndesign new page.dgn\nattach page.tif\n", "setup", out, errors);
    host::resetHost();
    served = std::make_unique<Served>(folder);
    if (!served->ok() || !served->step("keyin vxraster select")) why = "the session did not start";
  }
  ~Fixture() {
    served.reset();
    host::resetHost();
    if (!previous.empty()) fs::current_path(previous);
    std::error_code error;
    if (!folder.empty()) fs::remove_all(folder, error);
  }
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

// The area around a point that a page zoomed to a scan pixel a screen pixel shows.
std::string areaAround(double x, double y) {
  char text[160];
  std::snprintf(text, sizeof text, "&x0=%g&y0=%g&x1=%g&y1=%g", x - kPageWidth / 2.0, y - kPageHeight / 2.0,
                x + kPageWidth / 2.0, y + kPageHeight / 2.0);
  return text;
}

void clickToPicture(benchmark::State& state, const char* command, bool onGlyph, bool fitted) {
  Fixture& f = fixture();
  if (!f.why.empty()) {
    state.SkipWithError(f.why.c_str());
    return;
  }
  const std::string area = fitted ? "&fit=1" : areaAround(f.glyphX, f.glyphY);
  const double x = onGlyph ? f.glyphX : f.glyphX - 200.25, y = onGlyph ? f.glyphY : f.glyphY + 150.5;
  char point[96];
  std::snprintf(point, sizeof point, "point %.2f %.2f", x, y);
  f.served->step(std::string("keyin ") + command);
  std::size_t bytes = 0;
  for (auto _ : state) {
    if (!f.served->step(point)) state.SkipWithError("the click was refused");
    bytes = f.served->picture(area);
    if (bytes == 0) state.SkipWithError("no picture came");
    state.PauseTiming();
    f.served->step("reset");
    state.ResumeTiming();
  }
  f.served->step("reset");
  state.counters["png_bytes"] = static_cast<double>(bytes);
}

void BM_ClickSmartDeleteThenPicture(benchmark::State& state) {
  clickToPicture(state, "vxraster delete smart", true, state.range(0) != 0);
}
BENCHMARK(BM_ClickSmartDeleteThenPicture)->ArgName("fit")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ClickRectangleCornerThenPicture(benchmark::State& state) {
  clickToPicture(state, "vxraster delete dynamic", false, state.range(0) != 0);
}
BENCHMARK(BM_ClickRectangleCornerThenPicture)->ArgName("fit")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PictureAlone(benchmark::State& state) {
  Fixture& f = fixture();
  if (!f.why.empty()) {
    state.SkipWithError(f.why.c_str());
    return;
  }
  const std::string area = state.range(0) != 0 ? "&fit=1" : areaAround(f.glyphX, f.glyphY);
  for (auto _ : state) benchmark::DoNotOptimize(f.served->picture(area));
}
BENCHMARK(BM_PictureAlone)->ArgName("fit")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace pixmend::bench

BENCHMARK_MAIN();
