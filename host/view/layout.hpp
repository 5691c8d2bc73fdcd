// The one element layout of the host: what applications build in memory, what the view group
// draws and what the design file stores are the same bytes (docs/hostapi.md, "Elements").
//
//   0  type word: the type in bits 0-7; bit 8 marks a component of the complex element before it
//   4  size of the whole element in 16-bit words
//   8  attribute offset in words: where the linkages start (= size: none)
//  12  level (0 none, 1 to 63)
//  16  identifier (64 bits), given when the element is added
//  24  time of the last change (64 bits, milliseconds since 1970 UTC), set on add and rewrite
//  -- graphic elements (types 2, 3, 4, 6, 7, 14, 15, 16, 17) go on with their display header:
//  32  graphic group     36  properties (class in bits 0-3)
//  40  colour            44  weight            48  line style (signed)      52  0
//  -- lines, line strings and shapes:
//  56  vertex count      60  fill flag         64  the vertices, x, y, z doubles each
//  -- ellipses (15) and arcs (16), 176 and 192 bytes:
//  56  fill flag (ellipses; 0 for arcs)   60  0
//  64  primary semi-axis    72  secondary semi-axis (doubles, design units)
//  80  rotation, 9 doubles row-major: column j is the element's axis j in design coordinates
// 152  centre x, y, z      176  arcs: start angle, 184 sweep angle (radians, counter-clockwise)
//  -- texts (17) and text nodes (7):
//  56  font                 60  justification (0 LT, 1 LC, 2 LB, 6 CT, 7 CC, 8 CB, 12 RT, ...)
//  64  character width      72  character height (doubles)
//  80  rotation (as above)  152 origin: the justification point   176 line spacing (double)
// 184  texts: character count (at most kMaxTextChars); nodes: number of component texts
// 188  0                   192 texts: the characters, 16-bit units, one word each
//  -- complex shapes (14): 56 number of components, 60 fill flag
//  -- cell headers (2):
//  56  number of components 60  name length    64  description length (characters, at most 512)
//  68  0                    72  origin x, y, z     96  rotation (as above)
// 168  range low x, y, z   192  range high x, y, z
// 216  the name, then the description, 16-bit units
//  Components of complex elements follow their header as elements of their own flagged with
//  kComponentFlag; the header's count says how many direct components it has.
//  -- every other type (application data, 66) is non-graphic: its own words start at 32.
//
// Fields are little-endian (the byte order of the platforms we build for, and of the files).
// Every reader here checks a size before it reads a field: an image comes from an application or
// from a file and is trusted no further than its own words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/types.h"

namespace pixmend::host::element {

constexpr std::size_t kTypeWord = 0;
constexpr std::size_t kSizeWords = 4;
constexpr std::size_t kAttrOffset = 8;
constexpr std::size_t kLevel = 12;
constexpr std::size_t kIdentifier = 16;
constexpr std::size_t kModified = 24;
constexpr std::size_t kHeaderBytes = 32;
constexpr std::size_t kGraphicGroup = 32;
constexpr std::size_t kProperties = 36;
constexpr std::size_t kColor = 40;
constexpr std::size_t kWeight = 44;
constexpr std::size_t kStyle = 48;
constexpr std::size_t kDisplayBytes = 56;
constexpr std::size_t kVertexCount = 56;
constexpr std::size_t kFillFlag = 60;
constexpr std::size_t kVertices = 64;
constexpr std::size_t kVertexBytes = 24;

// Ellipses and arcs.
constexpr std::size_t kConicFill = 56;
constexpr std::size_t kPrimaryAxis = 64;
constexpr std::size_t kSecondaryAxis = 72;
constexpr std::size_t kRotation = 80;  // 9 doubles, row-major
constexpr std::size_t kCentre = 152;
constexpr std::size_t kEllipseBytes = 176;
constexpr std::size_t kStartAngle = 176;
constexpr std::size_t kSweepAngle = 184;
constexpr std::size_t kArcBytes = 192;

// Texts and text nodes (the rotation at kRotation as for arcs).
constexpr std::size_t kFont = 56;
constexpr std::size_t kJustification = 60;
constexpr std::size_t kCharWidth = 64;
constexpr std::size_t kCharHeight = 72;
constexpr std::size_t kTextOrigin = 152;
constexpr std::size_t kLineSpacing = 176;
constexpr std::size_t kTextCount = 184;  // characters of a text, components of a node
constexpr std::size_t kTextChars = 192;
constexpr std::size_t kTextNodeBytes = 192;
constexpr std::size_t kMaxTextChars = 512;

// Complex shapes.
constexpr std::size_t kComplexCount = 56;
constexpr std::size_t kComplexFill = 60;
constexpr std::size_t kComplexBytes = 64;

// Cell headers.
constexpr std::size_t kCellCount = 56;
constexpr std::size_t kCellNameLength = 60;
constexpr std::size_t kCellDescriptionLength = 64;
constexpr std::size_t kCellOrigin = 72;
constexpr std::size_t kCellRotation = 96;
constexpr std::size_t kCellRangeLow = 168;
constexpr std::size_t kCellRangeHigh = 192;
constexpr std::size_t kCellNames = 216;
constexpr std::size_t kMaxCellNameChars = 512;

constexpr std::uint32_t kComponentFlag = 0x100;
constexpr std::uint32_t kClassMask = 0xf;
constexpr std::size_t kLinkageHeaderBytes = 4;
constexpr std::uint16_t kLinkageLengthMask = 0x3ff;  // words / 4 - 1: 4 to 4096 words

bool isGraphicType(int type);
bool isLinearType(int type);

// Fields of an image (no size checks: callers read only images checkImage accepted or that they
// built themselves, which are at least a header long).
std::uint32_t get32(const MSElement& e, std::size_t offset);
void put32(MSElement& e, std::size_t offset, std::uint32_t value);
int typeOf(const MSElement& e);
std::size_t bytesOf(const MSElement& e);  // size in words x 2

// A fresh header for `type`: size and attribute offset `words`, display header zero.
void startImage(MSElement& e, int type, std::size_t words, std::uint32_t level);

// The number of bytes before the linkages that an image of `type` must have at least, from its
// fixed fields (`image` is read for counts only where the type has them, and has already been
// found at least kDisplayBytes long for graphic types).
std::size_t fixedBytes(int type);

// Doubles and points of an image.
double getDouble(const MSElement& e, std::size_t offset);
void putDouble(MSElement& e, std::size_t offset, double value);
DPoint3d getPoint(const MSElement& e, std::size_t offset);
void putPoint(MSElement& e, std::size_t offset, const DPoint3d& p);
RotMatrix getRotation(const MSElement& e, std::size_t offset);
void putRotation(MSElement& e, std::size_t offset, const RotMatrix& r);

// Linkage lengths in the header word (the host's encoding; other bits are flags kept as given).
int linkageWords(std::uint16_t headerWord);
bool setLinkageWords(std::uint16_t* headerWord, int words);

struct Linkage {
  std::size_t offset = 0;  // bytes from the element's start
  int words = 0;
  std::uint16_t headerWord = 0;
  std::uint16_t primaryId = 0;
};
// The linkages between the attribute offset and the end, in order.
std::vector<Linkage> linkagesOf(const MSElement& e);

// "" when `size` bytes hold one well-formed element image no larger than `maxBytes`, else the
// reason ("its size says 12 words but 40 bytes were given", ...). A well-formed image has a
// type, a size that is the byte count, an attribute offset inside it and past its fixed part,
// a level from 0 to 63, linkages that fill the rest exactly, and (for lines, line strings and
// shapes) a vertex count that matches its words and finite coordinates.
std::string checkImage(const std::uint8_t* bytes, std::size_t size, std::size_t maxBytes = MAX_ELEMENT_SIZE);

}  // namespace pixmend::host::element
