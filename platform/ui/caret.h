// The caret: one per thread, owned by a window (an edit control makes one while it has the
// focus). It is kept as state (owner, size, position, hide count) and not drawn.
#pragma once

#include "base/types.h"

// A new caret for the window, hidden (ShowCaret makes it visible); an earlier caret of the
// thread goes. The bitmap is not used.
BOOL CreateCaret(HWND hwnd, HBITMAP bitmap, int width, int height);
BOOL DestroyCaret();
// Each HideCaret needs its ShowCaret; FALSE when the thread has no caret or hwnd (when not
// NULL) does not own it.
BOOL ShowCaret(HWND hwnd);
BOOL HideCaret(HWND hwnd);
BOOL SetCaretPos(int x, int y);
BOOL GetCaretPos(LPPOINT point);
UINT GetCaretBlinkTime();

namespace nux::ui {

struct CaretState {
  HWND owner = nullptr;
  int width = 0;
  int height = 0;
  POINT pos{0, 0};
  int hideCount = 0;
  bool visible() const { return owner != nullptr && hideCount == 0; }
};
// The calling thread's caret; false when it has none (or its window is gone).
bool GetCaretState(CaretState* state);

}  // namespace nux::ui
