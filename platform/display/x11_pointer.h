// What SDL does not tell of the X display: the pointer's screen point, where a window stands
// and the keyboard focus.
#pragma once

#include <vector>

union SDL_Event;
struct SDL_Window;

namespace nux::display {

// For a system event carrying an X pointer event: its point on the root window (the screen).
bool RootPointOf(const SDL_Event& e, int* x, int* y);
// Where the pointer is now on the screen of that window (asked of the X server).
bool PointerOnScreen(SDL_Window* window, int* x, int* y);
// Where the window's top-left corner stands on the screen now, asked of the X server (a round
// trip: every event the server sent before its answer has then reached SDL's connection).
bool WindowPlaceOnScreen(SDL_Window* window, int* x, int* y);
// Whether the desktop's keyboard focus is on one of these windows now: 1 yes, 0 no, -1 the
// display cannot tell.
int FocusIsOn(const std::vector<SDL_Window*>& windows);

}  // namespace nux::display
