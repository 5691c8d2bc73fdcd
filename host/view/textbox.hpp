// The box of a text: what views draw for a text too small to read, what range and stroking of a
// text cover, and the shape mdlText_extract hands out.
//
// The host's texts are laid out in fixed pitch: every character is its character width wide, so
// a text of n characters is n x width wide and its character height high. The origin is the
// justification point: horizontally codes 0-5 are left, 6-8 centre, 9-14 right; vertically codes
// with remainder 0 by 3 are top, 1 middle, 2 bottom (other codes count as left bottom). The box
// is turned by the text's rotation, whose columns are the text's axes in design coordinates.
#pragma once

#include "host/types.h"

namespace pixmend::host::element {

// Corners 0-3 counter-clockwise from the lower left in the text's own axes, and corner 4 = 0;
// corner 1 to 2 is the height. `width` is the whole text's width.
void textBox(const DPoint3d& origin, const RotMatrix& rotation, double width, double height, int justification,
             DPoint3d shape[5]);

// The box of a text element image (type 17, checked): its characters times its character width.
void textShape(const MSElement& text, DPoint3d shape[5]);

}  // namespace pixmend::host::element
