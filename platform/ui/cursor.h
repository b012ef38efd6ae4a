// Cursors: the system's standard cursors and cursors loaded from .cur and .ani files.
// A cursor handle stays valid until DestroyCursor; standard cursors are shared and never freed.
#pragma once

#include <string>
#include <vector>

#include "base/types.h"
#include "gdi/surface.h"

#define IDC_ARROW MAKEINTRESOURCEW(32512)
#define IDC_IBEAM MAKEINTRESOURCEW(32513)
#define IDC_WAIT MAKEINTRESOURCEW(32514)
#define IDC_CROSS MAKEINTRESOURCEW(32515)
#define IDC_UPARROW MAKEINTRESOURCEW(32516)
#define IDC_SIZENWSE MAKEINTRESOURCEW(32642)
#define IDC_SIZENESW MAKEINTRESOURCEW(32643)
#define IDC_SIZEWE MAKEINTRESOURCEW(32644)
#define IDC_SIZENS MAKEINTRESOURCEW(32645)
#define IDC_SIZEALL MAKEINTRESOURCEW(32646)
#define IDC_NO MAKEINTRESOURCEW(32648)
#define IDC_HAND MAKEINTRESOURCEW(32649)
#define IDC_APPSTARTING MAKEINTRESOURCEW(32650)
#define IDC_HELP MAKEINTRESOURCEW(32651)

// Loads a cursor file (.cur: an icon directory of type 2; .ani: a RIFF "ACON" animation).
// A missing file gives NULL with ERROR_FILE_NOT_FOUND; a file that does not parse gives NULL with
// ERROR_INVALID_DATA (the caller cannot tell a broken cursor from a missing one by the handle).
HCURSOR LoadCursorFromFileW(LPCWSTR fileName);
HCURSOR LoadCursorFromFileA(LPCSTR fileName);

// With a null instance, one of the standard IDC_ cursors; other names give NULL with
// ERROR_RESOURCE_NAME_NOT_FOUND.
HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR cursorName);
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR cursorName);

BOOL DestroyCursor(HCURSOR cursor);

namespace nux::ui {

struct CursorInfo {
  std::u16string source;  // the file it came from (Windows path as passed), empty for standard cursors
  WORD systemId = 0;      // the IDC_ number of a standard cursor, else 0
  bool animated = false;  // loaded from an .ani file
  int frames = 1;
  int width = 0;
  int height = 0;
  int hotspotX = 0;
  int hotspotY = 0;
  int steps = 1;          // the animation's steps (frames shown in the sequence's order)
  uint64_t serial = 0;    // unique to this cursor, also when its handle's value comes again
};

// One picture of a cursor: 0xAARRGGBB pixels, top-down, and its hot spot.
struct CursorFrame {
  nux::gdi::Surface image;
  int hotspotX = 0;
  int hotspotY = 0;
};

// One step of an animated cursor: which frame shows, and for how long.
struct CursorStep {
  int frame = 0;
  DWORD ms = 0;
};

// The pictures of a cursor loaded from a file and its animation's steps (one step for a still
// cursor); false for standard cursors and handles that are not live cursors.
bool GetCursorPictures(HCURSOR cursor, std::vector<CursorFrame>* frames, std::vector<CursorStep>* steps);

// The step an animation shows `elapsedMs` after it started (it starts over after the last).
size_t CursorStepAt(const std::vector<CursorStep>& steps, DWORD elapsedMs);

// What a cursor handle is; false for a handle that is not a live cursor.
bool GetCursorDetails(HCURSOR cursor, CursorInfo* info);

// The file a cursor came from ("" for standard cursors or unknown handles).
std::u16string CursorSource(HCURSOR cursor);

// Whether the handle is the standard cursor with that IDC_ name.
bool IsSystemCursor(HCURSOR cursor, LPCWSTR id);

// Parses the bytes of a cursor file; used by the loader and by tests that build cursor files.
// The pictures and steps come along where asked for.
bool ParseCursorFile(const std::vector<unsigned char>& bytes, CursorInfo* info,
                     std::vector<CursorFrame>* frames = nullptr, std::vector<CursorStep>* steps = nullptr);

}  // namespace nux::ui
