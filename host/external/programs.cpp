// Other programs started by the host (see api.h): finding them along PATH, posix_spawn, waiting
// with waitpid, ending them, and the host-owned records that say whether they still run.
//
// Records are never handed out by value: callers get a pointer into a record the host owns and
// every call checks that pointer against the live records first. A program nobody waits for is
// reaped once the host is idle, so no process is left behind as a zombie.
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "host/config/config.hpp"
#include "host/external/api.h"
#include "host/external/external.hpp"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/system/idle.hpp"

extern char** environ;

namespace pixmend::host {
namespace {

constexpr std::size_t kMaxArguments = 4096;
constexpr std::size_t kMaxArgumentBytes = 256 * 1024;
// Ended programs whose records a caller may still hold; older ones are forgotten (a later call
// with such a record is refused like any unknown one).
constexpr std::size_t kKeptEndedRecords = 256;
constexpr int kTerminateGraceMs = 2000;
constexpr const char* kDefaultPath = "/usr/local/bin:/usr/bin:/bin";

struct Record {
  ExternalProgram pub{};  // what callers see: the pointer handed out is &pub
  std::string name;       // the program as the caller spelled it, for the journal
  bool detached = false;  // no caller holds the record: forget it once the program has ended
};

std::vector<std::unique_ptr<Record>>& records() {
  static std::vector<std::unique_ptr<Record>> list;
  return list;
}

Record* find(const ExternalProgram* program) {
  if (program == nullptr) return nullptr;
  for (const auto& r : records()) {
    if (&r->pub == program) return r.get();
  }
  return nullptr;
}

void setEnded(Record& r, int status) {
  r.pub.running = 0;
  if (WIFEXITED(status)) {
    r.pub.exitStatus = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    r.pub.exitStatus = 128 + WTERMSIG(status);
  } else {
    r.pub.exitStatus = -1;
  }
}

// Collects the program's end if it has come (or waits for it with `block`). True when ended.
bool reap(Record& r, bool block) {
  if (r.pub.running == 0) return true;
  int status = 0;
  for (;;) {
    const pid_t got = ::waitpid(r.pub.processId, &status, block ? 0 : WNOHANG);
    if (got == r.pub.processId) {
      setEnded(r, status);
      return true;
    }
    if (got == 0) return false;
    if (errno == EINTR) continue;
    // Someone else collected it (or it was never ours): it is gone either way.
    r.pub.running = 0;
    r.pub.exitStatus = -1;
    return true;
  }
}

std::string describeEnd(const Record& r) {
  return r.name + " ended with status " + std::to_string(r.pub.exitStatus);
}

// Forgets detached records of ended programs, and the oldest ended records beyond the ones kept.
void prune() {
  auto& list = records();
  list.erase(std::remove_if(list.begin(), list.end(),
                            [](const auto& r) { return r->detached && r->pub.running == 0; }),
             list.end());
  std::size_t ended = 0;
  for (const auto& r : list) ended += r->pub.running == 0 ? 1 : 0;
  for (auto it = list.begin(); it != list.end() && ended > kKeptEndedRecords;) {
    if ((*it)->pub.running == 0) {
      it = list.erase(it);
      --ended;
    } else {
      ++it;
    }
  }
}

bool reapFinished() {
  for (const auto& r : records()) reap(*r, false);
  prune();
  return false;  // never more work for another round
}

bool isExecutableFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

int spawn(ExternalProgram** programP, const char* program, const std::vector<std::string>& arguments, int flags) {
  if (programP != nullptr) *programP = nullptr;
  if (program == nullptr || *program == '\0') {
    journal().append("external", "cannot start a program without a name");
    return MDLERR_BADARG;
  }
  const std::string name = program;
  std::size_t bytes = name.size();
  for (const auto& a : arguments) bytes += a.size() + 1;
  if (arguments.size() > kMaxArguments || bytes > kMaxArgumentBytes) {
    journal().append("external", "cannot start " + name + ": the arguments are too long");
    return MDLERR_TOOLARGE;
  }
  const std::string path = findProgram(name);
  if (path.empty()) {
    journal().append("external", "cannot start " + name + ": no such program");
    return MDLERR_FILENOTFOUND;
  }

  std::vector<char*> argv;
  std::vector<std::string> words;
  words.reserve(arguments.size() + 1);
  words.push_back(name);  // started under its own spelling
  words.insert(words.end(), arguments.begin(), arguments.end());
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, 2, 1);  // keep standard output for the journal

  auto attempt = [&](bool idle) {
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int s : {SIGPIPE, SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGCHLD}) sigaddset(&defaults, s);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    short spawnFlags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    if (idle) {
      sched_param param{};
      param.sched_priority = 0;
      posix_spawnattr_setschedpolicy(&attributes, SCHED_IDLE);
      posix_spawnattr_setschedparam(&attributes, &param);
      spawnFlags |= POSIX_SPAWN_SETSCHEDULER;
    }
    posix_spawnattr_setflags(&attributes, spawnFlags);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, path.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    return std::make_pair(rc, pid);
  };
  const bool idle = (flags & EXTERNAL_PRIORITY_IDLE) != 0;
  std::pair<int, pid_t> started = attempt(idle);
  if (started.first != 0 && idle && (started.first == EPERM || started.first == EINVAL)) {
    started = attempt(false);  // a system without the idle class still runs it
  }
  const int rc = started.first;
  const pid_t pid = started.second;
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    journal().append("external", "cannot start " + name + ": " + std::strerror(rc));
    return MDLERR_CANNOTOPENFILE;
  }

  auto record = std::make_unique<Record>();
  record->pub.processId = static_cast<int>(pid);
  record->pub.running = 1;
  record->pub.exitStatus = -1;
  record->name = name;
  record->detached = programP == nullptr;
  journal().append("external", "start " + commandText(name, arguments));
  if (programP != nullptr) *programP = &record->pub;
  records().push_back(std::move(record));
  prune();
  return SUCCESS;
}

// Waits for the record's program as mdlExternal_wait describes. True when it has ended.
bool waitFor(Record& r, int milliseconds) {
  if (r.pub.running == 0) return true;
  if (milliseconds == 0) return reap(r, true);
  if (milliseconds < 0) return reap(r, false);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!reap(r, false)) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

const bool registeredIdle = registerIdleWork("external.reap", reapFinished, 90);
// A fresh host knows no programs. Those still running go on by themselves; the ones that have
// ended are collected first so that none is left as a zombie.
const bool registeredReset = registerReset("external", [] {
  for (const auto& r : records()) reap(*r, false);
  records().clear();
});

}  // namespace

std::string findProgram(const std::string& name) {
  if (name.empty()) return "";
  if (name.find('/') != std::string::npos) return isExecutableFile(name) ? name : "";
  const auto path = expandedVariable("PATH");
  for (const auto& dir : splitPathList(path ? *path : std::string(kDefaultPath))) {
    const std::string candidate = dir + (dir.back() == '/' ? "" : "/") + name;
    if (isExecutableFile(candidate)) return candidate;
  }
  return "";
}

std::vector<std::string> splitArguments(const std::string& text) {
  std::vector<std::string> out;
  std::string current;
  bool inWord = false;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\\' && i + 1 < text.size() && text[i + 1] == '"') {
      current += '"';
      inWord = true;
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
      inWord = true;  // "" is an empty argument
    } else if (!quoted && (c == ' ' || c == '\t')) {
      if (inWord) out.push_back(current);
      current.clear();
      inWord = false;
    } else {
      current += c;
      inWord = true;
    }
  }
  if (inWord) out.push_back(current);
  return out;
}

std::string commandText(const std::string& program, const std::vector<std::string>& arguments) {
  std::string out = program;
  for (const auto& a : arguments) {
    out += ' ';
    const bool plain = !a.empty() && a.find_first_of(" \t\"\\") == std::string::npos;
    if (plain) {
      out += a;
      continue;
    }
    out += '"';
    for (char c : a) {
      if (c == '"' || c == '\\') out += '\\';
      out += c;
    }
    out += '"';
  }
  return out;
}

bool openWithDesktop(const std::string& target) {
  const std::string opener = findProgram("xdg-open");
  if (opener.empty()) {
    journal().append("external", "no program to open " + target + " (xdg-open is not installed)");
    return false;
  }
  const char* argv[] = {target.c_str()};
  return mdlExternal_extStartProgram(nullptr, opener.c_str(), 1, argv, 0) == SUCCESS;
}

int runShellCommand(const std::string& line) {
  const char* argv[] = {"-c", line.c_str()};
  ExternalProgram* program = nullptr;
  if (mdlExternal_extStartProgram(&program, "/bin/sh", 2, argv, 0) != SUCCESS) return -1;
  mdlExternal_wait(0, program);
  const int status = program->exitStatus;
  mdlExternal_terminateProgram(program);
  return status;
}

bool waitForPrograms(int milliseconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(0, milliseconds));
  for (;;) {
    bool running = false;
    for (const auto& r : records()) running |= !reap(*r, false);
    if (!running) {
      prune();
      return true;
    }
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

int mdlExternal_startProgram(ExternalProgram** programP, const char* program, const char* arguments) {
  return spawn(programP, program, splitArguments(arguments != nullptr ? arguments : ""), 0);
}

int mdlExternal_extStartProgram(ExternalProgram** programP, const char* program, int argc, const char* const* argv,
                                int flags) {
  if (argc < 0 || (argc > 0 && argv == nullptr)) {
    if (programP != nullptr) *programP = nullptr;
    return MDLERR_BADARG;
  }
  if (static_cast<std::size_t>(argc) > kMaxArguments) {
    if (programP != nullptr) *programP = nullptr;
    journal().append("external", std::string("cannot start ") + (program != nullptr ? program : "") +
                                     ": too many arguments");
    return MDLERR_TOOLARGE;
  }
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.emplace_back(argv[i] != nullptr ? argv[i] : "");
  return spawn(programP, program, arguments, flags);
}

int mdlExternal_wait(int milliseconds, ExternalProgram* program) {
  Record* r = find(program);
  if (r == nullptr) return MDLERR_BADARG;
  const bool wasRunning = r->pub.running != 0;
  if (!waitFor(*r, milliseconds)) return EXTERNAL_STILL_RUNNING;
  if (wasRunning) journal().append("external", describeEnd(*r));
  return SUCCESS;
}

int mdlExternal_terminateProgram(ExternalProgram* program) {
  Record* r = find(program);
  if (r == nullptr) return MDLERR_BADARG;
  if (!reap(*r, false)) {
    ::kill(r->pub.processId, SIGTERM);
    if (!waitFor(*r, kTerminateGraceMs)) {
      ::kill(r->pub.processId, SIGKILL);
      reap(*r, true);
    }
    journal().append("external", "terminated " + r->name);
  }
  auto& list = records();
  list.erase(std::remove_if(list.begin(), list.end(), [&](const auto& x) { return x.get() == r; }), list.end());
  return SUCCESS;
}

}  // extern "C"
