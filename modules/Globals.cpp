#include "Globals.h"

#include "ui/cursor.h"
#include "ui/window.h"

namespace nuxsv {

Globals& G() {
  static Globals globals;
  return globals;
}

void DestroyReferenceWindows() {
  Globals& g = G();
  for (CWnd** slot : {&g.astroDict, &g.search, &g.dictionary, &g.bigImage}) {
    if (*slot == nullptr) continue;
    // The reference windows arrive with the window classes; until then no slot is ever set.
    *slot = nullptr;
  }
}

void DeleteContentDatabase() {
  Globals& g = G();
  delete g.contentDatabase;
  g.contentDatabase = nullptr;
}

}  // namespace nuxsv

CDaoDatabase* GetContentDatabase() { return nuxsv::G().contentDatabase; }
int IsDictActive() { return nuxsv::G().dictActive; }
int IsRecBActive() { return nuxsv::G().recbActive; }
int IsPGalActive() { return nuxsv::G().pgalActive; }
BYTE GetCurrentBookmarkType() { return nuxsv::G().currentBookmarkType; }
void SetCurrentBookmarkType(BYTE type) { nuxsv::G().currentBookmarkType = type; }
void SetArrowCursor() { ::SetCursor(nuxsv::G().arrowCursor); }
void SetWaitCursor() { ::SetCursor(nuxsv::G().waitCursor); }
