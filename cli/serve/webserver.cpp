// The HTTP side of pixmend serve (see webserver.hpp).
#include "cli/serve/webserver.hpp"

#include <httplib.h>
#include <sys/random.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include <nlohmann/json.hpp>

#include "cli/serve/assets.hpp"
#include "cli/serve/snapshot.hpp"

namespace pixmend::serve {
namespace {

using nlohmann::json;

constexpr int kThreads = 24;  // page requests, one events stream per page, keep-alive connections
constexpr auto kEventWait = std::chrono::seconds(15);

void send(httplib::Response& res, const Reply& reply) {
  res.status = reply.status;
  res.set_header("Cache-Control", "no-store");
  res.set_content(reply.body, reply.type.c_str());
}

void fail(httplib::Response& res, int status, const std::string& message) { send(res, errorReply(status, message)); }

// Compares in time that does not depend on where the texts differ.
bool sameSecret(const std::string& a, const std::string& b) {
  unsigned char diff = a.size() == b.size() ? 0 : 1;
  for (std::size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i % (b.empty() ? 1 : b.size())]);
  return diff == 0 && !b.empty();
}

std::optional<double> number(const httplib::Request& req, const char* name) {
  if (!req.has_param(name)) return std::nullopt;
  const std::string text = req.get_param_value(name);
  if (text.empty() || text.size() > 64) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const double value = std::strtod(text.c_str(), &end);
  if (*end != '\0' || errno == ERANGE || !std::isfinite(value)) return std::nullopt;
  return value;
}

// The body as a JSON object, or the reason it is not one.
std::optional<json> bodyObject(const httplib::Request& req, std::string* why) {
  json value = json::parse(req.body, nullptr, false);
  if (value.is_discarded() || !value.is_object()) {
    *why = "the body must be a JSON object";
    return std::nullopt;
  }
  return value;
}

const char* statusText(int status) {
  switch (status) {
    case 400: return "bad request";
    case 403: return "forbidden";
    case 404: return "no such page";
    case 405: return "that method is not served here";
    case 413: return "the request is too large";
    case 414: return "the address is too long";
    case 429: return "too many requests";
    default: return "the request could not be served";
  }
}

// Requests a second, as a bucket of tokens that fills at `perSecond` up to `burst`.
class RateLimit {
 public:
  RateLimit(double perSecond, double burst) : perSecond_(perSecond), burst_(burst), tokens_(burst) {}
  bool take() {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto now = std::chrono::steady_clock::now();
    tokens_ = std::min(burst_, tokens_ + std::chrono::duration<double>(now - last_).count() * perSecond_);
    last_ = now;
    if (tokens_ < 1) return false;
    tokens_ -= 1;
    return true;
  }

 private:
  std::mutex mutex_;
  double perSecond_, burst_, tokens_;
  std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

}  // namespace

struct WebServer::Impl {
  Impl(Engine& e, Events& ev, std::string t, Limits l)
      : engine(e), events(ev), token(std::move(t)), limits(l), rate(l.perSecond, l.burst) {}
  Engine& engine;
  Events& events;
  std::string token;
  Limits limits;
  RateLimit rate;
  httplib::Server server;
  int port = 0;
  std::thread thread;

  bool hostAllowed(const httplib::Request& req) const {
    const std::string host = req.get_header_value("Host");
    const std::string suffix = ":" + std::to_string(port);
    return host == "127.0.0.1" + suffix || host == "localhost" + suffix;
  }

  httplib::Server::HandlerResponse admit(const httplib::Request& req, httplib::Response& res) {
    if (!rate.take()) {
      fail(res, 429, "too many requests: at most " + std::to_string(static_cast<int>(limits.perSecond)) +
                         " a second");
      return httplib::Server::HandlerResponse::Handled;
    }
    if (!hostAllowed(req)) {
      fail(res, 403, "this server answers pages it served itself, at 127.0.0.1:" + std::to_string(port));
      return httplib::Server::HandlerResponse::Handled;
    }
    const std::string given =
        req.has_param("token") ? req.get_param_value("token") : req.get_header_value("X-Pixmend-Token");
    if (!sameSecret(given, token)) {
      fail(res, 403, given.empty() ? "the request carries no token: open the address pixmend serve printed"
                                   : "the token is not this server's");
      return httplib::Server::HandlerResponse::Handled;
    }
    const std::string origin = req.get_header_value("Origin");
    if (!origin.empty() && origin != "http://127.0.0.1:" + std::to_string(port) &&
        origin != "http://localhost:" + std::to_string(port)) {
      fail(res, 403, "requests from other sites are refused");
      return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
  }

  void asset(const std::string& name, const char* type, httplib::Response& res) const {
    const EmbeddedFile* file = findEmbeddedFile(name);
    if (file == nullptr) return fail(res, 404, "no such page");
    std::string text(reinterpret_cast<const char*>(file->bytes), file->size);
    // The page's own addresses carry the token too.
    for (std::size_t at = 0; (at = text.find("__TOKEN__", at)) != std::string::npos; at += token.size())
      text.replace(at, 9, token);
    res.set_header("Cache-Control", "no-store");
    res.set_header("Content-Security-Policy",
                   "default-src 'self'; img-src 'self' blob: data:; style-src 'self'; script-src 'self'; "
                   "connect-src 'self'; frame-ancestors 'none'");
    res.set_header("X-Content-Type-Options", "nosniff");
    res.set_content(text, type);
  }

  void routes() {
    server.set_payload_max_length(limits.maxBody);
    server.set_keep_alive_timeout(2);
    server.set_tcp_nodelay(true);  // small replies go out at once, not after a delayed acknowledgement
    server.set_read_timeout(5, 0);
    server.set_write_timeout(5, 0);
    server.new_task_queue = [] { return new httplib::ThreadPool(kThreads); };
    server.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) { return admit(req, res); });
    server.set_error_handler([](const httplib::Request&, httplib::Response& res) {
      if (res.body.empty()) send(res, errorReply(res.status, statusText(res.status)));
    });
    server.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
      send(res, errorReply(500, "the request could not be served"));
    });

    server.Get("/", [this](const httplib::Request&, httplib::Response& res) { asset("index.html", "text/html; charset=utf-8", res); });
    server.Get("/app.js", [this](const httplib::Request&, httplib::Response& res) {
      asset("app.js", "text/javascript; charset=utf-8", res);
    });
    server.Get("/style.css", [this](const httplib::Request&, httplib::Response& res) {
      asset("style.css", "text/css; charset=utf-8", res);
    });
    server.Get("/api/state", [this](const httplib::Request&, httplib::Response& res) { send(res, engine.state()); });
    server.Post("/api/step", [this](const httplib::Request& req, httplib::Response& res) {
      std::string why;
      const auto body = bodyObject(req, &why);
      if (!body) return fail(res, 400, why);
      const auto line = body->find("line");
      if (line == body->end() || !line->is_string()) return fail(res, 400, "the body must hold the step as \"line\"");
      send(res, engine.step(line->get<std::string>()));
    });
    server.Post("/api/answer", [this](const httplib::Request& req, httplib::Response& res) {
      std::string why;
      const auto body = bodyObject(req, &why);
      if (!body) return fail(res, 400, why);
      const auto answers = body->find("answers");
      if (answers == body->end() || !answers->is_array()) return fail(res, 400, "the body must hold \"answers\", a list");
      std::vector<std::string> given;
      for (const auto& a : *answers) {
        if (!a.is_string()) return fail(res, 400, "every answer is a text");
        given.push_back(a.get<std::string>());
      }
      send(res, engine.answer(given));
    });
    server.Post("/api/quit", [this](const httplib::Request&, httplib::Response& res) { send(res, engine.quit()); });
    server.Get("/api/view.png", [this](const httplib::Request& req, httplib::Response& res) {
      PictureRequest picture;
      const auto w = number(req, "w"), h = number(req, "h");
      if (!w || !h || *w < 1 || *h < 1 || *w > kMaxPagePicture || *h > kMaxPagePicture || *w != std::floor(*w) ||
          *h != std::floor(*h)) {
        return fail(res, 400, "w and h are whole numbers of pixels from 1 to " + std::to_string(kMaxPagePicture));
      }
      picture.width = static_cast<int>(*w);
      picture.height = static_cast<int>(*h);
      picture.fit = req.has_param("fit");
      if (!picture.fit) {
        const auto x0 = number(req, "x0"), y0 = number(req, "y0"), x1 = number(req, "x1"), y1 = number(req, "y1");
        if (!x0 || !y0 || !x1 || !y1) return fail(res, 400, "x0, y0, x1 and y1 are numbers (or ask for fit)");
        const double width = *x1 - *x0, height = *y1 - *y0;
        if (!(width > 0) || !(height > 0) || !std::isfinite(width) || !std::isfinite(height) ||
            std::fabs(*x0) > 1e15 || std::fabs(*y0) > 1e15 || std::fabs(*x1) > 1e15 || std::fabs(*y1) > 1e15) {
          return fail(res, 400, "the area must have a width and a height within the design plane");
        }
        picture.x0 = *x0;
        picture.y0 = *y0;
        picture.x1 = *x1;
        picture.y1 = *y1;
      }
      send(res, engine.picture(picture));
    });
    server.Get("/api/files", [this](const httplib::Request& req, httplib::Response& res) {
      send(res, engine.files(req.has_param("folder") ? req.get_param_value("folder") : "."));
    });
    server.Get("/api/events", [this](const httplib::Request&, httplib::Response& res) {
      if (!events.enter()) return fail(res, 429, "too many pages listen for events");
      auto after = std::make_shared<std::uint64_t>(events.newest());
      res.set_header("Cache-Control", "no-store");
      res.set_chunked_content_provider(
          "text/event-stream",
          [this, after](std::size_t, httplib::DataSink& sink) {
            if (events.closed()) return false;
            const auto next = events.next(after.get(), kEventWait);
            const std::string text = next ? *next : std::string(": still here\n\n");
            if (events.closed()) return false;
            return sink.write(text.data(), text.size());
          },
          [this](bool) { events.leave(); });
    });
  }
};

WebServer::WebServer(Engine& engine, Events& events, std::string token, Limits limits)
    : impl_(std::make_unique<Impl>(engine, events, std::move(token), limits)) {
  impl_->routes();
}

WebServer::~WebServer() { stop(); }

bool WebServer::bind(int port, std::string* why) {
  if (port < 0 || port > 65535) {
    *why = "the port is a number from 1 to 65535";
    return false;
  }
  if (port == 0) {
    impl_->port = impl_->server.bind_to_any_port("127.0.0.1");
    if (impl_->port <= 0) {
      *why = "cannot listen on 127.0.0.1";
      return false;
    }
  } else if (!impl_->server.bind_to_port("127.0.0.1", port)) {
    *why = "cannot listen on 127.0.0.1:" + std::to_string(port) + " (is it taken?)";
    return false;
  } else {
    impl_->port = port;
  }
  return true;
}

int WebServer::port() const { return impl_->port; }

std::string WebServer::url() const {
  return "http://127.0.0.1:" + std::to_string(impl_->port) + "/?token=" + impl_->token;
}

void WebServer::start() {
  impl_->thread = std::thread([this] { impl_->server.listen_after_bind(); });
  // Until it runs, a stop would be lost and leave the thread waiting for a connection.
  for (int i = 0; i < 5000 && !impl_->server.is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void WebServer::stop() {
  if (!impl_) return;
  impl_->events.close();
  impl_->server.stop();
  if (impl_->thread.joinable()) impl_->thread.join();
}

std::string WebServer::newToken() {
  unsigned char bytes[16];
  std::size_t got = 0;
  while (got < sizeof bytes) {
    const ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) std::abort();  // no random source: no token worth the name
    got += static_cast<std::size_t>(n);
  }
  std::string hex;
  char two[3];
  for (unsigned char b : bytes) {
    std::snprintf(two, sizeof two, "%02x", b);
    hex += two;
  }
  return hex;
}

}  // namespace pixmend::serve
