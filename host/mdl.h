/* The host's whole C API in one include: every group's calls (host/<group>/api.h). Applications
 * include this. Groups whose API has not landed yet are skipped, so the umbrella always builds. */
#ifndef PIXMEND_HOST_MDL_H
#define PIXMEND_HOST_MDL_H

#include "host/types.h"

#include "host/config/api.h"
#include "host/design/api.h"
#include "host/files/api.h"
#include "host/output/api.h"
#include "host/plot/api.h"
#include "host/raster/api.h"
#include "host/resource/api.h"
#include "host/state/api.h"
#include "host/system/api.h"
#include "host/view/api.h"
#include "host/win32/api.h"

#if defined(__has_include)
#if __has_include("host/external/api.h")
#include "host/external/api.h"
#endif
#if __has_include("host/dialog/api.h")
#include "host/dialog/api.h"
#endif
#if __has_include("host/external/api.h")
#include "host/external/api.h"
#endif
#if __has_include("host/image/api.h")
#include "host/image/api.h"
#endif
#endif

#endif
