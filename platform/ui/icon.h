// Icons: the system's standard icons and the icon groups of a module's resources, drawn with
// their transparency (the AND mask, or the alpha channel of 32-bit images).
#pragma once

#include "base/types.h"

#define IDI_APPLICATION MAKEINTRESOURCEW(32512)
#define IDI_HAND MAKEINTRESOURCEW(32513)
#define IDI_QUESTION MAKEINTRESOURCEW(32514)
#define IDI_EXCLAMATION MAKEINTRESOURCEW(32515)
#define IDI_ASTERISK MAKEINTRESOURCEW(32516)
#define IDI_WINLOGO MAKEINTRESOURCEW(32517)
#define IDI_WARNING IDI_EXCLAMATION
#define IDI_ERROR IDI_HAND
#define IDI_INFORMATION IDI_ASTERISK

// With a null instance, one of the standard IDI_ icons (no picture of its own here); else the
// RT_GROUP_ICON resource of that name, from which the image nearest to the system's icon size
// (SM_CXICON) with the most colours is taken. NULL with ERROR_RESOURCE_NAME_NOT_FOUND when
// there is none, ERROR_INVALID_DATA when it does not parse.
HICON LoadIconW(HINSTANCE instance, LPCWSTR iconName);
HICON LoadIconA(HINSTANCE instance, LPCSTR iconName);
// Draws the icon at its own size with its top-left corner at (x, y).
BOOL DrawIcon(HDC hdc, int x, int y, HICON icon);
BOOL DestroyIcon(HICON icon);

#ifdef _UNICODE
#define LoadIcon LoadIconW
#else
#define LoadIcon LoadIconA
#endif

namespace nux::ui {

// The size of a loaded icon; false for a handle that is no icon.
bool GetIconSize(HICON icon, int* width, int* height);

}  // namespace nux::ui
