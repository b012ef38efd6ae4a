// The update program: the application object shows the hidden dialog, whose worker thread runs
// the update and talks to it only by posted messages; the dialog appears with the first progress
// message and cannot be closed until the worker has finished. The built program runs an update
// end to end.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <thread>

#include "HttpConnection.h"
#include "Sv7UpdateAppApp.h"
#include "Sv7UpdateAppDlg.h"
#include "UpdateFlags.h"
#include "base/codepage.h"
#include "http_server.h"
#include "process/process.h"
#include "testing/testing.h"
#include "updater_support.h"

using updatertest::DebugCapture;
using updatertest::HttpServer;
using updatertest::SampleHost;

namespace {

const char kHostExe[] = "C:\\Starvane7\\Starvane7.exe";
const char kCaption[] = "Starvane Update";

// Whether the dialog was visible when the progress messages were posted.
std::mutex g_postLock;
std::vector<bool> g_visibleWhenPosted;
void WatchingPoster(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  {
    std::lock_guard<std::mutex> guard(g_postLock);
    g_visibleWhenPosted.push_back(::IsWindowVisible(window) != FALSE);
  }
  ::PostMessageA(window, message, wParam, lParam);
}

// What the downloaded programs saw of the dialog while they ran.
struct ProgramView {
  std::string program;
  bool dialogVisible = false;
  std::string status;
  std::string percent;
  bool stillOpenAfterClosing = false;
};

class UpdateAppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    nux::testing::ResetUi();
    nux::ui::SetMessageBoxTerminal(false);
    nux::ui::ClearMessageBoxLog();
    nux::ui::ClearMessageBoxAnswers();
    host.InstallStandardHost();
    host.Write("Run/keep", "");
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\Run"));
    server.Set("/updates/tool.exe", "MZ tool");
    server.Set("/updates/readme.txt", "just text");
    server.Set("/updates/setup.exe", "MZ setup");
    server.Set("/updates/list.txt", "7.0.1.25.2.705\ntool.exe\nreadme.txt\nsetup.exe\n}\n");
    g_visibleWhenPosted.clear();
    SetProgressPoster(WatchingPoster);
  }
  void TearDown() override {
    SetProgressPoster(nullptr);
    nux::process::ResetWindowsProgramRunner();
    nux::ui::ClearMessageBoxAnswers();
    nux::testing::ResetUi();
    MSG m;
    while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
  void WriteIni(const std::string& askFlag, const std::string& url = "") {
    host.Write("Run/Starvane7updater.ini", "! update settings\n" +
                                               (url.empty() ? server.Base() + "/updates/list.txt" : url) +
                                               "\n%d Dateien laden?\n" + kCaption +
                                               "\n%d.%d.%d.%d.%d.%d\nLade Aktualisierung...\n1\n" + askFlag + "\n");
  }
  // The downloaded programs look at the dialog and try to close it.
  void RecordPrograms() {
    nux::process::SetWindowsProgramRunner([this](const nux::process::ProgramStart& start) -> DWORD {
      ProgramView view;
      view.program = nux::WideToAnsi(start.windowsProgram);
      HWND dialog = ::FindWindowA(nullptr, kCaption);
      // The dialog's thread takes the posted progress messages in its own time: wait until it
      // has taken the last one (the bar full), or give up after a while.
      char text[64] = {};
      for (int i = 0; i < 500; ++i) {
        ::GetWindowTextA(::GetDlgItem(dialog, IDC_PERCENT), text, sizeof text);
        if (std::string(text) == "100 %") break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      view.percent = text;
      view.dialogVisible = ::IsWindowVisible(dialog) != FALSE;
      ::GetWindowTextA(::GetDlgItem(dialog, IDC_STATUS), text, sizeof text);
      view.status = text;
      for (UINT message : {UINT(WM_CLOSE), UINT(WM_COMMAND), UINT(WM_SYSCOMMAND)})
        ::PostMessageA(dialog, message, message == WM_COMMAND ? IDCANCEL : message == WM_SYSCOMMAND ? SC_CLOSE : 0, 0);
      ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
      std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the dialog's thread takes them meanwhile
      view.stillOpenAfterClosing = ::IsWindow(dialog) != FALSE;
      std::lock_guard<std::mutex> guard(lock);
      views.push_back(view);
      return 0;
    });
  }
  int RunProgram(const char* job) {
    const char* argv[] = {"Sv7UpdateApp", job};
    return AfxWinMain(job ? 2 : 1, const_cast<char**>(argv));
  }

  SampleHost host;
  HttpServer server;
  std::mutex lock;
  std::vector<ProgramView> views;
};

TEST_F(UpdateAppTest, DialogAppearsWithTheFirstProgressAndClosesOnlyWhenTheWorkerHasFinished) {
  WriteIni("1");
  RecordPrograms();
  nux::ui::QueueMessageBoxAnswer(IDYES);
  CSv7UpdateAppApp app;
  RunProgram(kHostExe);

  ASSERT_EQ(views.size(), 2u);
  for (const ProgramView& view : views) {
    EXPECT_TRUE(view.dialogVisible) << view.program;
    EXPECT_EQ(view.status, "Lade Aktualisierung...");
    EXPECT_EQ(view.percent, "100 %");
    EXPECT_TRUE(view.stillOpenAfterClosing) << view.program;  // Escape, Enter and the close box did nothing
  }
  EXPECT_EQ(views[0].program, "C:\\windows\\temp\\tool.exe");
  EXPECT_EQ(views[1].program, "C:\\windows\\temp\\setup.exe");
  // The list's download sent no progress, and the question came while the dialog was hidden:
  // the first progress message found it so.
  ASSERT_FALSE(g_visibleWhenPosted.empty());
  EXPECT_FALSE(g_visibleWhenPosted.front());
  EXPECT_TRUE(g_visibleWhenPosted.back());
  ASSERT_EQ(nux::ui::MessageBoxLog().size(), 1u);
  EXPECT_EQ(nux::WideToAnsi(nux::ui::MessageBoxLog()[0].text), "3 Dateien laden?");
  EXPECT_EQ(UpdateDone.load(), 1);
  EXPECT_EQ(DialogClosed.load(), 1);
  EXPECT_EQ(::FindWindowA(nullptr, kCaption), nullptr);
}

TEST_F(UpdateAppTest, RunThatEndsEarlyNeverShowsTheDialog) {
  struct Case {
    const char* what;
    std::string url;
    const char* job;
    int answer;
    const char* diagnostic;
  } cases[] = {
      {"no list", "http://127.0.0.1:1/updates/list.txt", kHostExe, 0, "Error during processing request\n"},
      {"no command line", "", nullptr, 0, ""},
      {"answered No", "", kHostExe, IDNO, ""},
  };
  for (const Case& c : cases) {
    UpdateDone = 0;
    DialogClosed = 0;
    WriteIni(c.answer ? "1" : "0", c.url);
    RecordPrograms();
    if (c.answer) nux::ui::QueueMessageBoxAnswer(c.answer);
    DebugCapture debug;
    {
      CSv7UpdateAppApp app;
      RunProgram(c.job);
    }
    EXPECT_TRUE(g_visibleWhenPosted.empty()) << c.what;
    EXPECT_TRUE(views.empty()) << c.what;
    EXPECT_TRUE(debug.Contains(c.diagnostic)) << c.what << ": " << debug.Text();
    EXPECT_EQ(UpdateDone.load(), 1) << c.what;
  }
}

TEST_F(UpdateAppTest, BuiltProgramUpdatesTheHostAndRunsTheDownloadedPrograms) {
  WriteIni("0");
  const std::string ran = host.OnC("Run/ran.txt");
  // The child gets this runner through its environment: a script that appends each program's
  // name to a file.
  const std::string script = host.OnC("Run/runner.sh");
  SampleHost::WriteLinux(script, "#!/bin/sh\necho \"$2\" >> \"$1\"\n");
  std::filesystem::permissions(script, std::filesystem::perms::owner_all, std::filesystem::perm_options::add);
  nux::process::SetWindowsProgramCommand({script, ran});
  std::string line = "\"" + nux::fs::ToWindowsPathA(NUX_UPDATER_PROGRAM) + "\" " + kHostExe;
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  ASSERT_TRUE(::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, "C:\\Run", &si, &pi));
  EXPECT_EQ(::WaitForSingleObject(pi.hProcess, INFINITE), DWORD(WAIT_OBJECT_0));
  ::CloseHandle(pi.hProcess);
  ::CloseHandle(pi.hThread);
  const std::string temp = host.OnC("windows/temp/");
  EXPECT_EQ(nuxtest::ReadFile(ran), std::filesystem::canonical(temp + "tool.exe").string() + "\n" +
                                        std::filesystem::canonical(temp + "setup.exe").string() + "\n");
  EXPECT_EQ(nuxtest::ReadFile(temp + "readme.txt"), "just text");
}

}  // namespace
