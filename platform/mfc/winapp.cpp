// CWinThread, CWinApp, worker threads, program start and the load-time start of the
// application objects of shared libraries.
#include "mfc/winapp.h"

#include <dlfcn.h>

#include <cstring>

#include "mfc/afxwin.h"
#include "res/modules.h"

IMPLEMENT_DYNAMIC(CWinThread, CCmdTarget)
IMPLEMENT_DYNAMIC(CWinApp, CWinThread)

BEGIN_MESSAGE_MAP(CWinApp, CWinThread)
END_MESSAGE_MAP()

namespace {

thread_local CWinThread* t_thread = nullptr;  // the worker object of this thread
thread_local MSG t_pumpMsg{};                 // what the last pump retrieved

// The string the class library reads an application's title from.
constexpr UINT kAppTitleId = 0xE000;  // AFX_IDS_APP_TITLE

CStringW ModuleStem(HINSTANCE module) {
  WCHAR path[1024];
  DWORD n = ::GetModuleFileNameW(module, path, 1024);
  std::u16string p(path, n);
  size_t slash = p.find_last_of(u"\\/");
  if (slash != std::u16string::npos) p.erase(0, slash + 1);
  // A shared library of ours, libX.so, stands for the Windows library X.dll.
  size_t so = p.find(u".so");
  if (p.size() > 6 && p.compare(0, 3, u"lib") == 0 && so != std::u16string::npos && so > 3 &&
      (so + 3 == p.size() || p[so + 3] == u'.'))
    return CStringW(p.substr(3, so - 3).c_str());
  size_t dot = p.find_last_of(u'.');
  if (dot != std::u16string::npos && dot > 0) p.erase(dot);
  return CStringW(p.c_str());
}

// Runs a library's application object when the library has been loaded.
BOOL AttachLibrary(HMODULE module) {
  AFX_MODULE_STATE* state = AfxFindModuleState(module);
  if (state == nullptr || !state->m_bDLL || state->m_pCurrentWinApp == nullptr || state->m_bInitDone) return TRUE;
  AFX_MAINTAIN_STATE2 guard(state);
  CWinApp* app = state->m_pCurrentWinApp;
  BOOL ok = FALSE;
  try {
    ok = app->InitInstance();
  } catch (CException* e) {
    e->Delete();
    ok = FALSE;
  }
  if (!ok) {
    app->ExitInstance();
    return FALSE;
  }
  state->m_bInitDone = TRUE;
  return TRUE;
}

void DetachLibrary(HMODULE module) {
  AFX_MODULE_STATE* state = AfxFindModuleState(module);
  if (state == nullptr || !state->m_bDLL || !state->m_bInitDone) return;
  state->m_bInitDone = FALSE;
  if (state->m_pCurrentWinApp == nullptr) return;
  AFX_MAINTAIN_STATE2 guard(state);
  state->m_pCurrentWinApp->ExitInstance();
}

struct RegisterLibraryHooks {
  RegisterLibraryHooks() { nux::res::SetLibraryHooks(&AttachLibrary, &DetachLibrary); }
} g_registerLibraryHooks;

}  // namespace

// ---- CWinThread --------------------------------------------------------------------------

CWinThread::CWinThread() : m_pModuleState(AfxGetModuleState()) {}

CWinThread::CWinThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam)
    : m_pfnThreadProc(pfnThreadProc), m_pThreadParams(pParam), m_pModuleState(AfxGetModuleState()) {}

CWinThread::~CWinThread() {
  if (m_hThread != nullptr) ::CloseHandle(m_hThread);
  if (t_thread == this) t_thread = nullptr;
}

DWORD CWinThread::ThreadEntry(LPVOID self) {
  auto* thread = static_cast<CWinThread*>(self);
  t_thread = thread;
  UINT code = 0;
  {
    AFX_MAINTAIN_STATE2 state(thread->m_pModuleState);
    if (thread->m_pfnThreadProc != nullptr) {
      code = thread->m_pfnThreadProc(thread->m_pThreadParams);
    } else if (thread->InitInstance()) {
      code = static_cast<UINT>(thread->Run());
    } else {
      code = static_cast<UINT>(thread->ExitInstance());
    }
  }
  CWnd::DeleteTempMap();
  t_thread = nullptr;
  thread->Delete();
  return code;
}

BOOL CWinThread::CreateThread(DWORD dwCreateFlags, UINT nStackSize, LPSECURITY_ATTRIBUTES lpSecurityAttrs) {
  DWORD id = 0;
  m_hThread = ::CreateThread(lpSecurityAttrs, nStackSize, &CWinThread::ThreadEntry, this, dwCreateFlags, &id);
  if (m_hThread == nullptr) return FALSE;
  m_nThreadID = id;
  return TRUE;
}

DWORD CWinThread::ResumeThread() { return ::ResumeThread(m_hThread); }
int CWinThread::GetThreadPriority() { return ::GetThreadPriority(m_hThread); }
BOOL CWinThread::SetThreadPriority(int nPriority) { return ::SetThreadPriority(m_hThread, nPriority); }

BOOL CWinThread::InitInstance() { return FALSE; }

int CWinThread::ExitInstance() {
  int code = static_cast<int>(m_msgCur.wParam);
  return code;
}

CWnd* CWinThread::GetMainWnd() { return m_pMainWnd; }

void CWinThread::Delete() {
  if (m_bAutoDelete) delete this;
}

BOOL CWinThread::IsIdleMessage(MSG* pMsg) { return AfxIsIdleMessage(pMsg); }

BOOL CWinThread::OnIdle(LONG lCount) {
  if (lCount <= 0) {
    // The temporary objects of the handlers that ran since the last idle time.
    CWnd::DeleteTempMap();
    nux::afx::DeleteTempGdiMaps();
  }
  return FALSE;
}

BOOL CWinThread::PreTranslateMessage(MSG* pMsg) {
  CWnd* pMainWnd = GetMainWnd();
  HWND stop = pMainWnd ? pMainWnd->m_hWnd : nullptr;
  if (CWnd::WalkPreTranslateTree(stop, pMsg)) return TRUE;
  // A message of a window outside the main window's tree still passes the main window.
  if (pMainWnd != nullptr && pMainWnd->m_hWnd != nullptr && pMsg->hwnd != nullptr &&
      pMsg->hwnd != pMainWnd->m_hWnd && !::IsChild(pMainWnd->m_hWnd, pMsg->hwnd) &&
      ::GetAncestor(pMsg->hwnd, GA_ROOTOWNER) != pMainWnd->m_hWnd)
    return pMainWnd->PreTranslateMessage(pMsg);
  return FALSE;
}

BOOL CWinThread::PumpMessage() {
  if (!::GetMessageW(&m_msgCur, nullptr, 0, 0)) {
    t_pumpMsg = m_msgCur;
    return FALSE;
  }
  t_pumpMsg = m_msgCur;
  if (m_msgCur.message != WM_KICKIDLE && !PreTranslateMessage(&m_msgCur)) {
    ::TranslateMessage(&m_msgCur);
    ::DispatchMessageW(&m_msgCur);
  }
  return TRUE;
}

int CWinThread::Run() {
  bool idle = true;
  LONG idleCount = 0;
  MSG peek;
  for (;;) {
    while (idle && !::PeekMessageW(&peek, nullptr, 0, 0, PM_NOREMOVE)) {
      if (!OnIdle(idleCount++)) idle = false;
    }
    do {
      if (!PumpMessage()) return ExitInstance();
      if (IsIdleMessage(&m_msgCur)) {
        idle = true;
        idleCount = 0;
      }
    } while (::PeekMessageW(&peek, nullptr, 0, 0, PM_NOREMOVE));
  }
}

CWinThread* AFXAPI AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam, int nPriority, UINT nStackSize,
                                  DWORD dwCreateFlags, LPSECURITY_ATTRIBUTES lpSecurityAttrs) {
  auto* thread = new CWinThread(pfnThreadProc, pParam);
  if (!thread->CreateThread(dwCreateFlags | CREATE_SUSPENDED, nStackSize, lpSecurityAttrs)) {
    delete thread;
    return nullptr;
  }
  thread->SetThreadPriority(nPriority);
  if (!(dwCreateFlags & CREATE_SUSPENDED)) thread->ResumeThread();
  return thread;
}

CWinThread* AFXAPI AfxGetThread() {
  if (t_thread != nullptr) return t_thread;
  return AfxGetApp();
}

const MSG* AFXAPI AfxGetCurrentPumpMessage() { return &t_pumpMsg; }

BOOL AFXAPI AfxPumpMessage() {
  if (CWinThread* thread = AfxGetThread()) {
    BOOL more = thread->PumpMessage();
    t_pumpMsg = thread->m_msgCur;
    return more;
  }
  MSG msg;
  if (!::GetMessageW(&msg, nullptr, 0, 0)) {
    t_pumpMsg = msg;
    return FALSE;
  }
  t_pumpMsg = msg;
  if (msg.message != WM_KICKIDLE && !CWnd::WalkPreTranslateTree(nullptr, &msg)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return TRUE;
}

BOOL AFXAPI AfxIsIdleMessage(MSG* pMsg) {
  static thread_local POINT lastPos{-1, -1};
  static thread_local UINT lastMouseMsg = 0;
  if (pMsg->message == WM_MOUSEMOVE || pMsg->message == WM_NCMOUSEMOVE) {
    // A mouse move to where the mouse already was does not end the idle time.
    if (pMsg->message == lastMouseMsg && pMsg->pt.x == lastPos.x && pMsg->pt.y == lastPos.y) return FALSE;
    lastPos = pMsg->pt;
    lastMouseMsg = pMsg->message;
    return TRUE;
  }
  return pMsg->message != WM_PAINT && pMsg->message != 0x0118 /* the caret's blink */;
}

// ---- CWinApp -----------------------------------------------------------------------------

void CWinApp::Construct(LPCWSTR lpszAppName) {
  if (lpszAppName != nullptr) m_pszAppName.Set(CStringW(lpszAppName));
  // The object belongs to the binary it lies in (a global of the program or of a library).
  AFX_MODULE_STATE* state = AfxModuleStateOfAddress(this);
  m_pModuleState = state;
  state->m_pCurrentWinApp = this;
  state->m_bInitDone = FALSE;
  m_hInstance = state->m_hCurrentInstanceHandle;
}

CWinApp::~CWinApp() {
  if (m_pModuleState != nullptr && m_pModuleState->m_pCurrentWinApp == this) m_pModuleState->m_pCurrentWinApp = nullptr;
}

BOOL CWinApp::InitApplication() { return TRUE; }

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return CWinThread::ExitInstance(); }

int CWinApp::Run() {
  if (m_pMainWnd == nullptr) ::PostQuitMessage(0);
  return CWinThread::Run();
}

int CWinApp::DoMessageBox(LPCWSTR lpszPrompt, UINT nType, UINT) {
  CWnd* main = GetMainWnd();
  HWND owner = (main != nullptr && main->m_hWnd != nullptr) ? main->m_hWnd : ::GetActiveWindow();
  CStringW caption = AfxGetAppNameW();
  return ::MessageBoxW(owner, lpszPrompt, caption, nType);
}

std::vector<std::u16string> CWinApp::SplitCommandLine(const std::u16string& line) {
  // Blanks separate parameters; double quotes group, and two backslashes before a quote stand
  // for one, as the system's own splitter does.
  std::vector<std::u16string> out;
  size_t i = 0, n = line.size();
  while (i < n) {
    while (i < n && (line[i] == u' ' || line[i] == u'\t')) ++i;
    if (i >= n) break;
    std::u16string param;
    bool quoted = false;
    while (i < n && (quoted || (line[i] != u' ' && line[i] != u'\t'))) {
      if (line[i] == u'\\') {
        size_t slashes = 0;
        while (i < n && line[i] == u'\\') ++slashes, ++i;
        if (i < n && line[i] == u'"') {
          param.append(slashes / 2, u'\\');
          if (slashes % 2) {
            param.push_back(u'"');
            ++i;
          }
        } else {
          param.append(slashes, u'\\');
        }
      } else if (line[i] == u'"') {
        quoted = !quoted;
        ++i;
      } else {
        param.push_back(line[i++]);
      }
    }
    out.push_back(param);
  }
  return out;
}

HCURSOR CWinApp::LoadCursor(UINT nIDResource) const {
  return ::LoadCursorW(AfxGetResourceHandle(), reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(nIDResource)));
}

HCURSOR CWinApp::LoadCursor(LPCWSTR lpszResourceName) const {
  return ::LoadCursorW(AfxGetResourceHandle(), lpszResourceName);
}

CStringW AFXAPI AfxGetAppNameW() {
  CWinApp* app = AfxGetApp();
  if (app == nullptr) return CStringW();
  if (app->m_pszAppName.IsEmpty()) {
    // Named from the module's title string, else from its file.
    CStringW title;
    if (title.LoadString(app->m_hInstance, kAppTitleId) && !title.IsEmpty())
      app->m_pszAppName.Set(title);
    else
      app->m_pszAppName.Set(ModuleStem(app->m_hInstance));
  }
  return app->m_pszAppName.w;
}

CStringA AFXAPI AfxGetAppNameA() { return CStringA(AfxGetAppNameW()); }

// ---- program start -----------------------------------------------------------------------

BOOL AFXAPI AfxWinInit(HINSTANCE hInstance, HINSTANCE, LPWSTR lpCmdLine, int nCmdShow) {
  CWinApp* app = AfxGetApp();
  if (app == nullptr) return FALSE;
  app->m_hInstance = hInstance;
  app->m_lpCmdLine.Set(CStringW(lpCmdLine ? lpCmdLine : u""));
  app->m_nCmdShow = nCmdShow;
  app->m_pszExeName.Set(ModuleStem(hInstance));
  app->m_msgCur = MSG{};
  return TRUE;
}

int AFXAPI AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow) {
  CWinApp* app = AfxGetApp();
  if (app == nullptr || !AfxWinInit(hInstance, hPrevInstance, lpCmdLine, nCmdShow) || !app->InitApplication())
    return -1;
  int code;
  if (!app->InitInstance()) {
    if (app->m_pMainWnd != nullptr && app->m_pMainWnd->m_hWnd != nullptr) app->m_pMainWnd->DestroyWindow();
    code = app->ExitInstance();
  } else {
    code = app->Run();
  }
  CWnd::DeleteTempMap();
  nux::afx::DeleteTempGdiMaps();
  return code;
}

int AFXAPI AfxWinMain(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  char self[4096];
  ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  std::string program = n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string(argc > 0 ? argv[0] : "");
  std::u16string line = nux::process::BuildCommandLine(program, args);
  nux::process::SetCommandLine(line);
  // The parameters are what follows the program's (quoted) name.
  std::u16string rest;
  size_t i = 0;
  if (!line.empty() && line[0] == u'"') {
    size_t close = line.find(u'"', 1);
    i = close == std::u16string::npos ? line.size() : close + 1;
  } else {
    i = line.find(u' ');
    if (i == std::u16string::npos) i = line.size();
  }
  while (i < line.size() && line[i] == u' ') ++i;
  rest = line.substr(i);
  return AfxWinMain(GetModuleHandleW(nullptr), nullptr, rest.data(), SW_SHOWNORMAL);
}

namespace nux::afx {

int DefaultMessageBox(LPCWSTR text, UINT type) {
  HWND owner = ::GetActiveWindow();
  return ::MessageBoxW(owner, text, nullptr, type);
}

}  // namespace nux::afx
