// The update program's only failure report: printf-formatted text written to the debugger
// output. Nothing is ever shown to the user.
#pragma once

#include "Sv7Platform.h"

// Formats printf-style into a buffer of 1024 bytes (longer texts are cut) and hands the text to
// OutputDebugStringA.
void DebugPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));
