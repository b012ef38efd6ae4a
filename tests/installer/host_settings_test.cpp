// The host's settings key, string table and edition tag.
#include <gtest/gtest.h>

#include "HostSettings.h"
#include "Quillon.h"
#include "installer_support.h"

namespace {

class HostSettingsTest : public HostTest {};

TEST_F(HostSettingsTest, WorkDirGetsItsBackslashAndIsKept) {
  char buffer[256];
  ASSERT_TRUE(ReadWorkDir(buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "C:\\Host\\");
  std::string path;
  ASSERT_TRUE(MakeWorkDirPath(path, "SVStrings.txt"));
  EXPECT_EQ(path, "C:\\Host\\SVStrings.txt");
  SetSetting(true, "WorkDir", "D:\\Other\\");
  ASSERT_TRUE(MakeWorkDirPath(path, "x"));
  EXPECT_EQ(path, "C:\\Host\\x");  // read once per run
  ASSERT_TRUE(ReadWorkDir(buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "D:\\Other\\");
  EXPECT_FALSE(ReadWorkDir(buffer, 5));  // does not fit
}

TEST_F(HostSettingsTest, WorkDirMissing) {
  DeleteSettingsKey(true);
  char buffer[256];
  EXPECT_FALSE(ReadWorkDir(buffer, sizeof buffer));
  std::string path;
  EXPECT_FALSE(MakeWorkDirPath(path, "x"));
  EXPECT_EQ(ComputeEditionTag(-1), -1);
}

TEST_F(HostSettingsTest, InstalledPluginsAreReadFromBlanksAndCommas) {
  const struct {
    const char* value;
    std::vector<int> ids;
    bool has;
  } cases[] = {
      {"3, 12 19", {3, 12, 19}, true},
      {" 7", {7}, true},
      {"", {}, false},
      {"x 4 5y,6", {4, 6}, false},
      {",,8,,", {8}, false},
  };
  for (const auto& c : cases) {
    SetSetting(true, "Plugins", c.value);
    std::vector<int> ids = {99};
    ASSERT_TRUE(ReadInstalledPlugins(ids));
    EXPECT_EQ(ids, c.ids) << c.value;
    EXPECT_EQ(HasInstalledPlugins(), c.has) << c.value;
  }
}

TEST_F(HostSettingsTest, InstalledPluginsWithoutValueOrKey) {
  std::vector<int> ids = {99};
  EXPECT_TRUE(ReadInstalledPlugins(ids));
  EXPECT_EQ(ids, std::vector<int>{99});  // no value: the list stays
  EXPECT_FALSE(HasInstalledPlugins());
  DeleteSettingsKey(true);
  EXPECT_FALSE(ReadInstalledPlugins(ids));
}

TEST_F(HostSettingsTest, AddInstalledPluginAppendsToTheWholeValue) {
  AddInstalledPlugin(7);
  std::string value;
  ASSERT_TRUE(GetSetting(true, "Plugins", value));
  EXPECT_EQ(value, " 7");
  // A long list is kept whole however long it is.
  std::string longList;
  for (int i = 1000; i < 1400; ++i) longList += std::to_string(i) + " ";
  SetSetting(true, "Plugins", longList);
  AddInstalledPlugin(12);
  ASSERT_TRUE(GetSetting(true, "Plugins", value));
  EXPECT_EQ(value, longList + " 12");
  std::vector<int> ids;
  ASSERT_TRUE(ReadInstalledPlugins(ids));
  EXPECT_EQ(ids.size(), 401u);
  EXPECT_EQ(ids.front(), 1000);
  EXPECT_EQ(ids.back(), 12);
}

TEST_F(HostSettingsTest, StartPluginsOnlyWhereTheKeyExists) {
  SetStartPlugins();
  std::string value;
  ASSERT_TRUE(GetSetting(false, "StartPlugins", value));
  EXPECT_EQ(value, "1");
  DeleteSettingsKey(false);
  SetStartPlugins();
  EXPECT_FALSE(GetSetting(false, "StartPlugins", value));
}

TEST_F(HostSettingsTest, StringTableEntries) {
  WriteHost("SVStrings.txt",
            "! comment\r\n1\t700\r\n5\tx\r\n5\t3\r\n5\t4\r\n13250\tKesmor Edition\r\n15800\t12\tmore\r\n  20 \t 7 \r\n");
  const char* path = "C:\\Host\\SVStrings.txt";
  const struct {
    int entry;
    int value;
  } cases[] = {{1, 700}, {5, 3}, {13250, -1}, {15800, 12}, {20, 7}, {2, -1}};
  for (const auto& c : cases) EXPECT_EQ(GetHostStringInt(path, c.entry), c.value) << c.entry;
  EXPECT_TRUE(MatchHostVersion(path, 700));
  EXPECT_FALSE(MatchHostVersion(path, 701));
  EXPECT_EQ(GetHostStringInt("C:\\Host\\none.txt", 1), -1);
  EXPECT_FALSE(MatchHostVersion("C:\\Host\\none.txt", -1));
}

TEST_F(HostSettingsTest, EditionTags) {
  const struct {
    const char* strings;
    int32_t tag;
  } cases[] = {
      {"5\t0\n", GetUniqueID("vindral")}, {"5\t1\n", GetUniqueID("kesmor")}, {"5\t2\n", GetUniqueID("plunet")},
      {"5\t4\n", GetUniqueID("tromel")},  {"5\t5\n", -1},                    {"1\t700\n", -1},
      {"5\t3\n", GetUniqueID("duvask")},
  };
  for (const auto& c : cases) {
    WriteHost("SVStrings.txt", c.strings);
    EXPECT_EQ(ComputeEditionTag(-1), c.tag) << c.strings;
  }
  // Edition 3: the installed plug-ins, sorted, whatever the order the value lists them in.
  EXPECT_EQ(ComputeEditionTag(7), GetUniqueID("duvask7"));
  SetSetting(true, "Plugins", "19 7");
  EXPECT_EQ(ComputeEditionTag(-1), GetUniqueID("duvask719"));
  SetSetting(true, "Plugins", "7,19");
  EXPECT_EQ(ComputeEditionTag(-1), GetUniqueID("duvask719"));
  EXPECT_EQ(ComputeEditionTag(12), GetUniqueID("duvask71219"));
}

}  // namespace

#include "InstallerTexts.h"

namespace {

TEST(InstallerTextsTest, GermanStringResources) {
  const struct {
    UINT id;
    const char* text;
  } cases[] = {
      {101, "&About StarvaneUpdater..."},
      {102, "Die Installation ist abgeschlossen."},
      {103, "Plugin-Installation"},
      {104, "Dieses Plugin kann nicht installiert werden. Bitte beenden Sie erst die Installation des vorherigen "
            "Plugins."},
      {105, "Dieses Plugin kann nicht installiert werden. Ihr Computer erf\xFCllt nicht die minimalen "
            "Systemvoraussetzungen."},
      {106, "Es gibt nicht gen\xFCgend freien Speicherplatz, um das Plugin zu installieren.\nBitte r\xE4umen Sie Ihre "
            "Festplatte auf."},
  };
  for (const auto& c : cases) EXPECT_EQ(LoadInstallerText(c.id), c.text) << c.id;
  EXPECT_EQ(LoadInstallerText(107), "");
}

}  // namespace
