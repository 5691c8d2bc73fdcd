/* Host calls of the external group: starting other programs, waiting for them and ending them.
 *
 * Programs run as separate processes (posix_spawn). A name without '/' is looked up in the
 * directories of the configuration variable PATH (the process environment's PATH unless a
 * session or the application defines its own), and started under its own spelling. The program
 * gets no standard input (/dev/null); its standard output and standard error go to the host's
 * standard error, so they never mix with the session journal on standard output.
 *
 * Every start, refusal, end waited for and termination is journaled on channel "external". The
 * program record belongs to the host: it stays valid until mdlExternal_terminateProgram releases
 * it (or the host starts over); a released or foreign record is refused, never followed. */
#ifndef PIXMEND_HOST_EXTERNAL_API_H
#define PIXMEND_HOST_EXTERNAL_API_H

#include "host/types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* A started program as the host keeps it. */
typedef struct ExternalProgram {
  int processId;  /* the operating system's process number */
  int running;    /* the run flag: non-zero until the host has seen the program end */
  int exitStatus; /* once ended: its exit status, or 128 + the signal that ended it; -1 before */
} ExternalProgram;

/* mdlExternal_wait: the program is still running when the time was up. */
#define EXTERNAL_STILL_RUNNING 1

/* Flags of mdlExternal_extStartProgram. */
#define EXTERNAL_PRIORITY_IDLE 1 /* run at idle priority (the scheduler's idle class) */

/* Starts `program` with the argument text `arguments` (may be null), split into arguments at
 * blanks and tabs; a double-quoted part is one argument (the quotes are dropped, \" is a quote).
 * The record goes to *programP when programP is not null; with null the host forgets the
 * program once it has ended. 0; MDLERR_BADARG for a null or empty program; MDLERR_FILENOTFOUND
 * when there is no such program; MDLERR_TOOLARGE for more than 4096 arguments or 256 KiB of
 * text; MDLERR_CANNOTOPENFILE when the system refuses to start it. */
int mdlExternal_startProgram(ExternalProgram **programP, const char *program, const char *arguments);

/* The same with the arguments given one by one (`argc` of them in `argv`; each may hold
 * blanks), and `flags` (EXTERNAL_PRIORITY_IDLE). */
int mdlExternal_extStartProgram(ExternalProgram **programP, const char *program, int argc, const char *const *argv,
                                int flags);

/* Waits for the program to end: `milliseconds` 0 waits until it ends, a positive value at most
 * that long, a negative value only looks. 0 when it has ended (the record's exitStatus is set),
 * EXTERNAL_STILL_RUNNING, or MDLERR_BADARG for a record the host does not know. */
int mdlExternal_wait(int milliseconds, ExternalProgram *program);

/* Ends the program if it still runs (a termination request, then a kill if it has not ended
 * within two seconds) and releases the record. 0, or MDLERR_BADARG for a record the host does
 * not know. */
int mdlExternal_terminateProgram(ExternalProgram *program);

#ifdef __cplusplus
}
#endif

#endif
