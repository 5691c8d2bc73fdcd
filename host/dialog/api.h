/* The dialog manager's host calls: dialogs and items from 'dBox' resources, hooks, modal
 * dialogs, item values bound to published records, the command window's menu bar, file
 * dialogs, and drawing into a dialog's off-screen canvas.
 *
 * The host has no screen: every dialog draws into its own RGB canvas, scripts set item values
 * and press buttons, and modal dialogs and file dialogs take their answer from the answer queue.
 * Dialog and window pointers are checked against the open dialogs: a closed or foreign pointer
 * is refused, never followed. */
#ifndef PIXMEND_HOST_DIALOG_API_H
#define PIXMEND_HOST_DIALOG_API_H

#include "host/resource/api.h"
#include "host/types.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct MSDialog MSDialog;
typedef struct MSDialog MSWindow; /* every window of this host is a dialog */
typedef struct MenuBarMenu MenuBarMenu;

/* Resource types. */
#define RTYPE_DIALOG 0x64426F78U   /* 'dBox' */
#define RTYPE_PULLDOWN 0x70644D6EU /* 'pdMn' */

/* Item types (four characters packed). */
#define RTYPE_LABEL 0x6C61626CU    /* 'labl' */
#define RTYPE_TEXT 0x64547874U     /* 'dTxt' */
#define RTYPE_OPTIONBTN 0x6F704274U /* 'opBt' */
#define RTYPE_TOGGLE 0x74676C42U   /* 'tglB' */
#define RTYPE_PUSHBTN 0x70427574U  /* 'pBut' */
#define RTYPE_LISTBOX 0x6C737442U  /* 'lstB' */
#define RTYPE_GENERIC 0x676E7263U  /* 'gnrc' */
#define RTYPE_PICTURE 0x70696374U  /* 'pict' */
#define RTYPE_IMAGE 0x696D6167U    /* 'imag' */
#define RTYPE_MENUBAR 0x6D426172U  /* 'mBar' */
#define RTYPE_GROUPBOX 0x67727042U /* 'grpB' */
#define RTYPE_COMBOBOX 0x636D6242U /* 'cmbB' */

/* Synonym lists: resource 'dSyn' naming the items (type and identifier) that show one value in
 * whatever dialogs they appear, so that one call brings them all up to date. */
#define RTYPE_SYNONYMS 0x6453796EU /* 'dSyn' */

/* Button actions: a push button's action ends a modal dialog with that value. */
#define ACTIONBUTTON_APPLY 1
#define ACTIONBUTTON_RESET 2
#define ACTIONBUTTON_OK 3
#define ACTIONBUTTON_CANCEL 4
#define ACTIONBUTTON_YES 6
#define ACTIONBUTTON_NO 7

/* Messages to dialog hooks, in the order a dialog receives them. */
#define DIALOG_MESSAGE_CREATE 0  /* before the items exist; may set u.create.interests */
#define DIALOG_MESSAGE_INIT 1    /* items created and synchronised */
#define DIALOG_MESSAGE_DESTROY 2 /* the dialog closes */
#define DIALOG_MESSAGE_UPDATE 3  /* the dialog is redrawn */
#define DIALOG_MESSAGE_BUTTON 4  /* a push button without a hook of its own was pressed */
#define DIALOG_MESSAGE_ACTIONBUTTON 5 /* an action button is about to close the dialog */
#define DIALOG_MESSAGE_RESIZE 6  /* the window's size changed (u.resize); the dialog is redrawn after */
/* The host asks which pull-down menu belongs to an item the user opened a menu on: sent only
 * to dialogs whose creation set DIALOG_INTEREST_PULLDOWNQUERY in u.create.interests, with
 * u.query.queryType DIALOG_QUERY_ITEM and u.query.subType DIALOG_QUERY_PULLDOWN. A hook that
 * answers sets u.query.menuId (a 'pdMn' resource of its application); 0 leaves the item without
 * a menu. */
#define DIALOG_MESSAGE_PULLDOWNQUERY 25
#define DIALOG_INTEREST_PULLDOWNQUERY 0x8200 /* 0x82 in the second byte of the interests */
#define DIALOG_QUERY_ITEM 2
#define DIALOG_QUERY_PULLDOWN 515

/* Messages to item hooks. */
#define DITEM_MESSAGE_CREATE 50
#define DITEM_MESSAGE_DESTROY 51
#define DITEM_MESSAGE_DRAW 52
#define DITEM_MESSAGE_BUTTON 54
#define DITEM_MESSAGE_SYNCHRONIZE 55 /* the item's value was read again from its access string */
#define DITEM_MESSAGE_INIT 69        /* every item of the dialog exists */
#define DITEM_MESSAGE_STATECHANGED 71 /* the user changed the value */
/* List boxes: the user finished editing the cell that the hook opened with
 * mdlDialog_listBoxEditCell (u.cell); the cell already holds the text typed. */
#define DITEM_MESSAGE_CELLEDITEND 60

/* Button transitions. */
#define BUTTONTRANS_DOWN 0
#define BUTTONTRANS_UP 1

typedef struct DialogMessage {
  int messageType;
  MSDialog *db;
  int dialogId;
  int msgUnderstood; /* set to 1 by a hook that handled the message */
  union {
    struct {
      int interests; /* interest bits a hook may set on CREATE */
      int createFailed; /* set to 1 by a hook to stop the dialog from opening */
    } create;
    struct {
      int itemIndex;
      int actionType;
      int keepOpen; /* ACTIONBUTTON: set to 1 by a hook to keep the dialog open */
    } button;       /* BUTTON and ACTIONBUTTON */
    struct {
      int oldWidth, oldHeight, newWidth, newHeight;
    } resize;
    struct {
      int queryType;
      int subType;
      int itemIndex;  /* the item the menu is asked for */
      int menuId;     /* the hook's answer: a 'pdMn' resource, 0 none */
    } query;        /* PULLDOWNQUERY */
  } u;
} DialogMessage;

typedef struct DialogItemMessage {
  int messageType;
  MSDialog *db;
  int dialogId;
  int itemIndex;
  int itemType;
  int itemId;
  int msgUnderstood;
  union {
    struct {
      int buttonTrans;
      int clickCount;
      int row;    /* list boxes: the row clicked, else -1 */
      int column; /* list boxes: the column clicked, else -1 */
      long value; /* push buttons: the button's value (its resource's "value") */
    } button;
    struct {
      int hasChanged; /* the value differs from the one before */
    } stateChanged;
    struct {
      BSIRect rect; /* the item's rectangle in the dialog's canvas */
    } draw;
    struct {
      int row;
      int column;
    } cell; /* CELLEDITEND */
  } u;
} DialogItemMessage;

typedef void (*DialogHookFunc)(DialogMessage *message);
typedef void (*DialogItemHookFunc)(DialogItemMessage *message);

/* One hook: its identifier (named by dialogs and items in their resources) and its function,
 * a DialogHookFunc for dialog hooks or a DialogItemHookFunc for item hooks. */
typedef struct DialogHookInfo {
  int hookId;
  void *hookFuncP;
} DialogHookInfo;

/* Publishes hooks of the current application; hooks run inside that application. A hook
 * identifier published again replaces the earlier function. 0, or RSC_ERR_BAD_ARGUMENT. */
int mdlDialog_hookPublish(int count, const DialogHookInfo *table);

/* Opens dialog `dialogId` from `rscFile` (0: the current application's resources). Null when
 * there is no such dialog or a hook refused the creation. */
MSDialog *mdlDialog_open(RscFileHandle rscFile, int dialogId);
/* Opens a dialog modally and returns when it is closed: the action of the button pressed goes
 * to *lastActionP. Headless, the answer queue chooses the button (a button word such as "ok",
 * a button's label, or an action number); an empty queue takes the dialog's first action
 * button. An answer "item ID VALUE" first sets an item as a user would. 0, or
 * RSC_ERR_NO_SUCH_RESOURCE when the dialog cannot be opened (*lastActionP is then
 * ACTIONBUTTON_CANCEL). */
int mdlDialog_openModal(int *lastActionP, RscFileHandle rscFile, int dialogId);
/* The open dialog `dialogId` of `owner` (null: the current application; with no current
 * application, any owner), the most recently opened first. */
MSDialog *mdlDialog_find(int dialogId, MdlDesc *owner);
MSDialog *mdlDialog_findByTypeAndId(unsigned int type, int id, MdlDesc *owner);
/* Presses push button `itemIndex` as the user would (a hook activating a dialog's default
 * button on a double click): its hook or the dialog's gets the button message, then its action
 * ends a modal dialog. Refused for a disabled or hidden button. */
int mdlDialog_pushButtonActivate(MSDialog *db, int itemIndex);
/* Closes the dialog once the hook that asks has returned (at once when no hook is running). */
int mdlDialog_closeCommandQueue(MSDialog *db);
int mdlWindow_close(MSWindow *window, int reserved1, int reserved2);

int mdlDialog_getId(MSDialog *db);
int mdlDialog_setTitle(MSDialog *db, const char *title);
int mdlDialog_getTitle(char *buffer, int size, MSDialog *db);
/* The dialog's size in pixels (its canvas); resizing clears the canvas. */
int mdlWindow_extentGet(int *widthP, int *heightP, MSWindow *window);
/* A new size sends DIALOG_MESSAGE_RESIZE to the dialog hook and redraws the dialog. */
int mdlWindow_extentSet(MSWindow *window, int width, int height);
/* Walks the open dialogs of every application, oldest first: null gives the first, the last
 * gives null (so does a dialog that is not open). The command window is not among them. */
MSDialog *mdlDialog_getNext(MSDialog *db);

/* Items are addressed by their index in the dialog (resource order). */
int mdlDialog_itemGetCount(MSDialog *db);
/* The index of the first item of that type and identifier at or after `startIndex`, or -1. */
int mdlDialog_itemIndexByTypeAndId(MSDialog *db, unsigned int type, int id, int startIndex);
int mdlDialog_itemGetTypeAndId(unsigned int *typeP, int *idP, MSDialog *db, int itemIndex);
int mdlDialog_itemSetLabel(MSDialog *db, int itemIndex, const char *label);
int mdlDialog_itemGetLabel(char *buffer, int size, MSDialog *db, int itemIndex);
int mdlDialog_itemSetBalloon(MSDialog *db, int itemIndex, const char *balloon);
int mdlDialog_itemSetEnabledState(MSDialog *db, int itemIndex, int enabled);
int mdlDialog_itemIsEnabled(MSDialog *db, int itemIndex);
int mdlDialog_itemShow(MSDialog *db, int itemIndex, int visible);
/* Attribute bits of an item (the resource's "attributes"); the host keeps them for the hooks. */
int mdlDialog_itemGetAttributes(int *attributesP, MSDialog *db, int itemIndex);
int mdlDialog_itemSetAttributes(MSDialog *db, int itemIndex, int attributes);
int mdlDialog_itemGetRect(BSIRect *rectP, MSDialog *db, int itemIndex);
int mdlDialog_itemSetRect(MSDialog *db, int itemIndex, const BSIRect *rect);
/* The item's value as text (a text item's text, an option button's or list box's or toggle's
 * value as a number), cut to fit `size`. */
int mdlDialog_itemGetValue(char *buffer, int size, MSDialog *db, int itemIndex);
/* Sets the value as the program does: written through the access string when the item has one,
 * no state-changed message. */
int mdlDialog_itemSetValue(MSDialog *db, int itemIndex, const char *value);
/* Reads the item's value again from its access string and redraws it (message 55). */
int mdlDialog_itemSynch(MSDialog *db, int itemIndex);
int mdlDialog_itemsSynch(MSDialog *db);
/* Redraws one item (message 52) or the whole dialog. */
int mdlDialog_itemDraw(MSDialog *db, int itemIndex);
int mdlWindow_redraw(MSWindow *window);

/* Option buttons: entries of a label and a value. Combo boxes take the same calls: their entries
 * are the texts offered (the value is not used), and their value is any text. */
int mdlDialog_optionButtonClear(MSDialog *db, int itemIndex);
int mdlDialog_optionButtonInsert(MSDialog *db, int itemIndex, const char *label, long value, int enabled);
int mdlDialog_optionButtonGetCount(MSDialog *db, int itemIndex);
/* Makes the option button as wide as its widest entry and its arrow (origin kept). */
int mdlDialog_optionButtonFitWidth(MSDialog *db, int itemIndex);

/* Combo boxes may offer the rows of a list model (cell 0's display text of each row) instead of
 * their entries; the model stays the caller's (null: none). The host's own combo boxes -6301
 * (fonts) and -6302 (text styles) come with the host's model, which lives as long as the dialog. */
int mdlDialog_comboBoxSetListModel(MSDialog *db, int itemIndex, ListModel *model);
ListModel *mdlDialog_comboBoxGetListModel(MSDialog *db, int itemIndex);

/* List boxes show a list model owned by the caller (null: none). Showing a model clears the
 * selection. The selected row is the value (the first selected row of a list box with multiple
 * selection, -1 for none). */
int mdlDialog_listBoxSetListModel(MSDialog *db, int itemIndex, ListModel *model);
ListModel *mdlDialog_listBoxGetListModel(MSDialog *db, int itemIndex);
int mdlDialog_listBoxGetSelectedRow(MSDialog *db, int itemIndex);
/* Selects only `row` (-1: none). */
int mdlDialog_listBoxSelectRow(MSDialog *db, int itemIndex, int row);
/* The selected rows in ascending order: at most `maxRows` go to `rows` (may be null to count);
 * returns how many are selected, or -1 for a bad item. */
int mdlDialog_listBoxGetSelectedRows(int *rows, int maxRows, MSDialog *db, int itemIndex);
/* Selects exactly these rows; more than one only in a list box with multiple selection. */
int mdlDialog_listBoxSetSelectedRows(MSDialog *db, int itemIndex, const int *rows, int count);
/* Opens the cell's editor (a cell with an editor, mdlListCell_setEditor): what the user types
 * goes into the cell, then the hook gets DITEM_MESSAGE_CELLEDITEND. Refused for a cell
 * without an editor. */
int mdlDialog_listBoxEditCell(MSDialog *db, int itemIndex, int row, int column);

/* Reads again, and redraws, every item of every open dialog that the synonym list `synonymId`
 * of `rscFile` (0: the current application's resources) names. 0, or
 * RSC_ERR_NO_SUCH_RESOURCE. */
int mdlDialog_synonymsSynch(RscFileHandle rscFile, int synonymId);

/* The command window, whose menu bar holds the host's pull-down menus and those that
 * applications insert; null when the host runs without one (configuration variable
 * PIXMEND_COMMAND_WINDOW set to 0). */
MSDialog *mdlDialog_menuBarGetCmdWinP(void);
/* The menu of that type and identifier in the window's menu bar, or null. The host's own menus
 * are 'pdMn' -520 File, -521 Edit, -522 Settings, -523 Utilities, -524 Help. */
MenuBarMenu *mdlDialog_menuBarFindMenu(MSDialog *window, unsigned int type, int id);
/* Inserts the pull-down menu resource (type, id) from `rscFile` (0: the current application's
 * resources) before `before` (null: at the end). The new menu, or null. */
MenuBarMenu *mdlDialog_menuBarInsMenu(MSDialog *window, MenuBarMenu *before, unsigned int type, int id,
                                      RscFileHandle rscFile);
int mdlDialog_menuBarDeleteMenu(MenuBarMenu *menu, MSDialog *window, int reserved1, int reserved2);

/* File dialogs. The chosen name goes to `fileName` (MAXFILELENGTH bytes); the answer queue
 * gives the choice: a path, or "cancel". An empty queue takes the suggested name (cancel when
 * there is none). A relative answer is taken in the default directory. 0 when a file was
 * chosen, 1 when cancelled. A choice longer than MAXFILELENGTH - 1 is refused (cancelled)
 * rather than cut. */
#define MAXFILELENGTH 256
int mdlDialog_fileOpen(char *fileName, RscFileHandle rscFile, int resourceId, const char *suggestedName,
                       const char *filter, const char *defaultDirectory, const char *title);
int mdlDialog_fileCreate(char *fileName, RscFileHandle rscFile, int resourceId, const char *suggestedName,
                         const char *filter, const char *defaultDirectory, const char *title);
/* The same, remembering the choice in the remembered-file record of `dialogId` in `prefFile`
 * (0: nothing is remembered): current name, filter and directory, and the lists of recent ones. */
int mdlDialog_defFileOpen(char *fileName, const char *suggestedName, const char *filter,
                          const char *defaultDirectory, const char *title, RscFileHandle prefFile, int dialogId);
int mdlDialog_defFileCreate(char *fileName, const char *suggestedName, const char *filter,
                            const char *defaultDirectory, const char *title, RscFileHandle prefFile, int dialogId);
/* Edits a list of files (one string per member). The answer is "cancel" (*resultP = 4, the
 * list is returned unchanged) or paths separated by ';' (*resultP = 3; the list holds them and
 * `directory` (MAXFILELENGTH bytes) becomes the first one's folder). Returns the list, or a
 * new one when `list` is null. */
StringList *mdlFileList_edit(int *resultP, StringList *list, const char *title, char *directory,
                             const char *filter);

/* The directory chooser: `directory` (MAXFILELENGTH bytes) is where it starts and receives the
 * choice. The answer queue gives an existing directory (a relative one is taken from the start
 * directory) or "cancel"; an empty queue keeps the start directory. ACTIONBUTTON_OK when a
 * directory was chosen, ACTIONBUTTON_CANCEL when cancelled or the answer is no directory. */
int mdlDialog_selectDirectory(char *directory, const char *title);

/* Opens the host's own user preference file, the file named by the configuration variable
 * MS_USERPREF: read-write with `write` (created when missing), else read-only. */
int mdlDialog_userPrefFileOpen(RscFileHandle *handleP, int write);

/* Drawing into a window's canvas. Colours are indices into the host's palette: 0 black,
 * 1 blue, 2 green, 3 cyan, 4 red, 5 magenta, 6 yellow, 7 white, 8 grey, 9 light grey,
 * 10 dark blue, 11 dark green, 12 dark red, 13 brown, 14 orange, 15 the dialog background.
 * RgbColorDef is in host/types.h. */

/* Draws RGB data (rows of red, green, blue bytes, `width` pixels wide) into `rect`, skipping
 * pixels of the transparent colour (null: none). The data is read only as far as it goes:
 * a resource from mdlResource_load by its size, other data by the rectangle's height.
 * `sourceX`, `sourceY` skip that many columns and rows of the data. */
int mdlWindow_transparentRgbDataDraw(MSWindow *window, const BSIRect *rect, int width, const unsigned char *data,
                                     int sourceX, int sourceY, const RgbColorDef *transparent);
/* Draws an 'Icon' resource at (x, y) in palette colour `colour`. */
int mdlWindow_iconDraw(MSWindow *window, int x, int y, unsigned int iconType, int iconId, int colour,
                       RscFileHandle rscFile);
int mdlWindow_textDraw(MSWindow *window, const char *text, int x, int y, int colour);
int mdlWindow_rectFill(MSWindow *window, const BSIRect *rect, int colour);
int mdlWindow_lineDraw(MSWindow *window, int x1, int y1, int x2, int y2, int colour);
/* Metrics of the host's built-in font (every font number uses it): a text's width in pixels
 * and the height of one line. */
int mdlWindow_stringWidthGet(MSWindow *window, const char *text, int font);
int mdlWindow_fontHeightGet(MSWindow *window, int font);
/* Writes the window's canvas as a PNG file (atomically). 0, or RSC_ERR_WRITE_FAILED. */
int mdlWindow_saveAsPng(MSWindow *window, const char *fileName);
void mdlWindow_cursorTurnOff(void);

#ifdef __cplusplus
}
#endif

#endif
