// The served session (see engine.hpp): the host's thread, its tasks and the questions it asks.
#include "cli/serve/engine.hpp"

#include <unistd.h>

#include <cmath>
#include <csignal>
#include <iostream>
#include <utility>

#include "cli/serve/policy.hpp"
#include "cli/serve/snapshot.hpp"
#include "host/config/config.hpp"
#include "host/output/journal.hpp"
#include "host/output/output.hpp"
#include "host/state/state.hpp"
#include "host/system/published.hpp"
#include "host/system/timers.hpp"
#include "host/view/api.h"
#include "host/raster/picture.hpp"

namespace pixmend::serve {
namespace {

using nlohmann::json;

constexpr auto kIdleWait = std::chrono::milliseconds(100);
constexpr int kTicksPerSecond = 60;

std::atomic<int> signalsSeen{0};

extern "C" void onStopSignal(int) {
  if (signalsSeen.fetch_add(1) == 0) {
    static const char said[] = "\npixmend serve: stopping once the current step is done (Ctrl-C again: at once)\n";
    const ssize_t ignored = ::write(STDERR_FILENO, said, sizeof said - 1);
    (void)ignored;
    return;
  }
  ::_exit(130);
}

Reply jsonReply(const json& value, int status = 200) {
  Reply r;
  r.status = status;
  r.body = jsonText(value);
  return r;
}

}  // namespace

Reply errorReply(int status, const std::string& message) { return jsonReply(json{{"error", message}}, status); }

// The completion bar of a long operation, pushed to the pages as it moves.
class ProgressEvents : public host::ProgressDisplay {
 public:
  explicit ProgressEvents(Events& events) : events_(events) {}
  void show(const std::string& message, int percent) override {
    current = Progress{message, percent};
    events_.publish("progress", jsonText(json{{"message", message}, {"percent", percent}}));
  }
  void close() override {
    current.reset();
    events_.publish("progress", jsonText(json{{"closed", true}}));
  }
  std::optional<Progress> current;

 private:
  Events& events_;
};

struct Engine::Task {
  enum class Kind { Step, Answer, Read, Quit };
  Kind kind = Kind::Read;
  std::string line;                  // Step
  std::vector<std::string> answers;  // Answer
  std::function<Reply()> read;       // Read: looks, changes nothing
  std::shared_ptr<std::promise<Reply>> reply = std::make_shared<std::promise<Reply>>();
};

Engine::Engine(Folders& folders, Events& events, Recorder& recorder)
    : folders_(folders), events_(events), recorder_(recorder), progress_(std::make_unique<ProgressEvents>(events)) {
  player_ = std::make_unique<cli::Player>("page", problems_);
  host::setProgressDisplay(progress_.get());
  host::setAnswerSource([this](const host::Question& q) { return ask(q); });
}

Engine::~Engine() {
  host::setAnswerSource(nullptr);
  host::setProgressDisplay(nullptr);
  host::journal().setEcho(nullptr);
}

void Engine::installSignalHandlers() {
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool Engine::stopWanted() const { return stopping_.load() || signalsSeen.load() > 0; }

void Engine::stop() {
  stopping_ = true;
  wake_.notify_all();
}

bool Engine::finished() {
  std::lock_guard<std::mutex> lock(mutex_);
  return finished_;
}

// ---- start -------------------------------------------------------------------------------------

bool Engine::start(const StartOptions& options, std::string* why) {
  if (options.echoJournal) host::journal().setEcho(&std::cout);
  commands_ = options.commands;
  std::vector<std::string> lines;
  for (const auto& name : options.variables) {
    if (const auto value = host::variableValue(name)) lines.push_back("set " + name + " " + *value);
  }
  if (!options.design.empty()) {
    lines.push_back(std::string(options.createDesign ? "design new " : "design open ") + options.design);
  }
  lines.push_back("load VXRaster");
  player_->begin();
  for (const auto& line : lines) {
    std::vector<cli::Step> steps;
    std::vector<cli::ScriptError> errors;
    if (!cli::readScript(line, &steps, &errors) || steps.size() != 1) {
      *why = line + ": " + (errors.empty() ? "not a step" : errors.front().message);
      return false;
    }
    const std::string problem = player_->play(steps.front());
    if (!problem.empty()) {
      *why = line + ": " + problem;
      return false;
    }
    recorder_.step(recordedLine(steps.front()));
  }
  // The folder VXRaster keeps its backup and overlay files in is one the page may reach.
  for (const char* access : {"userInterfaceData.tempDirectory"}) {
    if (const auto ref = host::resolveAccess(access)) {
      std::string folder = host::readText(*ref);
      // Names are appended to it as they are: "/scratch" keeps "/scratchbackup.vxr" in "/".
      const auto slash = folder.rfind('/');
      folder = slash == std::string::npos ? "." : folder.substr(0, slash + 1);
      std::string ignored;
      folders_.add(folder, &ignored);
    }
  }
  lastTick_ = std::chrono::steady_clock::now();
  journalSent_ = 0;
  publishChanges();
  return true;
}

// ---- requests from the server's threads ---------------------------------------------------------

Reply Engine::post(std::shared_ptr<Task> task) {
  auto reply = task->reply->get_future();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (finished_) return errorReply(503, "the session has ended");
    // A cursor move waiting to be played is replaced by a newer one.
    if (task->kind == Task::Kind::Step && task->line.rfind("cursor ", 0) == 0 && !queue_.empty()) {
      auto& last = queue_.back();
      if (last->kind == Task::Kind::Step && last->line.rfind("cursor ", 0) == 0) {
        last->reply->set_value(jsonReply(json{{"skipped", "a newer cursor move replaced it"}}));
        last = task;
        wake_.notify_all();
        return reply.get();
      }
    }
    queue_.push_back(task);
  }
  wake_.notify_all();
  return reply.get();
}

Reply Engine::step(const std::string& line) {
  auto task = std::make_shared<Task>();
  task->kind = Task::Kind::Step;
  task->line = line;
  return post(task);
}

Reply Engine::answer(const std::vector<std::string>& answers) {
  auto task = std::make_shared<Task>();
  task->kind = Task::Kind::Answer;
  task->answers = answers;
  return post(task);
}

Reply Engine::state() {
  auto task = std::make_shared<Task>();
  task->read = [this] { return stateReply(); };
  return post(task);
}

Reply Engine::picture(const PictureRequest& request) {
  auto task = std::make_shared<Task>();
  task->read = [request]() -> Reply {
    const std::vector<host::PictureLayer> layers = host::pictureLayers();
    host::PictureFrame frame;
    std::string why;
    const int longSide = request.fit ? std::max(request.width, request.height) : 0;
    if (!host::pictureFrame(0, longSide, layers, &frame, &why)) return errorReply(409, why);
    if (!request.fit) {
      frame.area = host::ViewArea{{request.x0, request.y0}, {request.x1, request.y1}};
      frame.width = request.width;
      frame.height = request.height;
    }
    Reply reply;
    reply.type = "image/png";
    if (!host::encodeViewPicture(frame, layers, &reply.body, &why)) return errorReply(500, why);
    return reply;
  };
  return post(task);
}

Reply Engine::files(const std::string& folder) {
  // The folders never change once the session has started, but their listing is asked on the
  // host's thread all the same, so that it sees the files as the last step left them.
  auto task = std::make_shared<Task>();
  task->read = [this, folder]() -> Reply {
    std::string why;
    const auto listing = folders_.list(folder, 2000, &why);
    if (!listing) return errorReply(403, why);
    json entries = json::array();
    for (const auto& e : listing->entries) entries.push_back({{"name", e.name}, {"path", e.path}, {"folder", e.folder}});
    json roots = json::array();
    for (const auto& r : folders_.roots()) roots.push_back(folders_.shown(r));
    return jsonReply(json{{"folder", listing->folder}, {"parent", listing->parent}, {"roots", roots},
                          {"entries", std::move(entries)}});
  };
  return post(task);
}

Reply Engine::quit() {
  auto task = std::make_shared<Task>();
  task->kind = Task::Kind::Quit;
  return post(task);
}

// ---- the host's thread ----------------------------------------------------------------------------

std::shared_ptr<Engine::Task> Engine::nextTask(std::chrono::milliseconds wait) {
  std::unique_lock<std::mutex> lock(mutex_);
  wake_.wait_for(lock, wait, [&] { return !queue_.empty() || stopWanted(); });
  if (queue_.empty()) return nullptr;
  auto task = queue_.front();
  queue_.pop_front();
  return task;
}

int Engine::run() {
  while (!stopWanted() && !quitting_ && !player_->exitRequested()) {
    if (auto task = nextTask(kIdleWait)) execute(task);
    playTicks();
  }
  std::deque<std::shared_ptr<Task>> left;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
    left.swap(queue_);
  }
  for (auto& task : left) task->reply->set_value(errorReply(503, "the session has ended"));
  const int status = player_->end();
  recorder_.close();
  publishChanges();
  events_.publish("ended", "{}");
  const Reply last = stateReply();
  for (auto& q : quitters_) q->set_value(last);
  quitters_.clear();
  return status;
}

void Engine::execute(const std::shared_ptr<Task>& task) {
  switch (task->kind) {
    case Task::Kind::Read:
      task->reply->set_value(task->read());
      return;
    case Task::Kind::Answer:
      task->reply->set_value(errorReply(409, "nothing waits for an answer"));
      return;
    case Task::Kind::Quit:
      quitting_ = true;
      quitters_.push_back(task->reply);
      return;
    case Task::Kind::Step:
      playStep(task);
      return;
  }
}

void Engine::playStep(const std::shared_ptr<Task>& task) {
  Checked checked = checkLine(task->line, folders_);
  if (!checked.ok) {
    task->reply->set_value(errorReply(checked.status, checked.message));
    return;
  }
  if (checked.step.verb == "cursor" && !host::dynamicsActive()) {
    task->reply->set_value(jsonReply(json{{"skipped", "no command draws dynamics"}}));
    return;
  }
  waiter_ = task->reply;
  answered_.clear();
  given_.clear();
  const std::string problem = player_->play(checked.step);
  if (problem.empty()) {
    recorder_.step(recordedLine(checked.step), answered_);
  } else if (!answered_.empty()) {
    // Refused steps change nothing and ask nothing; should one have asked all the same, the
    // recording says so rather than queue answers for another step.
    recorder_.comment("refused, after answers were given: " + recordedLine(checked.step));
  }
  answered_.clear();
  given_.clear();
  publishChanges();
  settle(problem.empty() ? stateReply() : errorReply(422, problem));
}

void Engine::playTicks() {
  const auto now = std::chrono::steady_clock::now();
  const auto seconds = std::chrono::duration<double>(now - lastTick_).count();
  if (seconds < 1) return;
  lastTick_ = now;
  if (!host::timersPending()) return;
  const long units = std::lround(std::min(seconds, 3600.0) * kTicksPerSecond);
  auto task = std::make_shared<Task>();
  task->kind = Task::Kind::Step;
  cli::Step step;
  step.verb = "tick";
  step.rest = std::to_string(units);
  step.words = {step.rest};
  waiter_ = nullptr;
  answered_.clear();
  if (player_->play(step).empty()) recorder_.step(recordedLine(step), answered_);
  answered_.clear();
  publishChanges();
}

std::optional<host::Answer> Engine::ask(const host::Question& question) {
  questions_.push_back(question);
  publishChanges();
  settle(stateReply());
  std::optional<std::string> chosen;
  while (!chosen) {
    if (stopWanted() || quitting_) {
      chosen = safeAnswer(question);
      break;
    }
    if (!given_.empty()) {
      chosen = given_.front();
      given_.pop_front();
      break;
    }
    auto task = nextTask(kIdleWait);
    if (!task) continue;
    switch (task->kind) {
      case Task::Kind::Read:
        task->reply->set_value(task->read());
        break;
      case Task::Kind::Step:
        task->reply->set_value(errorReply(409, "VXRaster waits for an answer first"));
        break;
      case Task::Kind::Quit:
        quitting_ = true;
        quitters_.push_back(task->reply);
        break;
      case Task::Kind::Answer: {
        std::vector<std::string> answers;
        const Checked checked = checkAnswers(task->answers, question, folders_, &answers);
        if (!checked.ok) {
          task->reply->set_value(errorReply(checked.status, checked.message));
          break;
        }
        given_.assign(answers.begin(), answers.end());
        waiter_ = task->reply;
        break;
      }
    }
  }
  questions_.pop_back();
  answered_.push_back(*chosen);
  return host::Answer{*chosen};
}

void Engine::settle(Reply reply) {
  if (!waiter_) return;
  waiter_->set_value(std::move(reply));
  waiter_.reset();
}

Reply Engine::stateReply() {
  SnapshotInput input;
  input.version = version_;
  input.question = questions_.empty() ? nullptr : &questions_.back();
  input.progress = progress_->current;
  input.commands = &commands_;
  input.ended = finished();
  return jsonReply(sessionState(input));
}

void Engine::publishChanges() {
  const auto& entries = host::journal().entries();
  if (journalSent_ > entries.size()) journalSent_ = 0;  // a reset emptied it
  if (journalSent_ < entries.size()) {
    json lines = json::array();
    for (std::size_t i = journalSent_; i < entries.size(); ++i) lines.push_back(host::Journal::format(entries[i]));
    journalSent_ = entries.size();
    events_.publish("journal", jsonText(lines));
  }
  ++version_;
  events_.publish("changed", jsonText(json{{"version", version_}}));
}

}  // namespace pixmend::serve
