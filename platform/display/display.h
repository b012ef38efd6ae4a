// The screen: a backend over SDL2 that shows every visible top-level window as a borderless
// window of the desktop and feeds the desktop's pointer, keyboard, text input, focus and close
// requests into the window system's input path.
//
// Headless is the default. Windows go to a screen when DISPLAY (or WAYLAND_DISPLAY) is set and
// NUX_DISPLAY is not "none"; NUX_DISPLAY=screen asks for it even where the variables say
// nothing (the SDL library then decides). The backend opens the display when the platform
// loads, so the monitors the platform reports are the display's from the start.
#pragma once

#include <string>

#include "base/types.h"

namespace nux::display {

// Whether a screen is there (the display opened).
bool Active();

// Opens the screen if the environment asks for one (the platform does so as it loads; a test
// that starts a display server of its own calls it once DISPLAY names that server). False
// without a screen.
bool Open();
// Closes the screen: the display's windows go, the platform's windows stay, off the screen.
void Close();

// The message loop of every thread calls this before it looks at its queue: the display's
// windows follow the top-level windows (shown, hidden, placed, sized, stacked), what was drawn
// since the last call is presented, the cursor is set, and the display's events become raw
// input. Cheap when nothing changed; does nothing without a screen.
void Sync();

// Waits (at most a second) until what Sync presented is on the screen, for a reader of the
// screen in another program. Sync itself does not wait for the display.
void Finish();

// How long a message wait may sleep before the display is looked at again (milliseconds).
constexpr unsigned kPollMs = 8;

// A top-level window's pixels changed inside `rect` (surface coordinates): presented at the
// next Sync.
void Damage(HWND topLevel, const RECT& rect);

// The cursor the display shows: the platform's cursor and, for a cursor loaded from a file,
// the frame of its pictures on the screen (-1: a standard cursor of the display).
struct ShownCursor {
  HCURSOR cursor = nullptr;
  int frame = -1;
};
ShownCursor CurrentCursor();

// The desktop's clipboard as text (UTF-8); false without a screen or without text.
bool SetClipboardText(const std::string& utf8);
bool GetClipboardText(std::string* utf8);
bool HasClipboardText();

}  // namespace nux::display
