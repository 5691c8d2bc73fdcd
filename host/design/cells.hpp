// Cell libraries and cell headers (api.h, "Cells and cell libraries"). A cell library is a design
// file of the same format whose models are the cells: a model's name and description are the
// cell's, its elements the cell's components, at the library's own coordinates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "host/design/api.h"
#include "host/design/designfile.hpp"
#include "host/types.h"

namespace pixmend::host {

// The most elements (components at every depth) a cell may have: a descriptor is built by
// appending at the end of each chain, which costs the chain's length each time, so a hostile
// library of millions of elements in one cell would keep the host busy for hours.
constexpr std::size_t kMaxCellElements = 20000;

// ---- Cell headers (cellheader.cpp) ----
// A cell header with no components yet: origin 0, unturned, the range empty.
// MDLERR_BADARG for a name or description longer than 512 units.
int newCellHeader(MSElement* out, const std::u16string& name, const std::u16string& description);
// Widens [low, high] by what the chain of nodes from `first` (and their components) covers.
void cellRangeOf(MSElementDescr* first, DPoint3d* low, DPoint3d* high);

// ---- Building libraries (celllibrary.cpp) ----
// Adds the elements of `model` of `source` to `library` as a new cell `name` (the model's levels
// come along). False with the reason: an empty or too long name, a cell of that name already
// there (ASCII case ignored), no such model, a model without elements, with damaged ones or with
// more than kMaxCellElements.
bool addCell(DesignContent* library, const DesignContent& source, std::int64_t model, const std::string& name,
             const std::string& description, std::string* why);

// The same on files, as `pixmend cell` and the session verbs do it: a new library (refused when
// anything is at `path`), and a cell added from model `model` of a design file (none: its first
// model). Each write replaces the library atomically; a library that cannot be read is refused
// with the reason and left as it is. False with the reason.
bool newCellLibrary(const std::string& path, std::string* why);
bool addCellFromFile(const std::string& libraryPath, const std::string& name, const std::string& description,
                     const std::string& designPath, const std::int64_t* model, std::string* why);

// The attached library's path ("" when none); dropping it (the host's reset).
const std::string& attachedCellLibrary();

}  // namespace pixmend::host
