// Application objects: a program started through AfxWinMain, a shared library whose
// application object starts when it is loaded and ends when it is freed, and the module
// states that decide whose resources are read.
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "mfcwnd_fixture.h"
#include "test_support.h"

using namespace mfcwndtest;

namespace {

class CProgramApp : public CWinApp {
 public:
  bool initResult = true;
  bool ran = false;
  int exits = 0;
  CStringA fileName;
  CWnd main;

  BOOL InitInstance() override {
    CCommandLineInfo info;
    ParseCommandLine(info);
    fileName = info.m_strFileName;
    if (!initResult) return FALSE;
    if (!main.CreateEx(0, nullptr, "main", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr)) return FALSE;
    m_pMainWnd = &main;
    main.PostMessage(WM_CLOSE);
    return TRUE;
  }
  int Run() override {
    ran = true;
    return CWinApp::Run();
  }
  int ExitInstance() override {
    ++exits;
    CWinApp::ExitInstance();
    return 3;
  }
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

using TheAppFn = CWinApp* (*)();
using InstanceFn = HINSTANCE (*)();
using StringFn = void (*)(UINT, char16_t*, int);
using CreateDialogFn = HWND (*)(HWND);
using MessageBoxFn = int (*)();

std::string Call(StringFn fn, UINT id) {
  char16_t buffer[64] = {};
  fn(id, buffer, 64);
  return nux::WideToAnsi(buffer);
}

}  // namespace

class Applications : public MfcTest {};

TEST_F(Applications, WinMainRunsInitInstanceThenTheLoopUntilTheMainWindowCloses) {
  CProgramApp app;
  EXPECT_EQ(AfxGetApp(), &app);
  const char* argv[] = {"prog", "one", "two words"};
  EXPECT_EQ(AfxWinMain(3, const_cast<char**>(argv)), 3);
  EXPECT_TRUE(app.ran);
  EXPECT_EQ(app.exits, 1);
  EXPECT_STREQ(app.fileName, "one");
  EXPECT_STREQ(static_cast<LPCSTR>(app.m_lpCmdLine), "one \"two words\"");
  EXPECT_EQ(app.m_pMainWnd, nullptr);  // the main window went, and with it the slot
  EXPECT_EQ(app.main.m_hWnd, nullptr);
}

TEST_F(Applications, WinMainWithoutInitInstanceGoesStraightToExitInstance) {
  CProgramApp app;
  app.initResult = false;
  const char* argv[] = {"prog"};
  EXPECT_EQ(AfxWinMain(1, const_cast<char**>(argv)), 3);
  EXPECT_FALSE(app.ran);
  EXPECT_EQ(app.exits, 1);
  EXPECT_TRUE(app.fileName.IsEmpty());
}

TEST_F(Applications, MessageBoxesAreCaptionedWithTheApplicationName) {
  {
    CProgramApp app;
    nux::ui::QueueMessageBoxAnswer(IDYES);
    EXPECT_EQ(AfxMessageBox("question", MB_YESNO), IDYES);
    ASSERT_EQ(nux::ui::MessageBoxLog().size(), 1u);
    EXPECT_EQ(nux::WideToAnsi(nux::ui::MessageBoxLog()[0].caption), "test_mfcwnd");  // the module's name
  }
  EXPECT_EQ(AfxGetApp(), nullptr);
}

namespace {

struct WorkerShared {
  HWND target = nullptr;
  CWinThread* seenThread = nullptr;
};

UINT WorkerProc(LPVOID param) {
  auto* shared = static_cast<WorkerShared*>(param);
  shared->seenThread = AfxGetThread();
  ::PostMessageW(shared->target, WM_USER + 9, 42, 0);
  return 5;
}

}  // namespace

TEST_F(Applications, WorkerThreadRunsItsProcedureAndPostsToTheCreatorsWindow) {
  CProgramApp app;
  CWnd target;
  ASSERT_TRUE(target.CreateEx(0, nullptr, "target", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
  WorkerShared shared{target.m_hWnd, nullptr};
  CWinThread* thread = AfxBeginThread(&WorkerProc, &shared, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
  ASSERT_NE(thread, nullptr);
  thread->m_bAutoDelete = FALSE;  // the handle stays valid for the wait
  thread->ResumeThread();
  EXPECT_EQ(::WaitForSingleObject(thread->m_hThread, INFINITE), WAIT_OBJECT_0);
  DWORD code = 0;
  EXPECT_TRUE(::GetExitCodeThread(thread->m_hThread, &code));
  EXPECT_EQ(code, 5u);
  EXPECT_EQ(shared.seenThread, thread);
  EXPECT_EQ(AfxGetThread(), &app);  // this thread's object is the application
  delete thread;

  // The application's pump hands the posted message on, and reports WM_QUIT.
  MSG m;
  ASSERT_TRUE(::PeekMessageW(&m, target.m_hWnd, WM_USER + 9, WM_USER + 9, PM_NOREMOVE));
  EXPECT_TRUE(app.PumpMessage());
  EXPECT_EQ(app.m_msgCur.message, static_cast<UINT>(WM_USER + 9));
  EXPECT_EQ(app.m_msgCur.wParam, 42u);
  ::PostQuitMessage(0);
  EXPECT_FALSE(app.PumpMessage());
}

class Libraries : public MfcTest {
 protected:
  void SetUp() override {
    MfcTest::SetUp();
    log_ = dir_.path() + "/events.log";
    ::setenv("NUX_TESTLIB_LOG", log_.c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("NUX_TESTLIB_LOG");
    ::unsetenv("NUX_TESTLIB_INIT");
    MfcTest::TearDown();
  }
  HMODULE Load() { return LoadLibraryA(NUX_MFC_TESTLIB); }
  template <typename Fn>
  Fn Get(HMODULE lib, const char* name) {
    return reinterpret_cast<Fn>(GetProcAddress(lib, name));
  }
  std::string Events() const { return ReadAll(log_); }

  nuxtest::TempDir dir_;
  std::string log_;
};

TEST_F(Libraries, ApplicationObjectStartsAtLoadAndEndsAtTheLastFree) {
  HMODULE lib = Load();
  ASSERT_NE(lib, nullptr);
  EXPECT_EQ(Events(), "init\n");
  // A second reference neither starts nor ends it.
  HMODULE again = Load();
  EXPECT_EQ(again, lib);
  EXPECT_TRUE(FreeLibrary(again));
  EXPECT_EQ(Events(), "init\n");

  auto theApp = Get<TheAppFn>(lib, "TestLibTheApp");
  auto app = Get<TheAppFn>(lib, "TestLibApp");
  auto instance = Get<InstanceFn>(lib, "TestLibInstance");
  ASSERT_TRUE(theApp && app && instance);
  EXPECT_EQ(app(), theApp());
  EXPECT_EQ(instance(), lib);
  EXPECT_NE(AfxGetApp(), theApp());  // outside the library's state: not its application

  EXPECT_TRUE(FreeLibrary(lib));
  EXPECT_EQ(Events(), "init\nexit\n");
}

TEST_F(Libraries, InitInstanceFailingFailsTheLoadAndUnloadsTheLibrary) {
  ::setenv("NUX_TESTLIB_INIT", "0", 1);
  SetLastError(0);
  EXPECT_EQ(Load(), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DLL_INIT_FAILED));
  EXPECT_EQ(Events(), "init\nexit\n");
  // Loaded afresh, it starts again.
  ::setenv("NUX_TESTLIB_INIT", "1", 1);
  HMODULE lib = Load();
  ASSERT_NE(lib, nullptr);
  EXPECT_EQ(Events(), "init\nexit\ninit\n");
  EXPECT_TRUE(FreeLibrary(lib));
}

TEST_F(Libraries, ModuleStateSelectsTheLibrarysResourcesAlsoInItsWindows) {
  HMODULE lib = Load();
  ASSERT_NE(lib, nullptr);
  auto withState = Get<StringFn>(lib, "TestLibString");
  auto withoutState = Get<StringFn>(lib, "TestLibStringNoState");
  auto createDialog = Get<CreateDialogFn>(lib, "TestLibCreateDialog");
  auto box = Get<MessageBoxFn>(lib, "TestLibMessageBox");
  ASSERT_TRUE(withState && withoutState && createDialog && box);
  EXPECT_EQ(Call(withState, 1), "Library string");
  EXPECT_EQ(Call(withoutState, 1), "Program string");  // the caller's state: the program's
  CStringW mine;
  mine.LoadString(1);
  EXPECT_EQ(Narrow(mine), "Program string");  // the guard did not leak
  // The program may read another module's resources by setting its resource handle.
  AfxSetResourceHandle(lib);
  mine.LoadString(1);
  EXPECT_EQ(Narrow(mine), "Library string");
  AfxSetResourceHandle(GetModuleHandleW(nullptr));

  // The dialog template is the library's, and its handlers run in the library's state.
  HWND dlg = createDialog(nullptr);
  ASSERT_NE(dlg, nullptr);
  HWND label = ::GetDlgItem(dlg, 3001);
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(TextOf(label), "From the library");
  ::SetWindowTextW(label, u"");
  EXPECT_EQ(::SendMessageW(dlg, WM_USER + 7, 0, 0), 1);
  EXPECT_EQ(TextOf(label), "Library string");

  EXPECT_EQ(box(), IDOK);
  ASSERT_EQ(nux::ui::MessageBoxLog().size(), 1u);
  EXPECT_EQ(nux::WideToAnsi(nux::ui::MessageBoxLog()[0].caption), "mfctestlib");  // as its Windows name

  ::DestroyWindow(dlg);  // the dialog object deletes itself while its code is still loaded
  EXPECT_TRUE(FreeLibrary(lib));
}
