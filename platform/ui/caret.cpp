// The thread's caret as state.
#include "ui/caret.h"

#include "base/errors.h"
#include "ui/window.h"

namespace {

thread_local nux::ui::CaretState t_caret;

bool Live() {
  if (t_caret.owner != nullptr && !IsWindow(t_caret.owner)) t_caret = nux::ui::CaretState{};
  return t_caret.owner != nullptr;
}

bool Owns(HWND hwnd) {
  if (!Live() || (hwnd != nullptr && hwnd != t_caret.owner)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return true;
}

}  // namespace

BOOL CreateCaret(HWND hwnd, HBITMAP, int width, int height) {
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  t_caret = nux::ui::CaretState{};
  t_caret.owner = hwnd;
  t_caret.width = width;
  t_caret.height = height;
  t_caret.hideCount = 1;
  return TRUE;
}

BOOL DestroyCaret() {
  bool had = Live();
  t_caret = nux::ui::CaretState{};
  return had ? TRUE : FALSE;
}

BOOL ShowCaret(HWND hwnd) {
  if (!Owns(hwnd)) return FALSE;
  if (t_caret.hideCount > 0) --t_caret.hideCount;
  return TRUE;
}

BOOL HideCaret(HWND hwnd) {
  if (!Owns(hwnd)) return FALSE;
  ++t_caret.hideCount;
  return TRUE;
}

BOOL SetCaretPos(int x, int y) {
  if (!Live()) return FALSE;
  t_caret.pos = POINT{x, y};
  return TRUE;
}

BOOL GetCaretPos(LPPOINT point) {
  if (!point || !Live()) return FALSE;
  *point = t_caret.pos;
  return TRUE;
}

UINT GetCaretBlinkTime() { return 530; }

namespace nux::ui {

bool GetCaretState(CaretState* state) {
  if (!Live()) return false;
  if (state) *state = t_caret;
  return true;
}

}  // namespace nux::ui
