// A shared library with an application object, loaded by the window-layer tests. Its
// InitInstance answers what NUX_TESTLIB_INIT says ("0": fail) and both InitInstance and
// ExitInstance append a line to the file NUX_TESTLIB_LOG names.
#include <cstdio>
#include <cstdlib>

#include "mfc/afxwin.h"

#define TESTLIB_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

void Log(const char* line) {
  const char* path = std::getenv("NUX_TESTLIB_LOG");
  if (path == nullptr) return;
  if (FILE* f = std::fopen(path, "a")) {
    std::fprintf(f, "%s\n", line);
    std::fclose(f);
  }
}

class CTestLibApp : public CWinApp {
 public:
  BOOL InitInstance() override {
    Log("init");
    const char* answer = std::getenv("NUX_TESTLIB_INIT");
    return !(answer != nullptr && answer[0] == '0');
  }
  int ExitInstance() override {
    Log("exit");
    return CWinApp::ExitInstance();
  }
};

CTestLibApp theApp;

// A dialog of the library that deletes itself; its handler reads a string without switching
// the module state itself.
class CLibDialog : public CDialog {
 public:
  CLibDialog() : CDialog(300, nullptr) {}

 protected:
  afx_msg LRESULT OnLoadText(WPARAM, LPARAM) {
    CStringW text;
    text.LoadString(1);
    SetDlgItemText(3001, static_cast<LPCWSTR>(text));
    return 1;
  }
  void PostNcDestroy() override { delete this; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CLibDialog, CDialog)
  ON_MESSAGE(WM_USER + 7, &CLibDialog::OnLoadText)
END_MESSAGE_MAP()

void CopyOut(const CStringW& text, char16_t* buffer, int size) {
  int n = text.GetLength() < size - 1 ? text.GetLength() : size - 1;
  for (int i = 0; i < n; ++i) buffer[i] = text[i];
  buffer[n] = 0;
}

}  // namespace

TESTLIB_EXPORT CWinApp* TestLibTheApp() { return &theApp; }

TESTLIB_EXPORT CWinApp* TestLibApp() {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  return AfxGetApp();
}

TESTLIB_EXPORT HINSTANCE TestLibInstance() {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  return AfxGetInstanceHandle();
}

TESTLIB_EXPORT void TestLibString(UINT id, char16_t* buffer, int size) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  CStringW text;
  text.LoadString(id);
  CopyOut(text, buffer, size);
}

TESTLIB_EXPORT void TestLibStringNoState(UINT id, char16_t* buffer, int size) {
  CStringW text;
  text.LoadString(id);
  CopyOut(text, buffer, size);
}

TESTLIB_EXPORT HWND TestLibCreateDialog(HWND parent) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  auto* dlg = new CLibDialog;
  if (!dlg->Create(300, CWnd::FromHandle(parent))) {
    delete dlg;
    return nullptr;
  }
  return dlg->m_hWnd;
}

TESTLIB_EXPORT int TestLibMessageBox() {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  return AfxMessageBox("from the library");
}
