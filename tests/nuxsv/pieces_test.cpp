// The library's pieces that need no load: the module of a template code, values put into
// LIKE patterns, and the version test of the image control.
#include <gtest/gtest.h>

#include <string>

#include "ContentDatabase.h"
#include "ControlVersion.h"
#include "fs/path.h"
#include "nuxsv_env.h"

namespace nuxsvtest {
namespace {

TEST(ContentDatabase, ModuleOfTemplateCode) {
  const struct {
    const char16_t* code;
    ContentModule module;
  } cases[] = {
      {u"DICT", ContentModule::Dictionary},      {u"dict", ContentModule::Dictionary},
      {u"dctb", ContentModule::Dictionary},      {u"DC", ContentModule::Dictionary},
      {u"dcxyz", ContentModule::Dictionary},     {u"PGAL", ContentModule::PictureGallery},
      {u"pggg", ContentModule::PictureGallery},  {u"RECB", ContentModule::ReferenceBook},
      {u"rbpg", ContentModule::ReferenceBook},   {u"HLPW", ContentModule::Help},
      {u"hlps", ContentModule::Help},            {u"ENC", ContentModule::Encyclopaedia},
      {u"aso", ContentModule::Encyclopaedia},    {u"D", ContentModule::None},
      {u"DIC", ContentModule::None},             {u"PGALX", ContentModule::None},
      {u"HELP", ContentModule::None},            {u"", ContentModule::None},
      {u" dict", ContentModule::None},
  };
  for (const auto& c : cases) EXPECT_EQ(ModuleOfTemplate(CString(c.code)), c.module) << Utf8(CString(c.code));
}

TEST(ContentDatabase, LikeValuesDoubleTheirQuotes) {
  EXPECT_EQ(Utf8(SqlLikeValue(CString(u"NSTR1234"))), "NSTR1234");
  EXPECT_EQ(Utf8(SqlLikeValue(CString(u"O'Brien's"))), "O''Brien''s");
  EXPECT_EQ(Utf8(SqlLikeValue(CString(u"'"))), "''");
  EXPECT_EQ(Utf8(SqlLikeValue(CString(u"NSTR*?#[a-z]"))), "NSTR*?#[a-z]");  // wildcards stay
}

TEST(ControlVersion, ComparesAsFourFields) {
  const struct {
    DWORD ms, ls;  // the file's version
    bool atLeast206;
  } cases[] = {
      {0x00020000, 0x00070006, true},   // 2.0.7.6
      {0x00020000, 0x00070005, false},  // 2.0.7.5
      {0x00020000, 0x00070007, true},   // 2.0.7.7
      {0x00020000, 0x00060009, false},  // 2.0.6.9
      {0x00020001, 0x00000000, true},   // 2.1.0.0
      {0x00030000, 0x00000000, true},   // 3.0.0.0, although its build is lower
      {0x00010009, 0x00090009, false},  // 1.9.9.9
      {0x00020000, 0xFFFFFFFF, true},   // unsigned comparison of the low word
      {0xFFFF0000, 0x00000000, true},
  };
  for (const auto& c : cases) {
    VS_FIXEDFILEINFO info{};
    info.dwFileVersionMS = c.ms;
    info.dwFileVersionLS = c.ls;
    EXPECT_EQ(CompareVersions(info, 2, 0, 7, 6) != FALSE, c.atLeast206) << std::hex << c.ms << " " << c.ls;
  }
  // Parts are taken as 16-bit numbers.
  VS_FIXEDFILEINFO info{};
  info.dwFileVersionMS = 0x00010000;
  EXPECT_TRUE(CompareVersions(info, 0x10001, 0, 0, 0));
}

TEST(ControlVersion, ReadsTheRegisteredServersVersion) {
  Installation install;
  const struct {
    const char* file;
    bool registerDefault;
    bool result;
  } cases[] = {
      {"libZrImageCtrl.so.2.0.7.6", true, true},  {"libZrImageCtrl.so.2.0.7.5", true, false},
      {"libZrImageCtrl.so.2.1", true, true},      {"libZrImageCtrl.so.3.0.0.0", true, true},
      {"libZrImageCtrl.so", true, false},         // no version: no version resource
      {"libZrImageCtrl.so.2.0.7.6", false, false},  // no default value in InprocServer32
      {"", true, false},                            // the ProgID is not registered
  };
  for (const auto& c : cases) {
    install.RegisterControl(c.file, c.registerDefault);
    EXPECT_EQ(CheckControlVersion(u"ZAROREZO.ImageCtrl.1", 2, 0, 7, 6) != FALSE, c.result) << c.file;
  }
}

TEST(ControlVersion, LongPathsAreRead) {
  nuxtest::ScopedPlatformRoot root;
  std::string folder = "drive_c/" + std::string(60, 'a') + "/" + std::string(60, 'b') + "/" + std::string(60, 'c');
  root.Write(folder + "/libZrImageCtrl.so.2.0.7.6", std::string("\x7f" "ELF", 4) + std::string(60, '\0'));
  std::u16string path = nux::fs::ToWindowsPath(root.path() + "/" + folder + "/libZrImageCtrl.so.2.0.7.6");
  ASSERT_GT(path.size(), 200u);
  VS_FIXEDFILEINFO info{};
  ASSERT_EQ(ReadFileVersion(path.c_str(), &info), 1);
  EXPECT_EQ(info.dwFileVersionMS, 0x00020000u);
  EXPECT_EQ(info.dwFileVersionLS, 0x00070006u);
  EXPECT_EQ(ReadFileVersion(u"C:\\missing.dll", &info), 0);
}

}  // namespace
}  // namespace nuxsvtest
