// The two flags the dialog's thread and the worker share; each goes from 0 to 1 once.
#pragma once

#include <atomic>

#include "Sv7Platform.h"

// Set by the application once the dialog's modal loop has returned; a running transfer is
// aborted at its next progress call.
extern std::atomic<BYTE> DialogClosed;
// Set by the worker when the job has finished, just before it closes the dialog.
extern std::atomic<BYTE> UpdateDone;
// Set by the dialog when the user cancels (Escape, the close box, the cancel command) while the
// update runs: the running transfer is aborted, and nothing later is fetched or started.
extern std::atomic<BYTE> CancelRequested;
