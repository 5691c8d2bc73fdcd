// A served session for tests: a real scan copied into a scratch folder and attached to a new
// design there (as scripts/serve does), then `pixmend serve`'s engine and web server run on it in
// this process, the host on a thread of its own. Requests go through a real HTTP client.
#pragma once

#include <httplib.h>

#include <future>
#include <memory>
#include <string>
#include <thread>

#include <nlohmann/json.hpp>

#include "cli/serve/engine.hpp"
#include "cli/serve/webserver.hpp"
#include "support/scratch_dir.hpp"

namespace pixmend::serve::test {

// The scan the tests edit: the circuit diagram of the shared scans ("" without them).
std::string circuitScan();

// Lays out `folder`: `scan` copied as drawing.tif, the new design demo.dgn with it attached.
// Leaves the host reset.
void prepareDesign(const std::string& folder, const std::string& scan);

struct Response {
  int status = 0;
  nlohmann::json json;  // the body, when it is JSON
  std::string body;
};

class ServedSession {
 public:
  // Serves demo.dgn in `folder` (prepared), recording to folder/recording.pms when `record`.
  ServedSession(const std::string& folder, bool record, Limits limits = {});
  ~ServedSession();
  ServedSession(const ServedSession&) = delete;
  ServedSession& operator=(const ServedSession&) = delete;

  bool started() const { return started_; }
  const std::string& why() const { return why_; }
  int port() const { return server_->port(); }
  const std::string& token() const { return token_; }

  Response step(const std::string& line);
  Response answer(const std::vector<std::string>& answers);
  Response get(const std::string& path);  // the token added
  // A request exactly as given (no token added): for the refusals.
  Response raw(const std::string& method, const std::string& path, const std::string& body,
               const httplib::Headers& headers = {});

  // Quits (POST api/quit) and waits for the session's end; the journal as printed.
  std::string end();

 private:
  std::string folder_;
  std::string previous_;
  std::string token_;
  std::string why_;
  bool started_ = false;
  Folders folders_;
  Events events_;
  Recorder recorder_;
  std::unique_ptr<Engine> engine_;
  std::unique_ptr<WebServer> server_;
  std::thread host_;
  std::promise<bool> ready_;
  std::string journal_;
  bool ended_ = false;
};

}  // namespace pixmend::serve::test
