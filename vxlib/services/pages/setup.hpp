// What the set-up record's file (setup.cpp) and the hooks of the set-up and print dialogs
// (setuphooks.cpp) share.
#pragma once

#include <string>

#include "vxlib/services/pages/pages.hpp"

namespace pixmend::vxlib::pages {

// Preference resources of the set-up record.
constexpr unsigned int kSetupResourceType = 0x50745365;  // 'PtSe'
constexpr int kSetupResourceId = 20002;
constexpr unsigned int kOldSetupResourceType = 0x50725344;  // 'PrSD': the record without the plot driver
constexpr int kOldSetupResourceId = 20001;

// The record as a first start has it (paper 9 and its size, the output file in the temporary
// directory, the plot driver looked up).
void setDefaultSetup();

// Brings a record read from a file back to usable values: texts terminated, codes known, sizes
// and margins finite and plausible. Each field that had to be replaced is noted on the text
// window, naming `source`. Returns the number of fields replaced.
int repairSetup(char* record, const char* source);

// Reads the set-up record from the host's user preference file into the process-wide record:
// 'PtSe' 20002, else 'PrSD' 20001 with the plot driver looked up again. False (the record as it
// was) when the file cannot be opened or holds neither.
bool readStoredSetup();

// The set-up dialog's creation: the stored record read (when there is one) and kept as what
// Cancel returns to.
void beginSetupDialog();

// Fills width and height from the plot drivers' paper table for any code but 0 (custom).
void fillPaperSize(char* record);

// The index in `list` (two strings per printer: name, network path; info field 1 of the path set
// for the system printer) of the printer whose network path is `printer`, else of the last system
// printer, else -1.
int choosePrinter(StringList* list, const char* printer);

}  // namespace pixmend::vxlib::pages
