// A served session for tests (see served.hpp).
#include "served.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "cli/session.hpp"
#include "host/config/config.hpp"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"

namespace pixmend::serve::test {

namespace fs = std::filesystem;

std::string circuitScan() {
  const std::string scan = std::string(PIXMEND_TESTDATA_DIR) + "/tiff/CCITT_2.TIF";
  std::error_code error;
  return std::string(PIXMEND_TESTDATA_DIR).empty() || !fs::exists(scan, error) ? "" : scan;
}

void prepareDesign(const std::string& folder, const std::string& scan) {
  const auto previous = fs::current_path();
  fs::current_path(folder);
  host::resetHost();
  std::ostringstream out, errors;
  const int status =
      cli::runScript("copy " + scan + " drawing.tif\ndesign new demo.dgn\nattach drawing.tif\n", "setup", out, errors);
  EXPECT_EQ(status, 0) << errors.str();
  host::resetHost();
  fs::current_path(previous);
}

ServedSession::ServedSession(const std::string& folder, bool record, Limits limits)
    : folder_(folder), previous_(fs::current_path().string()), token_(WebServer::newToken()), folders_(folder) {
  fs::current_path(folder_);
  std::string why;
  folders_.add(".", &why);
  if (record) {
    EXPECT_TRUE(recorder_.open("recording.pms", &why)) << why;
  }
  for (const auto& [name, value] : {std::pair{"MS_TMP", "./"}, {"MS_USERPREF", "host.upf"}, {"VX_DIR", "./"}})
    host::defineVariable(name, value, host::kCfgLevelUser);
  engine_ = std::make_unique<Engine>(folders_, events_, recorder_);
  server_ = std::make_unique<WebServer>(*engine_, events_, token_, limits);
  if (!server_->bind(0, &why_)) return;
  server_->start();
  host_ = std::thread([this] {
    StartOptions options;
    options.design = "demo.dgn";
    options.variables = {"MS_TMP", "MS_USERPREF", "VX_DIR"};
    std::string problem;
    const bool ok = engine_->start(options, &problem);
    if (!ok) {
      why_ = problem;
      engine_->stop();
    }
    ready_.set_value(ok);
    engine_->run();
    journal_ = host::journal().str();
  });
  started_ = ready_.get_future().get();
}

ServedSession::~ServedSession() {
  if (!ended_) end();
  fs::current_path(previous_);
  host::resetHost();
}

std::string ServedSession::end() {
  if (ended_) return journal_;
  ended_ = true;
  if (started_) raw("POST", "/api/quit", "{}", {{"X-Pixmend-Token", token_}});
  engine_->stop();
  if (host_.joinable()) host_.join();
  server_->stop();
  return journal_;
}

Response ServedSession::raw(const std::string& method, const std::string& path, const std::string& body,
                            const httplib::Headers& headers) {
  httplib::Client client("127.0.0.1", port());
  client.set_read_timeout(120, 0);
  httplib::Result result = method == "POST" ? client.Post(path.c_str(), headers, body, "application/json")
                                            : client.Get(path.c_str(), headers);
  Response r;
  if (!result) return r;
  r.status = result->status;
  r.body = result->body;
  r.json = nlohmann::json::parse(r.body, nullptr, false);
  return r;
}

Response ServedSession::step(const std::string& line) {
  return raw("POST", "/api/step", nlohmann::json{{"line", line}}.dump(), {{"X-Pixmend-Token", token_}});
}

Response ServedSession::answer(const std::vector<std::string>& answers) {
  return raw("POST", "/api/answer", nlohmann::json{{"answers", answers}}.dump(), {{"X-Pixmend-Token", token_}});
}

Response ServedSession::get(const std::string& path) {
  return raw("GET", path + (path.find('?') == std::string::npos ? "?" : "&") + "token=" + token_, "");
}

}  // namespace pixmend::serve::test
