// Host path resolution (work folder, theme, CD folder, path cache), the registry readers and
// the host string file readers.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "StarvanePath.h"
#include "updater_support.h"

using updatertest::DebugCapture;
using updatertest::SampleHost;

TEST(HostNames, NormaliseToOneNameAndKey) {
  const char* spellings[] = {"media:settings:http_connection.ini", "/media:settings:http_connection.ini",
                             "media/settings:http_connection.ini", "media:settings/http_connection.ini",
                             ":media/settings/http_connection.ini"};
  for (const char* name : spellings) {
    EXPECT_EQ(NormaliseHostName(name), "media\\settings\\http_connection.ini") << name;
    EXPECT_EQ(HostPathKey(NormaliseHostName(name)), 0x3b728c66u) << name;
  }
  // Letter case is kept, so the key differs though the file system finds the same file.
  EXPECT_NE(HostPathKey(NormaliseHostName("Media:settings:http_connection.ini")), 0x3b728c66u);
}

class HostPathTest : public ::testing::Test {
 protected:
  void SetUp() override { host.InstallStandardHost(); }
  SampleHost host;
};

TEST_F(HostPathTest, ResolvesUnderTheWorkFolderAndServesFoundNamesFromTheCache) {
  host.Write("Starvane7/media/settings/http_connection.ini", "x\n");
  StarvanePath resolver;
  const char* path = resolver.GetPath("media:settings:http_connection.ini");
  ASSERT_NE(path, nullptr);
  EXPECT_STREQ(path, "c:\\starvane7\\media\\settings\\http_connection.ini");
  std::filesystem::remove(host.OnC("Starvane7/media/settings/http_connection.ini"));
  StarvanePath other;
  ASSERT_NE(other.GetPath("/media/settings/http_connection.ini"), nullptr);
  EXPECT_STREQ(other.GetPath("/media/settings/http_connection.ini"), "c:\\starvane7\\media\\settings\\http_connection.ini");

  DebugCapture debug;
  EXPECT_EQ(resolver.GetPath("media:missing.ini"), nullptr);
  EXPECT_EQ(resolver.GetPath(""), nullptr);
  EXPECT_EQ(debug.Text(),
            "File media:missing.ini not found (function StarvanePath::GetPath)\n"
            "File  not found (function StarvanePath::GetPath)\n");
}

TEST_F(HostPathTest, TwoNamesWithOneKeyNeverShareAPath) {
  // Two names whose normalised forms have the same 31-bit key.
  const std::string first = "media:pic6905.bmp";
  const std::string second = "media:pic12170600.bmp";
  ASSERT_EQ(HostPathKey(NormaliseHostName(first.c_str())), HostPathKey(NormaliseHostName(second.c_str())));
  ASSERT_NE(NormaliseHostName(first.c_str()), NormaliseHostName(second.c_str()));
  host.Write("Starvane7/media/pic6905.bmp", "first");
  StarvanePath resolver;
  ASSERT_NE(resolver.GetPath(first.c_str()), nullptr);
  EXPECT_EQ(resolver.GetPath(second.c_str()), nullptr);
  host.Write("Starvane7/media/pic12170600.bmp", "second");
  ASSERT_NE(resolver.GetPath(second.c_str()), nullptr);
  EXPECT_STREQ(resolver.GetPath(second.c_str()), "c:\\starvane7\\media\\pic12170600.bmp");
  EXPECT_STREQ(resolver.GetPath(first.c_str()), "c:\\starvane7\\media\\pic6905.bmp");
}

TEST_F(HostPathTest, ThemeListNamesAreLookedUpInTheThemeFolderOnly) {
  host.SetValues("HKEY_CURRENT_USER", "\"Theme\"=\"2\"");
  host.Write("Starvane7/media/FileUtils.ini", "catalog\n}\nmedia\n}\n}\n");
  host.Write("Starvane7/Theme2/media/x.bmp", "themed");
  host.Write("Starvane7/media/x.bmp", "plain");
  host.Write("Starvane7/media/only.bmp", "plain");
  host.Write("Starvane7/mediafiles/x.bmp", "plain");
  StarvanePath resolver;
  EXPECT_EQ(resolver.Theme(), 2);
  struct Case {
    const char* name;
    const char* path;
  } cases[] = {
      {"media:x.bmp", "c:\\starvane7\\Theme2\\media\\x.bmp"},
      {":MEDIA:x.bmp", "c:\\starvane7\\Theme2\\MEDIA\\x.bmp"},
      {"media", nullptr},  // entry at the end of the name: themed (a folder, so not found)
      {"mediafiles:x.bmp", "c:\\starvane7\\mediafiles\\x.bmp"},
      {"media:only.bmp", nullptr},  // not retried without the theme
  };
  for (const Case& c : cases) {
    const char* path = resolver.GetPath(c.name);
    if (c.path == nullptr) {
      EXPECT_EQ(path, nullptr) << c.name;
    } else {
      ASSERT_NE(path, nullptr) << c.name;
      EXPECT_STREQ(path, c.path);
    }
  }
}

TEST_F(HostPathTest, ThemeIsReadOncePerProcessAndDefaultsToOne) {
  {
    StarvanePath resolver;
    EXPECT_EQ(resolver.Theme(), 1);  // no value
  }
  host.SetValues("HKEY_CURRENT_USER", "\"Theme\"=\"3\"");
  StarvanePath later;
  EXPECT_EQ(later.Theme(), 1);
  StarvanePath::ResetProcessState();
  host.SetValues("HKEY_CURRENT_USER", "\"Theme\"=\"dark\"");
  EXPECT_EQ(ReadTheme(), 1);
}

TEST_F(HostPathTest, CdListNamesFallBackToTheCdFolderUnlessSetupTypeIsTwo) {
  SampleHost::WriteLinux(host.OnRoot("drive_d/catalog/stars.dat"), "cd");
  SampleHost::WriteLinux(host.OnRoot("drive_d/other/stars.dat"), "cd");
  {
    StarvanePath resolver;
    ASSERT_NE(resolver.GetPath("catalog:stars.dat"), nullptr);
    EXPECT_STREQ(resolver.GetPath("catalog:stars.dat"), "d:\\catalog\\stars.dat");
    EXPECT_EQ(resolver.GetPath("other:stars.dat"), nullptr);  // not in the CD list
  }
  StarvanePath::ResetProcessState();
  host.SetValues("HKEY_LOCAL_MACHINE", "\"SetupType\"=\"2\"");
  EXPECT_EQ(ReadSetupType(), 2);
  StarvanePath resolver;
  EXPECT_EQ(resolver.GetPath("catalog:stars.dat"), nullptr);
}

TEST_F(HostPathTest, FirstConstructionCreatesTheUserFolders) {
  StarvanePath resolver;
  char documents[MAX_PATH] = {};
  ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, 0, documents)));
  const std::string user = std::string(documents) + "\\Starvane_7\\";
  for (const std::string& folder : {user, user + "Workspaces", user + "Guided Tours"}) {
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES) << folder;
    EXPECT_NE(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u) << folder;
  }
}

TEST(HostPathStartup, WithoutCdPathNothingIsInitialisedAndTheNextConstructionTriesAgain) {
  SampleHost host;
  host.SetValues("HKEY_LOCAL_MACHINE", "\"WorkDir\"=\"C:\\\\Starvane7\"");
  host.SetValues("HKEY_CURRENT_USER", "\"Theme\"=\"2\"");
  host.Write("Starvane7/media/FileUtils.ini", "}\nmedia\n}\n");
  {
    StarvanePath resolver;
    EXPECT_EQ(resolver.Theme(), 0);
  }
  host.SetValues("HKEY_LOCAL_MACHINE", "\"CDPath\"=\"D:\\\\\"");
  StarvanePath resolver;
  EXPECT_EQ(resolver.Theme(), 2);
}

TEST(HostPathStartup, MissingWorkFolderAndFileUtilsAreReported) {
  SampleHost host;
  host.SetValues("HKEY_LOCAL_MACHINE", "\"CDPath\"=\"D:\\\\\"");
  DebugCapture debug;
  StarvanePath resolver;
  const std::string text = debug.Text();
  EXPECT_NE(text.find("Work folder not defined - Starvane not installed\n"), std::string::npos) << text;
  EXPECT_NE(text.find("File media:FileUtils.ini not found (function StarvanePath::GetPath)\n"), std::string::npos);
  EXPECT_NE(text.find("File media:FileUtils.ini not found\n"), std::string::npos);
}

TEST(HostRegistry, ValuesThatDoNotFitTheirBuffersFail) {
  SampleHost host;
  char buffer[300];
  // CDPath is kept in 260 bytes: 259 characters fit, 260 don't.
  host.SetValues("HKEY_LOCAL_MACHINE", "\"CDPath\"=\"D:" + std::string(257, 'c') + "\"");
  EXPECT_TRUE(ReadCDPath(buffer, 260));
  host.SetValues("HKEY_LOCAL_MACHINE", "\"CDPath\"=\"D:" + std::string(258, 'c') + "\"");
  EXPECT_FALSE(ReadCDPath(buffer, 260));
  EXPECT_STREQ(buffer, "");

  struct Case {
    size_t length;    // characters of the value, without a trailing backslash
    bool loadWorkDir;  // 260 bytes with the added backslash
    bool readWorkDir;  // 256 bytes with the added backslash
  } cases[] = {{254, true, true}, {255, true, false}, {258, true, false}, {259, false, false}};
  for (const Case& c : cases) {
    const std::string value = "C:" + std::string(c.length - 2, 'w');
    host.SetValues("HKEY_LOCAL_MACHINE", "\"WorkDir\"=\"" + value + "\"");
    EXPECT_EQ(LoadWorkDir(buffer, 260), c.loadWorkDir) << c.length;
    if (c.loadWorkDir) {
      EXPECT_EQ(std::string(buffer), value + "\\");
    }
    EXPECT_EQ(ReadWorkDir(buffer, 256), c.readWorkDir) << c.length;
    if (c.readWorkDir) {
      EXPECT_EQ(std::string(buffer), value + "\\");
    }
  }
  host.SetValues("HKEY_LOCAL_MACHINE", "\"WorkDir\"=\"C:\\\\Host\\\\\"");
  ASSERT_TRUE(ReadWorkDir(buffer, 256));
  EXPECT_STREQ(buffer, "C:\\Host\\");
  host.SetValues("HKEY_LOCAL_MACHINE", "\"WorkDir\"=\"\"");
  EXPECT_FALSE(ReadWorkDir(buffer, 256));
}

TEST_F(HostPathTest, PathsLongerThanTheResultBufferAreNotFound) {
  const std::string name(250, 'n');
  host.Write("Starvane7/media/" + name, "x");  // c:\starvane7\media\ + 250 = 269 characters
  StarvanePath resolver;
  EXPECT_EQ(resolver.GetPath(("media:" + name).c_str()), nullptr);
  host.Write("Starvane7/media/" + name.substr(0, 240), "x");  // 259 characters
  EXPECT_NE(resolver.GetPath(("media:" + name.substr(0, 240)).c_str()), nullptr);
}

class HostStringsTest : public ::testing::Test {
 protected:
  int Entry(const std::string& text, int id) {
    host.Write("h/SVStrings.txt", text);
    return GetHostStringInt("C:\\h\\SVStrings.txt", id);
  }
  int Edition(const std::string& text) {
    host.Write("h/SVStrings.txt", text);
    return GetEditionIndex("C:\\h\\SVStrings.txt");
  }
  SampleHost host;
};

TEST_F(HostStringsTest, NumberedEntries) {
  struct Case {
    const char* text;
    int id;
    int expected;
  } cases[] = {
      {"1\t705\n", 1, 705},
      {"! c\n5\tx\n}\n5\t3\n", 5, 3},  // a text value is passed over, "}" does not stop the scan
      {"  1\t 42 \n", 1, 42},
      {"10\t5\n", 1, -1},
      {"1 705\n", 1, -1},  // no TAB
      {"", 1, -1},
  };
  for (const Case& c : cases) EXPECT_EQ(Entry(c.text, c.id), c.expected) << c.text;
  EXPECT_EQ(GetHostStringInt("C:\\h\\missing.txt", 1), -1);
}

TEST_F(HostStringsTest, EditionIndex) {
  struct Case {
    const char* text;
    int expected;
  } cases[] = {
      {"5\t2\n", 2},
      {"5\t7\n", 7},  // not range-checked
      {"13250\tStarvane 7 Duvask Edition\n", 3},
      {"13250\tGORVEK\n", 0},  // the stored word is in capitals, the text is lower-cased
      {"13250\tsomething else\n13250\tTromel\n", 4},
      {"13250\tnothing\n", 0},
      {"1\t705\n", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(Edition(c.text), c.expected) << c.text;
  EXPECT_EQ(GetEditionIndex("C:\\h\\missing.txt"), -1);
}

TEST(HostVersion, WordsComeFromProductAndFileVersion) {
  SampleHost host;
  host.InstallHostExecutable("h/host.exe");
  host.Write("h/plain.exe", "MZ but no resources");
  int words[4] = {};
  ASSERT_TRUE(GetFileVersion(words, "C:\\h\\host.exe"));
  EXPECT_EQ(words[0], 7);
  EXPECT_EQ(words[1], 0);
  EXPECT_EQ(words[2], 1);
  EXPECT_EQ(words[3], 25);
  EXPECT_FALSE(GetFileVersion(words, "C:\\h\\plain.exe"));
  EXPECT_FALSE(GetFileVersion(words, "C:\\h\\missing.exe"));
  EXPECT_FALSE(GetFileVersion(words, ""));
}
