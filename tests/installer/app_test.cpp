// The installer program: the application object and its dialog run the install at once, refuse
// to run beside another installer, and keep the window from closing while the install runs; the
// built program installs a plug-in when started from the plug-in's folder.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <mutex>

#include "HostSettings.h"
#include "Quillon.h"
#include "StarvaneUpdaterApp.h"
#include "StarvaneUpdaterDlg.h"
#include "base/codepage.h"
#include "fs/fs.h"
#include "fs/path.h"
#include "installer_support.h"
#include "process/process.h"
#include "testing/testing.h"
#include "ui/icon.h"

namespace {

const char kSetup[] =
    "132 0\nStar Atlas Plugin\n1 2\n700\n7\n"
    "m1\nm2\nm3\nm4\nm5\nm6\n}\n"
    "pre.exe\nmedia\\pre.txt\n1\nfiles\nfiles.txt\npatch.exe\n"
    "media\\plugins.dat\nStar Atlas\n30\n}\n";

// What the plug-in's pre-install program saw of the installer while the install ran.
struct DuringInstall {
  std::mutex lock;
  int runs = 0;
  HWND dialog = nullptr;
  LONG marker = 0;
  bool visible = false;
  std::string aboutEntry;
  int menuItems = 0;
};

class InstallerAppTest : public HostTest {
 public:
  void SetUp() override {
    HostTest::SetUp();
    nux::testing::ResetUi();
    nux::ui::SetMessageBoxTerminal(false);
    nux::ui::ClearMessageBoxLog();
    quillon::SetModuleFolder("C:\\Plugin");
    WriteHost("SVStrings.txt", "1\t700\r\n5\t1\r\n15800\t1\r\n");
    WriteHost("data\\kart.dat", "old kart");
    WritePlugin("PluginInstaller.ini", kSetup);
    WritePlugin("files.txt", "data\\kart.dat\ndata\\sub\\new.dat\n");
    WritePlugin("files\\data\\kart.dat", "new kart");
    WritePlugin("files\\data\\sub\\new.dat", "brand new");
    WritePlugin("pre.exe", "MZ pre-install program");
    nux::fs::SetFreeSpaceOverride(1ull << 30);
  }
  void TearDown() override {
    nux::fs::SetFreeSpaceOverride(std::nullopt);
    nux::testing::ResetUi();
    MSG m;
    while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
    HostTest::TearDown();
  }
  void WritePlugin(const std::string& relative, const std::string& bytes) {
    std::string linux = root_.DriveC() + "/Plugin/" + relative;
    for (char& c : linux)
      if (c == '\\') c = '/';
    std::filesystem::create_directories(std::filesystem::path(linux).parent_path());
    nuxtest::WriteFile(linux, bytes);
  }
  // The pre-install program looks at the installer's window and pokes at it: a second IDOK,
  // Escape and the close box, all while the install runs.
  void WatchDuringInstall(DuringInstall& seen) {
    nux::process::SetWindowsProgramRunner([&seen](const nux::process::ProgramStart&) -> DWORD {
      std::lock_guard<std::mutex> guard(seen.lock);
      ++seen.runs;
      seen.dialog = ::FindWindowA(nullptr, "Star Atlas Plugin");
      seen.marker = ::GetWindowLongA(seen.dialog, GWL_USERDATA);
      seen.visible = ::IsWindowVisible(seen.dialog) != FALSE;
      HMENU system = ::GetSystemMenu(seen.dialog, FALSE);
      seen.menuItems = ::GetMenuItemCount(system);
      char text[64] = {};
      ::GetMenuStringA(system, IDM_ABOUTBOX, text, sizeof text, MF_BYCOMMAND);
      seen.aboutEntry = text;
      ::PostMessageA(seen.dialog, WM_COMMAND, IDOK, 0);
      ::PostMessageA(seen.dialog, WM_COMMAND, IDCANCEL, 0);
      ::PostMessageA(seen.dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    });
  }
  std::vector<std::string> Boxes() const {
    std::vector<std::string> out;
    for (const auto& box : nux::ui::MessageBoxLog())
      out.push_back(nux::WideToAnsi(box.caption) + "|" + nux::WideToAnsi(box.text) + "|" + std::to_string(box.type));
    return out;
  }
};

TEST_F(InstallerAppTest, DialogRunsTheInstallAtOnceAndCannotBeClosedMeanwhile) {
  DuringInstall seen;
  WatchDuringInstall(seen);
  CStarvaneUpdaterApp app;
  EXPECT_FALSE(app.InitInstance());  // the program ends when the dialog has closed

  EXPECT_EQ(seen.runs, 1);  // the second IDOK did not start a second install
  EXPECT_NE(seen.dialog, nullptr);
  EXPECT_TRUE(seen.visible);
  EXPECT_EQ(seen.marker, kInstallerWindowMarker);
  EXPECT_EQ(seen.aboutEntry, "&About StarvaneUpdater...");
  EXPECT_GE(seen.menuItems, 2);
  EXPECT_EQ(ReadHost("data\\kart.dat"), "new kart");
  EXPECT_EQ(ReadHost("data\\sub\\new.dat"), "brand new");
  std::string plugins;
  EXPECT_TRUE(GetSetting(true, "Plugins", plugins));
  EXPECT_EQ(Boxes(), (std::vector<std::string>{"Plugin-Installation|Die Installation ist abgeschlossen.|" +
                                               std::to_string(MB_ICONINFORMATION)}));
  EXPECT_FALSE(::IsWindow(seen.dialog));
  nux::process::ResetWindowsProgramRunner();
}

TEST_F(InstallerAppTest, AnotherInstallersWindowStopsTheSecondCopy) {
  const std::string refusal = "Plugin-Installation|Dieses Plugin kann nicht installiert werden. Bitte beenden Sie "
                              "erst die Installation des vorherigen Plugins.|" + std::to_string(MB_ICONERROR);
  DuringInstall seen;
  WatchDuringInstall(seen);
  // A window of this process carrying the marker ...
  HWND local = ::CreateWindowExA(0, "STATIC", "first", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ::SetWindowLongA(local, GWL_USERDATA, kInstallerWindowMarker);
  EXPECT_TRUE(FindInstallerWindow());
  CStarvaneUpdaterApp app;
  EXPECT_FALSE(app.InitInstance());
  ::DestroyWindow(local);
  // ... and one of another process, a first installer that has finished but not yet closed.
  const std::string line = "\"" + nux::fs::ToWindowsPathA(NUX_TEST_CHILD) +
                           "\" window \"#32770\" \"Star Atlas Plugin\" 10111213 C:\\ready";
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  std::string commandLine = line;
  ASSERT_TRUE(::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  for (int i = 0; i < 1000 && ::GetFileAttributesA("C:\\ready") == INVALID_FILE_ATTRIBUTES; ++i) ::Sleep(10);
  EXPECT_TRUE(FindInstallerWindow());
  EXPECT_FALSE(app.InitInstance());
  ::TerminateProcess(pi.hProcess, 0);
  ::WaitForSingleObject(pi.hProcess, INFINITE);
  ::CloseHandle(pi.hProcess);
  ::CloseHandle(pi.hThread);
  EXPECT_FALSE(FindInstallerWindow());

  EXPECT_EQ(Boxes(), (std::vector<std::string>{refusal, refusal}));
  EXPECT_EQ(seen.runs, 0);
  EXPECT_EQ(ReadHost("data\\kart.dat"), "old kart");
  nux::process::ResetWindowsProgramRunner();
}

TEST_F(InstallerAppTest, BuiltProgramInstallsFromThePluginsFolder) {
  // The program is copied into the plug-in's folder and started there, as a user starts it.
  ASSERT_TRUE(::CopyFileA(nux::fs::ToWindowsPathA(NUX_INSTALLER_PROGRAM).c_str(), "C:\\Plugin\\StarvaneUpdater",
                          FALSE));
  std::filesystem::permissions(root_.DriveC() + "/Plugin/StarvaneUpdater", std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add);
  std::string line = "C:\\Plugin\\StarvaneUpdater";
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  ASSERT_TRUE(::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  EXPECT_EQ(::WaitForSingleObject(pi.hProcess, INFINITE), DWORD(WAIT_OBJECT_0));
  ::CloseHandle(pi.hProcess);
  ::CloseHandle(pi.hThread);
  EXPECT_EQ(ReadHost("data\\kart.dat"), "new kart");
  EXPECT_EQ(ReadHost("data\\sub\\new.dat"), "brand new");
  std::string plugins;
  ASSERT_TRUE(GetSetting(true, "Plugins", plugins));
  EXPECT_EQ(plugins, " 7");
}

}  // namespace

TEST(InstallerIcons, TheSetupFilesIconIdsNameIconsOfTheProgram) {
  for (int id : {128, 132, 133}) {
    HICON icon = ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
    ASSERT_NE(icon, nullptr) << id;
    int width = 0, height = 0;
    EXPECT_TRUE(nux::ui::GetIconSize(icon, &width, &height));
    EXPECT_EQ(width, 32);
    EXPECT_EQ(height, 32);
  }
  EXPECT_EQ(::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(131)), nullptr);
}
