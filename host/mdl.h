/* The host's whole C API in one include: every group's calls (host/<group>/api.h). Applications
 * include this. */
#ifndef PIXMEND_HOST_MDL_H
#define PIXMEND_HOST_MDL_H

#include "host/types.h"

#include "host/config/api.h"
#include "host/design/api.h"
#include "host/dialog/api.h"
#include "host/external/api.h"
#include "host/files/api.h"
#include "host/image/api.h"
#include "host/output/api.h"
#include "host/plot/api.h"
#include "host/raster/api.h"
#include "host/resource/api.h"
#include "host/state/api.h"
#include "host/system/api.h"
#include "host/view/api.h"
#include "host/win32/api.h"

#endif
