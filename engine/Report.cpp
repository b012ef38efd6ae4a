#include "Report.h"

namespace {
ReportWatcher g_watcher = nullptr;
}

void SetReportWatcher(ReportWatcher watcher) { g_watcher = watcher; }

void ReportException(CException* e, LPCWSTR context) {
  if (!e) return;
  WCHAR message[256] = {};
  e->GetErrorMessage(message, 255);
  if (g_watcher) g_watcher(context ? context : u"", message);
  e->Delete();
}

void ReportExceptionQuiet(CException* e, LPCWSTR context) {
  if (!e) return;
  if (g_watcher) g_watcher(context ? context : u"", u"");
  e->Delete();
}
