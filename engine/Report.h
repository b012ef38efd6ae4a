// The two reporters every library operation hands its caught exception to. Neither shows, logs or
// keeps anything; both delete the exception.
#pragma once

#include "base/types.h"
#include "mfc/exceptions.h"

// Fetches the exception's message (at most 255 characters), then deletes the exception.
void ReportException(CException* e, LPCWSTR context);
// Deletes the exception without fetching its message.
void ReportExceptionQuiet(CException* e, LPCWSTR context);

// What a test watches the reports through: called with the context and the fetched message
// (empty for a quiet report) before the exception is deleted. Null (the default) for none.
using ReportWatcher = void (*)(LPCWSTR context, LPCWSTR message);
void SetReportWatcher(ReportWatcher watcher);
