// The installer program: the application object and its dialog run the install at once, refuse
// to run beside another installer, and keep the window from closing while the install runs; the
// built program installs a plug-in when started from the plug-in's folder.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <filesystem>
#include <map>
#include <mutex>

#include "HostSettings.h"
#include "InstalledFilesRegister.h"
#include "PluginFilesCreator.h"
#include "Quillon.h"
#include "StarvaneUpdaterApp.h"
#include "StarvaneUpdaterDlg.h"
#include "base/codepage.h"
#include "fs/fs.h"
#include "fs/path.h"
#include "fs/root.h"
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

// The built program, copied into the plug-in's folder (as a user starts it from there).
std::string InstallProgramInPlugin(const nuxtest::ScopedPlatformRoot& root) {
  const std::string linux = root.DriveC() + "/Plugin/StarvaneUpdater";
  std::filesystem::copy_file(NUX_INSTALLER_PROGRAM, linux, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::permissions(linux, std::filesystem::perms::owner_all, std::filesystem::perm_options::add);
  return linux;
}

TEST_F(InstallerAppTest, BuiltProgramShowsItsStopMessagesInABoxAndOnStandardError) {
  WritePlugin("PluginInstaller.ini", "  \r\n! nothing but a comment\r\n");
  const std::string program = InstallProgramInPlugin(root_);
  const std::string errors = root_.DriveC() + "/errors.txt";
  std::vector<std::string> env;
  for (char** e = environ; e && *e; ++e) {
    const std::string entry = *e;
    if (entry.rfind("NUX_PLATFORM_ROOT=", 0) != 0 && entry.rfind("NUX_DISPLAY=", 0) != 0) env.push_back(entry);
  }
  env.push_back("NUX_PLATFORM_ROOT=" + nux::PlatformRoot());
  env.push_back("NUX_DISPLAY=none");
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  char* argv[] = {const_cast<char*>("StarvaneUpdater"), nullptr};
  const pid_t child = fork();
  if (child == 0) {
    const int in = open("/dev/null", O_RDONLY);
    const int err = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || err < 0 || dup2(in, 0) < 0 || dup2(err, 2) < 0) _exit(126);
    execve(program.c_str(), argv, envp.data());
    _exit(127);
  }
  ASSERT_GT(child, 0);
  int status = -1;
  for (int i = 0; i < 600 && waitpid(child, &status, WNOHANG) == 0; ++i) Sleep(100);
  if (!WIFEXITED(status)) {
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    FAIL() << "the program did not end";
  }
  EXPECT_EQ(WEXITSTATUS(status), 1);
  const std::string shown = nuxtest::ReadFile(errors);
  EXPECT_NE(shown.find("[Plugin-Installation] File C:\\Plugin\\PluginInstaller.ini is empty"), std::string::npos) << shown;
  EXPECT_EQ(shown.find("numbers expected"), std::string::npos) << shown;
}

// An install killed at many moments: after each, every file the register lists matches its
// entry (but at most the one being copied at that moment), no record or line is there twice,
// and a second run completes it to what an uninterrupted install gives.
TEST_F(InstallerAppTest, InstallKilledAtAnyMomentIsCompletedByTheNextRun) {
  const std::string setup = std::string(kSetup) +
                            "[ModifyMenu]\nmenu.txt\nTools\n30\tAtlas\t0\n}\n}\n"
                            "[ModifySVStrings]\nSVStrings.txt\n13250\tStarvane 7 mit Atlas\n}\n"
                            "[ModifyAccelerators]\naccel.txt\n30\tCtrl+K\n}\n"
                            "[ModifyPanoramsIni]\npanorams.ini\n[Atlas]\nfile=atlas.pan\n}\n";
  std::string list;
  for (int i = 0; i < 6; ++i) list += "data\\file" + std::to_string(i) + ".dat\n";
  auto layOut = [&] {
    std::filesystem::remove_all(HostLinux(""));
    DeleteSettingsKey(true);
    DeleteSettingsKey(false);
    SetSetting(true, "WorkDir", "C:\\Host");
    SetSetting(false, "Theme", "1");
    WriteHost("SVStrings.txt", "1\t700\r\n5\t1\r\n15800\t1\r\n13250\tStarvane 7\r\n");
    WriteHost("menu.txt", "Tools\r\n30\tAtlas\t0\r\n}\r\n}\r\n");
    WriteHost("accel.txt", "1\tCtrl+A\r\n");
    WriteHost("panorams.ini", "[Sky]\r\n");
    std::vector<std::pair<int32_t, uint32_t>> pairs;
    for (int i = 0; i < 6; ++i) {
      const std::string name = "data\\file" + std::to_string(i) + ".dat";
      WriteHost(name, "old " + std::to_string(i));
      if (i % 2 == 0) pairs.emplace_back(RegisterFileId(name), Checksum("old " + std::to_string(i)));
    }
    WriteRegister(GetUniqueID("kesmor"), pairs);
    WritePlugin("PluginInstaller.ini", setup);
    WritePlugin("files.txt", list);
    for (int i = 0; i < 6; ++i)
      WritePlugin("files\\data\\file" + std::to_string(i) + ".dat", "new " + std::string(20000 + i, 'n'));
    InstallProgramInPlugin(root_);
  };
  // Starts the program; kills it after the given time (negative: lets it end).
  auto run = [&](int killAfterMs) {
    std::string line = "C:\\Plugin\\StarvaneUpdater";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    if (killAfterMs >= 0 && ::WaitForSingleObject(pi.hProcess, DWORD(killAfterMs)) == WAIT_TIMEOUT)
      ::TerminateProcess(pi.hProcess, 9);
    EXPECT_EQ(::WaitForSingleObject(pi.hProcess, 60000), DWORD(WAIT_OBJECT_0));
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(pi.hThread);
  };
  auto hostFiles = [&] {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(HostLinux(""))) {
      if (!entry.is_regular_file()) continue;
      std::string relative = std::filesystem::relative(entry.path(), HostLinux("")).string();
      for (char& c : relative)
        if (c == '/') c = '\\';
      files[relative] = nuxtest::ReadFile(entry.path().string());
    }
    return files;
  };
  // Register entries that do not match the file on disk.
  auto mismatches = [&](const std::map<std::string, std::string>& files) {
    std::map<int32_t, std::string> byId;
    for (const auto& [name, bytes] : files) {
      std::string lower = name;
      for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      byId[RegisterFileId(lower)] = bytes;
    }
    int count = 0;
    for (const auto& [id, sum] : ReadRegisterPairs()) {
      auto it = byId.find(id);
      if (it == byId.end() || Checksum(it->second) != sum) ++count;
    }
    return count;
  };
  auto occurrences = [](const std::string& text, const std::string& part) {
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
  };
  auto checkNoDuplicates = [&](const std::map<std::string, std::string>& files) {
    auto at = files.find("media\\plugins.dat");
    if (at != files.end()) {
      std::string record = at->second;
      PluginFilesCreator::ScrambleLine(record);
      EXPECT_LE(occurrences(record, "7\nStar Atlas\n30\n"), 1) << record;
    }
    EXPECT_LE(occurrences(files.at("accel.txt"), "30\tCtrl+K"), 1);
    EXPECT_LE(occurrences(files.at("panorams.ini"), "[Atlas]"), 1);
  };

  layOut();
  run(-1);
  const auto whole = hostFiles();
  std::string plugins;
  ASSERT_TRUE(GetSetting(true, "Plugins", plugins));
  ASSERT_EQ(plugins, " 7");
  ASSERT_EQ(whole.at("data\\file5.dat"), "new " + std::string(20005, 'n'));
  EXPECT_EQ(mismatches(whole), 0);

  for (int killAfter = 0; killAfter <= 1350; killAfter += 150) {
    SCOPED_TRACE(killAfter);
    layOut();
    run(killAfter);
    const auto interrupted = hostFiles();
    EXPECT_LE(mismatches(interrupted), 1);
    checkNoDuplicates(interrupted);
    run(-1);
    const auto completed = hostFiles();
    EXPECT_EQ(mismatches(completed), 0);
    checkNoDuplicates(completed);
    EXPECT_EQ(completed, whole);
    ASSERT_TRUE(GetSetting(true, "Plugins", plugins));
    EXPECT_EQ(plugins, " 7");
  }
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
