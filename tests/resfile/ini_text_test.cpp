// The ini text reader: normalisation, comments, sections, keys, defaults and numbers.
#include <gtest/gtest.h>

#include "IniText.h"
#include "ResourceFile.h"
#include "../zip/zip_test_util.h"

namespace {

using ziptest::WriteDriveC;

CIniText FromText(const char16_t* text) {
  CIniText ini;
  ini.Normalize(CString(text));
  return ini;
}

TEST(IniText, Lookups) {
  const CIniText ini = FromText(
      u"[Frame]\r\n"
      u"Key = Value\r\n"
      u"Tight=Tight Value\r\n"
      u"Wide  =  wide\r\n"
      u"MinWidth = 40\r\n"
      u"Width = 200\r\n"
      u"Path = C:\\Skins;Blue\r\n"
      u"Mixed = MiXeD Case\r\n"
      u"Padded =\t  spaced  \t\r\n"
      u"Inner = a=b\r\n"
      u"[Other]\n"
      u"Only = other\n"
      u"Last = no line end");
  const struct {
    const char16_t* section;
    const char16_t* key;
    const char16_t* expected;
  } cases[] = {
      {u"Frame", u"Key", u"Value"},
      {u"FRAME", u"key", u"Value"},          // names match without regard to case ...
      {u"Frame", u"Mixed", u"MiXeD Case"},   // ... values keep theirs
      {u"Frame", u"Tight", u"Tight Value"},
      {u"Frame", u"Wide", u"<default>"},      // one of the two blanks before "=" stays
      {u"Frame", u"Wide ", u"wide"},          // and one after it
      {u"Frame", u"Width", u"200"},           // not MinWidth's value
      {u"Frame", u"MinWidth", u"40"},
      {u"Frame", u"Path", u"C:\\Skins"},      // a ";" cuts the value
      {u"Frame", u"Padded", u"spaced"},
      {u"Frame", u"Inner", u"a=b"},
      {u"Frame", u"b", u"<default>"},         // text inside a value is no key
      {u"Frame", u"Only", u"<default>"},      // a key of a later section is absent
      {u"Other", u"Only", u"other"},
      {u"Other", u"Last", u"no line end"},
      {u"Missing", u"Key", u""},              // a missing section gives "", not the default
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ini.GetString(c.section, c.key, u"<default>"), CString(c.expected))
        << nux::ToUtf8(c.section) << "/" << nux::ToUtf8(c.key);
  }
  // The default is trimmed too.
  EXPECT_EQ(ini.GetString(u"Frame", u"None", u"  d  "), CString(u"d"));
}

TEST(IniText, CommentsEndAtTheLineEnd) {
  const CIniText ini = FromText(
      u"; leading comment\n"
      u"[S]\n"
      u"a=1 ;x\n"
      u"b=2\n"
      u";[Hidden]\n"
      u"c=3;\n"
      u"d=4 ; last comment");
  EXPECT_EQ(ini.GetString(u"S", u"a", u"-"), CString(u"1"));
  EXPECT_EQ(ini.GetString(u"S", u"b", u"-"), CString(u"2"));
  EXPECT_EQ(ini.GetString(u"S", u"c", u"-"), CString(u"3"));
  EXPECT_EQ(ini.GetString(u"S", u"d", u"-"), CString(u"4"));
  EXPECT_EQ(ini.GetString(u"Hidden", u"c", u"-"), CString(u""));
}

TEST(IniText, Numbers) {
  const CIniText ini = FromText(u"[N]\nplain=42\nneg= -7px\nhex=0x10\nword=abc\nbig=99999999999\nsmall=-99999999999\n");
  const struct {
    const char16_t* section;
    const char16_t* key;
    int def;
    int expected;
  } cases[] = {
      {u"N", u"plain", 0, 42},       {u"N", u"neg", 0, -7},        {u"N", u"hex", 5, 0},
      {u"N", u"word", 5, 0},         {u"N", u"missing", 5, 5},     {u"N", u"missing", -12, -12},
      {u"None", u"plain", 5, 0},     {u"N", u"big", 0, 2147483647}, {u"N", u"small", 0, -2147483647 - 1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ini.GetInt(c.section, c.key, c.def), c.expected) << nux::ToUtf8(c.key);
}

TEST(IniText, LoadAndFolder) {
  WriteDriveC("Ini/Skin/loose.ads", "[A]\r\nx = 1\r\n");
  CIniText ini;
  EXPECT_EQ(ini.GetFolder(), CString());
  ASSERT_TRUE(ini.Load(u"C:\\Ini\\Skin\\loose.ads"));  // read directly as a text file
  EXPECT_EQ(ini.GetFolder(), CString(u"C:\\Ini\\Skin"));
  EXPECT_EQ(ini.GetInt(u"A", u"x", 0), 1);
  // A failed load keeps what was loaded.
  EXPECT_FALSE(ini.Load(u"C:\\Ini\\Skin\\missing.ads"));
  CResourceFile resources;
  EXPECT_FALSE(ini.Load(u"C:\\Ini\\Skin\\missing.ads", &resources));
  EXPECT_EQ(ini.GetInt(u"A", u"x", 0), 1);
  EXPECT_EQ(ini.GetFolder(), CString(u"C:\\Ini\\Skin"));
  ini.GetPathFolder(u"no-backslash.ads");
  EXPECT_EQ(ini.GetFolder(), CString());
}

}  // namespace
