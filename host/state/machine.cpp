// The command state machine: the current command's handlers, dynamics, restarts (see api.h).
#include <cstring>
#include <string>
#include <vector>

#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/state/api.h"
#include "host/state/state.hpp"
#include "host/system/idle.hpp"
#include "host/view/api.h"
#include "host/view/graphics.hpp"
#include "host/view/view.hpp"

// The element buffer that dynamics functions draw into.
MSElement* dgnBuf = nullptr;

namespace pixmend::host {
namespace {

struct CommandStart {
  Application* app = nullptr;
  StateFunc_Command function = nullptr;
  std::string unparsed;
};

struct Machine {
  Application* app = nullptr;  // whose handlers are installed
  StateFunc_DataPoint dataPoint = nullptr;
  StateFunc_Reset reset = nullptr;
  StateFunc_Dynamics dynamics = nullptr;
  StateFunc_Cleanup cleanup = nullptr;
  CommandStart start;                 // what a restart runs again
  std::vector<CommandStart> running;  // command functions running now, innermost last
  bool restartPending = false;
};

Machine& machine() {
  static Machine instance;
  return instance;
}

MSElement& elementBuffer() {
  static MSElement buffer{};  // lives as long as the process: dgnBuf points to it
  dgnBuf = &buffer;
  return buffer;
}

const bool bufferReady = (elementBuffer(), true);

void clearHandlers(Machine& m) {
  m.app = nullptr;
  m.dataPoint = nullptr;
  m.reset = nullptr;
  m.dynamics = nullptr;
  m.cleanup = nullptr;
}

// Ends the current command: its cleanup runs (once) as its application. What its dynamics drew
// goes with them.
void endCommand() {
  Machine& m = machine();
  StateFunc_Cleanup cleanup = m.cleanup;
  Application* app = m.app;
  clearHandlers(m);
  clearDynamicsGraphics();
  if (cleanup != nullptr) {
    AppScope scope(app);
    cleanup();
  }
}

bool runPendingRestart() {
  Machine& m = machine();
  if (!m.restartPending) return false;
  m.restartPending = false;
  const CommandStart start = m.start;
  endCommand();  // the command ends (its cleanup runs) before it starts again
  if (start.function != nullptr) {
    runCommandFunction(start.app, reinterpret_cast<void*>(start.function), start.unparsed);
  }
  return true;
}

const bool registeredIdle = registerIdleWork("state.restart", runPendingRestart, 0);
const bool registeredReset = registerReset("state.machine", [] {
  Machine& m = machine();
  clearHandlers(m);
  m.start = {};
  m.running.clear();
  m.restartPending = false;
  clearElement(elementBuffer());
});
const bool registeredUnload = registerUnloadHook("state.machine", [](Application* app) {
  Machine& m = machine();
  // Its code is about to go: nothing of it may be called again (not even its cleanup).
  if (m.app == app) clearHandlers(m);
  if (m.start.app == app) {
    m.start = {};
    m.restartPending = false;
  }
});

}  // namespace

void runCommandFunction(Application* app, void* function, const std::string& unparsed) {
  if (function == nullptr) return;
  Machine& m = machine();
  auto command = reinterpret_cast<StateFunc_Command>(function);
  m.running.push_back({app, command, unparsed});
  std::vector<char> text(unparsed.begin(), unparsed.end());
  text.push_back('\0');
  {
    AppScope scope(app);
    command(text.data());
  }
  m.running.pop_back();
}

void moveCursor(const DPoint3d& point, int view) {
  Machine& m = machine();
  if (m.dynamics == nullptr) return;
  StateFunc_Dynamics dynamics = m.dynamics;
  MSElement& buffer = elementBuffer();
  clearElement(buffer);
  startDynamicsFrame();
  DPoint3d p = point;
  {
    DynamicsScope drawing;
    AppScope scope(m.app);
    dynamics(&p, view, DRAW_MODE_TempDraw);
  }
  if (auto info = readElement(buffer)) {
    journal().append("dynamics", describeElement(*info));
    keepDynamics(*info, DRAW_MODE_TempDraw);
  }
  clearElement(buffer);
}

void deliverDataPoint(const DPoint3d& point, int view) {
  moveCursor(point, view);
  Machine& m = machine();
  if (m.dataPoint == nullptr) return;
  StateFunc_DataPoint handler = m.dataPoint;
  DPoint3d p = point;
  AppScope scope(m.app);
  handler(&p, view);
}

void deliverReset() {
  Machine& m = machine();
  if (m.reset == nullptr) return;
  StateFunc_Reset handler = m.reset;
  AppScope scope(m.app);
  handler();
}

bool commandActive() {
  const Machine& m = machine();
  return m.dataPoint != nullptr || m.reset != nullptr || m.dynamics != nullptr;
}

bool dynamicsActive() {
  return machine().dynamics != nullptr;
}

}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

void mdlState_startPrimitive(StateFunc_DataPoint dataPoint, StateFunc_Reset reset, int commandMessage,
                             int promptMessage) {
  (void)commandMessage;
  (void)promptMessage;
  endCommand();
  Machine& m = machine();
  m.app = currentApplication();
  m.dataPoint = dataPoint;
  m.reset = reset;
  // The command function running now is what a restart runs again; a primitive started from a
  // handler keeps the start of the command it belongs to. Another command's start ends what the
  // previous command displayed; a command starting itself again keeps it.
  if (!m.running.empty()) {
    const CommandStart& now = m.running.back();
    if (now.app != m.start.app || now.function != m.start.function) commandGraphicsEnded();
    m.start = now;
  }
}

int mdlState_setFunction(int kind, void* function) {
  Machine& m = machine();
  Application* app = currentApplication();
  if (app == nullptr && function != nullptr) return MDLERR_BADARG;
  switch (kind) {
    case STATE_DATAPOINT:
      m.dataPoint = reinterpret_cast<StateFunc_DataPoint>(function);
      break;
    case STATE_RESET:
      m.reset = reinterpret_cast<StateFunc_Reset>(function);
      break;
    case STATE_DYNAMICS:
      m.dynamics = reinterpret_cast<StateFunc_Dynamics>(function);
      break;
    case STATE_COMMAND_CLEANUP:
      m.cleanup = reinterpret_cast<StateFunc_Cleanup>(function);
      break;
    default:
      return MDLERR_BADARG;
  }
  if (function != nullptr) m.app = app;
  return SUCCESS;
}

void mdlState_dynamicUpdate(StateFunc_Dynamics dynamics, int options) {
  (void)options;
  Machine& m = machine();
  m.dynamics = dynamics;
  if (dynamics != nullptr) m.app = currentApplication();
  if (dynamics == nullptr) clearDynamicsGraphics();
}

void mdlState_restartCurrentCommand(void) {
  machine().restartPending = true;
}

void mdlState_startDefaultCommand(void) {
  traceCall("mdlState_startDefaultCommand");
  endCommand();
  commandGraphicsEnded();
  Machine& m = machine();
  m.start = {};
  m.restartPending = false;
}

void mdlState_clear(void) {
  endCommand();
  commandGraphicsEnded();
  Machine& m = machine();
  m.start = {};
  m.restartPending = false;
}

}  // extern "C"
