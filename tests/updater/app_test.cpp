// The update program: the application object shows the hidden dialog, whose worker thread runs
// the update and talks to it only by posted messages; the dialog appears with the first progress
// message and cannot be closed until the worker has finished. The built program runs an update
// end to end.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>

#include "HttpConnection.h"
#include "Sv7UpdateAppApp.h"
#include "Sv7UpdateAppDlg.h"
#include "UpdateFlags.h"
#include "base/codepage.h"
#include "fs/root.h"
#include "http_server.h"
#include "process/process.h"
#include "testing/testing.h"
#include "updater_support.h"

using updatertest::DebugCapture;
using updatertest::HttpServer;
using updatertest::Route;
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
  void WriteIni(const std::string& askFlag, const std::string& url = "", const std::string& limits = "") {
    host.Write("Run/Starvane7updater.ini", "! update settings\n" +
                                               (url.empty() ? server.Base() + "/updates/list.txt" : url) +
                                               "\n%d Dateien laden?\n" + kCaption +
                                               "\n%d.%d.%d.%d.%d.%d\nLade Aktualisierung...\n1\n" + askFlag + "\n" +
                                               limits);
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
      // Enter: the default button does not end the dialog while the update runs.
      nux::testing::KeyPress(VK_RETURN);
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
    EXPECT_TRUE(view.stillOpenAfterClosing) << view.program;  // Enter did nothing
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

TEST_F(UpdateAppTest, CancelAbortsTheRunningDownloadAndEndsTheRun) {
  // The first file stalls mid-body (no stall or time limit would end it within the test), the
  // second would be a program to run.
  Route stalled;
  stalled.body = "MZ" + std::string(100000, 's');
  stalled.stallAfterBytes = 1000;
  server.Set("/updates/tool.exe", stalled);
  server.Set("/updates/list.txt", "7.0.1.25.2.705\ntool.exe\nsetup.exe\n}\n");
  WriteIni("0", "", "20\n20\n");
  RecordPrograms();
  const std::string temp = host.OnC("windows/temp/");
  enum class Way { EscapeKey, CloseBox, CancelCommand };
  for (Way way : {Way::EscapeKey, Way::CloseBox, Way::CancelCommand}) {
    UpdateDone = 0;
    DialogClosed = 0;
    CancelRequested = 0;
    MSG m;  // the last run's quit message
    while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
    // Once the dialog shows (the first progress of the stalled file), the user cancels.
    std::atomic<bool> cancelled{false};
    std::thread user([&] {
      for (int i = 0; i < 1000; ++i) {
        HWND dialog = ::FindWindowA(nullptr, kCaption);
        if (dialog != nullptr && ::IsWindowVisible(dialog)) {
          if (way == Way::EscapeKey) {
            ::SetForegroundWindow(dialog);
            nux::testing::KeyPress(VK_ESCAPE);
          } else if (way == Way::CloseBox) {
            ::PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
          } else {
            ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
          }
          cancelled = true;
          return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    });
    const auto started = std::chrono::steady_clock::now();
    {
      CSv7UpdateAppApp app;
      RunProgram(kHostExe);
    }
    user.join();
    const int way_ = static_cast<int>(way);
    ASSERT_TRUE(cancelled) << way_;
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30)) << way_;
    EXPECT_EQ(CancelRequested.load(), 1) << way_;
    EXPECT_TRUE(views.empty()) << way_;
    for (const char* name : {"tool.exe", "tool.exe.part", "setup.exe"})
      EXPECT_FALSE(std::filesystem::exists(temp + name)) << name << " " << way_;
    for (const std::string& request : server.Requests()) EXPECT_NE(request, "/updates/setup.exe") << way_;
    EXPECT_EQ(::FindWindowA(nullptr, kCaption), nullptr) << way_;
  }
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

TEST_F(UpdateAppTest, BuiltProgramWithoutATerminalAnswersNoAndFetchesNothing) {
  WriteIni("1");
  const std::string ran = host.OnC("Run/ran.txt");
  const std::string script = host.OnC("Run/runner.sh");
  SampleHost::WriteLinux(script, "#!/bin/sh\necho \"$2\" >> \"$1\"\n");
  std::filesystem::permissions(script, std::filesystem::perms::owner_all, std::filesystem::perm_options::add);
  // Standard input from /dev/null, no display: nobody can answer the question. The child finds
  // this test's platform root and a runner that notes each program it is asked to start.
  const std::string program = NUX_UPDATER_PROGRAM;
  const std::string runFolder = host.OnC("Run");
  const std::string errors = host.OnC("Run/stderr.txt");
  std::vector<std::string> env;
  for (char** e = environ; e && *e; ++e) {
    const std::string entry = *e;
    if (entry.rfind("NUX_PLATFORM_ROOT=", 0) != 0 && entry.rfind("NUX_WINDOWS_RUNNER=", 0) != 0 &&
        entry.rfind("NUX_DISPLAY=", 0) != 0 && entry.rfind("NUX_DEBUG_OUTPUT=", 0) != 0)
      env.push_back(entry);
  }
  env.push_back("NUX_PLATFORM_ROOT=" + nux::PlatformRoot());
  env.push_back("NUX_WINDOWS_RUNNER=" + script + " " + ran);
  env.push_back("NUX_DISPLAY=none");
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string job = kHostExe;
  char* argv[] = {const_cast<char*>("Sv7UpdateApp"), job.data(), nullptr};
  const pid_t child = fork();
  if (child == 0) {
    const int in = open("/dev/null", O_RDONLY);
    const int err = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || err < 0 || dup2(in, 0) < 0 || dup2(err, 2) < 0 || chdir(runFolder.c_str()) != 0) _exit(126);
    execve(program.c_str(), argv, envp.data());
    _exit(127);
  }
  ASSERT_GT(child, 0);
  int status = -1;
  for (int i = 0; i < 600 && waitpid(child, &status, WNOHANG) == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  if (!WIFEXITED(status)) {
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    FAIL() << "the program did not end";
  }
  EXPECT_EQ(server.Requests(), (std::vector<std::string>{"/updates/list.txt"}));
  EXPECT_FALSE(std::filesystem::exists(ran));
  const std::string shown = nuxtest::ReadFile(errors);
  EXPECT_NE(shown.find("3 Dateien laden?"), std::string::npos) << shown;
  EXPECT_NE(shown.find("-> Nein"), std::string::npos) << shown;
}

}  // namespace
