// The served session: the host's session engine run on one thread (the host is single-threaded),
// with the page's requests brought to it as tasks. Each action of the page is a line of a session
// script played through the same player as `pixmend run` (cli/session.hpp) and recorded as it is
// played, so the recording replays to the same journal and pixels.
//
// While a step runs, a box, a modal dialog or a file dialog may ask for an answer: the step's
// request is answered at once with the session's state (which holds the question), and the host
// waits, still drawing pictures and telling its state, until the page answers (POST answer);
// that request is answered when the step has finished or the next question comes. Steps sent
// meanwhile are refused (409). Stopping (Ctrl-C) while a question waits answers it with the
// answer that changes nothing (cancel, else no).
//
// Cursor moves are thinned before they are played: one that arrives while another waits to be
// played replaces it, and one that comes while no command draws dynamics is not played at all
// (it would change nothing). Every move that is played is recorded.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/serve/events.hpp"
#include "cli/serve/folders.hpp"
#include "cli/serve/recorder.hpp"
#include "cli/session.hpp"
#include "host/output/answers.hpp"
#include "host/state/state.hpp"

namespace pixmend::serve {

struct Reply {
  int status = 200;
  std::string type = "application/json";
  std::string body;
};
// {"error": MESSAGE} with `status`.
Reply errorReply(int status, const std::string& message);

// The part of the design a picture shows: a rectangle of view 0 (view coordinates) in
// width x height pixels; `fit` asks for the rasters' whole extent instead.
struct PictureRequest {
  bool fit = true;
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  int width = 0, height = 0;
};
constexpr int kMaxPagePicture = 4096;

struct StartOptions {
  std::string design;          // the design file's name in the working folder; "" a temporary design
  bool createDesign = false;   // design new rather than design open
  std::vector<std::string> variables;  // configuration variables recorded with their values first
  bool echoJournal = false;    // print the journal on standard output as it grows
  std::vector<host::CommandTableEntry> commands;  // VXRaster's key-ins, for the page's list
};

class Engine {
 public:
  Engine(Folders& folders, Events& events, Recorder& recorder);
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // On the host's thread. Plays (and records) the start of the session: the configuration
  // variables set as they are, the design opened or created, VXRaster loaded; the temporary
  // folder VXRaster uses becomes one the page may reach. False with the reason.
  bool start(const StartOptions& options, std::string* why);
  // On the host's thread: serves requests until stopped (stop(), the page's quit, Ctrl-C, the
  // host asked to exit), then ends the session as the host's exit does. Returns its status.
  int run();

  // Any thread. Ends the session soon.
  void stop();
  // The handler of SIGINT and SIGTERM: the first asks to stop, a second ends the process at once
  // (nothing half-written stays: every file is replaced whole or not at all).
  static void installSignalHandlers();

  // Requests, from any thread; each waits for its reply.
  Reply step(const std::string& line);
  Reply answer(const std::vector<std::string>& answers);
  Reply state();
  Reply picture(const PictureRequest& request);
  Reply files(const std::string& folder);
  Reply quit();

  bool finished();

 private:
  struct Task;
  Reply post(std::shared_ptr<Task> task);
  std::shared_ptr<Task> nextTask(std::chrono::milliseconds wait);
  void execute(const std::shared_ptr<Task>& task);
  void playStep(const std::shared_ptr<Task>& task);
  void playTicks();
  std::optional<host::Answer> ask(const host::Question& question);
  void settle(Reply reply);
  Reply stateReply();
  void publishChanges();
  bool stopWanted() const;

  Folders& folders_;
  Events& events_;
  Recorder& recorder_;
  std::ostringstream problems_;  // reasons of refused steps go back to the page instead
  std::unique_ptr<cli::Player> player_;
  std::unique_ptr<class ProgressEvents> progress_;

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::shared_ptr<Task>> queue_;
  bool finished_ = false;

  // The host's thread only.
  std::shared_ptr<std::promise<Reply>> waiter_;  // the request answered when the session settles
  std::vector<host::Question> questions_;       // asking now, innermost last
  std::deque<std::string> given_;               // answers the page gave, not yet taken
  std::vector<std::string> answered_;           // answers taken during the running step
  std::vector<std::shared_ptr<std::promise<Reply>>> quitters_;
  std::vector<host::CommandTableEntry> commands_;
  std::size_t journalSent_ = 0;
  std::uint64_t version_ = 0;
  bool quitting_ = false;
  std::atomic<bool> stopping_{false};
  std::chrono::steady_clock::time_point lastTick_;
};

}  // namespace pixmend::serve
