// Application data elements (vxlib66Elem_): a non-graphic element of type 66 on level 20 that
// carries an application's bytes inside the design file, found again by scanning the model.
//
// The element image, byte offsets from its start, fields written one by one (little-endian):
//   0 type word: 66, no flags      4 size in 16-bit words: 19 + ceil(n / 2)
//   8 attribute offset: the size  12 level 20
//  16 identifier and time: 0, the host fills them when the element is added
//  32 signature 157   34 application type   36 format version   38 the n data bytes (+ 1 pad)
#include <cstring>

#include "common/bytes.hpp"
#include "vxlib/core/core.hpp"

namespace pixmend::vxlib {
namespace {

constexpr int kElementType = 66;
constexpr std::uint32_t kLevel = 20;
constexpr std::uint16_t kSignature = 157;
constexpr std::size_t kSignatureOffset = 32;
constexpr std::size_t kTypeOffset = 34;
constexpr std::size_t kVersionOffset = 36;
constexpr std::size_t kDataOffset = 38;
constexpr int kHeaderWords = 19;  // up to the data
constexpr int kMaxElementBytes = 8192;
constexpr int kOverhead = 40;     // the header and a pad byte: n + 40 must fit
constexpr int kAddFailed = -100;
constexpr int kMsgDwgDropsData = 28;  // list 20005: the data may be lost in DWG work mode
constexpr int kBatchWords = 128;      // 64 file positions a batch
constexpr int kStatusBufferFull = 11;
constexpr int kScanLevelWords = 4;

// Builds the image into `out` (kMaxElementBytes, zeroed here). False when it cannot hold the data.
bool build(std::uint8_t* out, int applicationType, int version, const void* data, int length) {
  if (length < 0 || length + kOverhead > kMaxElementBytes || (data == nullptr && length > 0)) return false;
  std::memset(out, 0, kMaxElementBytes);
  const auto words = static_cast<std::uint32_t>(kHeaderWords + (length + 1) / 2);
  le::put32(out + 0, kElementType);
  le::put32(out + 4, words);
  le::put32(out + 8, words);
  le::put32(out + 12, kLevel);
  le::put16(out + kSignatureOffset, kSignature);
  le::put16(out + kTypeOffset, static_cast<std::uint16_t>(applicationType));
  le::put16(out + kVersionOffset, static_cast<std::uint16_t>(version));
  if (length > 0) std::memcpy(out + kDataOffset, data, static_cast<std::size_t>(length));
  return true;
}

void warnWhenDwgDropsData() {
  if (mdlSystem_getWorkmode() != WORKMODE_DWG) return;
  char value[256];
  if (mdlSystem_getCfgVar(value, "MS_DWGSAVEAPPLICATIONDATA", sizeof value) != SUCCESS) {
    rscMsgBox(kBoxOk, kErrorList, kMsgDwgDropsData);
  }
}

}  // namespace
}  // namespace pixmend::vxlib

using namespace pixmend;
using namespace pixmend::vxlib;

extern "C" {

int vxlib66Elem_saveData(MSElement* elementBuffer, int applicationType, int version, const void* data, int length) {
  if (elementBuffer == nullptr || length < 0 || length + kOverhead > kMaxElementBytes) return VXLIB_ERROR;
  return build(reinterpret_cast<std::uint8_t*>(elementBuffer), applicationType, version, data, length)
             ? VXLIB_SUCCESS
             : VXLIB_ERROR;
}

int vxlib66Elem_saveDataToFile(int applicationType, int version, const void* data, int length,
                               unsigned int* filePositionOut) {
  alignas(double) std::uint8_t element[kMaxElementBytes];
  if (!build(element, applicationType, version, data, length)) return VXLIB_ERROR;
  const unsigned int position = mdlElement_add(reinterpret_cast<MSElement*>(element));
  if (filePositionOut != nullptr) *filePositionOut = position;
  warnWhenDwgDropsData();
  return position != 0 ? VXLIB_SUCCESS : kAddFailed;
}

int vxlib66Elem_getData(const MSElement* element, int applicationType, int* versionOut, char** dataOut,
                        int* lengthOut) {
  if (dataOut != nullptr) *dataOut = nullptr;
  if (element == nullptr) return VXLIB_ERROR;
  const auto* b = reinterpret_cast<const std::uint8_t*>(element);
  // Only what the element's own size covers is read (a short element is no application data).
  const std::uint32_t words = le::get32(b + 4);
  if (words < kHeaderWords || words * 2u > kMaxElementBytes) return VXLIB_ERROR;
  if (le::get16(b + kSignatureOffset) != kSignature ||
      static_cast<std::int16_t>(le::get16(b + kTypeOffset)) != static_cast<std::int16_t>(applicationType))
    return VXLIB_ERROR;
  if (dataOut != nullptr) *dataOut = const_cast<char*>(reinterpret_cast<const char*>(b + kDataOffset));
  if (lengthOut != nullptr) *lengthOut = static_cast<int>(words) * 2 - static_cast<int>(kDataOffset);
  if (versionOut != nullptr) *versionOut = static_cast<std::int16_t>(le::get16(b + kVersionOffset));
  return VXLIB_SUCCESS;
}

int vxlib66Elem_scanDataFromFileExtended(void* userArgument, int applicationType, DgnModelRefP modelRef,
                                         Vxlib66ElemScanFunction callback, int nativeCallback) {
  ScanCriteria* criteria = mdlScanCriteria_create();
  if (criteria == nullptr) return 0;
  mdlScanCriteria_setModel(criteria, modelRef);
  mdlScanCriteria_addElementType(criteria, kElementType);
  unsigned short levels[kScanLevelWords] = {};
  levels[kLevel / 16] = static_cast<unsigned short>(1u << (kLevel % 16));
  mdlScanCriteria_setLevelTest(criteria, levels, kScanLevelWords);
  mdlScanCriteria_setReturnType(criteria, SCAN_RETURN_FILEPOS, 1);
  int count = 0;
  for (;;) {
    unsigned int positions[kBatchWords / 2];
    int words = kBatchWords;
    const int status = mdlScanCriteria_scan(criteria, positions, &words);
    const int inBatch = status >= 0 ? words / 2 : 0;
    for (int i = 0; i < inBatch; ++i) {
      MSElementDescr* descr = nullptr;
      if (mdlElmdscr_read(&descr, positions[i], modelRef, 0) == 0) continue;
      MSElement* element = mdlElmdscr_getElement(descr);
      int version = 0, length = 0;
      char* data = nullptr;
      if (vxlib66Elem_getData(element, applicationType, &version, &data, &length) == VXLIB_SUCCESS) {
        ++count;
        int stop = 0;
        if (callback != nullptr && nativeCallback != 0) {
          stop = callback(userArgument, version, element, positions[i], i, data, length);
        } else if (callback != nullptr) {
          stop = dlmSystem_callMdlFunction(mdlSystem_getCurrMdlDesc(), reinterpret_cast<void*>(callback), "PIPIIPI",
                                           userArgument, version, static_cast<void*>(element),
                                           static_cast<int>(positions[i]), i, static_cast<void*>(data), length);
        }
        if (stop != 0) {
          mdlElmdscr_freeAll(&descr);
          mdlScanCriteria_free(criteria);
          return i + 1;  // the element's place in its batch, as the callers expect
        }
      }
      mdlElmdscr_freeAll(&descr);
    }
    if (status != kStatusBufferFull || inBatch == 0) break;
  }
  mdlScanCriteria_free(criteria);
  return count;
}

int vxlib66Elem_scanDataFromFile(void* userArgument, int applicationType, DgnModelRefP modelRef,
                                 Vxlib66ElemScanFunction callback) {
  return vxlib66Elem_scanDataFromFileExtended(userArgument, applicationType, modelRef, callback, 0);
}

}  // extern "C"
