// The pointer's screen point from the X events behind SDL's pointer events.
#pragma once

union SDL_Event;
struct SDL_Window;

namespace nux::display {

// For a system event carrying an X pointer event: its point on the root window (the screen).
bool RootPointOf(const SDL_Event& e, int* x, int* y);
// Where the pointer is now on the screen of that window (asked of the X server).
bool PointerOnScreen(SDL_Window* window, int* x, int* y);

}  // namespace nux::display
