// The browser host's two exception reporters, as the library's operations use them at their
// boundaries: the loud one fetches the message (at most 255 characters), the quiet one does
// not; both delete the exception and keep nothing.
#pragma once

#include "mfc/exceptions.h"

namespace nuxbrowser {

inline void ReportException(CException* e, LPCWSTR context) {
  (void)context;
  if (e == nullptr) return;
  WCHAR message[256] = {};
  e->GetErrorMessage(message, 255);
  e->Delete();
}

inline void ReportExceptionQuiet(CException* e, LPCWSTR context) {
  (void)context;
  if (e != nullptr) e->Delete();
}

}  // namespace nuxbrowser
