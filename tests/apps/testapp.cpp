// testapp: a small application the host's end-to-end sessions drive before the real ones exist.
// It registers commands and a command table, prompts, draws in dynamics, asks in message boxes,
// shows progress, publishes a parameter record bound to its dialog, sets timers, handles the
// host's events, calls itself through the host, and unloads itself as the real applications do.
//
// Commands (key-ins from testapp.json):
//   testapp line       two points; dynamics draw the line; reset starts again
//   testapp box        a rectangle in the view's rotation; equal corners are refused
//   testapp ask        a Yes/No box, then an OK box with the answer
//   testapp progress   a completion bar in four steps
//   testapp settings   prints the parameter record
//   testapp dialog     opens dialog 1 (items bound to the parameter record, hooks 1 to 3)
//   testapp timer N    a timer of N units that prints when it fires
//   testapp hello WHO  a numbered message with an argument
//   testapp call       calls its own function through the host with "DD"
//   testapp memory     asks the host for memory and reports a refusal
//   testapp cfg NAME   prints a configuration variable, expanded
//   testapp send TEXT  sends TEXT as a key-in
//   testapp exit       ends itself with mdlSystem_exit
//   testapp unload     the unload command: shuts down and queues the host's unload
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/mdl.h"
#include "pixmend/export.h"

namespace {

struct TestParams {
  int mode;
  int count;
  double size;
  char name[16];
};

TestParams* params = nullptr;
DPoint3d firstPoint;
int timerHandle = 0;

// ---- line: two points with dynamics -------------------------------------------------------------

void lineDynamics(DPoint3d* point, int, int) {
  DPoint3d ends[2] = {firstPoint, *point};
  const unsigned color = 3, weight = 1;
  const int style = 0;
  if (mdlLine_create(dgnBuf, nullptr, ends) != 0) {
    mdlOutput_printf(MSG_ERROR, "The coordinates are beyond the design plane");
    return;
  }
  mdlElement_setSymbology(dgnBuf, &color, &weight, &style);
}

void lineEnd(DPoint3d* point, int view) {
  MSElement line;
  DPoint3d ends[2] = {firstPoint, *point};
  if (mdlLine_create(&line, nullptr, ends) == 0) mdlElement_display(&line, DRAW_MODE_Normal);
  mdlOutput_printf(MSG_ERROR, "Line > from %g,%g to %g,%g in view %d", firstPoint.x, firstPoint.y, point->x,
                   point->y, view);
  mdlState_restartCurrentCommand();
}

void lineStart(DPoint3d* point, int) {
  firstPoint = *point;
  mdlState_setFunction(STATE_DATAPOINT, reinterpret_cast<void*>(lineEnd));
  mdlState_dynamicUpdate(lineDynamics, 0);
  mdlOutput_printf(MSG_PROMPT, "Line > Enter end point");
}

void restartCommand() {
  mdlState_restartCurrentCommand();
}

void startLine(char*) {
  mdlState_startPrimitive(lineStart, restartCommand, 0, 0);
  mdlOutput_printf(MSG_PROMPT, "Line > Enter first point");
}

// ---- box: a rectangle in the view's rotation -----------------------------------------------------

int boxView = 0;

// The rectangle from the first point to `corner`, axis-aligned in the view: five vertices.
void boxCorners(const DPoint3d& corner, int view, DPoint3d out[5]) {
  RotMatrix m;
  mdlRMatrix_fromView(&m, view, 0);
  DPoint3d a = firstPoint, b = corner;
  mdlRMatrix_rotatePoint(&a, &m);
  mdlRMatrix_rotatePoint(&b, &m);
  DPoint3d v[5] = {{a.x, a.y, 0}, {b.x, a.y, 0}, {b.x, b.y, 0}, {a.x, b.y, 0}, {a.x, a.y, 0}};
  for (int i = 0; i < 5; ++i) {
    mdlRMatrix_unrotatePoint(&v[i], &m);
    // Rounded so journals do not depend on the last bit of a sine.
    v[i].x = static_cast<double>(static_cast<long long>(v[i].x * 1000 + (v[i].x < 0 ? -0.5 : 0.5))) / 1000;
    v[i].y = static_cast<double>(static_cast<long long>(v[i].y * 1000 + (v[i].y < 0 ? -0.5 : 0.5))) / 1000;
    out[i] = v[i];
  }
}

void boxDynamics(DPoint3d* point, int view, int) {
  DPoint3d v[5];
  boxCorners(*point, view, v);
  const int style = 2;
  mdlShape_create(dgnBuf, nullptr, v, 5, 0);
  mdlElement_setSymbology(dgnBuf, nullptr, nullptr, &style);
}

void boxEnd(DPoint3d* point, int view) {
  if (point->x == firstPoint.x || point->y == firstPoint.y) {
    mdlOutput_printf(MSG_ERROR, "Box > Invalid rectangle size");
    mdlState_clear();
    return;
  }
  MSElement shape;
  DPoint3d v[5];
  boxCorners(*point, view, v);
  mdlShape_create(&shape, nullptr, v, 5, 1);
  mdlElement_display(&shape, DRAW_MODE_Erase);
  mdlState_restartCurrentCommand();
}

void boxStart(DPoint3d* point, int view) {
  firstPoint = *point;
  boxView = view;
  mdlState_setFunction(STATE_DATAPOINT, reinterpret_cast<void*>(boxEnd));
  mdlState_dynamicUpdate(boxDynamics, 0);
  mdlOutput_printf(MSG_PROMPT, "Box > Enter opposite corner");
}

void boxCleanup() {
  mdlOutput_printf(MSG_STATUS, "Box > done");
}

void startBox(char*) {
  mdlState_startPrimitive(boxStart, restartCommand, 0, 0);
  mdlState_setFunction(STATE_COMMAND_CLEANUP, reinterpret_cast<void*>(boxCleanup));
  mdlOutput_printf(MSG_PROMPT, "Box > Enter first corner");
}

// ---- the other commands --------------------------------------------------------------------------

void ask(char*) {
  const int answer = mdlDialog_openMessageBox(MSGBOX_YESNO, "Do you want to continue?", 2);
  mdlDialog_openMessageBox(MSGBOX_OK, answer == ACTIONBUTTON_YES ? "You said yes" : "You said no", 1);
}

void progress(char*) {
  CompletionBar* bar = mdlDialog_openCompletionBar("Working...");
  for (int i = 0; i <= 100; i += 5) mdlDialog_completionBarUpdate(bar, "Working...", i / 25 * 25);
  mdlDialog_completionBarClose(bar);
}

void settings(char*) {
  if (params == nullptr) return;
  mdlOutput_printf(MSG_MESSAGE, "mode %d count %d size %g name %s", params->mode, params->count, params->size,
                   params->name);
}

void dialog(char*) {
  if (mdlDialog_open(0, 1) == nullptr) mdlOutput_printf(MSG_ERROR, "Cannot open the dialog");
}

// Dialog 1: its hook reports opening and closing; the mode item's hook reports changes; the
// Apply button's hook prints the record.
void dialogHook(DialogMessage* message) {
  if (message->messageType == DIALOG_MESSAGE_INIT)
    toolSubsystem_printf("testapp: dialog %d open\n", message->dialogId);
  if (message->messageType == DIALOG_MESSAGE_DESTROY) {
    toolSubsystem_printf("testapp: dialog %d closed\n", message->dialogId);
  }
  message->msgUnderstood = 1;
}

void modeHook(DialogItemMessage* message) {
  if (message->messageType == DITEM_MESSAGE_STATECHANGED && message->u.stateChanged.hasChanged) {
    mdlOutput_printf(MSG_STATUS, "mode is now %d", params->mode);
  }
  message->msgUnderstood = 1;
}

void applyHook(DialogItemMessage* message) {
  if (message->messageType == DITEM_MESSAGE_BUTTON && message->u.button.buttonTrans == BUTTONTRANS_UP) {
    settings(nullptr);
  }
  message->msgUnderstood = 1;
}

void timerFired(void*, int handle) {
  toolSubsystem_printf("testapp: timer %d fired at %ld\n", handle, mdlSystem_getTicks());
}

void timer(char* unparsed) {
  const int ticks = std::atoi(unparsed);
  mdlSystem_setTimerFunction(&timerHandle, ticks, timerFired, nullptr, 0);
}

void hello(char* unparsed) {
  if (mdlOutput_rscPrintf(MSG_MESSAGE, 0, 1, 1, unparsed) != 0) mdlOutput_printf(MSG_ERROR, "No message 1");
}

int addScaled(double a, double b) {
  return static_cast<int>(a * 10 + b);
}

void call(char*) {
  const int result = dlmSystem_callAnyFunction(mdlSystem_getCurrMdlDesc(), reinterpret_cast<void*>(addScaled),
                                               "DD", 1.5, 2.0);
  mdlOutput_printf(MSG_MESSAGE, "call returned %d", result);
  dlmSystem_callAnyFunction(nullptr, reinterpret_cast<void*>(addScaled), "DQ");
}

void memory(char*) {
  void* block = dlmSystem_mdlMalloc(1000);
  if (block == nullptr) {
    mdlDialog_openMessageBox(MSGBOX_OK, "Insufficient memory is available", 4);
    return;
  }
  std::memset(block, 0, 1000);
  dlmSystem_mdlFree(block);
  mdlOutput_printf(MSG_MESSAGE, "memory ok");
}

void cfg(char* unparsed) {
  char* value = mdlSystem_getExpandedCfgVar(unparsed);
  if (value == nullptr) {
    mdlOutput_printf(MSG_MESSAGE, "%s is not defined", unparsed);
    return;
  }
  mdlOutput_printf(MSG_MESSAGE, "%s = %s", unparsed, value);
  dlmSystem_mdlFree(value);
}

void send(char* unparsed) {
  mdlInput_sendKeyin(unparsed, 0, 0, nullptr);
}

void exitCommand(char*) {
  mdlSystem_exit(0, 1);
}

int unloadApplication(int reason) {
  toolSubsystem_printf("testapp: shutting down (%d)\n", reason);
  if (reason < 0) {
    mdlSystem_setFunction(SYSTEM_UNLOAD_PROGRAM, nullptr);
    mdlDialog_cmdNumberQueue(0, CMD_MDL_UNLOAD, mdlSystem_getCurrTaskID(), 1);
    mdlState_startDefaultCommand();
    return 0;
  }
  return 1;
}

void unloadCommand(char*) {
  unloadApplication(-1);
}

void newDesignFile(const char* name, int state) {
  toolSubsystem_printf("testapp: design file %s, state %d\n", name, state);
}

MdlCommandNumber commandNumbers[] = {
    {startLine, 0x7e010100},   {startBox, 0x7e010200},      {ask, 0x7e010300},   {progress, 0x7e010400},
    {settings, 0x7e010500},    {dialog, 0x7e010600},        {timer, 0x7e010700}, {hello, 0x7e010800},
    {call, 0x7e010900},        {memory, 0x7e010a00},        {cfg, 0x7e010b00},   {send, 0x7e010c00},
    {exitCommand, 0x7e010d00}, {unloadCommand, 0x7e010e00}, {nullptr, 0}};

}  // namespace

extern "C" PIXMEND_API int MdlMain(int argc, char* argv[]) {
  toolSubsystem_printf("testapp: started with %d arguments%s%s\n", argc, argc > 1 ? ", the second " : "",
                       argc > 1 ? argv[1] : "");
  VersionNumber version{1, 2, 3, 4};
  mdlSystem_setMdlAppVersionNumber(nullptr, &version);
  mdlSystem_registerCommandNumbers(commandNumbers);
  if (mdlParse_loadCommandTable(0) == nullptr) {
    mdlDialog_openMessageBox(MSGBOX_OK, "Error reading command table", 4);
  }
  static TestParams record{1, 3, 2.5, "first"};
  params = &record;
  SymbolSet* set = mdlCExpression_initializeSet(4, 0, 0);
  mdlDialog_publishComplexPtr(set, "testappparams", "testParamsP", &params);
  static const DialogHookInfo hooks[] = {{1, reinterpret_cast<void*>(dialogHook)},
                                         {2, reinterpret_cast<void*>(modeHook)},
                                         {3, reinterpret_cast<void*>(applyHook)}};
  mdlDialog_hookPublish(3, hooks);
  mdlSystem_setFunction(SYSTEM_NEW_DESIGN_FILE, reinterpret_cast<void*>(newDesignFile));
  mdlSystem_setFunction(SYSTEM_UNLOAD_PROGRAM, reinterpret_cast<void*>(unloadApplication));
  return 0;
}
