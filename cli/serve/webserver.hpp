// The HTTP side of pixmend serve: a cpp-httplib server on 127.0.0.1 in front of the engine.
//
// Every request must carry the run's token (the query's `token`, or the X-Pixmend-Token header;
// 403 without it), name this server as its host (127.0.0.1 or localhost and the port: a page of
// another site that points a name of its own at 127.0.0.1 is refused), stay within the size
// limits (413) and the rate limit (429). Bad requests get a 4xx with {"error": WHY} and change
// nothing.
//
//   GET  /                 the page (its files: /app.js, /style.css)
//   GET  /api/state        the session's state (snapshot.hpp)
//   POST /api/step         {"line": "point 10 20"}: one action, as a line of a session script
//   POST /api/answer       {"answers": ["item 2 out.tif", "ok"]}: the answer to the question asked
//   GET  /api/view.png     ?x0=&y0=&x1=&y1=&w=&h= (view 0, view coordinates), or ?fit=1&w=&h=
//   GET  /api/files        ?folder=NAME: a folder the page may reach, listed
//   GET  /api/events       server-sent events: progress, journal, changed, ended
//   POST /api/quit         ends the session as the host's exit does, then the server
#pragma once

#include <memory>
#include <string>

#include "cli/serve/engine.hpp"

namespace pixmend::serve {

struct Limits {
  std::size_t maxBody = 64 * 1024;  // bytes of a request's body
  double perSecond = 200;           // requests a second, on average
  double burst = 400;               // requests at once
};

class WebServer {
 public:
  WebServer(Engine& engine, Events& events, std::string token, Limits limits = {});
  ~WebServer();
  WebServer(const WebServer&) = delete;
  WebServer& operator=(const WebServer&) = delete;

  // Binds to 127.0.0.1:`port` (0: any free port). False with the reason.
  bool bind(int port, std::string* why);
  int port() const;
  // The address to open, token included.
  std::string url() const;
  // Serves on a thread of its own until stop().
  void start();
  void stop();

  // A new random token (32 hex digits from the system's random source).
  static std::string newToken();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace pixmend::serve
