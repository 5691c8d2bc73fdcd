/* vxlib: plot files and printing (Print, Ps, Hpgl, Pcl, Ascii).
 * Part of the library's interface: include "pixmend/vxlib.h", which includes this header. */
#ifndef PIXMEND_VXLIB_PRINT_H
#define PIXMEND_VXLIB_PRINT_H

#include "pixmend/vxlib.h"

PIXMEND_BEGIN_C

/* ---- Print, Ps, Hpgl, Pcl, Ascii: plot files and printing -------------------------------------
 *
 * Four drivers write drawings to plot files: PostScript, HP-GL, PCL 5 with HP-GL/2, and a text
 * file of the drawing's texts. Every coordinate, size and width is in page millimetres. A plot is
 * open -> drawing calls (newPage between pages) -> fclose -> optionally sendFileToPrinter. Each
 * driver writes one file at a time; opening another first closes the one still open. The file
 * appears under its name when it is closed complete (a failed plot leaves the old file as it
 * was). Drawing calls on a driver without an open file do nothing; a call with a number that is
 * not finite or lies beyond 100 m, or a text longer than 4096 characters, is refused with a
 * diagnostic on the host's text window and writes nothing.
 *
 * Point arrays hold 3 doubles (x, y, z) per point; z is not used. A fill value from 0.0 to 1.0
 * closes the outline and fills it with that grey (0.0 black, 1.0 white); any other value (-1.0)
 * draws the outline only. Justification: 0 centred, 1 right-aligned, any other value
 * left-aligned, at the text's baseline point. Angles are in degrees. */

/* Output types of vxlibPrint_fopen. */
#define VXLIB_PRINT_POSTSCRIPT 0
#define VXLIB_PRINT_HPGL 1
#define VXLIB_PRINT_TEXT 4
#define VXLIB_PRINT_PCL 5

/* Opens the driver of `outputType` on `path` and makes that type the current one (PCL uses the
 * paper code last given to vxlibPrint_getPageSize). 1 on success, 0 when the file cannot be
 * opened (reported on the text window), 1 for a type without a driver, which makes the other
 * Print calls do nothing. */
PIXMEND_API int vxlibPrint_fopen(const char *path, int outputType);
/* A new page in the current driver (nothing for the text file). */
PIXMEND_API void vxlibPrint_newPage(void);
/* Ends the last page and closes the current driver's file: 0, or 0x8000 when it could not be
 * written (reported) or none was open; 0 for a type without a driver. */
PIXMEND_API int vxlibPrint_fclose(void);
/* Makes `paperCode` the current paper; for codes 1 to 12 (A0, A0 turned, A1, ... A5 turned)
 * writes (0, 0) to lowerLeft and (width, height) in mm to upperRight (2 doubles each; either may
 * be null). Any other code writes nothing. */
PIXMEND_API void vxlibPrint_getPageSize(double *lowerLeft, double *upperRight, int paperCode);
/* Draws the element descriptor through the current driver, scaled by one factor to fit the
 * rectangle from (x, y) `width` by `height` page mm and centred in it (HP-GL: turned a quarter
 * turn clockwise for the plotter's axes). Elements on level 63 are drawn first, so the grey fills
 * kept there (colours 100 to 200: grey 1.0 to 0.0) lie under the rest; shapes, complex shapes
 * and ellipses are filled when the element is, lines take the line tables by weight and style,
 * texts are written as texts at their baseline. The descriptor stays the caller's, unchanged. */
PIXMEND_API void vxlibPrint_printElementDescr(MSElementDescr *descriptor, double x, double y, double width,
                                              double height);
/* Sends the finished file `path` to `printer`, `copies` times (at most 999):
 *  - "LPT1" to "LPT9", or a name starting with '$' or '\\': vxlibPrint_sendFileToPrinterPort;
 *  - a single word: the printer of that name of the printing system;
 *  - otherwise command lines separated by ';', "%s" standing for the file and "%d" for the number
 *    of copies; without "%d" the lines run `copies` times. A line that fails is reported on the
 *    text window ("Error executing ...") and the others still run.
 * 0 on success; otherwise the first failure: MDLERR_BADARG for null names or too many copies, the
 * host's copy or print error, the status of the first command line that failed, or 0x8000 for a
 * file name that cannot be put into a command line. */
PIXMEND_API int vxlibPrint_sendFileToPrinter(const char *path, const char *printer, int copies);
/* Copies the file `path` `copies` times onto `port` with configuration variables expanded (see
 * mdlWin32_copyFileToPort for ports, shares and files), stopping at the first failed copy.
 * 0 or the host's copy error; MDLERR_BADARG for null names or too many copies. */
PIXMEND_API int vxlibPrint_sendFileToPrinterPort(const char *path, const char *port, int copies);

/* PostScript (points = mm x 2.834645651435303). fopen: 1, or 0 when the file cannot be opened.
 * fclose: ends the last page; 0 or 0x8000 as vxlibPrint_fclose. */
PIXMEND_API int vxlibPs_fopen(const char *path);
PIXMEND_API void vxlibPs_newPage(void);
PIXMEND_API int vxlibPs_fclose(void);
PIXMEND_API void vxlibPs_drawLine(float x1, float y1, float x2, float y2, float width);
PIXMEND_API void vxlibPs_drawPolyline(const double *points, int count, double width, double fill);
/* As vxlibPs_drawPolyline, dashed by `dashArray`, PostScript dash lengths in points ("" solid,
 * "5.76 3.6", ...; numbers and blanks only). The dash stays in force for later drawing on the
 * page. */
PIXMEND_API void vxlibPs_drawPolylineExtended(const double *points, int count, double width,
                                              const char *dashArray, double fill);
/* A text in Helvetica with the Nordic letters (Latin-1), `height` high. */
PIXMEND_API void vxlibPs_drawText(double x, double y, const char *text, double height, double angle,
                                  int justification);
PIXMEND_API void vxlibPs_drawArc(double centerX, double centerY, double radius, double startAngle, double endAngle,
                                 double width);
/* A filled circle or sector in `grey` (0.0 black to 1.0 white). */
PIXMEND_API void vxlibPs_fillCirc(double centerX, double centerY, double radius, double startAngle,
                                  double endAngle, double grey);
/* Places the EPS file `path` scaled, moved to (x, y) and turned. 1, or 0 when it cannot be read
 * (reported "vxpslib: unable to load PATH."). */
PIXMEND_API int vxlibPs_includeEPSFile(const char *path, double scaleX, double scaleY, double x, double y,
                                       double rotation);

/* HP-GL (plotter units of 1/38.46 mm from (10, 1) mm). The polyline's width and fill are taken and
 * not used. drawText changes `text` in place: the Latin-1 letters ae, o-slash and a-ring (small
 * and capital) become the national 7-bit set's { | } [ \ ]. A text holding the character 3 (the
 * label's end) is refused. drawLine, drawArc and fillCirc draw nothing in this format. */
PIXMEND_API int vxlibHpgl_fopen(const char *path);
PIXMEND_API void vxlibHpgl_newPage(void);
PIXMEND_API int vxlibHpgl_fclose(void);
PIXMEND_API void vxlibHpgl_drawPolyline(const double *points, int count, double width, double fill);
PIXMEND_API void vxlibHpgl_drawText(double x, double y, char *text, double size, double angle, int justification);
PIXMEND_API void vxlibHpgl_drawLine(float x1, float y1, float x2, float y2, float width);
PIXMEND_API void vxlibHpgl_drawArc(double centerX, double centerY, double radius, double startAngle,
                                   double endAngle, double width);
PIXMEND_API void vxlibHpgl_fillCirc(double centerX, double centerY, double radius, double startAngle,
                                    double endAngle, double grey);

/* PCL 5 with HP-GL/2 on A4 (paper codes 10 and 12 turned, any other upright). Line types 1 to 8
 * with their pattern length in mm; 0 or less draws solid. A text holding the character 3 is
 * refused. drawLine, drawArc and fillCirc draw nothing in this format. */
PIXMEND_API int vxlibPcl_fopen(const char *path, int paperCode);
PIXMEND_API void vxlibPcl_newPage(void);
PIXMEND_API int vxlibPcl_fclose(void);
PIXMEND_API void vxlibPcl_drawPolyline(const double *points, int count, double width, double fill);
PIXMEND_API void vxlibPcl_drawPolylineExtended(const double *points, int count, double width, int lineType,
                                               double patternLength, double fill);
PIXMEND_API void vxlibPcl_drawText(double x, double y, const char *text, double size, double angle,
                                   int justification);
PIXMEND_API void vxlibPcl_drawLine(float x1, float y1, float x2, float y2, float width);
PIXMEND_API void vxlibPcl_drawArc(double centerX, double centerY, double radius, double startAngle,
                                  double endAngle, double width);
PIXMEND_API void vxlibPcl_fillCirc(double centerX, double centerY, double radius, double startAngle,
                                   double endAngle, double grey);

/* The text file: texts are collected and written at close, in reading order (rows from the top,
 * each row from the left), a text's column following its distance from the leftmost text.
 * drawText keeps a copy of `text` placed at the first point of `shape` (the text's box, five
 * points of 3 doubles: 15 doubles, 120 bytes); texts turned by more than 1 degree
 * (`angleDifference`) are left out. `size`, the two host values and `justification` are kept
 * with the entry and not used for the file. newPage does nothing. */
PIXMEND_API int vxlibAscii_fopen(const char *path);
PIXMEND_API int vxlibAscii_fclose(void);
PIXMEND_API void vxlibAscii_newPage(void);
PIXMEND_API void vxlibAscii_drawText(const double *shape, const char *text, double size, int hostValue1,
                                     int hostValue2, double angleDifference, int justification);

/* ---- Preview, PrintSet: paged output ------------------------------------------------------------
 *
 * An application hands the library its page names and a page function that builds one page's
 * elements; the library previews the pages one at a time on a sheet of paper with margins, lets
 * the user edit each page's title-block information, and prints them through the plot-file
 * drivers, plots them through a host plot driver after placing them in the design, places them
 * in the design only, or writes them into a copy of a spreadsheet template. The print set-up
 * (vxlibpsd: paper, margins, orientation, output type, printer, output file) is shared by all
 * applications and kept in the user preference file.
 *
 * The callbacks are the application's and are called through the host (dlmSystem_callAnyFunction)
 * as the application's own: the page function with (page index, page name, address of an element
 * descriptor pointer to fill or null, placing flag: non-zero when the page goes into the design);
 * the page-list function with the address of a string-array pointer, returning the number of
 * pages and setting the array to their names (the library copies them; the array stays the
 * application's). */
typedef int (*VxlibPageFunction)(int pageIndex, const char *pageName, MSElementDescr **descriptorP, int placing);
typedef int (*VxlibPageListFunction)(char ***pageNamesP);
typedef void (*VxlibUserPrintFunction)(int pageIndex);

/* Copies the `pageCount` names of `pageNames` into the page list (the old list is freed), shows
 * page `startPage` (brought into the list) and opens the preview dialog, modeless; a preview
 * already open in this application shows the new pages in its window. Every opening clears the
 * user print function. 0, or VXLIB_ERROR when the names cannot be copied or the dialog cannot be
 * opened (reported). */
PIXMEND_API int vxlibPreview_dialogOpenExtended(int pageCount, int startPage, char **pageNames,
                                                VxlibPageFunction pageFunction,
                                                VxlibPageListFunction pageListFunction);
/* The same from the first page. */
PIXMEND_API int vxlibPreview_dialogOpen(int pageCount, char **pageNames, VxlibPageFunction pageFunction,
                                        VxlibPageListFunction pageListFunction);
/* Prints through `function` (called with the page index) instead of the library's own printing,
 * until the next preview opening; null prints through the library again. */
PIXMEND_API void vxlibPreview_setUserPrintFunction(VxlibUserPrintFunction function);
/* Stores the spreadsheet template file and its sheet's name in the print settings; null leaves
 * a value as it is. */
PIXMEND_API void vxlibPreview_setExcelTemplateNames(const char *templateFile, const char *sheetName);
/* Opens the print set-up dialog modally; closed with OK (3) the set-up is written to the user
 * preference file. Returns the dialog's answer. */
PIXMEND_API int vxlibPrintSet_dialogOpen(void);

PIXMEND_END_C

#endif
