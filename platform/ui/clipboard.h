// The clipboard for text: CF_TEXT (Windows-1252) and CF_UNICODETEXT. With a screen it is the
// desktop's clipboard; without one, a store of the platform that lives as long as the process.
// One window (or thread) has it open at a time, as on Windows.
#pragma once

#include "base/types.h"

#ifndef CF_TEXT
#define CF_TEXT 1
#define CF_UNICODETEXT 13
#endif
#ifndef ERROR_CLIPBOARD_NOT_OPEN
#define ERROR_CLIPBOARD_NOT_OPEN 1418L
#endif

// FALSE with ERROR_ACCESS_DENIED while another thread has the clipboard open.
BOOL OpenClipboard(HWND owner);
BOOL CloseClipboard();
// Needs the clipboard open: drops what it held; the opener's window becomes its owner.
BOOL EmptyClipboard();
// Needs the clipboard open. The clipboard takes over the block (a GlobalAlloc handle holding
// NUL-ended text in the format); the caller must not free it. NULL for other formats.
HANDLE SetClipboardData(UINT format, HANDLE data);
// Needs the clipboard open. A block the clipboard owns (valid until it closes),
// holding the text in the format asked for, converted from the other text format as needed.
HANDLE GetClipboardData(UINT format);
BOOL IsClipboardFormatAvailable(UINT format);
HWND GetClipboardOwner();
