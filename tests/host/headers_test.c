/* The host's C API is meant for C callers too: this file is compiled as strict C11 with every
 * group's header included, so a C++-only construct, a missing include or a record whose layout
 * differs in C breaks the build. The records' offsets are checked inside the headers themselves;
 * here each handle and record type is also used once, so a type that only exists in C++ (or is
 * declared twice differently) is caught as well. */
#include "host/mdl.h"

/* One function per group taking the group's own types: never called, only compiled. */
int pixmend_c_headers_raster(RasterFileInfo* file, RasterRendering* rendering, RasterGeoReference* geo,
                             RasterExtendedInfo* extended, DgnRasterP raster, MdlContainer* container);
int pixmend_c_headers_design(ElementHeader* header, LinkageHeader* linkage, MSElementDescr* descr,
                             ScanCriteria* criteria, TextParam* params, TextSize* size, MSColorDescr* color,
                             LineStyleParams* style, MSWChar* text);
int pixmend_c_headers_view(ViewFlags* flags, Transform* transform, RotMatrix* rotation);
int pixmend_c_headers_plot(PlotDescr* descr);
int pixmend_c_headers_win32(DdeStringHandle* string, DdeConversation* conversation, DdeDataHandle* data,
                            Win32PrinterInfo* printer, DdeCallbackFunc callback);

/* Every record of the design and raster groups has the same size in C as the headers state. */
_Static_assert(sizeof(RasterFileInfo) == 848, "file information");
_Static_assert(sizeof(RasterRendering) == 80, "rendering");
_Static_assert(sizeof(RasterGeoReference) == 80, "georeference");
_Static_assert(sizeof(RasterExtendedInfo) == 92, "extended information");
_Static_assert(sizeof(ElementHeader) == 32, "element header");
_Static_assert(sizeof(LinkageHeader) == 4, "linkage header");
_Static_assert(sizeof(MSWChar) == 2, "wide characters are 16-bit code units");
