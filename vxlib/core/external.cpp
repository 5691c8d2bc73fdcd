// External programs: starting programs, shell commands and command lines through the host, and
// handing a file to the operating system.
//   vxlibExternal_executeProgram        a program with an argument text
//   vxlibExternal_executeShellCommand   a command run by the command interpreter
//   vxlibExternal_executeSystemCommand  the same
//   vxlibExternal_executeCommandLine    a command line: built-in words and scripts go to the
//                                       interpreter, everything else is started directly
//   vxlibExternal_openFile              the host's "% " key-in with a path
//
// The wait value: -1 leaves the program running; 0 waits until it ends; a positive value waits
// at most that many milliseconds. It is left as it was (a caller may run several lines with one
// variable). The command interpreter is the program named by the environment variable COMSPEC,
// /bin/sh when there is none, and takes its command after "-c".
//
// Names are compared in capitals but started with their own spelling: file names are case
// sensitive here.
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "common/text.hpp"
#include "vxlib/core/core.hpp"

namespace pixmend::vxlib {
namespace {

constexpr int kMsgNotAvailable = 20;  // list 20005: external programs refused by this host
constexpr int kStartErrorCode = -101;

constexpr const char* kShellWords[] = {"CD",  "CHDIR", "CHDSK", "COPY",  "DEL", "DIR",    "MKDIR",
                                       "MD",  "MOVE",  "PATH",  "PRINT", "RENAME", "REN", "XCOPY"};

// The host edition that may not start programs says so by defining _MSDRAFT.
bool externalProgramsRefused() { return mdlSystem_getCfgVarLevel("_MSDRAFT") >= 0; }

void reportStartFailure(const char* program, const std::string& argumentText) {
  toolSubsystem_printf("Error executing external program\n<%s %s>\nErrorcode %d\n", program != nullptr ? program : "",
                       argumentText.c_str(), kStartErrorCode);
}

// Waits for (or leaves running) a started program as the wait value says.
void afterStart(ExternalProgram* program, const int* wait) {
  const int value = wait != nullptr ? *wait : -1;
  if (value == -1 || program == nullptr) return;
  if (program->running != 0) {
    if (mdlExternal_wait(value, program) == EXTERNAL_STILL_RUNNING) return;  // still the host's to reap
  }
  mdlExternal_terminateProgram(program);  // ended: release the record
}

// Starts a program with its arguments given one by one (the interpreter's command stays one
// argument, whatever blanks it holds). `argumentText` is what the diagnostic shows.
int runWithArguments(const char* program, const std::vector<std::string>& arguments, const std::string& argumentText,
                     int* wait) {
  if (externalProgramsRefused()) {
    rscMsgBox(kBoxOk, kErrorList, kMsgNotAvailable);
    return 0;
  }
  std::vector<const char*> argv;
  for (const auto& a : arguments) argv.push_back(a.c_str());
  ExternalProgram* started = nullptr;
  if (program == nullptr || mdlExternal_extStartProgram(&started, program, static_cast<int>(argv.size()),
                                                        argv.empty() ? nullptr : argv.data(), 0) != SUCCESS) {
    reportStartFailure(program, argumentText);
    return VXLIB_ERROR;
  }
  afterStart(started, wait);
  return 0;
}

bool endsWith(const std::string& text, const char* tail) {
  const std::size_t n = std::strlen(tail);
  return text.size() >= n && text.compare(text.size() - n, n, tail) == 0;
}

bool isShellCommand(const std::string& command) {
  const std::string word = text::upper(command);
  for (const char* w : kShellWords) {
    if (word == w) return true;
  }
  return word.size() > 4 && (endsWith(word, ".BAT") || endsWith(word, ".CMD"));
}

}  // namespace
}  // namespace pixmend::vxlib

using namespace pixmend::vxlib;

extern "C" {

int vxlibExternal_executeProgram(const char* program, const char* arguments, int* wait) {
  if (externalProgramsRefused()) {
    rscMsgBox(kBoxOk, kErrorList, kMsgNotAvailable);
    return 0;
  }
  ExternalProgram* started = nullptr;
  if (program == nullptr || mdlExternal_startProgram(&started, program, arguments) != SUCCESS) {
    reportStartFailure(program, arguments != nullptr ? arguments : "");
    return VXLIB_ERROR;
  }
  afterStart(started, wait);
  return 0;
}

int vxlibExternal_executeShellCommand(const char* command, const char* arguments, int* wait) {
  const char* comspec = mdlSystem_getenv("COMSPEC");
  const std::string shell = comspec != nullptr && comspec[0] != '\0' ? comspec : "/bin/sh";
  std::string line = command != nullptr ? command : "";
  if (arguments != nullptr) line += std::string(" ") + arguments;
  if (command == nullptr) {
    reportStartFailure(shell.c_str(), "-c");
    return VXLIB_ERROR;
  }
  return runWithArguments(shell.c_str(), {"-c", line}, "-c " + line, wait);
}

int vxlibExternal_executeSystemCommand(const char* command, const char* arguments, int* wait) {
  return vxlibExternal_executeShellCommand(command, arguments, wait);
}

int vxlibExternal_executeCommandLine(const char* commandLine, int* wait) {
  std::string line = commandLine != nullptr ? commandLine : "";
  const auto start = line.find_first_not_of(' ');
  line.erase(0, start == std::string::npos ? line.size() : start);
  const auto blank = line.find(' ');
  const std::string command = line.substr(0, blank);
  const bool hasArguments = blank != std::string::npos;
  const std::string arguments = hasArguments ? line.substr(blank + 1) : "";
  if (isShellCommand(command)) {
    return vxlibExternal_executeShellCommand(command.c_str(), hasArguments ? arguments.c_str() : nullptr, wait);
  }
  return vxlibExternal_executeProgram(command.c_str(), hasArguments ? arguments.c_str() : nullptr, wait);
}

int vxlibExternal_openFile(const char* path) {
  if (path == nullptr) return 0;
  const std::string keyin = std::string("% ") + path;
  mdlInput_sendKeyin(keyin.c_str(), 0, 0, nullptr);
  return 0;
}

}  // extern "C"
