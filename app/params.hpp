// The two records VXRaster publishes to the host's dialogs: the parameter block (the settings of
// the commands, edited in dialogs 1 and 2) and the user-interface block (the user's settings,
// edited in dialog 4 and kept in the preference file).
//
// Both are plain records whose field order and offsets the dialogs rely on: their layouts are
// described to the host in resources/vxraster/structs.json, and a test checks that description
// against these structs. The user-interface block is stored in the preference file field by
// field at fixed offsets (encodeUserInterface / decodeUserInterface), never by copying the
// struct, so the file's form does not depend on the compiler.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pixmend::app {

// The parameter block ("vxrasterparams", published through VXRasterParamsP). Fields named
// dialogOptionN are kept for the dialogs' sake and not read by the commands.
struct VxRasterParams {
  std::int32_t dialogOption0;
  std::int32_t deleteRectangleMode;  // 1 erases the inside of the rectangle, else its outside
  std::int32_t dialogOption2;
  std::int32_t dialogOption3;
  std::int32_t warpThreePoints;  // 1: three image/monument point pairs, else two
  std::int32_t copyMoveMode;     // 1 smart area, 2 smart area with cut lines, 3 rectangle, 4 fence
  std::int32_t copyRotation;     // quarter turns of the copied part: 0 to 3
  std::int32_t dialogOption7;
  std::int32_t saveAsFileType;  // 3 TIFF, 13 RLE, 19 Intergraph CIT
  std::int32_t dialogOption9;
  std::int32_t dialogOption10;
  std::int32_t dialogOption11;
  std::int32_t copyTransparent;  // |value| 1 pastes transparently, else opaquely
  std::int32_t dialogOption13;
  std::int32_t dialogOption14;
  std::int32_t mirrorMode;       // 1 about a horizontal line, 2 about a vertical line
  char rotationAngleText[8];     // degrees, as typed
  double deleteRectangleHeight;  // master units
  double deleteRectangleWidth;   // master units
  char saveAsFileName[1052];
  std::int32_t dialogOption20;
  std::int32_t dialogOption21;
  std::int32_t dialogOption22;
  std::int32_t dialogOption23;
  std::int32_t dialogOption24;
};

static_assert(offsetof(VxRasterParams, mirrorMode) == 60, "the integer options come first");
static_assert(offsetof(VxRasterParams, rotationAngleText) == 64, "then the angle text");
static_assert(offsetof(VxRasterParams, deleteRectangleHeight) == 72, "then the rectangle's size");
static_assert(offsetof(VxRasterParams, saveAsFileName) == 88, "then the Save As name");
static_assert(offsetof(VxRasterParams, dialogOption24) == 1156, "and the last options");

// The parameter block's values at start-up.
void setStartupParams(VxRasterParams& params);

// The user-interface block ("userInterfaceData", published through vxrUid): 272 bytes.
struct UserInterfaceData {
  std::int32_t activeColor;    // palette index of the active raster while it is edited
  std::int32_t overlayColor;   // palette index of overlay rasters
  std::int32_t spareSetting;   // kept, not read
  std::int32_t autoWriteBack;  // non-zero: the rectangle deletes write back after each erase
  char tempDirectory[256];     // backup and temporary files: file names are appended to it
};

constexpr std::size_t kUserInterfaceSize = 272;
static_assert(sizeof(UserInterfaceData) == kUserInterfaceSize, "the block is exactly 272 bytes");
static_assert(offsetof(UserInterfaceData, tempDirectory) == 16, "the directory follows four integers");

// The preference-file record: type "VXR" packed into an integer, identifier 1.
constexpr unsigned kUserInterfaceType = ('V' << 16) | ('X' << 8) | 'R';
constexpr int kUserInterfaceId = 1;

// The stored form: little-endian 32-bit integers at 0, 4, 8 and 12, the directory's 256 bytes at
// 16. Decoding always leaves the directory terminated, whatever the file held.
void encodeUserInterface(const UserInterfaceData& data, unsigned char out[kUserInterfaceSize]);
void decodeUserInterface(const unsigned char in[kUserInterfaceSize], UserInterfaceData& data);

// The published records (null while there is none: before start-up, after shutdown, or when the
// user-interface block could not be allocated).
VxRasterParams* params();
UserInterfaceData* userInterface();

}  // namespace pixmend::app
