// The selection state and the operations that read or apply it: the widened box, the delete
// buffer, the deletion of selected pixels and the release.
#include "bitmap/selection.hpp"

namespace pixmend {

SelectionState& selectionState() {
  static SelectionState state;
  return state;
}

}  // namespace pixmend
