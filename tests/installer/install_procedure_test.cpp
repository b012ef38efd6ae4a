// The whole install of a sample plug-in into a sample host, and each refusal.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <mutex>

#include "HostSettings.h"
#include "InstallProcedure.h"
#include "InstalledFilesRegister.h"
#include "base/codepage.h"
#include "PluginFilesCreator.h"
#include "Quillon.h"
#include "fs/fs.h"
#include "fs/path.h"
#include "installer_support.h"
#include "process/process.h"
#include "ui/window.h"

namespace {

struct FakeUi : InstallUi {
  std::string LoadText(UINT id) override { return "text " + std::to_string(id); }
  void SetTitle(const std::string& t) override { title = t; }
  void ShowMessage(const std::string& text, const std::string& caption, InstallMessage kind) override {
    messages.push_back({text, caption, kind});
  }
  void SetProgressRange(int lower, int upper) override { range = {lower, upper}; }
  void StepProgress(const char* name, int step) override {
    steps.emplace_back(name);
    position += step;
  }
  void FillProgress() override { position = range.second - range.first; }
  void HideCaret() override { caretHiddenAtStep = static_cast<int>(steps.size()); }

  struct Message {
    std::string text, caption;
    InstallMessage kind;
  };
  std::string title;
  std::vector<Message> messages;
  std::pair<int, int> range{0, 0};
  std::vector<std::string> steps;
  int position = 0;
  int caretHiddenAtStep = -1;  // how many files were stepped when the caret was hidden
};

std::string ReadWin(const std::string& path) {
  FILE* f = w32_fopen(path.c_str(), "rb");
  if (f == nullptr) return "<missing>";
  std::string s;
  int c;
  while ((c = std::fgetc(f)) != EOF) s += static_cast<char>(c);
  std::fclose(f);
  return s;
}

void WriteWin(const std::string& path, const std::string& bytes) {
  FILE* f = w32_fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

class InstallTest : public HostTest {
 public:
  void SetUp() override {
    HostTest::SetUp();
    quillon::SetModuleFolder("C:\\Plugin");
    WriteHost("SVStrings.txt", "1\t700\r\n5\t1\r\n15800\t1\r\n13250\tOld\r\n");
    WriteHost("data\\kart.dat", "old kart");
    WriteHost("data\\patched.dat", "base");
    WriteHost("menu.txt", "Tools\n30\tSettings\t0\n}\n}\n");
    WriteRegister(GetUniqueID("kesmor"), {{RegisterFileId("data\\kart.dat"), 1},
                                          {RegisterFileId("data\\patched.dat"), 2}});
    SetFile("files\\data\\kart.dat", "new kart");
    SetFile("files\\data\\sub\\new.dat", "brand new");
    SetFile("files\\data\\patched.dat", "+patch");
    SetFile("files.txt", "data\\kart.dat\n  data\\sub\\new.dat \t copy \n! comment\ndata\\patched.dat\tUPDATE\ndata\\absent.dat\tupdate\n");
    setup_ =
        "132 0\nStar Atlas Plugin\n1 2\n700\n7\n"
        "m1\nm2\nm3 line\\nsecond\\nthird\nm4\nm5\nm6\n}\n"
        "pre.exe\nmedia\\pre.txt\n10\nfiles\nfiles.txt\npatch.exe\n"
        "media\\plugins.dat\nStar Atlas\n30\n}\n"
        "[ModifyMenu]\nmenu.txt\nTools\n30\tSettings\t0\n31\tAtlas\t0\n}\n}\n"
        "[ModifySVStrings]\nSVStrings.txt\n13250\tNew\n}\n";
    SetFile("pre.exe", "MZ pre-install program");
    SetFile("patch.exe", "MZ patch tool");
    // The plug-in's programs are Windows programs: the platform hands them to this runner, which
    // acts as the patch tool (output = target + patch).
    nux::process::SetWindowsProgramRunner([this](const nux::process::ProgramStart& start) -> DWORD {
      std::lock_guard<std::mutex> guard(startedLock_);
      started_.push_back(nux::WideToAnsi(start.commandLine));
      shows_.push_back(start.showWindow);
      const std::vector<std::string>& args = start.arguments;
      if (start.windowsProgram == u"C:\\Plugin\\patch.exe" && patchWorks_ && args.size() == 4)
        WriteWin(args[3], ReadWin(args[2]) + ReadWin(args[1]));
      return 0;
    });
    nux::fs::SetFreeSpaceOverride(1ull << 30);
  }
  void TearDown() override {
    if (hostProcess_ != nullptr) {
      TerminateProcess(hostProcess_, 0);
      WaitForSingleObject(hostProcess_, INFINITE);
      CloseHandle(hostProcess_);
      hostProcess_ = nullptr;
    }
    if (hostWindow_ != nullptr) DestroyWindow(hostWindow_);
    hostWindow_ = nullptr;
    UnregisterClassA(kHostWindowClass, nullptr);
    nux::fs::SetFreeSpaceOverride(std::nullopt);
    nux::process::testing::SetCpuidOverride({});
    SetHostRunningProbe({});
    HostTest::TearDown();
  }
  void SetFile(const std::string& relative, const std::string& bytes) {
    const std::string path = "C:\\Plugin\\" + relative;
    MakeDir(path.substr(0, path.find_last_of('\\')).c_str());
    WriteWin(path, bytes);
  }
  int Run() {
    SetFile("PluginInstaller.ini", setup_);
    return RunInstallProcedure(ui_);
  }
  // Every file of the host folder with its content.
  std::map<std::string, std::string> HostSnapshot() {
    std::map<std::string, std::string> files;
    for (const std::string& path : FolderLister("C:\\Host", "*.*", false)) files[path] = ReadWin(path);
    return files;
  }

  // A window of the host's main-window class, as the running host shows it.
  static HWND HostWindow() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = kHostWindowClass;
    RegisterClassA(&wc);
    return CreateWindowExA(0, kHostWindowClass, "Starvane 7", 0, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  }

  // The host running as a process of its own, its main window shown.
  void StartHostProcess() {
    std::string line = "\"" + nux::fs::ToWindowsPathA(NUX_TEST_CHILD) +
                       "\" window SV7WindowClass \"Starvane 7\" 0 C:\\host-ready";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    CloseHandle(pi.hThread);
    hostProcess_ = pi.hProcess;
    for (int i = 0; i < 1000 && GetFileAttributesA("C:\\host-ready") == INVALID_FILE_ATTRIBUTES; ++i) Sleep(10);
    ASSERT_NE(GetFileAttributesA("C:\\host-ready"), INVALID_FILE_ATTRIBUTES);
  }

  HANDLE hostProcess_ = nullptr;
  HWND hostWindow_ = nullptr;
  std::string setup_;
  FakeUi ui_;
  std::mutex startedLock_;
  std::vector<std::string> started_;
  std::vector<WORD> shows_;
  bool patchWorks_ = true;
};

TEST_F(InstallTest, InstallsFilesRegisterListSectionsAndSettings) {
  SetFileAttributesA("C:\\Host\\data\\kart.dat", FILE_ATTRIBUTE_READONLY);
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(ui_.title, "Star Atlas Plugin");
  EXPECT_EQ(ReadHost("data\\kart.dat"), "new kart");
  EXPECT_EQ(ReadHost("data\\sub\\new.dat"), "brand new");
  EXPECT_EQ(ReadHost("data\\patched.dat"), "base+patch");
  EXPECT_FALSE(HostExists("data\\patched.dat_patch"));
  EXPECT_FALSE(HostExists("data\\absent.dat"));

  ASSERT_EQ(started_.size(), 2u);
  EXPECT_EQ(started_[0], "\"C:\\Plugin\\pre.exe\" \"C:\\Host\\media\\pre.txt\"");
  EXPECT_EQ(shows_, (std::vector<WORD>{SW_SHOW, SW_HIDE}));
  EXPECT_EQ(started_[1],
            "\"C:\\Plugin\\patch.exe\" -i \"C:\\Plugin\\files\\data\\patched.dat\" \"C:\\Host\\data\\patched.dat\" "
            "\"C:\\Host\\data\\patched.dat_patch\"");

  // Register: both registered files carry their new checksums, the rewritten host files were
  // added, and the tag is the edition's.
  int32_t tag = 0;
  const auto pairs = ReadRegisterPairs(&tag);
  EXPECT_EQ(tag, GetUniqueID("kesmor"));
  std::map<int32_t, uint32_t> sums(pairs.begin(), pairs.end());
  EXPECT_EQ(sums.size(), pairs.size());
  EXPECT_EQ(sums[RegisterFileId("data\\kart.dat")], Checksum("new kart"));
  EXPECT_EQ(sums[RegisterFileId("data\\patched.dat")], Checksum("base+patch"));
  EXPECT_EQ(sums[RegisterFileId("media\\plugins.dat")], Checksum(ReadHost("media\\plugins.dat")));
  EXPECT_EQ(sums[RegisterFileId("menu.txt")], Checksum(ReadHost("menu.txt")));
  EXPECT_EQ(sums[RegisterFileId("svstrings.txt")], Checksum(ReadHost("SVStrings.txt")));
  EXPECT_EQ(sums.count(RegisterFileId("data\\sub\\new.dat")), 0u);

  std::string record = ReadHost("media\\plugins.dat");
  PluginFilesCreator::ScrambleLine(record);
  EXPECT_EQ(record, "7\nStar Atlas\n30\n");
  // A popup the host has keeps its items; the plug-in's command ids switch its items on.
  EXPECT_EQ(ReadHost("menu.txt"), "Tools\r\n30\tSettings\t1\r\n}\r\n}\r\n");
  EXPECT_EQ(ReadHost("SVStrings.txt"), "1\t700\r\n5\t1\r\n15800\t1\r\n13250\tNew\r\n");

  std::string value;
  ASSERT_TRUE(GetSetting(true, "Plugins", value));
  EXPECT_EQ(value, " 7");
  ASSERT_TRUE(GetSetting(false, "StartPlugins", value));
  EXPECT_EQ(value, "1");

  EXPECT_EQ(ui_.range, std::make_pair(0, 5));
  EXPECT_EQ(ui_.steps, (std::vector<std::string>{"data\\kart.dat", "data\\sub\\new.dat", "data\\patched.dat",
                                                 "data\\absent.dat"}));
  EXPECT_EQ(ui_.position, 5);  // full, although the comment line was counted
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, "text 102");
  EXPECT_EQ(ui_.messages[0].caption, "text 103");
  EXPECT_EQ(ui_.messages[0].kind, InstallMessage::kInformation);
}

TEST_F(InstallTest, RefusalsShowTheirMessageAndChangeNothing) {
  struct Case {
    const char* what;
    std::function<void(InstallTest&)> arrange;
    std::string text;
  };
  const std::vector<Case> cases = {
      {"processor",
       [](InstallTest&) {
         nux::process::testing::SetCpuidOverride([](int leaf, int info[4]) {
           if (leaf == 1) {
             info[3] &= ~(1 << 26);
             info[2] &= ~1;
           }
         });
       },
       "text 105"},
      {"-1 work folder", [](InstallTest& t) { t.DeleteSettingsKey(true); }, "m1\n"},
      {"-6 installed", [](InstallTest& t) { t.SetSetting(true, "Plugins", "3,7"); }, "m6\n"},
      {"-3 version", [](InstallTest& t) { t.WriteHost("SVStrings.txt", "1\t701\r\n5\t1\r\n15800\t1\r\n"); },
       "m3 line\nsecond\nthird\n"},
      {"-4 edition", [](InstallTest& t) { t.WriteHost("SVStrings.txt", "1\t700\r\n5\t3\r\n15800\t1\r\n"); }, "m4\n"},
      {"-2 entry 15800", [](InstallTest& t) { t.WriteHost("SVStrings.txt", "1\t700\r\n5\t2\r\n15800\tx\r\n"); },
       "m2\n"},
      {"-5 host running", [](InstallTest&) { SetHostRunningProbe([] { return true; }); }, "m5\n"},
      {"-5 host window", [](InstallTest& t) { t.hostWindow_ = HostWindow(); }, "m5\n"},
      {"-5 host window of another process", [](InstallTest& t) { t.StartHostProcess(); }, "m5\n"},
      {"disk space", [](InstallTest&) { nux::fs::SetFreeSpaceOverride((10ull << 20) - 1); }, "text 106"},
      {"disk space over 4 GiB",
       [](InstallTest& t) {
         const size_t at = t.setup_.find("\n10\n");
         t.setup_.replace(at, 4, "\n4096\n");
       },
       "text 106"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    DeleteSettingsKey(true);
    DeleteSettingsKey(false);
    SetUp();
    ui_ = FakeUi{};
    started_.clear();
    c.arrange(*this);
    const auto before = HostSnapshot();
    std::string pluginsBefore;
    const bool hadPlugins = GetSetting(true, "Plugins", pluginsBefore);
    EXPECT_EQ(Run(), -1);
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, c.text);
    EXPECT_EQ(ui_.messages[0].caption, "Star Atlas Plugin");
    EXPECT_EQ(ui_.messages[0].kind, InstallMessage::kError);
    EXPECT_EQ(HostSnapshot(), before);
    std::string value;
    EXPECT_EQ(GetSetting(true, "Plugins", value), hadPlugins);
    EXPECT_FALSE(GetSetting(false, "StartPlugins", value));
  }
}

TEST_F(InstallTest, FewerMessagesThanTheRefusalNeedsShowAnEmptyText) {
  const size_t from = setup_.find("m1\n");
  const size_t to = setup_.find("}\n", from);
  setup_.replace(from, to - from, "only\n");
  SetSetting(true, "Plugins", "7");
  EXPECT_EQ(Run(), -1);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, "\n");
}

TEST_F(InstallTest, PatchThatWritesNothingLeavesTheTargetAndHalts) {
  patchWorks_ = false;
  EXPECT_THROW(Run(), HaltError);
  EXPECT_EQ(ReadHost("data\\patched.dat"), "base");
  EXPECT_EQ(ReadHost("data\\kart.dat"), "new kart");  // files handled before stay installed
  std::string value;
  EXPECT_FALSE(GetSetting(true, "Plugins", value));
}

TEST_F(InstallTest, FailedCopyHaltsAndRecordsNothing) {
  SetFile("files.txt", "data\\kart.dat\ndata\\not_in_plugin.dat\n");
  try {
    Run();
    FAIL();
  } catch (const HaltError& e) {
    EXPECT_STREQ(e.what(), "Unexpected error. Please, check disk");
  }
  EXPECT_EQ(ReadHost("data\\kart.dat"), "new kart");
  std::string value;
  EXPECT_FALSE(GetSetting(true, "Plugins", value));
  EXPECT_FALSE(HostExists("media\\plugins.dat"));
}

TEST_F(InstallTest, EmptyFileListStillInstallsWithRange100) {
  SetFile("files.txt", "");
  setup_ = setup_.substr(0, setup_.find("[ModifyMenu]"));
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(ui_.range, std::make_pair(0, 100));
  EXPECT_EQ(ui_.position, 100);
  EXPECT_EQ(ReadHost("menu.txt"), "Tools\n30\tSettings\t0\n}\n}\n");
}

// Every file below drive C: with its content.
std::map<std::string, std::string> DriveSnapshot() {
  std::map<std::string, std::string> files;
  for (const std::string& path : FolderLister("C:\\", "*.*", false)) files[path] = ReadWin(path);
  return files;
}

TEST_F(InstallTest, NamesReachingOutsideTheirFolderStopTheInstallBeforeAnythingIsWritten) {
  struct Case {
    const char* what;
    std::string from;  // replaced in the setup file, or in the file list when it starts with "files.txt:"
    std::string to;
  } cases[] = {
      {"list name climbs", "files.txt:data\\kart.dat\n", "data\\kart.dat\n..\\escaped.dat\n"},
      {"list name climbs inside", "files.txt:data\\kart.dat\n", "data\\kart.dat\ndata\\..\\..\\escaped.dat\n"},
      {"list name absolute", "files.txt:data\\kart.dat\n", "data\\kart.dat\n\\escaped.dat\n"},
      {"list name on a drive", "files.txt:data\\kart.dat\n", "data\\kart.dat\nC:\\escaped.dat\n"},
      {"list name on another drive", "files.txt:data\\kart.dat\n", "data\\kart.dat\nD:escaped.dat\n"},
      {"list name a device", "files.txt:data\\kart.dat\n", "data\\kart.dat\ndata\\NUL.dat\n"},
      {"list name with slashes", "files.txt:data\\kart.dat\n", "data\\kart.dat\ndata/../../escaped.dat\n"},
      {"section target climbs", "[ModifyMenu]\nmenu.txt\n", "[ModifyMenu]\n..\\menu_out.txt\n"},
      {"string table elsewhere", "[ModifySVStrings]\nSVStrings.txt\n", "[ModifySVStrings]\nC:\\Windows\\SVStrings.txt\n"},
      {"plug-in list climbs", "media\\plugins.dat\n", "..\\plugins.dat\n"},
      {"source folder climbs", "\nfiles\nfiles.txt\n", "\n..\\Other\nfiles.txt\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    DeleteSettingsKey(true);
    DeleteSettingsKey(false);
    SetUp();
    if (c.from.rfind("files.txt:", 0) == 0) {
      std::string list = ReadWin("C:\\Plugin\\files.txt");
      const std::string from = c.from.substr(10);
      list.replace(list.find(from), from.size(), c.to);
      SetFile("files.txt", list);
    } else {
      setup_.replace(setup_.find(c.from), c.from.size(), c.to);
    }
    SetFile("PluginInstaller.ini", setup_);
    const auto before = DriveSnapshot();
    try {
      RunInstallProcedure(ui_);
      ADD_FAILURE() << "installed";
    } catch (const HaltError& e) {
      EXPECT_EQ(std::string(e.what()).rfind("Bad file name ", 0), 0u) << e.what();
    }
    EXPECT_EQ(DriveSnapshot(), before);
    std::string value;
    EXPECT_FALSE(GetSetting(true, "Plugins", value));
    for (const auto& [id, sum] : ReadRegisterPairs()) EXPECT_NE(id, RegisterFileId("..\\escaped.dat"));
  }
}

TEST_F(InstallTest, HostFileThatCannotBeRewrittenEndsTheInstallNamingIt) {
  for (const char* file : {"menu.txt", "SVStrings.txt", "accel.txt", "panorams.ini", "media\\plugins.dat"}) {
    SCOPED_TRACE(file);
    TearDown();
    DeleteSettingsKey(true);
    DeleteSettingsKey(false);
    SetUp();
    ui_ = FakeUi{};
    setup_ += "[ModifyAccelerators]\naccel.txt\n1\tCtrl+K\n}\n[ModifyPanoramsIni]\npanorams.ini\n[Kart]\n}\n";
    WriteHost("accel.txt", "0\tCtrl+A\r\n");
    WriteHost("panorams.ini", "[Old]\r\n");
    WriteHost("media\\plugins.dat", "");
    const std::string path = std::string(kWork) + file;
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    const std::string content = ReadHost(file);
    EXPECT_EQ(Run(), -1);
    ASSERT_EQ(ui_.messages.size(), 1u) << ui_.messages.back().text;
    std::string shown = ui_.messages[0].text;
    std::string named = path;
    for (std::string* text : {&shown, &named})
      for (char& ch : *text) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    EXPECT_NE(shown.find(named), std::string::npos) << ui_.messages[0].text;
    EXPECT_EQ(ui_.messages[0].kind, InstallMessage::kError);
    EXPECT_EQ(ReadHost(file), content);
    std::string value;
    EXPECT_FALSE(GetSetting(true, "Plugins", value));
    EXPECT_FALSE(GetSetting(false, "StartPlugins", value));
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

TEST_F(InstallTest, HostFilesKeepEveryByteAndEveryLineWhateverTheirLineEnds) {
  struct Case {
    const char* what;
    const char* end;  // the line end the host's files use
  } cases[] = {{"CR LF", "\r\n"}, {"LF", "\n"}, {"CR alone", "\r"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    DeleteSettingsKey(true);
    DeleteSettingsKey(false);
    SetUp();
    ui_ = FakeUi{};
    setup_ += "[ModifyPanoramsIni]\npanorams.ini\n[Kart]\nfile=kart.pan\n}\n";
    const std::string e = c.end;
    // A Ctrl-Z in the middle of the string table and of the panorama settings is an ordinary byte.
    WriteHost("SVStrings.txt", "1\t700" + e + "5\t1" + e + "15800\t1" + e + "13250\tOld" + e + "\x1A" + e +
                                   "20000\tkept" + e + "20001\talso kept" + e);
    WriteHost("panorams.ini", "[Sky]" + e + "a=\x1A" + e + "[Moon]" + e + "b=2" + e);
    WriteHost("menu.txt", "Tools" + e + "30\tSettings\t0" + e + "32\tKept\t1" + e + "}" + e + "}" + e);
    ASSERT_EQ(Run(), 0);
    EXPECT_EQ(ReadHost("SVStrings.txt"),
              "1\t700\r\n5\t1\r\n15800\t1\r\n13250\tNew\r\n\x1A\r\n20000\tkept\r\n20001\talso kept\r\n");
    EXPECT_EQ(ReadHost("panorams.ini"), "[Sky]\r\na=\x1A\r\n[Moon]\r\nb=2\r\n[Kart]\r\nfile=kart.pan\r\n");
    EXPECT_EQ(ReadHost("menu.txt"), "Tools\r\n30\tSettings\t1\r\n32\tKept\t1\r\n}\r\n}\r\n");
  }
}

TEST_F(InstallTest, ByteOrderMarksAreSkippedAndAnEmptySetupSaysSo) {
  SetFile("files.txt", "\xEF\xBB\xBF" "data\\kart.dat\n");
  setup_ = "\xEF\xBB\xBF" + setup_;
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(ReadHost("data\\kart.dat"), "new kart");
  EXPECT_EQ(ui_.steps, (std::vector<std::string>{"data\\kart.dat"}));
  for (const std::string& blank : {std::string(), std::string("\xEF\xBB\xBF"), std::string("  \r\n\t\n! only a comment\n")}) {
    setup_ = blank;
    try {
      Run();
      ADD_FAILURE() << "ran";
    } catch (const HaltError& e) {
      EXPECT_STREQ(e.what(), "File C:\\Plugin\\PluginInstaller.ini is empty\n");
    }
  }
}

TEST_F(InstallTest, CaretIsHiddenBeforeTheFirstFileAndLeftoversOfAnInterruptedRunGo) {
  WriteHost("data\\.nuxcopy-Ab12Cd", "half a copy");
  WriteHost("menu.txt.~new", "half a menu");
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(ui_.caretHiddenAtStep, 0);
  EXPECT_FALSE(HostExists("data\\.nuxcopy-Ab12Cd"));
  EXPECT_FALSE(HostExists("menu.txt.~new"));
}

TEST_F(InstallTest, RunAgainAfterAnInterruptionAppendsNothingTwice) {
  setup_ += "[ModifyAccelerators]\naccel.txt\n1\tCtrl+K\n2\tCtrl+L\n}\n[ModifyPanoramsIni]\npanorams.ini\n[Kart]\nfile=k\n}\n";
  WriteHost("accel.txt", "0\tCtrl+A\r\n");
  WriteHost("panorams.ini", "[Old]\r\n");
  SetFile("files.txt", "data\\kart.dat\ndata\\sub\\new.dat\n");
  ASSERT_EQ(Run(), 0);
  const auto once = HostSnapshot();
  // As if the first run had ended before the plug-in was recorded.
  SetSetting(true, "Plugins", "");
  ui_ = FakeUi{};
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(HostSnapshot(), once);
  std::string record = ReadHost("media\\plugins.dat");
  PluginFilesCreator::ScrambleLine(record);
  EXPECT_EQ(record, "7\nStar Atlas\n30\n");
  EXPECT_EQ(ReadHost("accel.txt"), "0\tCtrl+A\r\n1\tCtrl+K\r\n2\tCtrl+L\r\n");
  // Another plug-in's record and lines that only partly match are appended as usual.
  WriteHost("accel.txt", "0\tCtrl+A\r\n1\tCtrl+K\r\n");
  SetSetting(true, "Plugins", "");
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(ReadHost("accel.txt"), "0\tCtrl+A\r\n1\tCtrl+K\r\n1\tCtrl+K\r\n2\tCtrl+L\r\n");
}

}  // namespace
