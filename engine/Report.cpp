#include "Report.h"

void ReportException(CException* e, LPCWSTR context) {
  (void)context;
  if (!e) return;
  WCHAR message[256] = {};
  e->GetErrorMessage(message, 255);
  e->Delete();
}

void ReportExceptionQuiet(CException* e, LPCWSTR context) {
  (void)context;
  if (e) e->Delete();
}
