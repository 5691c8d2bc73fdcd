// The about box's pieces shared by intro.cpp and its dialog hooks (introhooks.cpp), and what the
// tests check: the dialogs, items and pictures of the box, and how its version text is built.
#pragma once

#include <string>

#include "vxlib/core/core.hpp"

namespace pixmend::vxlib {

constexpr int kAboutDialog = 20020;
constexpr int kLibraryDialog = 20027;

// Hooks of the about box (published first among the library's families at start-up).
constexpr int kAboutDialogHook = 20078;
constexpr int kLibraryDialogHook = 20073;
constexpr int kLogoHook = 20001;        // "VXIM" 1, 167 pixels wide
constexpr int kMakerLogoHook = 20208;   // "MKIM" 2, 158 pixels wide
constexpr int kEmblemHook = 20209;      // "VXI2" 3, 71 pixels wide
constexpr int kTitlePictureHook = 20036;
constexpr int kHomePageHook = 20067;
constexpr int kSupportPageHook = 20206;
constexpr int kLibraryButtonHook = 20207;
constexpr int kInstallerHook = 20082;

// Label items of the about dialog.
constexpr int kVersionItem = 20013;            // slot 1
constexpr int kLibraryVersionItem = 20032;
constexpr int kApplicationFileItem = 20027;
constexpr int kLibraryLocationItem = 20033;
// The label item of each further slot 2 to 13 (slots 7, 9, 11 and 13 carry file names and show
// them as balloons as well).
constexpr int kSlotItems[12] = {20000, 20001, 20002, 20003, 20004, 20008, 20005, 20009, 20006, 20010, 20007, 20011};

// The maker's web pages behind the home and support buttons.
constexpr const char* kHomePage = "https://www.vexcraft.example/";
constexpr const char* kSupportPage = "https://www.vexcraft.example/support/";

// Colour of the title picture's text (the host's palette: dark blue).
constexpr int kTitleColour = 10;

// "MM.mm." and the suffix: the first and second byte of the version record, each with two
// digits when below 10 ("08.05.03.08 - 09.04.2010" for 8, 5 and "03.08 - 09.04.2010").
std::string aboutVersionText(const VersionNumber& version, const char* suffix);

}  // namespace pixmend::vxlib
