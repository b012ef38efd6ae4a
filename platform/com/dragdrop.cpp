#include "com/dragdrop.h"

#include <map>
#include <mutex>
#include <string>

#include "base/wstr.h"
#include "memory/memory.h"
#include "ui/cursor.h"
#include "ui/window.h"

const IID IID_IDataObject = {0x0000010E, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IDropSource = {0x00000121, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IDropTarget = {0x00000122, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

namespace {

std::mutex& Mutex() {
  static std::mutex m;
  return m;
}

// Upper-cased name -> format number.
std::map<std::u16string, UINT>& Formats() {
  static std::map<std::u16string, UINT> f;
  return f;
}

std::map<HWND, IDropTarget*>& Targets() {
  static std::map<HWND, IDropTarget*> t;
  return t;
}

std::function<void()>& StartHook() {
  static std::function<void()> h;
  return h;
}

thread_local int t_dragDepth = 0;

std::u16string Upper(LPCWSTR s) {
  std::u16string u;
  for (; *s; ++s) u.push_back((*s >= u'a' && *s <= u'z') ? static_cast<char16_t>(*s - 32) : *s);
  return u;
}

// Drops registrations of windows that are gone; their targets are released.
void SweepDeadTargets() {
  std::vector<IDropTarget*> dead;
  {
    std::lock_guard<std::mutex> g(Mutex());
    for (auto it = Targets().begin(); it != Targets().end();) {
      if (!IsWindow(it->first)) {
        dead.push_back(it->second);
        it = Targets().erase(it);
      } else {
        ++it;
      }
    }
  }
  for (IDropTarget* t : dead) t->Release();
}

// The registered target of the window under the point or of its nearest ancestor that has one;
// the window that holds it in *owner. A reference is added for the caller.
IDropTarget* TargetAt(POINT pt, HWND* owner) {
  *owner = nullptr;
  for (HWND h = WindowFromPoint(pt); h; h = GetParent(h)) {
    std::lock_guard<std::mutex> g(Mutex());
    auto it = Targets().find(h);
    if (it != Targets().end()) {
      *owner = h;
      it->second->AddRef();
      return it->second;
    }
  }
  return nullptr;
}

DWORD KeyState() {
  DWORD s = 0;
  if (GetKeyState(VK_LBUTTON) & 0x8000) s |= MK_LBUTTON;
  if (GetKeyState(VK_RBUTTON) & 0x8000) s |= MK_RBUTTON;
  if (GetKeyState(VK_MBUTTON) & 0x8000) s |= MK_MBUTTON;
  if (GetKeyState(VK_SHIFT) & 0x8000) s |= MK_SHIFT;
  if (GetKeyState(VK_CONTROL) & 0x8000) s |= MK_CONTROL;
  return s;
}

HWND MakeTracker() {
  static const bool registered = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = u"NuxDragTracker";
    return RegisterClassW(&wc) != 0;
  }();
  (void)registered;
  return CreateWindowExW(0, u"NuxDragTracker", u"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
}

}  // namespace

UINT RegisterClipboardFormatW(LPCWSTR lpszFormat) {
  if (!lpszFormat || !*lpszFormat) return 0;
  std::lock_guard<std::mutex> g(Mutex());
  auto& f = Formats();
  std::u16string key = Upper(lpszFormat);
  auto it = f.find(key);
  if (it != f.end()) return it->second;
  if (f.size() >= 0x4000) return 0;
  UINT id = 0xC000 + static_cast<UINT>(f.size());
  f.emplace(key, id);
  return id;
}

void ReleaseStgMedium(LPSTGMEDIUM pMedium) {
  if (!pMedium) return;
  if (pMedium->pUnkForRelease) {
    pMedium->pUnkForRelease->Release();
  } else if (pMedium->tymed == TYMED_HGLOBAL && pMedium->hGlobal) {
    GlobalFree(pMedium->hGlobal);
  }
  pMedium->tymed = TYMED_NULL;
  pMedium->hGlobal = nullptr;
  pMedium->pUnkForRelease = nullptr;
}

HRESULT RegisterDragDrop(HWND hwnd, LPDROPTARGET pDropTarget) {
  if (!IsWindow(hwnd)) return DRAGDROP_E_INVALIDHWND;
  if (!pDropTarget) return E_INVALIDARG;
  SweepDeadTargets();
  std::lock_guard<std::mutex> g(Mutex());
  auto [it, added] = Targets().emplace(hwnd, pDropTarget);
  (void)it;
  if (!added) return DRAGDROP_E_ALREADYREGISTERED;
  pDropTarget->AddRef();
  return S_OK;
}

HRESULT RevokeDragDrop(HWND hwnd) {
  IDropTarget* t = nullptr;
  {
    std::lock_guard<std::mutex> g(Mutex());
    auto it = Targets().find(hwnd);
    if (it == Targets().end()) return DRAGDROP_E_NOTREGISTERED;
    t = it->second;
    Targets().erase(it);
  }
  t->Release();
  return S_OK;
}

HRESULT DoDragDrop(LPDATAOBJECT pDataObj, LPDROPSOURCE pDropSource, DWORD dwOKEffects, LPDWORD pdwEffect) {
  if (!pDataObj || !pDropSource || !pdwEffect) return E_INVALIDARG;
  *pdwEffect = DROPEFFECT_NONE;
  SweepDeadTargets();

  HWND tracker = MakeTracker();
  if (!tracker) return E_OUTOFMEMORY;
  SetCapture(tracker);
  ++t_dragDepth;

  IDropTarget* target = nullptr;
  HWND targetWnd = nullptr;
  DWORD effect = DROPEFFECT_NONE;
  HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
  HCURSOR no = LoadCursorW(nullptr, IDC_NO);

  auto feedback = [&](DWORD eff) {
    if (pDropSource->GiveFeedback(eff) == DRAGDROP_S_USEDEFAULTCURSORS) SetCursor(eff == DROPEFFECT_NONE ? no : arrow);
  };
  auto leave = [&] {
    if (target) {
      target->DragLeave();
      target->Release();
      target = nullptr;
      targetWnd = nullptr;
    }
  };
  // The target under the cursor and its answer for the current point.
  auto track = [&](POINT pt, DWORD keys) {
    HWND owner = nullptr;
    IDropTarget* now = TargetAt(pt, &owner);
    POINTL ptl{pt.x, pt.y};
    if (now && owner == targetWnd) {
      now->Release();
      effect = dwOKEffects;
      if (FAILED(target->DragOver(keys, ptl, &effect))) effect = DROPEFFECT_NONE;
    } else {
      leave();
      effect = DROPEFFECT_NONE;
      if (now) {
        target = now;
        targetWnd = owner;
        effect = dwOKEffects;
        if (FAILED(target->DragEnter(pDataObj, keys, ptl, &effect))) effect = DROPEFFECT_NONE;
      }
    }
    effect &= dwOKEffects | DROPEFFECT_SCROLL;
    feedback(effect & ~DROPEFFECT_SCROLL);
  };

  {
    std::function<void()> hook;
    {
      std::lock_guard<std::mutex> g(Mutex());
      hook = StartHook();
    }
    if (hook) hook();
  }

  POINT start{};
  GetCursorPos(&start);
  track(start, KeyState());

  HRESULT result = DRAGDROP_S_CANCEL;
  for (;;) {
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      WaitMessage();
      continue;
    }
    if (msg.message == WM_QUIT) {  // ends the drag; the quit goes back for the outer loop
      PostQuitMessage(static_cast<int>(msg.wParam));
      result = DRAGDROP_S_CANCEL;
      break;
    }
    const bool mouse = msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST;
    const bool key = msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST;
    if (!mouse && !key) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
      continue;
    }
    const BOOL escape = (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) ? TRUE : FALSE;
    const DWORD keys = KeyState();
    HRESULT go = pDropSource->QueryContinueDrag(escape, keys);
    if (go == DRAGDROP_S_DROP) {
      if (target && (effect & ~DROPEFFECT_SCROLL) != DROPEFFECT_NONE) {
        POINTL ptl{msg.pt.x, msg.pt.y};
        DWORD dropped = effect & ~DROPEFFECT_SCROLL;
        if (FAILED(target->Drop(pDataObj, keys, ptl, &dropped))) dropped = DROPEFFECT_NONE;
        target->Release();
        target = nullptr;
        *pdwEffect = dropped & dwOKEffects;
        result = DRAGDROP_S_DROP;
      } else {
        leave();
        result = DRAGDROP_S_CANCEL;
      }
      break;
    }
    if (go != S_OK) {
      leave();
      result = FAILED(go) ? go : DRAGDROP_S_CANCEL;
      break;
    }
    if (msg.message == WM_MOUSEMOVE) track(msg.pt, keys);
  }

  --t_dragDepth;
  if (GetCapture() == tracker) ReleaseCapture();
  DestroyWindow(tracker);
  SetCursor(arrow);
  return result;
}

namespace nux::com {

void SetDragLoopStartHook(std::function<void()> hook) {
  std::lock_guard<std::mutex> g(Mutex());
  StartHook() = std::move(hook);
}

bool InDragLoop() { return t_dragDepth > 0; }

}  // namespace nux::com
