// Internals of the window system shared by its source files. Not for use outside platform/ui,
// platform/testing and the screen backend (platform/display).
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/types.h"
#include "gdi/region.h"
#include "gdi/surface.h"
#include "ui/window.h"

#ifndef ERROR_CANNOT_FIND_WND_CLASS
#define ERROR_CANNOT_FIND_WND_CLASS 1407L
#endif
#ifndef ERROR_TLW_WITH_WSCHILD
#define ERROR_TLW_WITH_WSCHILD 1406L
#endif
#ifndef ERROR_WINDOW_OF_OTHER_THREAD
#define ERROR_WINDOW_OF_OTHER_THREAD 1408L
#endif
#ifndef ERROR_INVALID_INDEX
#define ERROR_INVALID_INDEX 1413L
#endif

namespace nux::ui::detail {

struct WndClass {
  std::u16string name;
  ATOM atom = 0;
  UINT style = 0;
  WNDPROC proc = nullptr;
  bool ansi = false;
  int clsExtra = 0;
  int wndExtra = 0;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  std::u16string menuName;
  bool system = false;
};

// Per-window state a standard control keeps (edit text selection, progress range ...).
struct ControlData {
  virtual ~ControlData() = default;
};

struct Window {
  HWND hwnd = nullptr;
  std::shared_ptr<WndClass> cls;
  WNDPROC proc = nullptr;
  bool ansi = false;
  DWORD style = 0;
  DWORD exStyle = 0;
  LONG_PTR id = 0;  // a child's id; a top-level window's menu handle
  LONG_PTR userData = 0;
  std::vector<unsigned char> extra;
  HINSTANCE instance = nullptr;
  HWND parent = nullptr;  // child windows only
  HWND owner = nullptr;   // top-level windows only
  std::vector<HWND> children;  // z-order, topmost first
  std::u16string text;
  RECT rect{};    // window rectangle in the parent's client coordinates (screen for top-level)
  RECT client{};  // client rectangle relative to the window's top-left corner
  DWORD thread = 0;
  bool created = false;     // WM_NCCREATE succeeded
  bool destroying = false;  // DestroyWindow under way
  bool dead = false;        // removed from the table
  nux::gdi::Region update;  // client coordinates
  bool erase = false;
  bool ncpaint = false;
  bool internalPaint = false;
  std::unique_ptr<nux::gdi::Surface> surface;  // top-level windows only
  RECT normalRect{};
  bool iconic = false;
  bool zoomed = false;
  HRGN windowRgn = nullptr;
  HFONT font = nullptr;  // WM_SETFONT of the standard controls and dialogs
  HICON bigIcon = nullptr;    // WM_SETICON
  HICON smallIcon = nullptr;
  std::shared_ptr<ControlData> control;
};

using WindowPtr = std::shared_ptr<Window>;

// The one lock of the window table and all window fields. Never held while a window
// procedure runs.
std::recursive_mutex& Mutex();
using Lock = std::unique_lock<std::recursive_mutex>;

// Lookups (the caller holds the lock or accepts a snapshot).
WindowPtr Find(HWND hwnd);
std::vector<HWND>& TopLevel();  // z-order, topmost first
std::vector<HWND> AllWindows();
std::shared_ptr<WndClass> FindClass(std::u16string_view name);
std::shared_ptr<WndClass> FindClassAtom(ATOM atom);

// Screen position of a window's top-left corner and of its client origin.
POINT ScreenOrigin(const Window& w);
POINT ClientScreenOrigin(const Window& w);
// The top-level window a window lies in (itself for a top-level window).
WindowPtr RootOf(const WindowPtr& w);
bool IsVisibleChain(const Window& w);

// Calls the window procedure on the calling thread (which must be the window's thread),
// converting text arguments between A and W as needed. `argsAnsi`: the arguments are in
// Windows-1252 form.
LRESULT CallProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool argsAnsi);
LRESULT CallProcWith(WNDPROC proc, bool procAnsi, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                     bool argsAnsi);
LRESULT Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool argsAnsi = false);

// ---- queues ----
struct SentMessage {
  HWND hwnd = nullptr;
  UINT msg = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  bool ansi = false;
  LRESULT result = 0;
  bool done = false;
  bool replied = false;
  bool notify = false;  // SendNotifyMessage: nobody waits
  struct ThreadQueue* senderQueue = nullptr;
  std::shared_ptr<struct ThreadQueue> sender;
};

struct Timer {
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  UINT interval = 0;
  ULONGLONG due = 0;
  TIMERPROC proc = nullptr;
};

struct ThreadQueue {
  DWORD thread = 0;
  std::mutex m;
  std::condition_variable cv;
  std::deque<MSG> posted;
  std::deque<MSG> input;
  std::deque<std::shared_ptr<SentMessage>> sent;
  std::vector<std::shared_ptr<SentMessage>> receiving;
  bool quit = false;
  int quitCode = 0;
  std::vector<Timer> timers;
  BYTE keys[256] = {};
  // The character the desktop's keyboard layout typed with the last press of a key, for
  // TranslateMessage (keys pressed without one translate by the key alone).
  std::map<BYTE, WPARAM> typed;
  MSG last{};
  unsigned wake = 0;  // bumped whenever something for this thread may have changed
};

std::shared_ptr<ThreadQueue> QueueFor(DWORD thread, bool create);
std::shared_ptr<ThreadQueue> CurrentQueue();
// Wakes a thread's GetMessage/WaitMessage (after an invalidation, a new input event ...).
void WakeThread(DWORD thread);
void WakeAll();
// Handles the sent messages waiting for the calling thread. Returns whether any ran.
bool ProcessSentMessages();
// Drops posted messages and timers of a destroyed window.
void ForgetWindowMessages(DWORD thread, HWND hwnd);
// Runs `fn` on the thread that owns `hwnd` through its queue (posted), or at once on that thread.
void RunOnWindowThread(HWND hwnd, std::function<void()> fn);

// ---- painting (paint.cpp) ----
// A window of the calling thread that needs WM_PAINT, or null.
HWND FindPaintWindow(HWND filter);
// Adds to a window's update region (client coordinates) and, as Windows does, to the
// overlapping visible children.
void InvalidateInternal(const WindowPtr& w, const nux::gdi::Region& rgn, bool erase, bool frame, bool children);
void InvalidateWholeWindow(const WindowPtr& w);

// ---- input (input.cpp) ----
// Routes queued raw input events into the thread queues; called by GetMessage/PeekMessage.
void RouteRawInput();
void UpdateKeyStateFromMessage(ThreadQueue& q, const MSG& m);
// Focus and activation clean-up when a window is hidden or destroyed.
void WindowGoingAway(HWND hwnd, bool destroyed);
void ActivateWindow(HWND hwnd, bool mouse);
POINT CurrentCursorPos();

// ---- non-client model (window.cpp) ----
RECT NcInsets(DWORD style, DWORD exStyle, bool menu);
LRESULT DefNcHitTest(const Window& w, POINT screen);

// Whether a registered class's procedure is an A procedure; *known false when no class has it.
bool ClassProcIsAnsi(WNDPROC proc, bool* known);
void RegisterSystemClass(LPCWSTR name, WNDPROC proc, UINT style, int wndExtra, HBRUSH background, HCURSOR cursor);

// ---- dialogs (dialog.cpp) ----
bool IsDialogWindow(HWND hwnd);

// Message hooks of tests.
void RunMessageHooks(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Registers the standard control classes once.
void EnsureSystemClasses();
void RegisterControlClasses();

// ---- where top-level windows keep their pixels (window.cpp) ----
// From now on, a top-level window's surface takes its memory from `maker` (count of pixels;
// null where it has none, and the heap is used), or from the heap again when null. A display
// that reads the windows' pixels where they lie sets it; a surface made before keeps its
// memory until it changes size.
using PixelMemoryMaker = std::unique_ptr<nux::gdi::PixelMemory> (*)(size_t count);
void SetTopLevelPixelMemory(PixelMemoryMaker maker);

// ---- the terminal's progress line (terminal_progress.cpp) ----
void MirrorProgress(HWND bar, int pos, int low, int high);
void EndProgressLine(HWND bar);

// ---- top-level windows other processes see (window_table.cpp) ----
// Enters or refreshes a top-level window (class, title, user data) in the platform root's
// table of windows; withdraws it when it goes away.
void PublishWindow(HWND hwnd);
void WithdrawWindow(HWND hwnd);
struct RemoteWindow {
  DWORD process = 0;
  LONG_PTR userData = 0;
  std::u16string className;
  std::u16string title;
};
// Handles of the live top-level windows of other processes, in the table's order.
std::vector<HWND> RemoteWindows();
// What the table says of such a handle now; false when the handle is not one, or its window or
// process is gone.
bool FindRemoteWindow(HWND hwnd, RemoteWindow* out);

}  // namespace nux::ui::detail
