// Message-field output from the numbered messages of an application's message lists: the output
// group's mdlOutput_rscPrintf and mdlOutput_rscsPrintf (declared with its calls), kept here with
// the message lists they read, so that the output group needs nothing of the resources.
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "host/output/api.h"
#include "host/output/journal.hpp"
#include "host/output/output.hpp"
#include "host/resource/api.h"

namespace pixmend::host {
namespace {

// A message of the application's message lists, used as a format.
int loadMessage(unsigned int rscFile, int listId, int number, std::vector<char>& buffer) {
  buffer.assign(RSC_MESSAGE_MAX, '\0');
  return mdlResource_loadFromStringList(buffer.data(), rscFile, listId, number);
}

}  // namespace
}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

int mdlOutput_rscPrintf(int field, unsigned int rscFile, int listId, int number, ...) {
  const char* channel = fieldChannel(field);
  if (channel == nullptr) return MDLERR_BADARG;
  std::vector<char> format;
  const int status = loadMessage(rscFile, listId, number, format);
  if (status != 0) return status;
  va_list ap;
  va_start(ap, number);
  const std::string text = formatText(format.data(), ap);
  va_end(ap);
  journal().append(channel, text);
  return SUCCESS;
}

int mdlOutput_rscsPrintf(char* out, unsigned int rscFile, int listId, int number, ...) {
  if (out == nullptr) return MDLERR_BADARG;
  out[0] = '\0';
  std::vector<char> format;
  const int status = loadMessage(rscFile, listId, number, format);
  if (status != 0) return status;
  va_list ap;
  va_start(ap, number);
  std::vsnprintf(out, OUTPUT_RSC_MAX, format.data(), ap);
  va_end(ap);
  return SUCCESS;
}

}  // extern "C"
