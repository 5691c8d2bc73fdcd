/* Host calls of the output group: message fields, the message centre, the text window,
 * completion bars and message boxes. Everything shown is journaled (docs/journal.md); texts are
 * formatted with vsnprintf into bounded buffers (longer texts are cut, never overrun). */
#ifndef PIXMEND_HOST_OUTPUT_API_H
#define PIXMEND_HOST_OUTPUT_API_H

#include "host/types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Message fields of mdlOutput_printf and their journal channels. */
#define MSG_MESSAGE 0 /* "message" */
#define MSG_ERROR 1   /* "error" */
#define MSG_PROMPT 2  /* "prompt" */
#define MSG_STATUS 3  /* "status" */
#define MSG_COMMAND 4 /* "command" */
#define MSG_KEYIN 5   /* "keyin" */

/* Longest text of a field, a box or a text-window line, terminating zero included. */
#define OUTPUT_TEXT_MAX 4096

/* Shows a formatted text in a message field. 0, or MDLERR_BADARG for an unknown field or a
 * null format (nothing shown). */
int mdlOutput_printf(int field, const char* format, ...);
/* The same with message `number` of message list `listId` (resource file handle, 0: the current
 * application's) as the format. MDLERR_BADARG or the resource error when it cannot be had. */
int mdlOutput_rscPrintf(int field, unsigned int rscFile, int listId, int number, ...);
/* Formats message `number` of list `listId` into `out`, which must hold OUTPUT_RSC_MAX bytes.
 * 0, or the resource error (out = ""). */
#define OUTPUT_RSC_MAX 1024
int mdlOutput_rscsPrintf(char* out, unsigned int rscFile, int listId, int number, ...);
/* Adds an entry to the message centre. `openAlert` non-zero also shows it in an alert box,
 * which needs no answer. */
void mdlOutput_messageCenter(int priority, const char* brief, const char* detail, int openAlert);
/* Writes a formatted text to the host's text window (channel "text"). Returns the characters
 * of the whole text. */
int toolSubsystem_printf(const char* format, ...);
/* Journals a file an application wrote with code of its own rather than through a host call
 * that writes (those journal their files themselves): "file: wrote NAME", or "file: could not
 * write NAME" when `written` is 0, with the name as given. A null name does nothing. Every file
 * written for the user is journaled, whoever writes it. */
void mdlOutput_fileWritten(const char* fileName, int written);

/* ---- Completion bars --------------------------------------------------------------------------
 * A progress bar with a message and a percentage (0 to 100). The handle belongs to the host until
 * mdlDialog_completionBarClose; calls with a handle that is not open do nothing. An update is
 * journaled when its whole percentage or its message changes. */
typedef struct CompletionBar CompletionBar;
CompletionBar* mdlDialog_openCompletionBar(const char* message);
void mdlDialog_completionBarUpdate(void* bar, const char* message, int percent);
void mdlDialog_completionBarClose(void* bar);

/* ---- Message boxes ----------------------------------------------------------------------------
 * The box's buttons by identifier; the result is the action value of the button chosen. The
 * answer comes from the answer queue ("ok", "cancel", "yes", "no" or the action value); an empty
 * queue, or an answer that is not one of the box's buttons, takes the first button and the
 * journal says the answer was defaulted. Any other identifier is shown as an OK box. `icon` is
 * journaled as given (1 information, 2 question, 3 warning, 4 critical). */
#define MSGBOX_OK (-97)
#define MSGBOX_OKCANCEL (-98)
#define MSGBOX_YESNO (-121)
#define MSGBOX_YESNOCANCEL (-122)

#define ACTIONBUTTON_OK 3
#define ACTIONBUTTON_CANCEL 4
#define ACTIONBUTTON_YES 6
#define ACTIONBUTTON_NO 7

int mdlDialog_openMessageBox(int boxId, const char* text, int icon);

#ifdef __cplusplus
}
#endif

#endif
