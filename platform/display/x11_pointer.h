// The pointer's screen point from the X events behind SDL's pointer events.
#pragma once

union SDL_Event;

namespace nux::display {

// For a system event carrying an X pointer event: its point on the root window (the screen).
bool RootPointOf(const SDL_Event& e, int* x, int* y);

}  // namespace nux::display
