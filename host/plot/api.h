/* Host calls of the plot group: plot descriptors made from plot-driver files (".plt"), their paper,
 * printer and output file, the area to plot (the fence), and plotting; the files the utility
 * library's plot drivers write, and printing finished files.
 *
 * A plot-driver file names the printer or the output file and the papers it offers. On this host
 * a plot goes to a file (written atomically) or, for a driver of the system printer, to the
 * printer through the printing system. Every descriptor made, plot and failure is journaled on
 * channel "plot". A descriptor belongs to its caller until mdlPlot_freeDescr; the host refuses
 * (MDLERR_BADARG) a descriptor it did not make or has freed. */
#ifndef PIXMEND_HOST_PLOT_API_H
#define PIXMEND_HOST_PLOT_API_H

#include "host/design/api.h"
#include "host/dialog/api.h"
#include "host/types.h"
#include "host/view/api.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct PlotDescr PlotDescr;

/* Failures of the plot calls. */
#define MDLERR_BADPLOTDRIVER (-160) /* the plot-driver file is missing, unreadable or malformed */
#define MDLERR_NOSUCHPAPER (-161)   /* the driver offers no paper of that name */
#define MDLERR_PLOTFAILED (-162)    /* nothing to plot (no area), or the output could not be written */

/* Units of the sizes a descriptor takes and gives. */
#define PLOT_UNITS_INCHES 3
#define PLOT_UNITS_MILLIMETRES 4

/* Makes a descriptor from the plot-driver file `driverFile` with the paper named `paperName`
 * ("A0" to "A5" and the driver's own names, case-insensitive; null: the driver's first own paper,
 * or A4),
 * sizes in `units`, drawing with `viewFlags` (null: the flags of the view the area is taken in).
 * The new descriptor goes to *descrOut. 0; MDLERR_BADARG; MDLERR_BADPLOTDRIVER;
 * MDLERR_NOSUCHPAPER; *descrOut is then null. */
int mdlPlot_createDescr(PlotDescr** descrOut, const char* driverFile, const char* paperName, int units,
                        const ViewFlags* viewFlags);
/* Frees the descriptor and sets *descrP to null (null is fine). */
void mdlPlot_freeDescr(PlotDescr** descrP);

/* Non-zero when the driver plots to the system printer (its output goes to no file). */
int mdlPlot_isSystemPrinter(const PlotDescr* descr);
/* The printer the driver plots to (the system printer's name for such a driver), "" when it names
 * none. `size` bytes, always terminated; cut to fit with MDLERR_TOOLARGE. */
int mdlPlot_getPrinterName(char* name, int size, const PlotDescr* descr);
/* The output file the driver names itself, "" when it names none. */
int mdlPlot_getFileName(char* name, int size, const PlotDescr* descr);
/* The driver's default extension of output files, without the dot; "" when it has none. */
int mdlPlot_getDefaultExtension(char* extension, int size, const PlotDescr* descr);
/* The name of the chosen paper and its printable width and height in the descriptor's units. */
int mdlPlot_getPaperName(char* name, int size, const PlotDescr* descr);
int mdlPlot_getPaperSize(double* width, double* height, const PlotDescr* descr);

/* Opens the host's print dialog for the descriptor: the user may choose another printer and
 * paper (headless: from the answer queue). ACTIONBUTTON_OK when confirmed (the descriptor then
 * holds the choice), ACTIONBUTTON_CANCEL otherwise (unchanged), or MDLERR_BADARG. */
int mdlPlot_printDialog(PlotDescr* descr);

/* The area to plot becomes the current fence (in its view); MDLERR_NOFENCE when there is none. */
int mdlPlot_setAreaFromFence(PlotDescr* descr);
/* Copies of each plot, 1 to 99 (MDLERR_BADARG otherwise, unchanged). */
int mdlPlot_setCopies(PlotDescr* descr, int copies);
/* Scales the area to the largest that fits the paper's printable part, keeping its proportions. */
int mdlPlot_maximize(PlotDescr* descr);
/* Plots the area: to `fileName` when given (the driver's own file name or the system printer
 * otherwise). The file is written beside its target and renamed over it when complete. 0;
 * MDLERR_PLOTFAILED (no area set, nothing written, or the printer refused); MDLERR_BADARG. */
int mdlPlot_plot(PlotDescr* descr, const char* fileName);

/* ---- Plot files ----------------------------------------------------------------------------------
 * The files the utility library's plot drivers write, as bytes. A file is written beside its
 * target and renamed over it when closed complete, so a plot that fails or is never closed
 * leaves the old file as it was. An existing character device or pipe (a printer port) cannot be
 * replaced and is written in place; it is opened without waiting, so a pipe that nobody reads is
 * refused at once. A directory is refused. Opening a file that cannot be written is journaled
 * "file: cannot write NAME: REASON", closing "file: wrote NAME" (or "file: could not write NAME:
 * REASON"). A file its application leaves open is closed for it when the application unloads.
 * The handle belongs to the host; the caller gives it back with mdlPlotFile_close. */
typedef struct PlotFile PlotFile;

/* A new plot file for `fileName`, or null (null or empty name, a directory, a place that cannot
 * be written, a pipe nobody reads). */
PlotFile* mdlPlotFile_open(const char* fileName);
/* Appends `size` bytes. 0; MDLERR_BADARG for a handle that is not open; MDLERR_CANNOTOPENFILE
 * when the write failed (the file is then lost: every later write and the close fail too). */
int mdlPlotFile_write(PlotFile* file, const void* data, unsigned int size);
/* Completes the file: it replaces its target now. 0; MDLERR_BADARG for a handle that is not open;
 * MDLERR_CANNOTOPENFILE when anything failed (the old file is intact). The handle is gone either
 * way. */
int mdlPlotFile_close(PlotFile* file);

/* ---- Printing ---------------------------------------------------------------------------------------
 * Finished files go to a printer of the system's printing service. The print server is asked
 * with time limits (5 seconds to connect, 30 for each answer), so a missing or unreachable
 * server is a quick failure, never a wait. Journaled on "plot": "printed FILE on PRINTER, N
 * copies (job J)" or "cannot print FILE on PRINTER: REASON". */
#define MDLERR_NOPRINTSERVER (-163) /* no print server answers */
#define MDLERR_NOSUCHPRINTER (-164) /* the server knows no printer of that name */
#define MDLERR_PRINTREFUSED (-165)  /* the server refused the job */
#define PLOT_MAX_COPIES 999

/* Prints the file `fileName` on `printer` (a printer or class of the printing service, optionally
 * "name/instance"), `copies` copies (1 to PLOT_MAX_COPIES), as the job `title` (null or "": the
 * file name). 0; MDLERR_BADARG (null or empty names, copies out of range); MDLERR_FILENOTFOUND
 * when the file is not a readable file; MDLERR_NOPRINTSERVER; MDLERR_NOSUCHPRINTER;
 * MDLERR_PRINTREFUSED. */
int mdlPlot_printFile(const char* printer, const char* fileName, int copies, const char* title);
/* The system printer: the printing system's default printer, into `name` (`size` bytes, always
 * terminated). 0; MDLERR_NOSUCHPRINTER when there is none or no print server answers (`name` is
 * then ""); MDLERR_TOOLARGE when it is cut to fit; MDLERR_BADARG. */
int mdlPlot_getSystemPrinterName(char* name, int size);

#ifdef __cplusplus
}
#endif

#endif
