// The library-wide state: the content database, the module switches, the reference window
// slots, the cursors loaded at start-up and the current bookmark type, with the accessors the
// rest of the library reads them through.
#pragma once

#include "base/types.h"
#include "dao/dao.h"
#include "mfc/wnd.h"

// The open content database; NULL until NUXSV_Init succeeded.
CDaoDatabase* GetContentDatabase();

// The module switches stored by NUXSV_Init and NUXSV_SetActive.
int IsDictActive();
int IsRecBActive();
int IsPGalActive();

// The type (1 to 6) given to new bookmarks; 1 at load.
BYTE GetCurrentBookmarkType();
void SetCurrentBookmarkType(BYTE type);

// The system arrow and the engine's "Wait" cursor, both loaded by the start-up check.
void SetArrowCursor();
void SetWaitCursor();

namespace nuxsv {

struct Globals {
  CDaoDatabase* contentDatabase = nullptr;
  int dictActive = 0;
  int recbActive = 0;
  int pgalActive = 0;
  // Window slots: each holds NULL or a live window object; a window clears its own slot when
  // it is destroyed.
  CWnd* astroDict = nullptr;
  CWnd* search = nullptr;
  CWnd* dictionary = nullptr;
  CWnd* bigImage = nullptr;
  HCURSOR arrowCursor = nullptr;
  HCURSOR pointerCursor = nullptr;
  HCURSOR waitCursor = nullptr;
  HCURSOR crossCursor = nullptr;
  BYTE currentBookmarkType = 1;
};

Globals& G();

// Destroys the reference windows still open, in the order main reference window, search,
// word list, big picture, and leaves every slot empty.
void DestroyReferenceWindows();

// Deletes the content database object (closing it) and clears its pointer.
void DeleteContentDatabase();

}  // namespace nuxsv
