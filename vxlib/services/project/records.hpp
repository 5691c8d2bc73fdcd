// The project and page records of the title block: every field's offset and width, the order in
// which each format version stores them, and the form-data keys they are published under.
// The records are plain byte blocks shared by all applications (vxlibpd, vxlibsd); every field
// is a zero-terminated string in a fixed-width array whose width includes the zero.
#pragma once

#include <cstddef>

#include "vxlib/core/core.hpp"

namespace pixmend::vxlib::project {

struct Field {
  std::size_t offset;
  std::size_t width;
};

// One name/signature/date block (U, R and S).
struct Signature {
  Field name;
  Field signature;
  Field date;
};

// ---- Project record, 1603 bytes ------------------------------------------------------------------
constexpr std::size_t kProjectRecordSize = 1603;
constexpr Field kProjectNumber{0, 31};                        // "pron" 0
constexpr int kProjectLines = 5;                              // "pros" 0-4
constexpr Field projectLine(int i) { return {31 + 81 * static_cast<std::size_t>(i), 81}; }
constexpr Signature kProjectU{{436, 81}, {517, 42}, {559, 31}};
constexpr Signature kProjectR{{590, 81}, {671, 42}, {713, 31}};
constexpr Signature kProjectS{{744, 81}, {825, 42}, {867, 31}};
constexpr int kCostValues = 5;                                // "kost" 0-4
constexpr Field costValue(int i) {
  return i < 3 ? Field{898 + 81 * static_cast<std::size_t>(i), 81} : Field{1141 + 31 * static_cast<std::size_t>(i - 3), 31};
}
constexpr int kDrawingEntries = 10;                           // "tegn" 0-9
constexpr Field projectDrawing(int i) { return {1203 + 40 * static_cast<std::size_t>(i), 40}; }

// ---- Page record, 2115 bytes: the project layout with an 81-byte slot inserted at 436 ------------
constexpr std::size_t kPageRecordSize = 2115;
constexpr Field kPageUnused{0, 31};                           // not stored, zero after a read
constexpr Field kPageName{31, 81};                            // the identity of the page record
constexpr int kFirstPageLine = 1, kLastPageLine = 4;          // "pros" 1-4
constexpr Field pageLine(int i) { return {112 + 81 * static_cast<std::size_t>(i - 1), 81}; }
constexpr Field kPageLookup{436, 81};                         // the wanted page name during a read
constexpr Signature kPageU{{517, 81}, {598, 42}, {640, 31}};
constexpr Signature kPageR{{671, 81}, {752, 42}, {794, 31}};
constexpr Signature kPageS{{825, 81}, {906, 42}, {948, 31}};
constexpr Field kPageGap{979, 305};                           // not stored, zero after a read
constexpr Field pageDrawing(int i) { return {1284 + 40 * static_cast<std::size_t>(i), 40}; }
constexpr int kCopyLines = 20;                                // "kopo" 0-19
constexpr Field copyLine(int i) { return {1684 + 21 * static_cast<std::size_t>(i), 21}; }
constexpr Field kRevision{2104, 11};                          // "revs" 0

static_assert(projectDrawing(kDrawingEntries - 1).offset + 40 == kProjectRecordSize, "the project record ends with the drawings");
static_assert(kRevision.offset + kRevision.width == kPageRecordSize, "the page record ends with the revision");
static_assert(kProjectRecordSize == kProjectSize && kPageRecordSize == kPageSize,
              "the shared blocks are allocated at these sizes");

// The largest stored forms: the buffers the writers fill are sized for them.
constexpr std::size_t kMaxStoredProject = 1603;
constexpr std::size_t kMaxStoredPage = 1698;

// Application types and format versions of the stored forms.
constexpr int kProjectType = 101;
constexpr int kPageType = 110;
constexpr int kWrittenVersion = 3;

// Every field of a record in the order a format version stores it. `dropAfter` marks a field
// that version 1 of the project element follows with one more string (read and dropped).
struct Stored {
  Field field;
  bool dropAfter;
};
constexpr int kMaxStoredFields = 48;
struct Order {
  Stored fields[kMaxStoredFields];
  int count;
};

// `version`: 1, 2 or 3 for the project; 2 or 3 for a page. Other versions give an empty order.
Order projectOrder(int version);
Order pageOrder(int version);

// ---- The stored forms (storedform.cpp) -----------------------------------------------------------
// Serialises `record` in `order` into `buffer` (zeroed by the caller, at least the sum of the
// widths); each field is cut to its width less the zero. Returns the byte count.
int serialise(const unsigned char* record, const Order& order, char* buffer);
// Parses the data of an element into `record` (zeroed by the caller). False when a string runs
// past the data (a damaged element): the record is then incomplete and must not be used. A
// string longer than its field is cut to fit.
bool parse(const char* data, int length, const Order& order, unsigned char* record);
// The zero-terminated page name of a record (at most 80 characters).
const char* pageNameOf(const unsigned char* record);
// Terminates every field of a project record that came from elsewhere (a resource file).
void terminateProjectFields(unsigned char* record);

// The shared blocks (null before the library started).
unsigned char* sharedProject();
unsigned char* sharedPage();

// Messages of the family.
constexpr int kMsgUnknownVersion = 11;  // list 20005, %d version
constexpr int kMsgAddFailed = 12;       // list 20005
constexpr int kMsgNoProjectResource = 7;  // list 20005, %s file name
constexpr int kMsgOverwrite = 8;        // list 20005, %s file name
constexpr int kStatusProjectWritten = 4;  // list 20003
constexpr int kStatusPagesFound = 6;      // list 20003
constexpr int kStatusPageWritten = 7;     // list 20003

}  // namespace pixmend::vxlib::project

namespace pixmend::vxlib::project {

// ---- The project record in a resource file (resourcefile.cpp) ------------------------------------
// Asks for a file (remembered under slot -20001) and copies resource 'CmPr' 3 of it into
// `record`; true when the record was replaced.
bool importProjectRecord(unsigned char* record);
// Asks for a file name and writes `record` to it as resource 'CmPr' 3 of a new resource file;
// true when written.
bool exportProjectRecord(const unsigned char* record);
constexpr unsigned int kProjectResourceType = 0x436D5072;  // 'CmPr'
constexpr int kProjectResourceId = 3;

// The project dialog's hooks (dialog.cpp).
constexpr int kProjectDialogId = 20008;

}  // namespace pixmend::vxlib::project
