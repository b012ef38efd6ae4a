// Messages and the per-thread queues: SendMessage (also across threads), PostMessage,
// GetMessage/PeekMessage with the order Windows retrieves in (sent messages, posted messages,
// WM_QUIT, input, WM_PAINT, WM_TIMER), DispatchMessage, TranslateMessage, and timers on the
// platform clock.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>

#include "base/codepage.h"
#include "base/errors.h"
#include "base/wstr.h"
#include "display/display.h"
#include "process/clock.h"
#include "process/process.h"
#include "ui/wm_internal.h"

#ifndef ERROR_INVALID_THREAD_ID
#define ERROR_INVALID_THREAD_ID 1444L
#endif

namespace nux::ui::detail {
namespace {

// A message number beyond the 16-bit range, so no window ever sees it: runs a closure.
constexpr UINT kRunClosure = 0x00C0DE01u;

std::mutex& QueuesMutex() {
  static auto* m = new std::mutex();
  return *m;
}
std::map<DWORD, std::shared_ptr<ThreadQueue>>& Queues() {
  static auto* q = new std::map<DWORD, std::shared_ptr<ThreadQueue>>();
  return *q;
}

std::mutex& ClosureMutex() {
  static auto* m = new std::mutex();
  return *m;
}
std::map<LPARAM, std::function<void()>>& Closures() {
  static auto* c = new std::map<LPARAM, std::function<void()>>();
  return *c;
}
LPARAM g_nextClosure = 1;

std::mutex& HookMutex() {
  static auto* m = new std::mutex();
  return *m;
}
std::vector<std::pair<int, std::function<void(HWND, UINT, WPARAM, LPARAM)>>>& Hooks() {
  static auto* h = new std::vector<std::pair<int, std::function<void(HWND, UINT, WPARAM, LPARAM)>>>();
  return *h;
}
int g_nextHook = 1;
std::atomic<bool> g_haveHooks{false};

std::mutex& AtomMutex() {
  static auto* m = new std::mutex();
  return *m;
}
std::map<std::u16string, UINT>& MessageAtoms() {
  static auto* a = new std::map<std::u16string, UINT>();
  return *a;
}

bool InFilter(UINT msg, UINT min, UINT max) {
  if (min == 0 && max == 0) return true;
  return msg >= min && msg <= max;
}

// The windows a GetMessage/PeekMessage filter admits: the window and its descendants. Taken
// before the queue's lock, so the queue lock is never held while the window table is locked.
struct WindowFilter {
  HWND filter = nullptr;
  std::vector<HWND> admitted;
  explicit WindowFilter(HWND f) : filter(f) {
    if (!f || f == reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1))) return;
    admitted.push_back(f);
    for (size_t i = 0; i < admitted.size(); ++i) {
      auto w = Find(admitted[i]);
      if (!w) continue;
      Lock lock(Mutex());
      admitted.insert(admitted.end(), w->children.begin(), w->children.end());
    }
  }
  bool Matches(HWND target) const {
    if (!filter) return true;
    if (filter == reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1))) return target == nullptr;
    return std::find(admitted.begin(), admitted.end(), target) != admitted.end();
  }
};

MSG MakeMsg(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  MSG m{};
  m.hwnd = hwnd;
  m.message = msg;
  m.wParam = wParam;
  m.lParam = lParam;
  m.time = GetTickCount();
  m.pt = CurrentCursorPos();
  return m;
}

WPARAM AnsiCharToWide(WPARAM w) {
  std::u16string s = nux::AnsiToWide(std::string(1, static_cast<char>(w & 0xFF)));
  return s.empty() ? 0 : s[0];
}
WPARAM WideCharToAnsi(WPARAM w) {
  std::string s = nux::WideToAnsi(std::u16string(1, static_cast<char16_t>(w)));
  return s.empty() ? 0 : static_cast<unsigned char>(s[0]);
}

bool PostTo(DWORD thread, const MSG& m) {
  auto q = QueueFor(thread, false);
  if (!q) return false;
  {
    std::lock_guard<std::mutex> g(q->m);
    q->posted.push_back(m);
    ++q->wake;
  }
  q->cv.notify_all();
  return true;
}

// Retrieves the next message for the calling thread. `wait`: block until one comes.
bool NextMessage(MSG* out, HWND filter, UINT min, UINT max, UINT remove, bool wait) {
  auto q = CurrentQueue();
  for (;;) {
    ProcessSentMessages();
    nux::display::Sync();
    RouteRawInput();
    WindowFilter admit(filter);
    unsigned seen;
    {
      std::unique_lock<std::mutex> lock(q->m);
      seen = q->wake;
      for (auto it = q->posted.begin(); it != q->posted.end(); ++it) {
        if (InFilter(it->message, min, max) && (it->message == kRunClosure || admit.Matches(it->hwnd))) {
          *out = *it;
          if (remove & PM_REMOVE) q->posted.erase(it);
          q->last = *out;
          return true;
        }
      }
      if (q->quit && (filter == nullptr) && InFilter(WM_QUIT, min, max)) {
        *out = MakeMsg(nullptr, WM_QUIT, static_cast<WPARAM>(q->quitCode), 0);
        if (remove & PM_REMOVE) q->quit = false;
        return true;
      }
      for (auto it = q->input.begin(); it != q->input.end(); ++it) {
        if (InFilter(it->message, min, max) && admit.Matches(it->hwnd)) {
          *out = *it;
          if (remove & PM_REMOVE) {
            q->input.erase(it);
            UpdateKeyStateFromMessage(*q, *out);
          }
          q->last = *out;
          return true;
        }
      }
    }
    if (InFilter(WM_PAINT, min, max)) {
      if (HWND p = FindPaintWindow(filter)) {
        *out = MakeMsg(p, WM_PAINT, 0, 0);
        return true;
      }
    }
    ULONGLONG nextDue = nux::clock::kNoDeadline;
    {
      std::unique_lock<std::mutex> lock(q->m);
      if (InFilter(WM_TIMER, min, max)) {
        ULONGLONG now = nux::clock::NowMs();
        Timer* best = nullptr;
        for (auto& t : q->timers) {
          if (!admit.Matches(t.hwnd)) continue;
          if (t.due <= now && (!best || t.due < best->due)) best = &t;
          nextDue = std::min(nextDue, t.due);
        }
        if (best) {
          *out = MakeMsg(best->hwnd, WM_TIMER, best->id, reinterpret_cast<LPARAM>(best->proc));
          if (remove & PM_REMOVE) best->due = now + best->interval;
          q->last = *out;
          return true;
        }
      }
      if (!wait) return false;
      // With a screen, the wait is cut short to look at the display's events again.
      if (nux::display::Active()) nextDue = std::min(nextDue, nux::clock::NowMs() + nux::display::kPollMs);
      nux::clock::WaitUntil(lock, q->cv, nextDue, [&] { return q->wake != seen || !q->sent.empty(); });
    }
  }
}

}  // namespace

std::shared_ptr<ThreadQueue> QueueFor(DWORD thread, bool create) {
  std::lock_guard<std::mutex> g(QueuesMutex());
  auto it = Queues().find(thread);
  if (it != Queues().end()) return it->second;
  if (!create) return nullptr;
  auto q = std::make_shared<ThreadQueue>();
  q->thread = thread;
  Queues()[thread] = q;
  return q;
}

namespace {
// Forgets a thread's queue when the thread ends, so a later thread that gets the same id
// starts with an empty queue.
struct QueueOwner {
  std::shared_ptr<ThreadQueue> queue;
  ~QueueOwner() {
    if (!queue) return;
    std::lock_guard<std::mutex> g(QueuesMutex());
    auto it = Queues().find(queue->thread);
    if (it != Queues().end() && it->second == queue) Queues().erase(it);
  }
};
}  // namespace

std::shared_ptr<ThreadQueue> CurrentQueue() {
  thread_local QueueOwner mine;
  if (!mine.queue) mine.queue = QueueFor(GetCurrentThreadId(), true);
  return mine.queue;
}

void WakeThread(DWORD thread) {
  auto q = QueueFor(thread, false);
  if (!q) return;
  {
    std::lock_guard<std::mutex> g(q->m);
    ++q->wake;
  }
  q->cv.notify_all();
}

void WakeAll() {
  std::vector<std::shared_ptr<ThreadQueue>> all;
  {
    std::lock_guard<std::mutex> g(QueuesMutex());
    for (auto& [t, q] : Queues()) all.push_back(q);
  }
  for (auto& q : all) {
    {
      std::lock_guard<std::mutex> g(q->m);
      ++q->wake;
    }
    q->cv.notify_all();
  }
}

bool ProcessSentMessages() {
  auto q = CurrentQueue();
  bool any = false;
  for (;;) {
    std::shared_ptr<SentMessage> sm;
    {
      std::lock_guard<std::mutex> g(q->m);
      if (q->sent.empty()) return any;
      sm = q->sent.front();
      q->sent.pop_front();
      q->receiving.push_back(sm);
    }
    any = true;
    LRESULT r = IsWindow(sm->hwnd) ? CallProc(sm->hwnd, sm->msg, sm->wParam, sm->lParam, sm->ansi) : 0;
    {
      std::lock_guard<std::mutex> g(q->m);
      q->receiving.pop_back();
    }
    if (sm->sender && !sm->replied) {
      {
        std::lock_guard<std::mutex> g(sm->sender->m);
        sm->result = r;
        sm->done = true;
        ++sm->sender->wake;
      }
      sm->sender->cv.notify_all();
    }
  }
}

void ForgetWindowMessages(DWORD thread, HWND hwnd) {
  auto q = QueueFor(thread, false);
  if (!q) return;
  std::lock_guard<std::mutex> g(q->m);
  auto drop = [hwnd](const MSG& m) { return m.hwnd == hwnd; };
  q->posted.erase(std::remove_if(q->posted.begin(), q->posted.end(), drop), q->posted.end());
  q->input.erase(std::remove_if(q->input.begin(), q->input.end(), drop), q->input.end());
  q->timers.erase(std::remove_if(q->timers.begin(), q->timers.end(), [hwnd](const Timer& t) { return t.hwnd == hwnd; }),
                  q->timers.end());
}

void RunOnWindowThread(HWND hwnd, std::function<void()> fn) {
  auto w = Find(hwnd);
  if (!w) return;
  if (w->thread == GetCurrentThreadId()) {
    fn();
    return;
  }
  LPARAM id;
  {
    std::lock_guard<std::mutex> g(ClosureMutex());
    id = g_nextClosure++;
    Closures()[id] = std::move(fn);
  }
  PostTo(w->thread, MakeMsg(hwnd, kRunClosure, 0, id));
}

void RunMessageHooks(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!g_haveHooks.load()) return;
  std::vector<std::function<void(HWND, UINT, WPARAM, LPARAM)>> fns;
  {
    std::lock_guard<std::mutex> g(HookMutex());
    for (auto& [id, fn] : Hooks()) fns.push_back(fn);
  }
  for (auto& fn : fns) fn(hwnd, msg, wParam, lParam);
}

LRESULT Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool argsAnsi) {
  auto w = Find(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (w->thread == GetCurrentThreadId()) return CallProc(hwnd, msg, wParam, lParam, argsAnsi);
  // A window whose thread has ended has nobody to answer.
  auto target = QueueFor(w->thread, false);
  if (!target) return 0;
  auto me = CurrentQueue();
  auto sm = std::make_shared<SentMessage>();
  sm->hwnd = hwnd;
  sm->msg = msg;
  sm->wParam = wParam;
  sm->lParam = lParam;
  sm->ansi = argsAnsi;
  sm->sender = me;
  {
    std::lock_guard<std::mutex> g(target->m);
    target->sent.push_back(sm);
    ++target->wake;
  }
  target->cv.notify_all();
  for (;;) {
    ProcessSentMessages();
    std::unique_lock<std::mutex> lock(me->m);
    if (sm->done) return sm->result;
    nux::clock::WaitUntil(lock, me->cv, nux::clock::kNoDeadline, [&] { return sm->done || !me->sent.empty(); });
    if (sm->done) return sm->result;
  }
}

}  // namespace nux::ui::detail

using namespace nux::ui::detail;

LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (hwnd == HWND_BROADCAST) {
    std::vector<HWND> tops;
    {
      Lock lock(Mutex());
      tops = TopLevel();
    }
    for (HWND h : tops) Send(h, msg, wParam, lParam);
    return 0;
  }
  return Send(hwnd, msg, wParam, lParam, false);
}

LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) { return Send(hwnd, msg, wParam, lParam, true); }

LRESULT SendMessageTimeoutW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT, UINT timeout, DWORD_PTR* result) {
  auto w = Find(hwnd);
  if (!w) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), 0;
  if (w->thread == GetCurrentThreadId()) {
    LRESULT r = CallProc(hwnd, msg, wParam, lParam, false);
    if (result) *result = static_cast<DWORD_PTR>(r);
    return 1;
  }
  auto target = QueueFor(w->thread, true);
  auto me = CurrentQueue();
  auto sm = std::make_shared<SentMessage>();
  sm->hwnd = hwnd;
  sm->msg = msg;
  sm->wParam = wParam;
  sm->lParam = lParam;
  sm->sender = me;
  {
    std::lock_guard<std::mutex> g(target->m);
    target->sent.push_back(sm);
    ++target->wake;
  }
  target->cv.notify_all();
  ULONGLONG deadline = nux::clock::DeadlineAfter(timeout);
  for (;;) {
    ProcessSentMessages();
    std::unique_lock<std::mutex> lock(me->m);
    if (sm->done) break;
    bool ok = nux::clock::WaitUntil(lock, me->cv, deadline, [&] { return sm->done || !me->sent.empty(); });
    if (sm->done) break;
    if (!ok) {
      // Too late: the receiver may still run it, but nobody waits for the answer any more.
      sm->replied = true;
      SetLastError(ERROR_TIMEOUT);
      return 0;
    }
  }
  if (result) *result = static_cast<DWORD_PTR>(sm->result);
  return 1;
}

BOOL SendNotifyMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto w = Find(hwnd);
  if (!w) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), FALSE;
  if (w->thread == GetCurrentThreadId()) {
    CallProc(hwnd, msg, wParam, lParam, false);
    return TRUE;
  }
  auto target = QueueFor(w->thread, true);
  auto sm = std::make_shared<SentMessage>();
  sm->hwnd = hwnd;
  sm->msg = msg;
  sm->wParam = wParam;
  sm->lParam = lParam;
  sm->notify = true;
  {
    std::lock_guard<std::mutex> g(target->m);
    target->sent.push_back(sm);
    ++target->wake;
  }
  target->cv.notify_all();
  return TRUE;
}

BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!hwnd) return PostThreadMessageW(GetCurrentThreadId(), msg, wParam, lParam);
  if (hwnd == HWND_BROADCAST) {
    std::vector<HWND> tops;
    {
      Lock lock(Mutex());
      tops = TopLevel();
    }
    for (HWND h : tops) PostMessageW(h, msg, wParam, lParam);
    return TRUE;
  }
  auto w = Find(hwnd);
  if (!w) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), FALSE;
  QueueFor(w->thread, true);
  return PostTo(w->thread, MakeMsg(hwnd, msg, wParam, lParam)) ? TRUE : FALSE;
}

BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CHAR || msg == WM_SYSCHAR) wParam = AnsiCharToWide(wParam);
  return PostMessageW(hwnd, msg, wParam, lParam);
}

BOOL PostThreadMessageW(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (threadId == GetCurrentThreadId()) CurrentQueue();
  if (!PostTo(threadId, MakeMsg(nullptr, msg, wParam, lParam))) return SetLastError(ERROR_INVALID_THREAD_ID), FALSE;
  return TRUE;
}

BOOL PostThreadMessageA(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CHAR) wParam = AnsiCharToWide(wParam);
  return PostThreadMessageW(threadId, msg, wParam, lParam);
}

void PostQuitMessage(int exitCode) {
  auto q = CurrentQueue();
  {
    std::lock_guard<std::mutex> g(q->m);
    q->quit = true;
    q->quitCode = exitCode;
    ++q->wake;
  }
  q->cv.notify_all();
}

BOOL GetMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  if (!msg) return -1;
  if (hwnd && hwnd != reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1)) && !IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return -1;
  }
  NextMessage(msg, hwnd, filterMin, filterMax, PM_REMOVE, true);
  return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  BOOL r = GetMessageW(msg, hwnd, filterMin, filterMax);
  if (r > 0 && (msg->message == WM_CHAR || msg->message == WM_SYSCHAR)) msg->wParam = WideCharToAnsi(msg->wParam);
  return r;
}

BOOL PeekMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
  if (!msg) return FALSE;
  return NextMessage(msg, hwnd, filterMin, filterMax, removeFlags, false) ? TRUE : FALSE;
}

BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
  BOOL r = PeekMessageW(msg, hwnd, filterMin, filterMax, removeFlags);
  if (r && (msg->message == WM_CHAR || msg->message == WM_SYSCHAR)) msg->wParam = WideCharToAnsi(msg->wParam);
  return r;
}

namespace {
LRESULT Dispatch(const MSG* msg, bool ansi) {
  if (!msg) return 0;
  if (msg->message == kRunClosure) {
    std::function<void()> fn;
    {
      std::lock_guard<std::mutex> g(ClosureMutex());
      auto it = Closures().find(msg->lParam);
      if (it == Closures().end()) return 0;
      fn = std::move(it->second);
      Closures().erase(it);
    }
    fn();
    return 0;
  }
  if (msg->message == WM_TIMER && msg->lParam) {
    auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
    proc(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
    return 0;
  }
  if (!msg->hwnd) return 0;
  if (!IsWindow(msg->hwnd)) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), 0;
  if (msg->message == WM_PAINT) {
    // The window must be on this thread; a paint the procedure leaves alone stays pending.
    auto w = Find(msg->hwnd);
    if (w) {
      Lock lock(Mutex());
      w->internalPaint = false;
    }
  }
  return CallProc(msg->hwnd, msg->message, msg->wParam, msg->lParam, ansi);
}
}  // namespace

LRESULT DispatchMessageW(const MSG* msg) { return Dispatch(msg, false); }
LRESULT DispatchMessageA(const MSG* msg) { return Dispatch(msg, true); }

BOOL TranslateMessage(const MSG* msg) {
  if (!msg) return FALSE;
  if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN) {
    return (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST) ? TRUE : FALSE;
  }
  UINT vk = static_cast<UINT>(msg->wParam);
  bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
  bool caps = (GetKeyState(VK_CAPITAL) & 1) != 0;
  bool ctrl = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
  WPARAM ch = 0;
  bool typed = false;
  {
    auto q = CurrentQueue();
    std::lock_guard<std::mutex> g(q->m);
    if (auto it = q->typed.find(static_cast<BYTE>(vk)); it != q->typed.end()) {
      ch = it->second;
      typed = true;
      q->typed.erase(it);
    }
  }
  if (typed) {
    // The desktop's layout said what the key typed.
  } else if (vk >= 'A' && vk <= 'Z') {
    if (ctrl)
      ch = vk - 'A' + 1;
    else
      ch = (shift != caps) ? vk : vk + 32;
  } else if (vk >= '0' && vk <= '9') {
    ch = vk;
  } else if (vk == VK_SPACE) {
    ch = u' ';
  } else if (vk == VK_RETURN) {
    ch = u'\r';
  } else if (vk == VK_ESCAPE) {
    ch = 0x1B;
  } else if (vk == VK_BACK) {
    ch = 0x08;
  } else if (vk == VK_TAB) {
    ch = u'\t';
  }
  if (ch) {
    auto q = CurrentQueue();
    MSG m = *msg;
    m.message = msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
    m.wParam = ch;
    std::lock_guard<std::mutex> g(q->m);
    // The character comes before anything posted later, as Windows puts it at the front.
    q->posted.push_front(m);
    ++q->wake;
  }
  return TRUE;
}

BOOL WaitMessage() {
  auto q = CurrentQueue();
  MSG m;
  for (;;) {
    if (NextMessage(&m, nullptr, 0, 0, PM_NOREMOVE, false)) return TRUE;
    std::unique_lock<std::mutex> lock(q->m);
    unsigned seen = q->wake;
    ULONGLONG nextDue = nux::clock::kNoDeadline;
    for (auto& t : q->timers) nextDue = std::min(nextDue, t.due);
    // With a screen, the display's events are looked at again after a short while; a wait
    // that ends so without a message goes on waiting.
    bool screen = nux::display::Active();
    if (screen) nextDue = std::min(nextDue, nux::clock::NowMs() + nux::display::kPollMs);
    bool woken = nux::clock::WaitUntil(lock, q->cv, nextDue, [&] { return q->wake != seen || !q->sent.empty(); });
    if (!screen || woken) return TRUE;
  }
}

DWORD GetQueueStatus(UINT flags) {
  auto q = CurrentQueue();
  DWORD s = 0;
  {
    std::lock_guard<std::mutex> g(q->m);
    if (!q->posted.empty()) s |= QS_POSTMESSAGE;
    if (!q->sent.empty()) s |= QS_SENDMESSAGE;
    for (auto& m : q->input) s |= (m.message >= WM_KEYFIRST && m.message <= WM_KEYLAST) ? QS_KEY : QS_MOUSEBUTTON;
    ULONGLONG now = nux::clock::NowMs();
    for (auto& t : q->timers)
      if (t.due <= now) s |= QS_TIMER;
  }
  if (FindPaintWindow(nullptr)) s |= QS_PAINT;
  s &= flags;
  return MAKELONG(s, s);
}

BOOL InSendMessage() {
  auto q = CurrentQueue();
  std::lock_guard<std::mutex> g(q->m);
  return q->receiving.empty() ? FALSE : TRUE;
}

BOOL ReplyMessage(LRESULT result) {
  auto q = CurrentQueue();
  std::shared_ptr<SentMessage> sm;
  {
    std::lock_guard<std::mutex> g(q->m);
    if (q->receiving.empty()) return FALSE;
    sm = q->receiving.back();
  }
  if (!sm->sender || sm->replied) return FALSE;
  {
    std::lock_guard<std::mutex> g(sm->sender->m);
    sm->result = result;
    sm->done = true;
    sm->replied = true;
    ++sm->sender->wake;
  }
  sm->sender->cv.notify_all();
  return TRUE;
}

DWORD GetMessagePos() {
  auto q = CurrentQueue();
  std::lock_guard<std::mutex> g(q->m);
  return MAKELONG(static_cast<WORD>(q->last.pt.x), static_cast<WORD>(q->last.pt.y));
}

LONG GetMessageTime() {
  auto q = CurrentQueue();
  std::lock_guard<std::mutex> g(q->m);
  return static_cast<LONG>(q->last.time);
}

UINT RegisterWindowMessageW(LPCWSTR name) {
  if (!name || !*name) return SetLastError(ERROR_INVALID_PARAMETER), 0;
  std::u16string key(name);
  for (auto& c : key) c = nux::UpperAscii(c);
  std::lock_guard<std::mutex> g(AtomMutex());
  auto it = MessageAtoms().find(key);
  if (it != MessageAtoms().end()) return it->second;
  UINT id = 0xC000 + static_cast<UINT>(MessageAtoms().size());
  MessageAtoms()[key] = id;
  return id;
}

UINT RegisterWindowMessageA(LPCSTR name) {
  if (!name) return SetLastError(ERROR_INVALID_PARAMETER), 0;
  std::u16string w = nux::AnsiToWide(name);
  return RegisterWindowMessageW(w.c_str());
}

// ---- timers --------------------------------------------------------------------------------
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  DWORD thread = GetCurrentThreadId();
  if (hwnd) {
    auto w = Find(hwnd);
    if (!w) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), 0;
    thread = w->thread;
  }
  auto q = QueueFor(thread, true);
  UINT interval = std::max<UINT>(elapse, USER_TIMER_MINIMUM);
  if (interval > 0x7FFFFFFF) interval = 0x7FFFFFFF;
  ULONGLONG due = nux::clock::NowMs() + interval;
  {
    std::lock_guard<std::mutex> g(q->m);
    if (!hwnd) {
      // Thread timers get a fresh id unless an existing one is named.
      bool found = false;
      for (auto& t : q->timers)
        if (!t.hwnd && t.id == id && id != 0) found = true;
      if (!found) {
        static UINT_PTR next = 1;
        id = next++;
      }
    }
    bool replaced = false;
    for (auto& t : q->timers) {
      if (t.hwnd == hwnd && t.id == id) {
        t.interval = interval;
        t.due = due;
        t.proc = proc;
        replaced = true;
      }
    }
    if (!replaced) q->timers.push_back(Timer{hwnd, id, interval, due, proc});
    ++q->wake;
  }
  q->cv.notify_all();
  return hwnd ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  DWORD thread = GetCurrentThreadId();
  if (hwnd) {
    auto w = Find(hwnd);
    if (!w) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), FALSE;
    thread = w->thread;
  }
  auto q = QueueFor(thread, false);
  if (!q) return FALSE;
  std::lock_guard<std::mutex> g(q->m);
  auto before = q->timers.size();
  q->timers.erase(std::remove_if(q->timers.begin(), q->timers.end(),
                                 [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; }),
                  q->timers.end());
  return q->timers.size() != before ? TRUE : FALSE;
}

namespace nux::ui {

int AddMessageHook(std::function<void(HWND, UINT, WPARAM, LPARAM)> fn) {
  std::lock_guard<std::mutex> g(HookMutex());
  int id = g_nextHook++;
  Hooks().emplace_back(id, std::move(fn));
  g_haveHooks = true;
  return id;
}

void RemoveMessageHook(int id) {
  std::lock_guard<std::mutex> g(HookMutex());
  auto& h = Hooks();
  h.erase(std::remove_if(h.begin(), h.end(), [id](auto& p) { return p.first == id; }), h.end());
  g_haveHooks = !h.empty();
}

}  // namespace nux::ui
