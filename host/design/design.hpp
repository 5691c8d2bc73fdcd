// The open design as the host's groups and the tests see it: the design file (designfile.hpp
// holds its format), its active model with the active parameters and the line-style table. The
// C calls are in api.h. Elements and levels come with element storage.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/design/api.h"
#include "host/design/designfile.hpp"
#include "host/types.h"

extern "C" {
typedef struct DgnModelRef DgnModelRef;
}

namespace pixmend::host {

struct LineStyle {
  std::string name;
  std::optional<long> number;  // none: a named style the design has not used yet
};

// The active model's line styles: 0 to 7 first, then the named styles in the order learnt.
const std::vector<LineStyle>& lineStyles();

// Makes a named style known to the design, without a number (as a style library offers it).
// False for an empty or too long name, or a name the design knows already.
bool defineNamedLineStyle(const std::string& name);

// The style of that number or name (case-insensitive), or null.
const LineStyle* findLineStyle(long number);
const LineStyle* findLineStyle(const std::string& name);

// Gives a named style the next free number (from 8 on) if it has none; its number.
long numberLineStyle(const std::string& name);

// The active line style's number (0 at the start).
int activeLineStyle();

// Puts the active model back to a new design's (standard line styles only, style 0 active);
// a model reference handed out stays valid.
void startNewModel();

// The file of a work file's model, or null when `model` is not an open work file.
const std::string* workFilePath(const DgnModelRef* model);

// ---- What the design holds of other groups ----------------------------------------------------
// The raster group keeps the attachments of the active model; the design stores them, restores
// them when a design opens and has them dropped when it closes. The raster group hands these
// calls over when the host starts (it lies above the design group, which never includes it).
struct AttachmentKeeper {
  std::vector<StoredRaster> (*stored)(std::int64_t model) = nullptr;  // the model's, as records
  void (*restore)(const std::vector<StoredRaster>& records) = nullptr;
  void (*drop)() = nullptr;
  bool (*any)() = nullptr;  // whether anything is attached
};
void setAttachmentKeeper(const AttachmentKeeper& keeper);

// ---- The fence -----------------------------------------------------------------------------------
// One closed polygon in design coordinates, placed in a view (docs/host.md). The host's key-ins
// "place fence block" and "place fence shape" and the session verb `fence` place it.

// Makes `vertices` the fence of `view` (repeated points dropped; it is closed here, whether or not
// the last point repeats the first). False with the reason when they enclose nothing (fewer than
// three points, or all on one line), lie beyond the design plane or are too many.
bool defineFence(const std::vector<DPoint3d>& vertices, int view, std::string* why);
void removeFence();
// The fence's vertices, closed, or null when there is none.
const std::vector<DPoint3d>* fenceVertices();

// ---- Units -----------------------------------------------------------------------------------------
// Design coordinates are in units of resolution (UORs); distances the user types are in master
// units. The design keeps how many UORs make one master unit (1 unless set).

double uorsPerMasterUnit();
// False (nothing changed) unless `uors` is a finite number above 0.
bool setUorsPerMasterUnit(double uors);

// ---- The open design file ------------------------------------------------------------------------
// The host always has a design open: a temporary one without a file (relative raster names are
// taken in the current folder) until a session creates or opens a design file. Opening another
// design raises the new-design-file event (slot 1) twice: state DESIGN_FILE_CLOSING with the old
// file's name while its attachments are still there, then DESIGN_FILE_OPENED with the new one's.

// Creates the design file `path` (refused when anything is there already; nothing else
// changes) and makes it the open design. False with the reason in `error`.
bool createDesign(const std::string& path, std::string* error);
// Opens the existing design file `path`. A file that cannot be read or is not a design file is
// refused and the open design stays as it was. A file that may not be written opens read-only.
bool openDesign(const std::string& path, std::string* error);
// Closes the open design file (its changes written) and goes back to a temporary design.
void closeDesign();

// The open design file's name as given ("" for a temporary design); its folder with a final
// '/', or "" for a temporary design or a file in the current folder.
const std::string& designFileName();
std::string designFolder();
bool designReadOnly();
// The identifier of the active model in the design file.
std::int64_t activeModelId();
bool activeModelIs3d();

// Asks for the open design to be written to its file once control is back in the host; the
// write happens only when the content differs from what the file holds. The raster library's
// stores (update option RASTER_UPDATE_DESIGN, mdlRaster_fileSave) and the host's attachment
// commands ask for it.
void requestDesignStore();
// Writes the open design now when it changed. False when writing failed (journaled).
bool storeDesignNow();

// ---- Elements of the open design (store.cpp) -------------------------------------------------------
// Each model's elements by file position: positions are given in ascending order from 1 and never
// given again in that model (an undone deletion comes back at its own), so file order is the
// order of adding. Callers check images (host/view/layout.hpp) and write permission first.

// Takes over the elements and counters of a design being opened; damaged rows are journaled.
void loadElements(const DesignContent& content);
// Puts the elements, the models' next positions and the counters into `now`.
void fillElements(DesignContent* now);
// Adds `image` (a checked image) to the model with a new identifier and time; its position, or
// 0 when the model has no position left.
std::uint32_t addElement(std::int64_t model, std::vector<std::uint8_t> image);
// The sound element at that position, or null.
const StoredElement* findElement(std::int64_t model, std::uint32_t position);
// Replaces it in place, keeping its identifier; false when there is none.
bool rewriteElement(std::int64_t model, std::uint32_t position, std::vector<std::uint8_t> image);
// The components that follow a complex element's header (rows flagged as components).
std::vector<std::uint32_t> componentsOf(std::int64_t model, std::uint32_t position);
// Deletes the element and its components; `undoable` keeps them for undoLastDeletion (the key-in
// "undo"). False when there is none.
bool deleteElement(std::int64_t model, std::uint32_t position, bool undoable);
bool undoLastDeletion();
// The first sound element after `after` and before `limit` (components too when asked), or 0.
std::uint32_t elementAfter(std::int64_t model, std::uint32_t after, std::uint32_t limit, bool components);
// The position the model gives next: elements added from now on lie at or beyond it.
std::uint32_t positionLimit(std::int64_t model);
// The active graphic group: the next number a caller takes (from 1), kept with the design.
std::uint32_t activeGraphicGroup();
void setActiveGraphicGroup(std::uint32_t next);

// The design-file model a model reference stands for: the active model for null or the active
// reference; none for anything else (work files are not served element by element).
std::optional<std::int64_t> modelOf(const DgnModelRef* ref);

// The model an element call reads: modelOf, or a reference's own (references.cpp).
std::optional<std::int64_t> elementModelOf(const DgnModelRef* ref);

// Elements of another design file served read-only under `model` (a negative identifier no design
// file holds): the elements of that file's first model. Dropped again, or by loadElements.
void setForeignElements(std::int64_t model, const DesignContent& content);
void dropForeignElements(std::int64_t model);

// ---- References of the open design (references.cpp) ---------------------------------------------
// Design files attached to the active model, in attachment order, each opened read-only with its
// elements served under its own model reference. A file that vanished or changed is read again
// when it is next asked for (or marked not found); it never stops the design from opening.
void loadReferences(const DesignContent& content);
void fillReferences(DesignContent* now);
// Attaches an existing, readable design file other than the open one (at most
// kMaxDesignReferences) and asks for the design to be stored; false with the reason otherwise.
bool attachReference(const StoredReference& reference, std::string* why);
// Detaches the reference at `index` (from 0); false with the reason when there is none.
bool detachReference(int index, std::string* why);
struct ReferenceState {
  StoredReference stored;
  bool found = false;
};
std::vector<ReferenceState> listReferences();
// The element-store model of a reference (read again first when its file changed), or none.
std::optional<std::int64_t> referenceModelOf(const DgnModelRef* model);
bool isReference(const DgnModelRef* model);
// Whether a reference's elements are three-dimensional (its file's first model is).
bool referenceIs3d(const DgnModelRef* model);
// The path a reference was looked for at, or null for a model that is no reference.
const std::string* referencePath(const DgnModelRef* model);

// ---- Wide texts (convert.cpp) -----------------------------------------------------------------------
// The design's names are wide (UTF-16) for the applications and UTF-8 in the design file. A lone
// half of a surrogate pair or a broken UTF-8 sequence becomes U+FFFD.
std::string utf8FromWide(const MSWChar* text, std::size_t maxUnits);
std::u16string wideFromUtf8(const std::string& text);
// Copies into `out` (`size` units, always terminated, never ending in half a pair); false when cut.
bool copyWide(const std::u16string& text, MSWChar* out, int size);

// ---- Levels of the open design (levels.cpp) ----------------------------------------------------------
// The active model's level table. Changes are kept in the design file once mdlLevelTable_rewrite
// says so; the host's level library offers further names (PIXMEND_LEVEL_LIBRARY, ';' separated).
void loadLevels(const DesignContent& content);
void fillLevels(DesignContent* now);
const StoredLevel* findLevel(std::uint32_t id);

// ---- Text styles of the open design (textstyles.cpp) -------------------------------------------------
// The active model's named text styles, kept in the design file (written with the design).
void loadTextStyles(const DesignContent& content);
void fillTextStyles(DesignContent* now);
// The style of that name (ASCII case ignored), or null.
const StoredTextStyle* findTextStyle(const std::string& name);
// Adds the style to the active model, or replaces the one of that name, and asks for the design
// to be stored. False with the reason when the design is read-only or a setting is out of range
// (an empty or too long name, a font outside 0-255, a justification outside 0-14, a size not
// above 0, a line spacing below 0 or any number that is not finite).
bool defineTextStyle(const StoredTextStyle& style, std::string* why);

}  // namespace pixmend::host

// The one model of this host: a model reference points here.
struct DgnModelRef {
  int modelId = 0;
};
