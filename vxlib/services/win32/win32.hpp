// The Win32 family's own view of its spreadsheet link, for tests: the callback as the host calls
// it and the buffer that advise data go to.
#pragma once

#include <string>

#include "host/win32/api.h"

namespace pixmend::vxlib {

unsigned long ddeCallbackForTesting(unsigned int type, DdeDataHandle* data);
const char* ddeAdviseBufferForTesting();
// `text` with every double quote written twice, as the spreadsheet's macro language reads a
// quote inside a quoted text.
std::string doubledQuotes(const char* text);

}  // namespace pixmend::vxlib
