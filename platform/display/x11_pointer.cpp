// What SDL does not tell of the X display: where the pointer is on the screen (the root
// coordinates of an X pointer event, or asked of the server), where a window stands and which
// window holds the keyboard focus. Kept apart from the window system's headers, whose names the
// X headers would clash with.
#include <SDL.h>
#include <SDL_syswm.h>

#include "display/x11_pointer.h"

namespace nux::display {

#if defined(SDL_VIDEO_DRIVER_X11)
namespace {

// The X connection and window behind a display window; false where it is no X11 window.
bool X11Of(SDL_Window* window, Display** display, Window* xwindow) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
  *display = info.info.x11.display;
  *xwindow = info.info.x11.window;
  return true;
}

}  // namespace
#endif

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

bool PointerOnScreen(SDL_Window* window, int* x, int* y) {
#if defined(SDL_VIDEO_DRIVER_X11)
  Display* d = nullptr;
  Window own = 0, root = 0, child = 0;
  if (!X11Of(window, &d, &own)) return false;
  int rx = 0, ry = 0, wx = 0, wy = 0;
  unsigned mask = 0;
  if (!XQueryPointer(d, DefaultRootWindow(d), &root, &child, &rx, &ry, &wx, &wy, &mask)) return false;
  *x = rx, *y = ry;
  return true;
#else
  (void)window, (void)x, (void)y;
  return false;
#endif
}

bool WindowPlaceOnScreen(SDL_Window* window, int* x, int* y) {
#if defined(SDL_VIDEO_DRIVER_X11)
  Display* d = nullptr;
  Window own = 0, child = 0;
  if (!X11Of(window, &d, &own)) return false;
  int rx = 0, ry = 0;
  // The window's own origin in the root's coordinates: right also inside a window manager's frame.
  if (!XTranslateCoordinates(d, own, DefaultRootWindow(d), 0, 0, &rx, &ry, &child)) return false;
  *x = rx, *y = ry;
  return true;
#else
  (void)window, (void)x, (void)y;
  return false;
#endif
}

int FocusIsOn(const std::vector<SDL_Window*>& windows) {
#if defined(SDL_VIDEO_DRIVER_X11)
  if (windows.empty()) return 0;
  Display* d = nullptr;
  Window first = 0;
  if (!X11Of(windows.front(), &d, &first)) return -1;
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(d, &focus, &revert);
  for (SDL_Window* w : windows) {
    Display* wd = nullptr;
    Window xw = 0;
    if (X11Of(w, &wd, &xw) && xw == focus) return 1;
  }
  return 0;
#else
  (void)windows;
  return -1;
#endif
}

}  // namespace nux::display
