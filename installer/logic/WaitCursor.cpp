#include "WaitCursor.h"

#include "mfc/afxwin.h"

ScopedWaitCursor::ScopedWaitCursor() : app_(AfxGetApp()) {
  if (app_ != nullptr)
    app_->BeginWaitCursor();
  else
    previous_ = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
}

ScopedWaitCursor::~ScopedWaitCursor() {
  if (app_ != nullptr)
    app_->EndWaitCursor();
  else
    ::SetCursor(previous_);
}
