// The installer and the update program as programs on a virtual X server: their dialogs on the
// screen, answered by a person's real keys and clicks (xdotool), and what each must then do.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "fs/root.h"
#include "http_server.h"
#include "registry/registry.h"
#include "test_support.h"
#include "screen_support.h"
#include "xserver.h"

namespace {

using screentest::VirtualScreen;

using screentest::WaitFor;

void SetString(HKEY hive, const char16_t* key, const char16_t* name, const std::u16string& value) {
  HKEY k = nullptr;
  ASSERT_EQ(RegCreateKeyExW(hive, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), ERROR_SUCCESS);
  if (name)
    RegSetValueExW(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   DWORD((value.size() + 1) * sizeof(char16_t)));
  RegCloseKey(k);
}

// Each test gets a platform root of its own, shared with the program it starts, and the
// program's output beside it.
class ProgramOnScreen : public screentest::OnSharedScreen {
 protected:
  void SetUp() override {
    OnSharedScreen::SetUp();
    if (!Ready()) return;
    previousRoot_ = nux::PlatformRoot();
    nux::SetPlatformRoot(root_.path());
    env_ = {{"DISPLAY", screen_->display()},
            {"NUX_DISPLAY", ""},
            {"WAYLAND_DISPLAY", ""},
            {"NUX_PLATFORM_ROOT", root_.path()},
            {"LSAN_OPTIONS", "suppressions=" + root_.Write("lsan.supp", "leak:libdbus-1.so\n")}};
  }
  void TearDown() override {
    if (pid_ > 0) screentest::WaitProgram(pid_, 1);
    if (!previousRoot_.empty()) nux::SetPlatformRoot(previousRoot_);
  }

  std::string OnC(const std::string& relative) const { return root_.path() + "/drive_c/" + relative; }
  void WriteC(const std::string& relative, const std::string& bytes) const {
    ASSERT_TRUE(nuxtest::WriteFile(OnC(relative), bytes)) << relative;
  }
  // A shell script below drive C:, made executable.
  std::string Script(const std::string& relative, const std::string& text) const {
    WriteC(relative, "#!/bin/sh\n" + text);
    std::filesystem::permissions(OnC(relative), std::filesystem::perms::owner_all, std::filesystem::perm_options::add);
    return OnC(relative);
  }
  std::string Output() const { return nuxtest::ReadFile(root_.path() + "/program.out"); }

  // Waits until a window of that title shows, and gives its place; a failure tells what the
  // program said.
  ::testing::AssertionResult WaitForWindow(const std::string& title, RECT* place, int seconds = screentest::kWaitSeconds) {
    int x = 0, y = 0, w = 0, h = 0;
    auto shown = WaitFor(
        "the window \"" + title + "\"",
        [&] { return screentest::FindWindowNamed(screen_->display(), title, &x, &y, &w, &h); },
        [&] { return "the program said:\n" + Output(); }, seconds);
    if (place) *place = RECT{x, y, x + w, y + h};
    return shown;
  }
  // Waits until the window of that title holds the desktop's keyboard focus.
  ::testing::AssertionResult WaitForFocus(const std::string& title) {
    std::string focused;
    return WaitFor(
        "the keyboard focus on \"" + title + "\"",
        [&] { return (focused = screentest::FocusedWindowName(screen_->display())) == title; },
        [&] { return "the focus on \"" + focused + "\"; the program said:\n" + Output(); });
  }
  bool Exists(const std::string& relative) const { return std::filesystem::exists(OnC(relative)); }

  nuxtest::TempDir root_;
  std::string previousRoot_;
  std::map<std::string, std::string> env_;
  pid_t pid_ = -1;
};

// The installer's window cannot be closed while the install runs: Escape and the desktop's close
// request are pressed while the plug-in's pre-install program holds the install; it then copies
// every file, records the plug-in, and reports the end in a box, which Escape answers; then
// the program ends.
TEST_F(ProgramOnScreen, InstallerDialogIgnoresEscapeWhileBusyAndEndsAfterItsReport) {
  const char16_t kSettings[] = u"SOFTWARE\\Orlek Technologies\\Starvane 7\\Settings";
  SetString(HKEY_LOCAL_MACHINE, kSettings, u"WorkDir", u"C:\\Host");
  SetString(HKEY_CURRENT_USER, kSettings, nullptr, u"");
  WriteC("Host/SVStrings.txt", "1\t700\r\n5\t1\r\n15800\t1\r\n");
  WriteC("Host/data/kart.dat", "old kart");
  WriteC("Plugin/PluginInstaller.ini",
         "132 0\nStar Atlas Plugin\n1 2\n700\n7\nm1\nm2\nm3\nm4\nm5\nm6\n}\n"
         "pre.exe\nmedia\\pre.txt\n1\nfiles\nfiles.txt\npatch.exe\nmedia\\plugins.dat\nStar Atlas\n30\n}\n");
  std::string list = "data\\kart.dat\n";
  WriteC("Plugin/files/data/kart.dat", "new kart");
  for (int i = 0; i < 8; ++i) {
    list += "data\\sub\\file" + std::to_string(i) + ".dat\n";
    WriteC("Plugin/files/data/sub/file" + std::to_string(i) + ".dat", "file " + std::to_string(i));
  }
  WriteC("Plugin/files.txt", list);
  WriteC("Plugin/pre.exe", "MZ pre-install program");
  std::filesystem::copy_file(NUX_INSTALLER_PROGRAM, OnC("Plugin/StarvaneUpdater"));
  std::filesystem::permissions(OnC("Plugin/StarvaneUpdater"), std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add);
  // The pre-install program says it runs, and holds the install until the test lets it go
  // (at most a minute).
  const std::string runner = Script("runner.sh",
                                    "touch \"$1/started\"\n"
                                    "i=0; while [ ! -e \"$1/go\" ] && [ $i -lt 600 ]; do sleep 0.1; i=$((i+1)); done\n");
  env_["NUX_WINDOWS_RUNNER"] = runner + " " + OnC("");
  pid_ = screentest::StartProgram({OnC("Plugin/StarvaneUpdater")}, env_, root_.path() + "/program.out");
  ASSERT_GT(pid_, 0);

  ASSERT_TRUE(WaitFor(
      "the pre-install program to start", [&] { return Exists("started"); },
      [&] { return "the program said:\n" + Output(); }, 60));
  // The dialog shows under its template's title (its new one comes at the next turn of the
  // loop) and holds the keyboard.
  const std::string first = "Starvane 7 Vindral Service Pack 1";
  ASSERT_TRUE(WaitForWindow(first, nullptr));
  ASSERT_TRUE(WaitForFocus(first));
  ASSERT_TRUE(screen_->Xdotool({"key", "Escape"}));
  ASSERT_TRUE(screentest::SendDeleteWindow(screen_->display(), first));
  WriteC("go", "");

  // The install went on: the box reports the end, with the dialog still there under it.
  RECT box{};
  ASSERT_TRUE(WaitForWindow("Plugin-Installation", &box, 60));
  EXPECT_TRUE(screentest::FindWindowNamed(screen_->display(), "Star Atlas Plugin", nullptr, nullptr, nullptr, nullptr))
      << "the dialog closed during the install";
  EXPECT_EQ(nuxtest::ReadFile(OnC("Host/data/kart.dat")), "new kart");
  EXPECT_EQ(nuxtest::ReadFile(OnC("Host/data/sub/file7.dat")), "file 7");
  ASSERT_TRUE(WaitForFocus("Plugin-Installation"));
  ASSERT_TRUE(screen_->Xdotool({"key", "Escape"}));
  EXPECT_EQ(screentest::WaitProgram(pid_, 30000), 0) << Output();
  pid_ = -1;
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettings, 0, KEY_READ, &key), ERROR_SUCCESS);
  char16_t plugins[32] = {};
  DWORD size = sizeof plugins;
  EXPECT_EQ(RegQueryValueExW(key, u"Plugins", nullptr, nullptr, reinterpret_cast<BYTE*>(plugins), &size), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(std::u16string(plugins), u" 7");
}

// The update program asks before it downloads: its question is on the screen and a click on
// "Ja" answers it; the dialog then shows the download, and Escape pressed meanwhile stops the
// update: the running download is cut short and its part removed, nothing later is fetched,
// nothing is run, and the program ends by itself.
TEST_F(ProgramOnScreen, UpdateProgramsQuestionAnsweredByAClickAndEscapeStopsTheDownload) {
  updatertest::HttpServer server;
  updatertest::Route slow;
  slow.body = "MZ tool" + std::string(1000, '.');
  slow.trickleMs = 20;  // four bytes each 20 ms: five seconds of download
  server.Set("/updates/tool.exe", slow);
  server.Set("/updates/readme.txt", "just text");
  server.Set("/updates/list.txt", "7.0.1.25.2.705\ntool.exe\nreadme.txt\n}\n");
  SetString(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Orlek Technologies\\Starvane 7\\Settings", u"WorkDir", u"C:\\Starvane7");
  std::filesystem::create_directories(OnC("Starvane7"));
  std::filesystem::copy_file(std::string(NUX_UPDATER_FIXTURES) + "/host.exe", OnC("Starvane7/Starvane7.exe"));
  WriteC("Starvane7/SVStrings.txt", "1\t705\n5\t2\n");
  WriteC("Run/Starvane7updater.ini", server.Base() +
                                         "/updates/list.txt\n%d Dateien laden?\nStarvane Update\n"
                                         "%d.%d.%d.%d.%d.%d\nLade Aktualisierung...\n1\n1\n");
  const std::string ran = OnC("ran.txt");
  env_["NUX_WINDOWS_RUNNER"] = Script("runner.sh", "echo \"$2\" >> \"$1\"\n") + " " + ran;
  pid_ = screentest::StartProgram(
      {"sh", "-c", "cd \"$1\" && exec \"$2\" 'C:\\Starvane7\\Starvane7.exe'", "sh", OnC("Run"), NUX_UPDATER_PROGRAM},
      env_, root_.path() + "/program.out");
  ASSERT_GT(pid_, 0);

  RECT box{};
  ASSERT_TRUE(WaitForWindow("Starvane Update", &box));
  // The question's buttons as the screen shows them: "Ja" first, "Nein" beside it.
  std::vector<RECT> buttons;
  ASSERT_TRUE(WaitFor(
      "the question's two buttons on the screen",
      [&] {
        nux::gdi::Surface shot;
        buttons = screen_->ReadScreen(&shot) ? screentest::ButtonsIn(shot, box) : std::vector<RECT>{};
        return buttons.size() == 2;
      },
      [&] { return std::to_string(buttons.size()) + " buttons"; }));
  EXPECT_EQ(server.Requests(), (std::vector<std::string>{"/updates/list.txt"})) << "nothing is fetched before the answer";
  const RECT& yes = buttons[0];
  ASSERT_TRUE(screen_->Xdotool({"mousemove", std::to_string((yes.left + yes.right) / 2),
                                std::to_string((yes.top + yes.bottom) / 2), "click", "1"}));

  // The dialog shows with the first progress (it is not the box: another size).
  int w = 0, h = 0;
  ASSERT_TRUE(WaitFor(
      "the dialog with its progress (another size than the question's)",
      [&] {
        int x = 0, y = 0;
        if (!screentest::FindWindowNamed(screen_->display(), "Starvane Update", &x, &y, &w, &h)) return false;
        return w != box.right - box.left || h != box.bottom - box.top;
      },
      [&] {
        return "a window of " + std::to_string(w) + " x " + std::to_string(h) + "; the program said:\n" + Output();
      }));
  ASSERT_TRUE(WaitForFocus("Starvane Update"));
  ASSERT_TRUE(screen_->Xdotool({"key", "Escape"}));
  // It ends by itself, with the status the class library gives a dialog program: the last
  // message's (the cancel command that closes the dialog, 2).
  EXPECT_EQ(screentest::WaitProgram(pid_, 60000), 2) << Output();
  pid_ = -1;
  EXPECT_EQ(server.Requests(), (std::vector<std::string>{"/updates/list.txt", "/updates/tool.exe"}));
  EXPECT_FALSE(std::filesystem::exists(ran)) << nuxtest::ReadFile(ran);
  EXPECT_FALSE(std::filesystem::exists(OnC("windows/temp/tool.exe"))) << "the part of the download stays";
  EXPECT_TRUE(std::filesystem::exists(OnC("windows/temp/list.txt")));
}

}  // namespace
