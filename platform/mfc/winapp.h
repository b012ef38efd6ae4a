// Threads and the application object.
//
// A program defines one global CWinApp-derived object and starts it from main:
//
//   CMyApp theApp;
//   int main(int argc, char** argv) { return AfxWinMain(argc, argv); }
//
// AfxWinMain sets the command line from argv, then runs InitInstance; when it returns TRUE,
// Run (the message loop, until WM_QUIT; destroying the main window posts it), else
// ExitInstance. Its result is the program's exit code.
//
// A shared library of ours defines a global CWinApp-derived object as well: when LoadLibrary
// loads the library, the object's InitInstance runs with the library's module state current;
// FALSE makes the load fail (NULL, ERROR_DLL_INIT_FAILED) after ExitInstance, and the library
// is unloaded again. The last FreeLibrary runs ExitInstance before the library goes. Inside the
// library, AfxGetApp() is that object once AFX_MANAGE_STATE(AfxGetStaticModuleState()) made
// the library's state current (and in the handlers of the library's windows).
#pragma once

#include <string>

#include "base/codepage.h"
#include "mfc/cmdtarget.h"
#include "mfc/cstring.h"
#include "mfc/modstate.h"
#include "process/process.h"
#include "ui/ui.h"

class CWnd;

// A text kept in both character sets, for members that the original offers as LPCTSTR.
struct AfxDualText {
  CStringW w;
  CStringA a;
  void Set(const CStringW& text) {
    w = text;
    a = CStringA(text);
  }
  operator LPCWSTR() const { return w; }
  operator LPCSTR() const { return a; }
  bool IsEmpty() const { return w.IsEmpty(); }
};

typedef UINT (*AFX_THREADPROC)(LPVOID);

class CWinThread : public CCmdTarget {
  DECLARE_DYNAMIC(CWinThread)

 public:
  CWinThread();
  CWinThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam);
  ~CWinThread() override;

  // Starts the thread (a worker when made with a thread procedure).
  BOOL CreateThread(DWORD dwCreateFlags = 0, UINT nStackSize = 0, LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);
  DWORD ResumeThread();
  int GetThreadPriority();
  BOOL SetThreadPriority(int nPriority);
  operator HANDLE() const { return m_hThread; }

  virtual BOOL InitInstance();
  virtual int ExitInstance();
  // The message loop: pumps until WM_QUIT, calling OnIdle while the queue is empty; returns
  // ExitInstance's result.
  virtual int Run();
  virtual BOOL PreTranslateMessage(MSG* pMsg);
  // Retrieves and dispatches one message (after PreTranslateMessage); FALSE on WM_QUIT.
  virtual BOOL PumpMessage();
  // Idle work; TRUE asks for more calls. Count 0 also frees the thread's temporary objects.
  virtual BOOL OnIdle(LONG lCount);
  virtual BOOL IsIdleMessage(MSG* pMsg);
  virtual CWnd* GetMainWnd();
  // Deletes the object when m_bAutoDelete is set (a worker that ended).
  virtual void Delete();

  CWnd* m_pMainWnd = nullptr;
  CWnd* m_pActiveWnd = nullptr;
  BOOL m_bAutoDelete = TRUE;
  HANDLE m_hThread = nullptr;
  DWORD m_nThreadID = 0;
  MSG m_msgCur{};
  AFX_THREADPROC m_pfnThreadProc = nullptr;
  LPVOID m_pThreadParams = nullptr;
  AFX_MODULE_STATE* m_pModuleState = nullptr;  // current on the thread it runs

 private:
  static DWORD ThreadEntry(LPVOID self);
};

// Starts a worker thread running pfnThreadProc(pParam). The object deletes itself (and closes
// its handle) when the procedure returns, unless m_bAutoDelete was cleared (start it with
// CREATE_SUSPENDED, clear the flag, then ResumeThread).
CWinThread* AFXAPI AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam, int nPriority = THREAD_PRIORITY_NORMAL,
                                  UINT nStackSize = 0, DWORD dwCreateFlags = 0,
                                  LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);
// The thread object of the calling thread: the worker's, else the current application.
CWinThread* AFXAPI AfxGetThread();
// One message through the current thread object's pump; FALSE on WM_QUIT.
BOOL AFXAPI AfxPumpMessage();
// The message the last pump retrieved on this thread.
const MSG* AFXAPI AfxGetCurrentPumpMessage();
// FALSE for messages that come too often to end an idle period (repeated mouse moves, paints).
BOOL AFXAPI AfxIsIdleMessage(MSG* pMsg);

// The command line split the usual way: switches begin with "-" or "/".
class CCommandLineInfo : public CObject {
 public:
  enum { FileNew, FileOpen, FilePrint, FilePrintTo, FileDDE, AppRegister, AppUnregister, FileNothing = -1 } m_nShellCommand = FileNew;
  BOOL m_bShowSplash = TRUE;
  BOOL m_bRunEmbedded = FALSE;
  BOOL m_bRunAutomated = FALSE;
  CString m_strFileName;
  CString m_strPrinterName;
  CString m_strDriverName;
  CString m_strPortName;

  ~CCommandLineInfo() override = default;
  // One parameter (without its "-" or "/" when bFlag); the first that is no switch is the file.
  virtual void ParseParam(const TCHAR* pszParam, BOOL bFlag, BOOL bLast) {
    (void)bLast;
    if (bFlag) {
      CString flag(pszParam);
      if (flag.CompareNoCase(_T("Embedding")) == 0) m_bRunEmbedded = TRUE, m_bShowSplash = FALSE;
      if (flag.CompareNoCase(_T("Automation")) == 0) m_bRunAutomated = TRUE, m_bShowSplash = FALSE;
      return;
    }
    if (m_strFileName.IsEmpty()) {
      m_strFileName = pszParam;
      if (m_nShellCommand == FileNew) m_nShellCommand = FileOpen;
    }
  }
};

class CWinApp : public CWinThread {
  DECLARE_DYNAMIC(CWinApp)

 public:
  // The name NULL: the module's string AFX_IDS_APP_TITLE, else its file name without extension.
#ifdef _UNICODE
  explicit CWinApp(LPCWSTR lpszAppName = nullptr) { Construct(lpszAppName); }
#else
  explicit CWinApp(LPCSTR lpszAppName = nullptr) { Construct(lpszAppName ? nux::AnsiToWide(lpszAppName).c_str() : nullptr); }
#endif
  ~CWinApp() override;

  BOOL InitInstance() override;
  int ExitInstance() override;
  // The message loop; with no main window it ends at once.
  int Run() override;
  virtual BOOL InitApplication();
  // What AfxMessageBox shows through: a box owned by the main (or active) window, captioned
  // with the application's name.
  virtual int DoMessageBox(LPCWSTR lpszPrompt, UINT nType, UINT nIDPrompt);

  // Splits the command line (m_lpCmdLine) into parameters for ParseParam.
  void ParseCommandLine(CCommandLineInfo& rCmdInfo) {
    std::u16string line(m_lpCmdLine.w.GetString());
    auto params = SplitCommandLine(line);
    for (size_t i = 0; i < params.size(); ++i) {
      std::u16string p = params[i];
      BOOL flag = !p.empty() && (p[0] == u'-' || p[0] == u'/');
      if (flag) p.erase(0, 1);
#ifdef _UNICODE
      rCmdInfo.ParseParam(p.c_str(), flag, i + 1 == params.size());
#else
      std::string a = nux::WideToAnsi(p);
      rCmdInfo.ParseParam(a.c_str(), flag, i + 1 == params.size());
#endif
    }
  }
  static std::vector<std::u16string> SplitCommandLine(const std::u16string& line);

  // Cursors: resource cursors of the current resource module, or the system's IDC_ cursors.
  HCURSOR LoadCursor(UINT nIDResource) const;
  HCURSOR LoadCursor(LPCWSTR lpszResourceName) const;
  HCURSOR LoadStandardCursor(LPCWSTR lpszCursorName) const { return ::LoadCursorW(nullptr, lpszCursorName); }
  // Icons: resource icons of the current resource module, or the system's IDI_ icons.
  HICON LoadIcon(UINT nIDResource) const { return ::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(nIDResource)); }
  HICON LoadIcon(LPCWSTR lpszResourceName) const { return ::LoadIconW(AfxGetResourceHandle(), lpszResourceName); }
  HICON LoadIcon(LPCSTR lpszResourceName) const { return ::LoadIconA(AfxGetResourceHandle(), lpszResourceName); }
  HICON LoadStandardIcon(LPCWSTR lpszIconName) const { return ::LoadIconW(nullptr, lpszIconName); }
  HCURSOR LoadOEMCursor(UINT nIDCursor) const {
    return ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(nIDCursor)));
  }

  HINSTANCE m_hInstance = nullptr;
  AfxDualText m_lpCmdLine;    // the command line after the program's name
  int m_nCmdShow = SW_SHOWNORMAL;
  AfxDualText m_pszAppName;   // see the constructor
  AfxDualText m_pszExeName;   // the module's file name without extension

 protected:
  DECLARE_MESSAGE_MAP()

 private:
  void Construct(LPCWSTR lpszAppName);
  friend int AFXAPI AfxWinMain(HINSTANCE, HINSTANCE, LPWSTR, int);
  friend BOOL AFXAPI AfxWinInit(HINSTANCE, HINSTANCE, LPWSTR, int);
};

// The current application's name ("" without one).
CStringW AFXAPI AfxGetAppNameW();
CStringA AFXAPI AfxGetAppNameA();
#ifdef _UNICODE
#define AfxGetAppName() static_cast<LPCWSTR>(AfxGetAppNameW())
#else
#define AfxGetAppName() static_cast<LPCSTR>(AfxGetAppNameA())
#endif

// Program start: see the top of this file. The argv form also makes the platform's command
// line (GetCommandLine) from argv.
BOOL AFXAPI AfxWinInit(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow);
int AFXAPI AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow);
int AFXAPI AfxWinMain(int argc, char** argv);

#include "com/olevariant.h"  // AfxEnableControlContainer, AfxOleInit

namespace nux::afx {
// The message box without an application object.
int DefaultMessageBox(LPCWSTR text, UINT type);
}  // namespace nux::afx
