// The plug-in list, the sections driver and the text-file sections.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/codepage.h"
#include "fs/fs.h"
#include "fs/path.h"
#include "process/process.h"
#include "registry/registry.h"
#include "PluginFilesCreator.h"
#include "Quillon.h"
#include "fs/fs.h"
#include "installer_support.h"

namespace {

std::string Unscramble(std::string bytes) {
  PluginFilesCreator::ScrambleLine(bytes);
  return bytes;
}

TEST(PluginRecordTest, ScrambleIsItsOwnInverse) {
  std::string line = "7\n";
  PluginFilesCreator::ScrambleLine(line);
  EXPECT_EQ(line, std::string("\x69\x54"));
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  std::string copy = all;
  PluginFilesCreator::ScrambleLine(copy);
  EXPECT_EQ(static_cast<unsigned char>(copy[0]), 0x5Eu);
  EXPECT_EQ(Unscramble(copy), all);
}

TEST(PluginRecordTest, ParseCommandIds) {
  const struct {
    const char* text;
    std::vector<int> ids;
  } cases[] = {
      {"100 200\t300", {100, 200, 300}}, {"", {}}, {"  ", {}}, {"5 x 6", {5}}, {"5 6x 7", {5}}, {"-3 4", {-3, 4}},
  };
  for (const auto& c : cases) {
    std::vector<int> ids = {1};
    EXPECT_EQ(PluginFilesCreator::ParseCommandIds(ids, c.text), static_cast<int>(c.ids.size())) << c.text;
    EXPECT_EQ(ids, c.ids) << c.text;
  }
}

class SectionsTest : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    WriteRegister(0, {});
    nux::process::SetWindowsProgramRunner([this](const nux::process::ProgramStart& start) -> DWORD {
      started_.push_back(nux::WideToAnsi(start.commandLine));
      return 0;
    });
  }
  std::vector<std::string> started_;  // Windows programs started
};

TEST_F(SectionsTest, RecordsAreAppendedScrambledAndNeverTruncated) {
  PluginFilesCreator creator(7);
  auto setup = Setup("media\\plugins.dat\nStar Atlas\n100 200\nthird\n}\n");
  EXPECT_TRUE(creator.ApplyPluginSections(*setup));
  const std::string once = ReadHost("media\\plugins.dat");
  EXPECT_EQ(Unscramble(once), "7\nStar Atlas\n100 200\nthird\n");
  auto second = Setup("media\\plugins.dat\nOnly line\n}\n", "second.ini");
  PluginFilesCreator other(8);
  EXPECT_TRUE(other.ApplyPluginSections(*second));
  const std::string twice = ReadHost("media\\plugins.dat");
  EXPECT_EQ(twice.substr(0, once.size()), once);
  EXPECT_EQ(Unscramble(twice.substr(once.size())), "8\nOnly line\n");
  EXPECT_EQ(ReadRegisterPairs().at(0).second, Checksum(twice));
  EXPECT_TRUE(started_.empty());
}

TEST_F(SectionsTest, CommandIdsOfTheSecondRecordLineReachTheMenu) {
  WriteHost("menu.txt", "Tools\n300\tPlugin\t0\n301\tOther\t0\n}\n}\n");
  auto setup = Setup("list.dat\nName\n301 x 300\n}\n[ModifyMenu]\nmenu.txt\nTools\n300\tPlugin\t0\n301\tOther\t0\n}\n}\n");
  PluginFilesCreator creator(7);
  creator.ApplyPluginSections(*setup);
  EXPECT_EQ(ReadHost("menu.txt"), "Tools\r\n300\tPlugin\t0\r\n301\tOther\t1\r\n}\r\n}\r\n");
}

TEST_F(SectionsTest, UnopenablePluginListSkipsEverything) {
  WriteHost("media\\plugins.dat\\inside", "");  // a folder in place of the file
  WriteHost("acc.txt", "a\r\n");
  auto setup = Setup("media\\plugins.dat\nName\n}\n[ModifyAccelerators]\nacc.txt\nb\n}\n");
  PluginFilesCreator creator(19);
  EXPECT_FALSE(creator.ApplyPluginSections(*setup));
  EXPECT_EQ(ReadHost("acc.txt"), "a\r\n");
  EXPECT_TRUE(started_.empty());
}

// Plug-in 19 registers the host component with the platform's regsvr32, which calls the
// library's DllRegisterServer in a process of its own.
TEST_F(SectionsTest, PluginNineteenRegistersItsComponent) {
  ASSERT_TRUE(CopyFileA(nux::fs::ToWindowsPathA(NUX_TEST_REGSERVER).c_str(), "C:\\Host\\Pellucor.dll", FALSE));
  auto registered = [] {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\NuxTest", 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    const bool found = RegQueryValueExA(key, "Registered", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
  };
  auto setup = Setup("list.dat\nName\n}\n");
  PluginFilesCreator other(18);
  EXPECT_TRUE(other.ApplyPluginSections(*setup));
  EXPECT_FALSE(registered());
  PluginFilesCreator creator(19);
  auto again = Setup("list.dat\nName\n}\n", "second.ini");
  EXPECT_TRUE(creator.ApplyPluginSections(*again));
  EXPECT_TRUE(registered());
  EXPECT_TRUE(started_.empty());
  // The registration's own failure is not looked at: the program could be started.
  DeleteFileA("C:\\Host\\Pellucor.dll");
  EXPECT_TRUE(creator.RegisterPellucorDll());
}

TEST_F(SectionsTest, FirstPluginClearsThePluginFolderButKeepsMenusAndNewFiles) {
  WriteHost("media\\plugin\\old.dat", "x");
  WriteHost("media\\plugin\\sub\\older.dat", "x");
  WriteHost("media\\plugin\\vindral_menu.ini", "x");
  WriteHost("media\\plugin\\sub\\my_vindral_menu.ini.bak", "x");
  WriteHost("media\\plugin\\Vindral_Menu.ini", "x");  // compared with case: deleted
  WriteHost("media\\plugin\\new.dat", "x");
  {
    PluginFilesCreator creator(7, {"C:\\Host\\media\\plugin\\NEW.dat"});
  }
  EXPECT_FALSE(HostExists("media\\plugin\\old.dat"));
  EXPECT_FALSE(HostExists("media\\plugin\\sub\\older.dat"));
  EXPECT_FALSE(HostExists("media\\plugin\\Vindral_Menu.ini"));
  EXPECT_TRUE(HostExists("media\\plugin\\vindral_menu.ini"));
  EXPECT_TRUE(HostExists("media\\plugin\\sub\\my_vindral_menu.ini.bak"));
  EXPECT_TRUE(HostExists("media\\plugin\\new.dat"));
  EXPECT_TRUE(HostExists("media\\plugin\\sub"));

  SetSetting(true, "Plugins", " 7");
  WriteHost("media\\plugin\\later.dat", "x");
  { PluginFilesCreator creator(8); }
  EXPECT_TRUE(HostExists("media\\plugin\\later.dat"));
}

TEST_F(SectionsTest, FolderListerMasks) {
  WriteHost("d\\a.txt", "");
  WriteHost("d\\b.ini", "");
  WriteHost("d\\s\\c.txt", "");
  ChangeDir("C:\\Host");
  auto sorted = [](std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
  };
  EXPECT_EQ(sorted(FolderLister("C:\\Host\\d", "*.txt", false)),
            (std::vector<std::string>{"C:\\Host\\d\\a.txt", "C:\\Host\\d\\s\\c.txt"}));
  EXPECT_EQ(sorted(FolderLister("C:\\Host\\d", "*.*", true)),
            (std::vector<std::string>{"C:\\Host\\d\\a.txt", "C:\\Host\\d\\b.ini", "C:\\Host\\d\\s",
                                      "C:\\Host\\d\\s\\c.txt"}));
  EXPECT_TRUE(FolderLister("C:\\Host\\none", "*.*", false).empty());
  char current[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, current);
  EXPECT_STREQ(current, "C:\\Host");
  ChangeDir("C:\\");
}

TEST_F(SectionsTest, AcceleratorsAreAppendedOnLinesOfTheirOwn) {
  WriteHost("acc.txt", "A\tCtrl+A\r\nB\tCtrl+B");  // no line end after the last line
  auto setup = Setup("[ModifyAccelerators]\nacc.txt\nP\tCtrl+P\nQ\tCtrl+Q\n}\n");
  PluginFilesCreator creator(7);
  EXPECT_TRUE(creator.ModifyAccelerators(*setup));
  // A second run (an interrupted install run again) finds the lines there and appends nothing.
  EXPECT_TRUE(creator.ModifyAccelerators(*setup));
  EXPECT_EQ(ReadHost("acc.txt"), "A\tCtrl+A\r\nB\tCtrl+B\r\nP\tCtrl+P\r\nQ\tCtrl+Q\r\n");
  EXPECT_EQ(ReadRegisterPairs().at(0).second, Checksum(ReadHost("acc.txt")));
  auto created = Setup("[ModifyAccelerators]\nnew.txt\nX\n}\n", "created.ini");
  EXPECT_TRUE(creator.ModifyAccelerators(*created));
  EXPECT_EQ(ReadHost("new.txt"), "X\r\n");
}

TEST_F(SectionsTest, StringTableLinesAreReplacedByNumber) {
  WriteHost("SVStrings.txt", "1\t700\r\n13250\tOld\r\ntext line\r\n13250\tOld again\r\n132500\tother\r\n");
  auto setup = Setup("[ModifySVStrings]\nSVStrings.txt\n13250\tNew\n99\tMissing\nno number\n}\n");
  PluginFilesCreator creator(7);
  EXPECT_TRUE(creator.ModifySVStrings(*setup));
  EXPECT_EQ(ReadHost("SVStrings.txt"), "1\t700\r\n13250\tNew\r\ntext line\r\n13250\tNew\r\n132500\tother\r\n");
  EXPECT_EQ(ReadRegisterPairs().at(0).second, Checksum(ReadHost("SVStrings.txt")));
  auto missing = Setup("[ModifySVStrings]\nnone.txt\n1\tx\n}\n", "missing.ini");
  EXPECT_FALSE(creator.ModifySVStrings(*missing));
  EXPECT_FALSE(HostExists("none.txt"));
}

TEST_F(SectionsTest, PanoramaLinesAreAppendedWithoutChecksum) {
  WriteHost("pano.ini", "[Pano]\r\nA=1");
  auto setup = Setup("[ModifyPanoramsIni]\npano.ini\nB=2\nC=3\n}\n");
  PluginFilesCreator creator(7);
  EXPECT_TRUE(creator.ModifyPanoramsIni(*setup));
  EXPECT_EQ(ReadHost("pano.ini"), "[Pano]\r\nA=1\r\nB=2\r\nC=3\r\n");
  EXPECT_TRUE(ReadRegisterPairs().empty());
  auto missing = Setup("[ModifyPanoramsIni]\nnone.ini\nB=2\n}\n", "missing.ini");
  EXPECT_FALSE(creator.ModifyPanoramsIni(*missing));
}

TEST_F(SectionsTest, SectionsWithoutHeaderChangeNothing) {
  WriteHost("acc.txt", "a\r\n");
  auto setup = Setup("list.dat\nName\n}\n");
  PluginFilesCreator creator(7);
  EXPECT_FALSE(creator.ModifyAccelerators(*setup));
  EXPECT_FALSE(creator.ModifySVStrings(*setup));
  EXPECT_FALSE(creator.ModifyPanoramsIni(*setup));
  EXPECT_FALSE(creator.ModifyToolbar(*setup));
  EXPECT_FALSE(creator.ModifyToolbarsMenu(*setup));
  EXPECT_EQ(ReadHost("acc.txt"), "a\r\n");
}

}  // namespace
