// Changing elements through a modify function (api.h): each node in turn, header before its
// components, and what its answer makes of it.
//
// An answer of "keep" (REPLACE) keeps the image only when it is still a sound element that fits
// its node: a function that broke it gets its old image back and the call says MDLERR_BADELEMENT
// (a broken image would otherwise reach the design or the views). An answer the host does not
// know counts as ERROR: the element stays as it was.
#include <algorithm>

#include "host/design/api.h"
#include "host/design/nodes.hpp"
#include "host/view/layout.hpp"

namespace pixmend::host {
namespace {

namespace el = element;

using Node = std::unique_ptr<MSElementDescr>;

struct Run {
  ElementModifyFunc function = nullptr;
  void* params = nullptr;
  bool changed = false;  // some answer changed the descriptor
  bool refused = false;  // some change was undone because it broke an image
};

bool soundNode(MSElementDescr* n) {
  MSElementDescr* next = n->next.release();
  MSElementDescr* first = n->first.release();
  const bool sound = soundChain(n);
  n->next.reset(next);
  n->first.reset(first);
  return sound;
}

// Runs the function on the chain at `link` (whose nodes belong to `parent`).
void modifyChain(Node* link, MSElementDescr* parent, Run& run) {
  while (*link != nullptr) {
    MSElementDescr* n = link->get();
    const std::vector<std::uint64_t> before = n->storage;
    MSElementDescr* replacement = nullptr;
    const int answer =
        run.function(n->image(), run.params, n->modelRef != nullptr ? n->modelRef : mdlModelRef_getActive(),
                     n, &replacement);
    if (answer == MODIFY_STATUS_REPLACEDSCR && replacement != nullptr && replacement != n) {
      // The new chain takes the node's place (its components go with it) and is not visited.
      Node old = std::move(*link);
      Node fresh(replacement);
      MSElementDescr* tail = fresh.get();
      for (MSElementDescr* r = tail; r != nullptr; r = r->next.get()) {
        r->parent = parent;
        tail = r;
      }
      tail->next = std::move(old->next);
      *link = std::move(fresh);
      link = &tail->next;
      run.changed = true;
      continue;
    }
    if (answer == MODIFY_STATUS_REPLACE && n->storage != before) {
      if (soundNode(n)) {
        run.changed = true;
      } else {
        std::copy(before.begin(), before.end(), n->storage.begin());
        run.refused = true;
      }
    } else if (answer != MODIFY_STATUS_REPLACE) {
      // NOCHANGE, ERROR, or an answer with no descriptor to take.
      std::copy(before.begin(), before.end(), n->storage.begin());
    }
    if (n->first != nullptr) modifyChain(&n->first, n, run);
    link = &n->next;
  }
}

int modify(MSElementDescr** descrP, ElementModifyFunc function, void* params, bool* changed) {
  if (descrP == nullptr || *descrP == nullptr || function == nullptr) return MDLERR_BADARG;
  Run run;
  run.function = function;
  run.params = params;
  Node head(*descrP);
  modifyChain(&head, nullptr, run);
  *descrP = head.release();
  if (changed != nullptr) *changed = run.changed;
  return run.refused ? MDLERR_BADELEMENT : SUCCESS;
}

}  // namespace
}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

int mdlModify_elementDescr(MSElementDescr** descrP, ElementModifyFunc function, void* params) {
  return modify(descrP, function, params, nullptr);
}

int mdlModify_elementSingle(DgnModelRefP modelRef, unsigned int filePos, ElementModifyFunc function,
                            void* params) {
  if (function == nullptr) return MDLERR_BADARG;
  if (mdlModelRef_isReadOnly(modelRef)) return MDLERR_MODELREADONLY;
  MSElementDescr* descr = nullptr;
  if (mdlElmdscr_read(&descr, filePos, modelRef, 0) == 0) return MDLERR_BADELEMENT;
  bool changed = false;
  int status = modify(&descr, function, params, &changed);
  // Only the element at filePos is rewritten: a replacement chain is cut to its first node.
  MSElementDescr* rest = descr->next.release();
  mdlElmdscr_freeAll(&rest);
  if (changed && mdlElmdscr_rewrite(descr, nullptr, filePos) == 0) status = MDLERR_BADELEMENT;
  mdlElmdscr_freeAll(&descr);
  return status;
}

}  // extern "C"
