#include "Globals.h"

#include "mfc/afxwin.h"
#include "ui/cursor.h"

namespace nuxsv {

Globals& G() {
  static Globals globals;
  return globals;
}

void DestroyReferenceWindows() {
  Globals& g = G();
  for (CWnd** slot : {&g.astroDict, &g.search, &g.dictionary, &g.bigImage}) {
    CWnd* window = *slot;
    if (window == nullptr) continue;
    // A window that existed clears its slot and deletes itself as it goes; an object whose
    // window was never made is still in the slot afterwards.
    window->DestroyWindow();
    if (*slot == window) delete window;
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
