// The screen backend over SDL2: one borderless display window per visible top-level window,
// kept at the window's place, size and stacking; the surfaces presented where they changed;
// the display's events turned into the system's raw input.
//
// Every call into SDL happens under one lock, from whichever thread runs its message loop
// (most programs have one such thread). The window table's lock is taken inside it, never
// the other way round; actions that send messages run after it is released.
#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "display/display.h"
#include "display/keymap.h"
#include "display/x11_pointer.h"
#include "display/x11_present.h"
#include "process/clock.h"
#include "testing/input.h"
#include "ui/cursor.h"
#include "ui/sysparams.h"
#include "ui/wm_internal.h"

namespace nux::display {
namespace {

using namespace nux::ui::detail;

struct Shown {
  SDL_Window* win = nullptr;
  Uint32 id = 0;
  RECT rect{};  // where the display's window was put (screen)
  bool visible = false;
  bool present = true;  // the whole window is presented next
  bool popup = false;
  std::u16string title;
  // Places asked of the display that the window has not yet been seen at (or past): while a
  // window manager carries them out late, the window passing through them is our own doing.
  std::deque<POINT> moves;
  X11Presenter* x11 = nullptr;  // presents straight to the X window; null: through SDL's surface
};

// A display window goes with its presenter, which must let go of the X window first.
void DestroyShown(Shown& sh) {
  FreeX11Presenter(sh.x11);
  sh.x11 = nullptr;
  SDL_DestroyWindow(sh.win);
}

// A cursor file's pictures as the display's cursors, one for each frame, and its steps.
struct OwnCursor {
  uint64_t serial = 0;
  std::vector<SDL_Cursor*> frames;
  std::vector<nux::ui::CursorStep> steps;
};

void FreeOwnCursor(OwnCursor& c) {
  for (SDL_Cursor* f : c.frames)
    if (f) SDL_FreeCursor(f);
  c.frames.clear();
}

struct State {
  std::mutex m;  // SDL and the fields below
  std::atomic<bool> active{false};
  std::map<HWND, Shown> windows;
  std::vector<HWND> stacking;  // the shown windows as last stacked, topmost first
  HWND focused = nullptr;      // the window given the display's input focus
  bool appActive = true;       // one of our windows holds the desktop's focus (or nobody said otherwise)
  HCURSOR cursor = nullptr;
  uint64_t cursorSerial = 0;  // which cursor `cursor` was: a handle's value may come again
  std::map<int, SDL_Cursor*> systemCursors;
  std::map<HCURSOR, OwnCursor> ownCursors;  // the display's cursors made of cursor files' pictures
  OwnCursor* own = nullptr;                 // the one shown, when the cursor is one of them
  DWORD animationStart = 0;
  size_t step = 0;
  int frameShown = -1;
  POINT lastPointer{-100000, -100000};  // the last point given to the input queue
  POINT pointer{0, 0};                  // the pointer's screen point, as the display last said
  bool rootPoints = false;              // the display gives screen points with its events
  bool videoUp = false;                 // SDL's video subsystem is initialised
  std::string videoDisplay;             // for this DISPLAY
};

State& S() {
  static auto* s = new State();
  return *s;
}

std::mutex& DamageMutex() {
  static auto* m = new std::mutex();
  return *m;
}
std::map<HWND, RECT>& DamageMap() {
  static auto* m = new std::map<HWND, RECT>();
  return *m;
}

// SDL keeps some state for each thread that calls it (its error text), which a thread that SDL
// did not start must give back before it ends; each thread that calls SDL here notes it.
struct SdlThreadState {
  bool used = false;
  ~SdlThreadState() {
    if (used) SDL_TLSCleanup();
  }
};
void UsingSdlOnThisThread() {
  thread_local SdlThreadState state;
  state.used = true;
}

bool EnvSet(const char* name) {
  const char* v = std::getenv(name);
  return v && *v;
}

bool Wanted() {
  const char* choice = std::getenv("NUX_DISPLAY");
  if (choice && std::strcmp(choice, "none") == 0) return false;
  if (choice && std::strcmp(choice, "screen") == 0) return true;
  return EnvSet("DISPLAY") || EnvSet("WAYLAND_DISPLAY");
}

void ReadMonitors() {
  int n = SDL_GetNumVideoDisplays();
  std::vector<nux::ui::MonitorSpec> list;
  for (int i = 0; i < n; ++i) {
    SDL_Rect b, u;
    if (SDL_GetDisplayBounds(i, &b) != 0) continue;
    if (SDL_GetDisplayUsableBounds(i, &u) != 0) u = b;
    nux::ui::MonitorSpec m{RECT{b.x, b.y, b.x + b.w, b.y + b.h}, RECT{u.x, u.y, u.x + u.w, u.y + u.h}};
    list.push_back(m);
  }
  if (!list.empty()) nux::ui::SetMonitors(list);
}

// Closes the screen: the display's windows go. The video subsystem stays up (its libraries
// stay loaded until the process ends) unless `quit`; a new Open on another display quits it.
void CloseScreen(bool quit) {
  State& s = S();
  std::lock_guard<std::mutex> g(s.m);
  if (s.active) {
    s.active = false;
    SetTopLevelPixelMemory(nullptr);
    X11SharePixels(false);
    for (auto& [h, sh] : s.windows) DestroyShown(sh);
    s.windows.clear();
    s.stacking.clear();
    s.focused = nullptr;
    s.cursor = nullptr;
    for (auto& [id, c] : s.systemCursors) SDL_FreeCursor(c);
    s.systemCursors.clear();
    for (auto& [h, c] : s.ownCursors) FreeOwnCursor(c);
    s.ownCursors.clear();
    s.own = nullptr;
    s.frameShown = -1;
  }
  if (quit && s.videoUp) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    s.videoUp = false;
  }
}

bool OpenScreen() {
  State& s = S();
  if (s.active) return true;
  if (!Wanted()) return false;
  // The windows place themselves, which X11 lets them do; under Wayland through XWayland.
  if (EnvSet("DISPLAY") && !EnvSet("SDL_VIDEODRIVER")) SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "1");
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  const char* display = std::getenv("DISPLAY");
  std::string wanted = display ? display : "";
  if (s.videoUp && wanted != s.videoDisplay) CloseScreen(true);
  std::lock_guard<std::mutex> g(s.m);
  UsingSdlOnThisThread();
  if (!s.videoUp && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "nux: no screen (%s); the windows stay off the screen\n", SDL_GetError());
    return false;
  }
  SDL_StartTextInput();
  SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
  WatchX11Completions();
  // On X11 the windows' pixels are made where the server can read them.
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver && std::strcmp(driver, "x11") == 0) {
    X11SharePixels(true);
    SetTopLevelPixelMemory(&MakeX11PixelMemory);
  }
  ReadMonitors();
  s.videoUp = true;
  s.videoDisplay = wanted;
  s.lastPointer = POINT{-100000, -100000};
  s.active = true;
  return true;
}

// The display opens while the platform loads, so that the monitors are the display's before
// the first window asks for its place.
struct Opener {
  Opener() { OpenScreen(); }
} g_opener;

struct Top {
  HWND hwnd = nullptr;
  RECT rect{};
  bool show = false;
  bool popup = false;
  std::u16string title;
};

// Popup menus, flat menus, tool tips and the drag image: windows that never take the focus.
bool IsPopupKind(DWORD style, DWORD exStyle) {
  if (!(style & WS_POPUP) || (style & WS_CAPTION) == WS_CAPTION) return false;
  return (exStyle & (WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE)) != 0;
}

std::vector<Top> Snapshot() {
  std::vector<Top> tops;
  Lock lock(Mutex());
  for (HWND h : TopLevel()) {
    auto w = Find(h);
    if (!w || w->dead) continue;
    Top t;
    t.hwnd = h;
    t.rect = w->rect;
    t.show = (w->style & WS_VISIBLE) && !w->iconic && w->created && !w->destroying && w->surface &&
             !w->surface->empty() && w->rect.right > w->rect.left && w->rect.bottom > w->rect.top;
    t.popup = IsPopupKind(w->style, w->exStyle);
    t.title = w->text;
    tops.push_back(std::move(t));
  }
  return tops;
}

// The window's surface and its part `part` to present (the whole surface when null), under
// the window table's lock; null when there is nothing to present.
const nux::gdi::Surface* PartToPresent(HWND hwnd, const RECT* part, RECT* r) {
  auto w = Find(hwnd);
  if (!w || !w->surface) return nullptr;
  *r = RECT{0, 0, w->surface->width(), w->surface->height()};
  if (part) IntersectRect(r, r, part);
  return IsRectEmpty(r) ? nullptr : w->surface.get();
}

// Straight to the X window: from the window's own pixels where they lie in shared memory, so
// that the server's copy is the only one; else one copy of the changed rows into the
// presenter's image. Either way the server takes them from shared memory without a round trip.
void PresentX11(HWND hwnd, Shown& sh, const RECT* part) {
  RECT r{};
  {
    Lock lock(Mutex());
    const nux::gdi::Surface* src = PartToPresent(hwnd, part, &r);
    if (!src) return;
    if (!src->bottomUp() && X11PutPixels(sh.x11, src->memory(), src->width(), src->height(), r.left, r.top,
                                         r.right - r.left, r.bottom - r.top))
      return;
  }
  X11Finish(sh.x11);  // the image is free again before the window table is locked
  {
    Lock lock(Mutex());
    const nux::gdi::Surface* src = PartToPresent(hwnd, part, &r);
    if (!src) return;
    int pitch = 0;
    uint32_t* image = X11Buffer(sh.x11, src->width(), src->height(), &pitch);
    if (!image) return;
    auto* dst = reinterpret_cast<unsigned char*>(image) + size_t(r.top) * size_t(pitch) + size_t(r.left) * 4;
    const size_t bytes = size_t(r.right - r.left) * 4;
    for (int y = r.top; y < r.bottom; ++y, dst += pitch) std::memcpy(dst, src->row(y) + r.left, bytes);
  }
  X11Put(sh.x11, r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void Present(HWND hwnd, Shown& sh, const RECT* part) {
  if (sh.x11) {
    PresentX11(hwnd, sh, part);
    return;
  }
  SDL_Surface* target = SDL_GetWindowSurface(sh.win);
  if (!target) return;
  RECT r{0, 0, target->w, target->h};
  if (part) IntersectRect(&r, &r, part);
  {
    Lock lock(Mutex());
    auto w = Find(hwnd);
    if (!w || !w->surface) return;
    const nux::gdi::Surface& src = *w->surface;
    RECT all{0, 0, src.width(), src.height()};
    IntersectRect(&r, &r, &all);
    if (IsRectEmpty(&r)) return;
    if (SDL_MUSTLOCK(target)) SDL_LockSurface(target);
    int width = r.right - r.left;
    auto* dst = static_cast<unsigned char*>(target->pixels) + size_t(r.top) * size_t(target->pitch) + size_t(r.left) * 4;
    if (target->format->BytesPerPixel == 4 &&
        (target->format->format == SDL_PIXELFORMAT_RGB888 || target->format->format == SDL_PIXELFORMAT_ARGB8888)) {
      for (int y = r.top; y < r.bottom; ++y, dst += target->pitch)
        std::memcpy(dst, src.row(y) + r.left, size_t(width) * 4);
    } else {
      auto* base = static_cast<unsigned char*>(target->pixels) + size_t(r.top) * size_t(target->pitch) +
                   size_t(r.left) * target->format->BytesPerPixel;
      SDL_ConvertPixels(width, r.bottom - r.top, SDL_PIXELFORMAT_ARGB8888, src.row(r.top) + r.left, src.stride(),
                        target->format->format, base, target->pitch);
    }
    if (SDL_MUSTLOCK(target)) SDL_UnlockSurface(target);
  }
  SDL_Rect sr{r.left, r.top, r.right - r.left, r.bottom - r.top};
  SDL_UpdateWindowSurfaceRects(sh.win, &sr, 1);
}

SDL_Cursor* SystemCursor(State& s, SDL_SystemCursor id) {
  auto it = s.systemCursors.find(id);
  if (it != s.systemCursors.end()) return it->second;
  SDL_Cursor* c = SDL_CreateSystemCursor(id);
  s.systemCursors[id] = c;
  return c;
}

// The display's cursors for a cursor file's pictures (made once for each cursor); null when
// the cursor has no pictures of its own (a standard cursor) or the display cannot make them.
OwnCursor* OwnCursorOf(State& s, HCURSOR c, const nux::ui::CursorInfo& info) {
  auto it = s.ownCursors.find(c);
  if (it != s.ownCursors.end() && it->second.serial == info.serial) return &it->second;
  std::vector<nux::ui::CursorFrame> frames;
  OwnCursor made;
  if (!nux::ui::GetCursorPictures(c, &frames, &made.steps)) return nullptr;
  // Cursors destroyed since go with it.
  for (auto o = s.ownCursors.begin(); o != s.ownCursors.end();) {
    nux::ui::CursorInfo live;
    if (nux::ui::GetCursorDetails(o->first, &live) && live.serial == o->second.serial) {
      ++o;
      continue;
    }
    if (s.own == &o->second) s.own = nullptr;
    FreeOwnCursor(o->second);
    o = s.ownCursors.erase(o);
  }
  made.serial = info.serial;
  for (nux::ui::CursorFrame& f : frames) {
    SDL_Surface* picture = SDL_CreateRGBSurfaceWithFormatFrom(f.image.row(0), f.image.width(), f.image.height(), 32,
                                                              f.image.stride(), SDL_PIXELFORMAT_ARGB8888);
    SDL_Cursor* cursor = picture ? SDL_CreateColorCursor(picture, f.hotspotX, f.hotspotY) : nullptr;
    if (picture) SDL_FreeSurface(picture);
    if (!cursor) {
      FreeOwnCursor(made);
      return nullptr;
    }
    made.frames.push_back(cursor);
  }
  OwnCursor& kept = s.ownCursors[c];
  FreeOwnCursor(kept);
  kept = std::move(made);
  return &kept;
}

SDL_SystemCursor SystemCursorFor(WORD systemId) {
  switch (systemId) {
    case 32513: return SDL_SYSTEM_CURSOR_IBEAM;
    case 32514: return SDL_SYSTEM_CURSOR_WAIT;
    case 32515: return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case 32642: return SDL_SYSTEM_CURSOR_SIZENWSE;
    case 32643: return SDL_SYSTEM_CURSOR_SIZENESW;
    case 32644: return SDL_SYSTEM_CURSOR_SIZEWE;
    case 32645: return SDL_SYSTEM_CURSOR_SIZENS;
    case 32646: return SDL_SYSTEM_CURSOR_SIZEALL;
    case 32648: return SDL_SYSTEM_CURSOR_NO;
    case 32649: return SDL_SYSTEM_CURSOR_HAND;
    case 32650: return SDL_SYSTEM_CURSOR_WAITARROW;
    default: return SDL_SYSTEM_CURSOR_ARROW;
  }
}

// Shows the thread's cursor: a cursor file's own pictures, its animation stepped by the
// platform's clock at each turn of the message loop, or the display's standard cursor.
void ApplyCursor(State& s) {
  HCURSOR c = GetCursor();
  nux::ui::CursorInfo info;
  bool known = c && nux::ui::GetCursorDetails(c, &info);
  // A cursor destroyed and another loaded at the same handle is a new cursor.
  if (c != s.cursor || (known && info.serial != s.cursorSerial)) {
    s.cursor = c;
    s.cursorSerial = known ? info.serial : 0;
    s.own = nullptr;
    s.frameShown = -1;
    if (known && !info.systemId) s.own = OwnCursorOf(s, c, info);
    if (s.own) {
      s.animationStart = GetTickCount();
      s.step = 0;
      s.frameShown = s.own->steps.empty() ? 0 : s.own->steps[0].frame;
      SDL_SetCursor(s.own->frames[size_t(s.frameShown)]);
      return;
    }
    if (SDL_Cursor* sc = SystemCursor(s, SystemCursorFor(known ? info.systemId : 0))) SDL_SetCursor(sc);
    return;
  }
  if (!s.own || s.own->steps.size() < 2) return;
  size_t step = nux::ui::CursorStepAt(s.own->steps, GetTickCount() - s.animationStart);
  if (step == s.step) return;
  s.step = step;
  int frame = s.own->steps[step].frame;
  if (frame != s.frameShown) {
    s.frameShown = frame;
    SDL_SetCursor(s.own->frames[size_t(frame)]);
  }
}

HWND WindowOfId(State& s, Uint32 id) {
  for (auto& [h, sh] : s.windows)
    if (sh.id == id) return h;
  return nullptr;
}

// The pointer's screen point for a pointer event: from the X event behind it where there is
// one (right also while the window moves under the pointer, as when its caption is dragged),
// else from the window's place.
POINT PointerAt(State& s, Uint32 windowId, int x, int y) {
  if (s.rootPoints) return s.pointer;
  for (auto& [h, sh] : s.windows)
    if (sh.id == windowId) {
      int wx = 0, wy = 0;
      SDL_GetWindowPosition(sh.win, &wx, &wy);
      return POINT{wx + x, wy + y};
    }
  return POINT{x, y};
}

void QueueMove(State& s, POINT pt) {
  if (pt.x == s.lastPointer.x && pt.y == s.lastPointer.y) return;
  s.lastPointer = pt;
  nux::testing::RawInput ev;
  ev.pt = pt;
  nux::testing::QueueRawInput(ev);
}

void QueueChars(const char* utf8) {
  std::u16string text = nux::FromUtf8(utf8);
  for (char16_t c : text) {
    nux::testing::RawInput ev;
    ev.isChar = true;
    ev.ch = c;
    nux::testing::QueueRawInput(ev);
  }
}

void QueueKey(const SDL_KeyboardEvent& k, const char* typed) {
  char32_t layoutChar = (k.keysym.sym & SDLK_SCANCODE_MASK) ? 0 : char32_t(k.keysym.sym);
  KeyCode code = MapKey(int(k.keysym.scancode), layoutChar);
  if (!code.vk) {
    if (typed) QueueChars(typed);
    return;
  }
  nux::testing::RawInput ev;
  ev.isKey = true;
  ev.down = k.state == SDL_PRESSED;
  ev.vk = code.vk;
  ev.scanCode = code.scanCode;
  ev.extended = code.extended;
  std::u16string text = typed ? nux::FromUtf8(typed) : std::u16string();
  if (!text.empty()) ev.ch = text[0];
  nux::testing::QueueRawInput(ev);
  // What the key typed beyond one UTF-16 unit follows as characters of their own.
  if (text.size() > 1) QueueChars(nux::ToUtf8(text.substr(1)).c_str());
}

// Tells every top-level window that our program's windows got (TRUE) or lost (FALSE) the
// desktop's focus, as a system tells a program switched to or away from.
void TellTopLevels(BOOL active) {
  std::vector<HWND> tops;
  {
    Lock lock(Mutex());
    for (HWND h : TopLevel())
      if (auto w = Find(h); w && !w->dead && !w->destroying) tops.push_back(h);
  }
  for (HWND h : tops)
    RunOnWindowThread(h, [h, active] {
      if (IsWindow(h)) SendMessageW(h, WM_ACTIVATEAPP, WPARAM(active), 0);
    });
}

// Where the display's window stands now (asked of the display); `at` stays as it is where the
// display cannot tell.
bool WindowPlace(Shown& sh, POINT* at) {
  int x = 0, y = 0;
  if (!WindowPlaceOnScreen(sh.win, &x, &y)) return false;
  *at = POINT{x, y};
  return true;
}

// The window seen at `at`: the places asked of the display that this overtakes are forgotten.
// At the place we last put it, every asked place is done with; at one asked earlier, the window
// manager is still on its way through them. True when the place is none of ours: another
// program or the window manager moved the window.
bool SettleMoves(Shown& sh, POINT at) {
  if (at.x == sh.rect.left && at.y == sh.rect.top) {
    sh.moves.clear();
    return false;
  }
  auto asked =
      std::find_if(sh.moves.begin(), sh.moves.end(), [&](const POINT& p) { return p.x == at.x && p.y == at.y; });
  if (asked == sh.moves.end()) return true;
  sh.moves.erase(sh.moves.begin(), asked);
  return false;
}

// Turns the display's waiting events into raw input; `after` collects what must run once the
// backend's lock is released (it sends messages).
void TakeEvents(State& s, std::vector<std::function<void()>>& after) {
  SDL_PumpEvents();
  SDL_Event e;
  while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
    switch (e.type) {
      case SDL_MOUSEMOTION: {
        // A move's X event may come after it (the input extension's events are passed on
        // last), so the point is the pointer's own, asked of the display.
        int x = 0, y = 0;
        SDL_Window* win = SDL_GetWindowFromID(e.motion.windowID);
        if (PointerOnScreen(win, &x, &y)) {
          s.pointer = POINT{x, y};
          s.rootPoints = true;
        }
        QueueMove(s, PointerAt(s, e.motion.windowID, e.motion.x, e.motion.y));
        break;
      }
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        UINT button = e.button.button == SDL_BUTTON_LEFT    ? 1
                      : e.button.button == SDL_BUTTON_RIGHT ? 2
                      : e.button.button == SDL_BUTTON_MIDDLE ? 3
                                                             : 0;
        if (!button) break;
        POINT pt = PointerAt(s, e.button.windowID, e.button.x, e.button.y);
        QueueMove(s, pt);
        nux::testing::RawInput ev;
        ev.pt = pt;
        ev.button = button;
        ev.down = e.type == SDL_MOUSEBUTTONDOWN;
        nux::testing::QueueRawInput(ev);
        break;
      }
      case SDL_MOUSEWHEEL: {
        int y = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
        if (!y) break;
        nux::testing::RawInput ev;
        ev.pt = s.lastPointer;
        ev.button = 4;
        ev.wheel = y * 120;
        nux::testing::QueueRawInput(ev);
        break;
      }
      case SDL_KEYDOWN: {
        // The text a press typed comes as the next event; it rides with the key, so that the
        // key's WM_CHAR is the layout's character.
        SDL_Event next;
        if (SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0 && next.type == SDL_TEXTINPUT) {
          SDL_PeepEvents(&next, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
          QueueKey(e.key, next.text.text);
        } else {
          QueueKey(e.key, nullptr);
        }
        break;
      }
      case SDL_KEYUP: QueueKey(e.key, nullptr); break;
      case SDL_TEXTINPUT: QueueChars(e.text.text); break;
      case SDL_SYSWMEVENT: {
        int x = 0, y = 0;
        if (RootPointOf(e, &x, &y)) {
          s.pointer = POINT{x, y};
          s.rootPoints = true;
        }
        break;
      }
      case SDL_WINDOWEVENT: {
        HWND h = WindowOfId(s, e.window.windowID);
        if (!h) break;
        Shown& sh = s.windows[h];
        switch (e.window.event) {
          case SDL_WINDOWEVENT_EXPOSED: sh.present = true; break;
          case SDL_WINDOWEVENT_CLOSE:
            // The desktop's close button or its close key: as the system menu's Close.
            after.push_back([h] {
              if (IsWindow(h) && IsWindowEnabled(h)) PostMessageW(h, WM_SYSCOMMAND, SC_CLOSE, 0);
            });
            break;
          case SDL_WINDOWEVENT_FOCUS_GAINED: {
            if (sh.popup) break;
            s.focused = h;
            bool comingBack = !s.appActive;
            s.appActive = true;
            after.push_back([h, comingBack] {
              if (comingBack) TellTopLevels(TRUE);
              // A window disabled by what it owns (a modal dialog) gives the activation to that.
              HWND target = h;
              if (IsWindow(h) && !IsWindowEnabled(h))
                if (HWND popup = GetWindow(h, GW_ENABLEDPOPUP)) target = popup;
              if (IsWindow(target) && IsWindowEnabled(target) && GetActiveWindow() != target)
                RunOnWindowThread(target, [target] {
                  if (IsWindow(target) && GetActiveWindow() != target) SetForegroundWindow(target);
                });
            });
            break;
          }
          case SDL_WINDOWEVENT_FOCUS_LOST: {
            // Only a loss of the focus we gave counts (when we move it to another of our
            // windows, that one is already the focused one), and only when the focus went to
            // none of ours: another program's window took it.
            if (h != s.focused) break;
            s.focused = nullptr;
            std::vector<SDL_Window*> ours;
            for (auto& [o, osh] : s.windows)
              if (osh.visible) ours.push_back(osh.win);
            int onOurs = FocusIsOn(ours);
            if (onOurs == 1 || (onOurs < 0 && SDL_GetKeyboardFocus())) break;
            s.appActive = false;
            after.push_back([] {
              HWND active = GetActiveWindow();
              if (active)
                RunOnWindowThread(active, [] {
                  if (GetActiveWindow()) ActivateWindow(nullptr, false);
                });
              TellTopLevels(FALSE);
            });
            break;
          }
          case SDL_WINDOWEVENT_MOVED: {
            // A report may be older than a move asked since; where the window stands now decides.
            POINT at{e.window.data1, e.window.data2};
            WindowPlace(sh, &at);
            if (!SettleMoves(sh, at)) break;
            // The window manager (or another program) moved it: the window takes the place,
            // with the messages of a move of its own, and what we asked before is past.
            sh.moves.clear();
            OffsetRect(&sh.rect, at.x - sh.rect.left, at.y - sh.rect.top);
            after.push_back([h, at] {
              if (IsWindow(h))
                RunOnWindowThread(h, [h, at] {
                  if (IsWindow(h))
                    SetWindowPos(h, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
                });
            });
            break;
          }
          default: break;
        }
        break;
      }
      default: break;
    }
  }
  // SDL never reports the place it last put a window at itself, so an asked place is settled by
  // seeing the window there (or past it): asked of the display after its reports were taken. A
  // report of an earlier move still on its way then finds the window where we put it and
  // changes nothing; a place another program chose is left to its report.
  for (auto& [h, sh] : s.windows) {
    if (sh.moves.empty()) continue;
    POINT at{};
    if (WindowPlace(sh, &at))
      SettleMoves(sh, at);
    else
      sh.moves.clear();  // SDL's own move waited for the display, whose reports were just taken
  }
}

void Reconcile(State& s) {
  std::vector<Top> tops = Snapshot();
  // Windows gone from the table.
  for (auto it = s.windows.begin(); it != s.windows.end();) {
    bool live = false;
    for (const Top& t : tops) live = live || t.hwnd == it->first;
    if (live) {
      ++it;
      continue;
    }
    DestroyShown(it->second);
    if (s.focused == it->first) s.focused = nullptr;
    it = s.windows.erase(it);
  }
  std::vector<HWND> stacking;
  for (const Top& t : tops) {
    auto it = s.windows.find(t.hwnd);
    if (!t.show) {
      if (it != s.windows.end() && it->second.visible) {
        SDL_HideWindow(it->second.win);
        it->second.visible = false;
      }
      continue;
    }
    int x = t.rect.left, y = t.rect.top, cx = t.rect.right - t.rect.left, cy = t.rect.bottom - t.rect.top;
    if (it == s.windows.end()) {
      Uint32 flags = SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN;
      if (t.popup) flags |= SDL_WINDOW_POPUP_MENU | SDL_WINDOW_SKIP_TASKBAR | SDL_WINDOW_ALWAYS_ON_TOP;
      std::string title = nux::ToUtf8(t.title);
      SDL_Window* win = SDL_CreateWindow(title.c_str(), x, y, cx, cy, flags);
      if (!win) continue;
      Shown sh;
      sh.win = win;
      sh.id = SDL_GetWindowID(win);
      sh.rect = t.rect;
      sh.popup = t.popup;
      sh.title = t.title;
      sh.x11 = MakeX11Presenter(win);
      it = s.windows.emplace(t.hwnd, sh).first;
    }
    Shown& sh = it->second;
    if (sh.rect.left != x || sh.rect.top != y) {
      SDL_SetWindowPosition(sh.win, x, y);
      if (sh.moves.size() >= 32) sh.moves.pop_front();
      sh.moves.push_back(POINT{x, y});
    }
    if ((sh.rect.right - sh.rect.left) != cx || (sh.rect.bottom - sh.rect.top) != cy) {
      SDL_SetWindowSize(sh.win, cx, cy);
      sh.present = true;
    }
    sh.rect = t.rect;
    if (sh.title != t.title) {
      sh.title = t.title;
      SDL_SetWindowTitle(sh.win, nux::ToUtf8(t.title).c_str());
    }
    if (!sh.visible) {
      SDL_ShowWindow(sh.win);
      sh.visible = true;
      sh.present = true;
    }
    stacking.push_back(t.hwnd);
  }
  // Stacking: raised from the bottom up whenever the order changed.
  if (stacking != s.stacking) {
    for (auto it = stacking.rbegin(); it != stacking.rend(); ++it) SDL_RaiseWindow(s.windows[*it].win);
    s.stacking = stacking;
  }
  // The active window holds the display's keyboard focus.
  HWND active = GetActiveWindow();
  auto a = s.windows.find(active);
  if (active && active != s.focused && a != s.windows.end() && a->second.visible && !a->second.popup) {
    SDL_SetWindowInputFocus(a->second.win);
    s.focused = active;
  }
  // What was drawn.
  std::map<HWND, RECT> damage;
  {
    std::lock_guard<std::mutex> g(DamageMutex());
    damage.swap(DamageMap());
  }
  for (auto& [h, sh] : s.windows) {
    if (!sh.visible) continue;
    if (sh.present) {
      sh.present = false;
      Present(h, sh, nullptr);
    } else if (auto d = damage.find(h); d != damage.end()) {
      Present(h, sh, &d->second);
    }
  }
}

}  // namespace

bool Active() { return S().active; }

bool Open() { return OpenScreen(); }

void Close() { CloseScreen(false); }

void Sync() {
  State& s = S();
  if (!s.active) return;
  std::vector<std::function<void()>> after;
  {
    // One thread at a time; a Sync reached again from inside (a message sent while it runs)
    // or from another thread meanwhile simply leaves it to the running one.
    std::unique_lock<std::mutex> lock(s.m, std::try_to_lock);
    if (!lock.owns_lock() || !s.active) return;
    UsingSdlOnThisThread();
    Reconcile(s);
    ApplyCursor(s);
    TakeEvents(s, after);
  }
  for (auto& f : after) f();
}

void Finish() {
  State& s = S();
  if (!s.active) return;
  std::lock_guard<std::mutex> g(s.m);
  for (auto& [h, sh] : s.windows) X11Finish(sh.x11);
}

void Damage(HWND topLevel, const RECT& rect) {
  if (!S().active || IsRectEmpty(&rect)) return;
  std::lock_guard<std::mutex> g(DamageMutex());
  auto [it, fresh] = DamageMap().emplace(topLevel, rect);
  if (!fresh) UnionRect(&it->second, &it->second, &rect);
}

ShownCursor CurrentCursor() {
  State& s = S();
  std::lock_guard<std::mutex> g(s.m);
  ShownCursor shown;
  if (!s.active) return shown;
  shown.cursor = s.cursor;
  shown.frame = s.frameShown;
  return shown;
}

bool SetClipboardText(const std::string& utf8) {
  State& s = S();
  if (!s.active) return false;
  std::lock_guard<std::mutex> g(s.m);
  UsingSdlOnThisThread();
  return SDL_SetClipboardText(utf8.c_str()) == 0;
}

bool GetClipboardText(std::string* utf8) {
  State& s = S();
  if (!s.active) return false;
  std::lock_guard<std::mutex> g(s.m);
  UsingSdlOnThisThread();
  if (!SDL_HasClipboardText()) return false;
  char* text = SDL_GetClipboardText();
  if (!text) return false;
  *utf8 = text;
  SDL_free(text);
  return true;
}

bool HasClipboardText() {
  State& s = S();
  if (!s.active) return false;
  std::lock_guard<std::mutex> g(s.m);
  UsingSdlOnThisThread();
  return SDL_HasClipboardText() == SDL_TRUE;
}

}  // namespace nux::display
