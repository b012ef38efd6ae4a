// Where the pointer is on the X screen: the root coordinates an X pointer event carries (SDL
// passes the X events on as system events). Kept apart from the window system's headers,
// whose names the X headers would clash with.
#include <SDL.h>
#include <SDL_syswm.h>

#include "display/x11_pointer.h"

namespace nux::display {

bool RootPointOf(const SDL_Event& e, int* x, int* y) {
#if defined(SDL_VIDEO_DRIVER_X11)
  if (e.type != SDL_SYSWMEVENT || !e.syswm.msg || e.syswm.msg->subsystem != SDL_SYSWM_X11) return false;
  const XEvent& xe = e.syswm.msg->msg.x11.event;
  switch (xe.type) {
    case MotionNotify: *x = xe.xmotion.x_root, *y = xe.xmotion.y_root; return true;
    case ButtonPress:
    case ButtonRelease: *x = xe.xbutton.x_root, *y = xe.xbutton.y_root; return true;
    case EnterNotify:
    case LeaveNotify: *x = xe.xcrossing.x_root, *y = xe.xcrossing.y_root; return true;
    default: return false;
  }
#else
  (void)e, (void)x, (void)y;
  return false;
#endif
}

}  // namespace nux::display
