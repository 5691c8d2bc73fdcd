// The Win32 family's own view of its spreadsheet link, for tests: the callback as the host calls
// it and the buffer that advise data go to.
#pragma once

#include "host/win32/api.h"

namespace pixmend::vxlib {

unsigned long ddeCallbackForTesting(unsigned int type, DdeDataHandle* data);
const char* ddeAdviseBufferForTesting();

}  // namespace pixmend::vxlib
