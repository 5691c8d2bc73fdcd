/* Host calls of the state group: the command state machine, command numbers and command tables,
 * key-ins and the host's input queue.
 *
 * A command is started by a command function (from a command number or a key-in); it installs
 * its handlers with mdlState_startPrimitive / mdlState_setFunction. Data points and resets go to
 * the handlers installed last. While a dynamics function is installed, every cursor move calls
 * it, and so does every data point just before the data-point handler gets it. Handlers run as
 * the application that installed them. */
#ifndef PIXMEND_HOST_STATE_API_H
#define PIXMEND_HOST_STATE_API_H

#include "host/types.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef void (*StateFunc_DataPoint)(DPoint3d* point, int view);
typedef void (*StateFunc_Reset)(void);
typedef void (*StateFunc_Dynamics)(DPoint3d* point, int view, int drawMode);
typedef void (*StateFunc_Cleanup)(void);
/* A command function gets the rest of its key-in (a writable copy; "" when there is none). */
typedef void (*StateFunc_Command)(char* unparsed);

/* Handler kinds of mdlState_setFunction. */
#define STATE_DATAPOINT 1
#define STATE_RESET 2
#define STATE_DYNAMICS 3
#define STATE_COMMAND_CLEANUP 4 /* called when the command ends (another starts, restart, clear, default) */

/* Starts a command primitive: ends the current command (its cleanup runs), installs the
 * data-point and reset handlers (either may be null) and no dynamics. The command function that
 * is running (if any) becomes the one a restart runs again. The message numbers are accepted for
 * callers' sake; applications print their own prompts. */
void mdlState_startPrimitive(StateFunc_DataPoint dataPoint, StateFunc_Reset reset, int commandMessage,
                             int promptMessage);
/* Installs one handler of the current command (null removes it). 0, or MDLERR_BADARG for an
 * unknown kind or when no application runs. */
int mdlState_setFunction(int kind, void* function);
/* Installs the dynamics function (null stops dynamics). `options` is accepted and not used. An
 * element the function leaves in dgnBuf is shown as the dynamics' element. */
void mdlState_dynamicUpdate(StateFunc_Dynamics dynamics, int options);
/* Ends the current command (its cleanup runs) and runs its start function again, once the
 * running handler has returned. */
void mdlState_restartCurrentCommand(void);
/* Ends the current command and returns to the host's default command (no handlers). */
void mdlState_startDefaultCommand(void);
/* Ends the current command: its cleanup runs and every handler is removed. */
void mdlState_clear(void);

/* The host's element buffer for dynamics: an element created into it by a dynamics function is
 * displayed (journaled) by the host after the function returns. */
extern MSElement* dgnBuf;

/* ---- Command numbers ---------------------------------------------------------------------------
 * An application registers its command functions by number; the key-in words for the numbers
 * come from its command table (resource type RTYPE_COMMAND_TABLE, identifier 1, compiled from
 * a "commandTable" resource source: docs/host.md). The host's own command numbers: */
#define CMD_MDL_UNLOAD 0x79020000U /* unparsed: the task identifier of the application to unload */

typedef struct MdlCommandNumber {
  StateFunc_Command cmdFunc;
  unsigned int commandNumber;
} MdlCommandNumber;

#define RTYPE_COMMAND_TABLE 0x436D6454U /* 'CmdT' */

/* Registers the current application's command functions: a table ended by an entry with a null
 * function or number 0. 0, or MDLERR_BADARG. Registering a number again replaces its function. */
int mdlSystem_registerCommandNumbers(MdlCommandNumber* table);
/* Loads the command table of the current application (rscFile 0: from its own resources) and
 * makes its key-ins known. A host-owned handle, or null when there is none or it is broken. */
void* mdlParse_loadCommandTable(unsigned int rscFile);

/* ---- Input queue -------------------------------------------------------------------------------
 * Queued key-ins and command numbers run once control is back in the host, in order. */

/* Queues a command number with its unparsed text (may be null); `atFront` non-zero puts it
 * before everything queued. `fromKeyboard` is accepted and not used. */
void mdlDialog_cmdNumberQueue(int atFront, unsigned int commandNumber, const char* unparsed,
                              int fromKeyboard);
/* Queues a key-in as if typed; `position` 0 appends it, any other value puts it first. With a
 * task identifier (may be null) only that application's command table is searched. `literal`
 * is accepted and not used. */
void mdlInput_sendKeyin(const char* keyin, int literal, int position, const char* taskId);
/* Accepted for callers' sake; the queue needs no resume. */
void mdlInput_sendResume(int position);
/* Runs everything queued now, before returning. */
void mdlInput_waitForMessage(void);

#ifdef __cplusplus
}
#endif

#endif
