/* Host calls of the win32 group: the operating-system services the applications reach beside the
 * host, with the names and argument orders the applications use, mapped to their Linux
 * equivalents: DDE conversations, the printer list, the registry, universal names of network
 * paths and short path names. (Programs are started and waited for through host/external/api.h;
 * files are deleted with the C library.)
 *
 * DDE: conversations reach the services the host serves itself, the spreadsheet stand-in among
 * them, inside this process. Callbacks come on the host's one thread, inside the application that
 * registered them, only while that application is in a DDE call (never later). Handles are the
 * host's; a handle it did not give, or one already freed, is refused, never followed. What an
 * application leaves open is released when it unloads. Everything sent and answered is journaled
 * on channel "dde"; the other services journal on "win32". */
#ifndef PIXMEND_HOST_WIN32_API_H
#define PIXMEND_HOST_WIN32_API_H

#include "host/types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- DDE ---------------------------------------------------------------------------------------- */
typedef struct DdeStringHandle DdeStringHandle;
typedef struct DdeConversation DdeConversation;
typedef struct DdeDataHandle DdeDataHandle;

/* Transaction types (as the callback receives them and mdlWin32_DdeClientTransaction takes them). */
#define DDE_XTYP_ERROR 0x8002
#define DDE_XTYP_ADVDATA 0x4010
#define DDE_XTYP_ADVREQ 0x2022
#define DDE_XTYP_ADVSTART 0x1030
#define DDE_XTYP_ADVSTOP 0x8040
#define DDE_XTYP_EXECUTE 0x4050
#define DDE_XTYP_CONNECT 0x1062
#define DDE_XTYP_CONNECT_CONFIRM 0x8072
#define DDE_XTYP_XACT_COMPLETE 0x8080
#define DDE_XTYP_POKE 0x4090
#define DDE_XTYP_REGISTER 0x80A2
#define DDE_XTYP_REQUEST 0x20B0
#define DDE_XTYP_DISCONNECT 0x80C2
#define DDE_XTYP_UNREGISTER 0x80D2
#define DDE_XTYP_WILDCONNECT 0x20E2
#define DDE_XTYP_MONITOR 0x80F2

/* Callback answers and the status word of a transaction. */
#define DDE_FACK 0x8000  /* acknowledged */
#define DDE_FBUSY 0x4000 /* the partner was busy */
#define DDE_FNOTPROCESSED 0

/* Code page of string handles: Windows ANSI (Latin-1 here). */
#define DDE_CP_WINANSI 1004
/* Clipboard format of plain text. */
#define DDE_CF_TEXT 1

/* Results of mdlWin32_DdeInitialize. */
#define DDE_DMLERR_NO_ERROR 0
#define DDE_DMLERR_INVALIDPARAMETER 0x4006
#define DDE_DMLERR_SYS_ERROR 0x400F

/* A client's callback: transaction type, clipboard format, conversation, two string handles
 * (topic and item, or service and topic), a data handle (valid during the call only) and two
 * values. It answers DDE_FACK, 1, 0 or a data handle as the type asks. */
typedef unsigned long (*DdeCallbackFunc)(unsigned int type, unsigned int format,
                                         DdeConversation* conversation, DdeStringHandle* string1,
                                         DdeStringHandle* string2, DdeDataHandle* data, unsigned long data1,
                                         unsigned long data2);

/* Registers the calling application as a DDE client: *instanceId (in: 0) gets its instance; an
 * instance it has already (in: its number) keeps it with `callback` as its callback.
 * `commandFlags` 0 lets every callback come; `reserved`: pass 0. DDE_DMLERR_NO_ERROR, or
 * DDE_DMLERR_INVALIDPARAMETER for no callback or an instance the host does not know (ended, or
 * never given; *instanceId then 0). */
unsigned int mdlWin32_DdeInitialize(unsigned int* instanceId, DdeCallbackFunc callback,
                                    unsigned int commandFlags, unsigned int reserved);
/* Ends the instance: its conversations are disconnected and its handles freed. Non-zero on
 * success, 0 for an unknown instance. */
int mdlWin32_DdeUninitialize(unsigned int instanceId);
/* A string handle for `text` (compared case-insensitively, as service, topic and item names
 * are), or null for an unknown instance, a null text or another code page. */
DdeStringHandle* mdlWin32_DdeCreateStringHandle(unsigned int instanceId, const char* text, int codePage);
/* Opens a conversation with `service` on `topic`; `context` null takes the default. Null when no
 * such service answers. */
DdeConversation* mdlWin32_DdeConnect(unsigned int instanceId, DdeStringHandle* service,
                                     DdeStringHandle* topic, const void* context);
/* Ends a conversation. Non-zero on success, 0 for a conversation that is not open. */
int mdlWin32_DdeDisconnect(DdeConversation* conversation);
/* A client transaction on an open conversation: `length` bytes of `data` (for DDE_XTYP_EXECUTE the
 * command text with its terminating zero), the item (null for an execute), the format and type,
 * waiting at most `timeoutMs` milliseconds. *result (may be null) gets the partner's status word
 * (DDE_FACK when it took the command). A synchronous transaction returns a data handle the caller
 * frees with mdlWin32_DdeFreeDataHandle (for an execute it holds no data); null on failure: closed
 * conversation, refused or malformed command, time-out. */
DdeDataHandle* mdlWin32_DdeClientTransaction(const void* data, unsigned int length,
                                             DdeConversation* conversation, DdeStringHandle* item,
                                             unsigned int format, unsigned int type, unsigned int timeoutMs,
                                             unsigned int* result);
/* Copies up to `size` bytes of the data from byte `offset` on into `buffer`; with a null buffer
 * copies nothing. The number of bytes copied, or with a null buffer the data's whole size; 0 for
 * an unknown handle or an offset past the end. */
unsigned int mdlWin32_DdeGetData(DdeDataHandle* data, void* buffer, unsigned int size, unsigned int offset);
/* Frees a data handle a transaction returned. Non-zero on success, 0 for an unknown handle. */
int mdlWin32_DdeFreeDataHandle(DdeDataHandle* data);

/* ---- Printers -------------------------------------------------------------------------------------
 * The printers of the printing system. A printer of another machine has that machine's name as
 * its server, and the name it has there as its share. */
typedef struct Win32PrinterInfo {
  char printerName[256];
  char serverName[256]; /* "" for a printer of this machine */
  char shareName[256];  /* "" when the printer is not shared under a name of its own */
  char portName[256];   /* where a local printer prints to (its device) */
} Win32PrinterInfo;
#define WIN32_PRINTER_ENUM_LOCAL 2       /* printers of this machine */
#define WIN32_PRINTER_ENUM_CONNECTIONS 4 /* printers of other machines this one prints to */

/* Fills at most `maxPrinters` records with the printers the flags ask for and returns how many
 * there are (call with 0 to learn the number; a larger number than maxPrinters means the records
 * were cut short). 0 when there are none or the printing system cannot be asked. */
int mdlWin32_enumPrinters(Win32PrinterInfo* printers, int maxPrinters, int flags);

/* ---- Registry ---------------------------------------------------------------------------------------
 * Two stores of named values under keys ("Software\\Maker\\Program": '\\' or '/' separates key
 * names, compared case-insensitively; value names too), kept in one SQLite file beside the user
 * preference file ("registry.db" in the folder of MS_USERPREF), written atomically. A file there
 * that is no registry is never overwritten. */
#define WIN32_REGISTRY_CURRENT_USER 1
#define WIN32_REGISTRY_LOCAL_MACHINE 2
/* Value types. */
#define WIN32_REG_SZ 1     /* text with its terminating zero */
#define WIN32_REG_BINARY 3 /* bytes */
#define WIN32_REG_DWORD 4  /* 32-bit value, little-endian */

/* Reads value `valueName` ("" or null: the key's default value) of `subKey` in `root`: its type
 * into *typeOut (may be null), its bytes into `data` (may be null) and their number into
 * *sizeInOut (in: the room in `data`). 0; MDLERR_FILENOTFOUND when the key or value is missing;
 * MDLERR_TOOLARGE when it does not fit (*sizeInOut then holds the size needed, `data` is
 * untouched); MDLERR_BADARG. */
int mdlWin32_registryQueryValue(int root, const char* subKey, const char* valueName, unsigned int* typeOut,
                                void* data, unsigned int* sizeInOut);
/* Stores a value, creating the key. 0, MDLERR_BADARG, or MDLERR_CANNOTOPENFILE when the store
 * cannot be written (the old store is intact). */
int mdlWin32_registrySetValue(int root, const char* subKey, const char* valueName, unsigned int type,
                              const void* data, unsigned int size);

/* ---- Paths --------------------------------------------------------------------------------------------- */

/* The universal name "//server/share/rest" of a path on a network mount (found in the mount
 * table) into `universal` (`size` bytes). 0; MDLERR_BADARG for a local path, and MDLERR_TOOLARGE
 * when it does not fit; `universal` is then "". */
int mdlWin32_getUniversalName(char* universal, int size, const char* path);
/* The short form of an existing path: on this system the path itself. 0; MDLERR_FILENOTFOUND
 * when nothing is there; MDLERR_TOOLARGE when it does not fit; `shortPath` is then "". */
int mdlWin32_getShortPathName(char* shortPath, int size, const char* path);

/* ---- Printer ports ---------------------------------------------------------------------------------
 * Copies the file `source` to `port` as the other system's file copy does when it is given a
 * printer port: "LPT1" to "LPT9" (any case) are the parallel ports, here the device or file that
 * the configuration variable "PIXMEND_LPTn" names, else the devices "/dev/lp0" to "/dev/lp8"
 * (refused when there is no such device); a name starting
 * with two backslashes, "\\server\share\rest", is that path on the share where it is mounted
 * (found in the mount table); in any other name '\\' separates directories. A character device
 * or pipe is written in place (a pipe that nobody reads is refused at once, never waited on);
 * anything else is a file, written beside its target and renamed over it when the copy is
 * complete. Journaled "win32: copied SOURCE to PORT (TARGET)" or "win32: cannot copy SOURCE to
 * PORT: REASON". 0; MDLERR_BADARG for null or empty names; MDLERR_FILENOTFOUND when the source is
 * not a readable file, the parallel port or the share is not there; MDLERR_CANNOTOPENFILE when the target cannot
 * be written (a file target is then as it was). */
int mdlWin32_copyFileToPort(const char* port, const char* source);

#ifdef __cplusplus
}
#endif

#endif
