// The design group's calls on element images that the view group builds (host/view/view.hpp):
// the vertices of a linear element.
#include <algorithm>

#include "host/design/api.h"
#include "host/view/api.h"
#include "host/view/view.hpp"

using namespace pixmend::host;

extern "C" {

int mdlLinear_extract(DPoint3d* points, int* numPoints, const MSElement* element, DgnModelRefP modelRef) {
  if (numPoints != nullptr) *numPoints = 0;
  if (points == nullptr || numPoints == nullptr || element == nullptr) return MDLERR_BADARG;
  if (modelRef != nullptr && modelRef != mdlModelRef_getActive()) return MDLERR_BADARG;
  // A linear element without vertices (the fence's shape when there is no fence) gives none.
  if (hasNoVertices(*element)) return SUCCESS;
  const auto info = readElement(*element);
  if (!info || (info->type != LINE_ELM && info->type != LINE_STRING_ELM && info->type != SHAPE_ELM))
    return MDLERR_BADELEMENT;
  std::copy(info->vertices.begin(), info->vertices.end(), points);
  *numPoints = static_cast<int>(info->vertices.size());
  return SUCCESS;
}

}  // extern "C"
