// Resource files: a loose file, or an entry of the nearest ".nux" archive up the path; a
// skin description and its images read alike from a folder and from the same folder packed.
#include <gtest/gtest.h>

#include <unistd.h>

#include "IniText.h"
#include "ResourceFile.h"
#include "fs/fs.h"
#include "fs/path.h"
#include "../zip/zip_builder.h"
#include "../zip/zip_test_util.h"

namespace {

using ziptest::Fixture;
using ziptest::WriteDriveC;
using ziptest::ZipError;

// A ".nux" archive of the given entries, protected with the library's password (or another).
std::string Nux(const std::vector<std::pair<std::string, std::string>>& files,
                const std::string& password = "QuietOwlsDance") {
  ziptest::Archive archive;
  for (const auto& [name, data] : files) {
    ziptest::Entry e;
    e.name = name;
    e.data = data;
    e.password = password;
    archive.entries.push_back(e);
  }
  return archive.Build();
}

std::string ReadAllString(CResourceFile& file) {
  BYTE* data = nullptr;
  DWORD size = 0;
  if (!file.ReadAll(data, size)) return "<false>";
  std::string s(reinterpret_cast<const char*>(data), size);
  free(data);
  return s;
}

std::string ReadGlobalString(CResourceFile& file) {
  HGLOBAL block = nullptr;
  if (!file.ReadAllGlobal(block)) return "<false>";
  std::string s(static_cast<const char*>(GlobalLock(block)), GlobalSize(block));
  GlobalUnlock(block);
  GlobalFree(block);
  return s;
}

std::string ReadPath(CResourceFile& file, const char16_t* path) {
  if (!file.Open(path)) return "<no file>";
  std::string s = ReadAllString(file);
  file.Close(FALSE);
  return s;
}

class SampleSkin : public ::testing::TestWithParam<bool> {};

TEST_P(SampleSkin, DescriptionAndImagesAreRead) {
  const bool packed = GetParam();
  const char* files[] = {"frame.ads", "top.bmp", "corner.png"};
  if (packed) {
    WriteDriveC("Content/Frames.nux", Fixture("Frames.nux"));
  } else {
    for (const char* f : files) WriteDriveC(std::string("Content/Frames/") + f, Fixture(std::string("Frames/") + f));
  }

  CResourceFile resources;
  CIniText ini;
  ASSERT_TRUE(ini.Load(u"C:\\Content\\Frames\\frame.ads", &resources));
  EXPECT_EQ(ini.GetFolder(), CString(u"C:\\Content\\Frames"));
  EXPECT_EQ(ini.GetString(u"Frame", u"Top", u""), CString(u"top.bmp"));
  EXPECT_EQ(ini.GetString(u"frame", u"CORNER", u""), CString(u"corner.png"));
  EXPECT_EQ(ini.GetInt(u"Frame", u"Width", 0), 200);
  EXPECT_EQ(ini.GetInt(u"Frame", u"MinWidth", 0), 40);
  EXPECT_EQ(ini.GetInt(u"Frame", u"Height", 0), 120);
  EXPECT_EQ(ini.GetString(u"Colors", u"Back", u""), CString(u"FFEEDD"));
  EXPECT_EQ(ini.GetInt(u"Colors", u"Text", 7), 0);  // "0x10": the digits stop at the x

  for (const char* image : {"top.bmp", "corner.png"}) {
    const CString path = ini.GetFolder() + u"\\" + CString(nux::AnsiToWide(image).c_str());
    ASSERT_TRUE(resources.Open(path)) << image;
    EXPECT_EQ(ReadGlobalString(resources), Fixture(std::string("Frames/") + image));
    EXPECT_EQ(ReadAllString(resources), Fixture(std::string("Frames/") + image));
    resources.Close(FALSE);
  }
  ASSERT_TRUE(resources.Open(u"C:\\Content\\Frames\\frame.ads"));
  CString text;
  ASSERT_TRUE(resources.ReadText(text));
  EXPECT_EQ(text, CString(nux::AnsiToWide(Fixture("Frames/frame.ads")).c_str()));
  resources.Close(TRUE);
}

INSTANTIATE_TEST_SUITE_P(ResourceFile, SampleSkin, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Archive" : "LooseFolder"; });

TEST(ResourceFile, ArchiveLookUp) {
  WriteDriveC("Look/Skins.nux", Nux({{"Blue\\frame.ads", "two up"}, {"Red\\frame.ads", "red"}}));
  WriteDriveC("Look/Skins/Green.nux", Nux({{"frame.ads", "one up"}}));
  WriteDriveC("Look/Both/Frames.nux", Nux({{"frame.ads", "packed"}}));
  WriteDriveC("Look/Both/Frames/frame.ads", "loose");
  CResourceFile file;
  EXPECT_EQ(ReadPath(file, u"C:\\Look\\Skins\\Blue\\frame.ads"), "two up");
  EXPECT_EQ(ReadPath(file, u"C:\\Look\\Skins\\Green\\frame.ads"), "one up");
  EXPECT_EQ(ReadPath(file, u"C:\\Look\\Both\\Frames\\frame.ads"), "loose");
  // The entry name keeps the path's case; the archive compares without it.
  EXPECT_EQ(ReadPath(file, u"C:\\Look\\Skins\\RED\\FRAME.ADS"), "red");
  // The archive is there, the entry is not: the open succeeds and the read fails.
  ASSERT_TRUE(file.Open(u"C:\\Look\\Skins\\Blue\\none.ads"));
  EXPECT_EQ(ReadAllString(file), "<false>");
  file.Close(FALSE);
  EXPECT_FALSE(file.Open(u"C:\\Nowhere\\frame.ads"));
  EXPECT_EQ(ReadAllString(file), "<false>");
  // A folder is no file.
  EXPECT_FALSE(file.Open(u"C:\\Look\\Both\\Frames"));
}

TEST(ResourceFile, PathWithoutBackslashIsNeverAnArchiveEntry) {
  WriteDriveC("Cur/.nux", Nux({{"frame.ads", "x"}}));
  ASSERT_TRUE(SetCurrentDirectoryW(u"C:\\Cur"));
  CResourceFile file;
  EXPECT_FALSE(file.Open(u"frame.ads"));
  EXPECT_FALSE(file.Open(u"C:frame.ads"));
  SetCurrentDirectoryW(u"C:\\");
}

TEST(ResourceFile, HeldArchiveIsReused) {
  WriteDriveC("Reuse/Frames.nux", Nux({{"a.ads", "old a"}, {"b.ads", "old b"}}));
  CResourceFile file;
  EXPECT_EQ(ReadPath(file, u"C:\\Reuse\\Frames\\a.ads"), "old a");
  // The archive stays open, so the next path in it reads from the archive opened first ...
  WriteDriveC("Reuse/Frames.nux", Nux({{"a.ads", "new a"}, {"b.ads", "new b"}}));
  EXPECT_EQ(ReadPath(file, u"C:\\Reuse\\Frames\\b.ads"), "old b");
  // ... while an archive path that differs in letter case opens the archive anew.
  EXPECT_EQ(ReadPath(file, u"C:\\Reuse\\FRAMES\\b.ads"), "new b");
  // A loose file in between leaves the archive held.
  WriteDriveC("Reuse/loose.txt", "loose");
  EXPECT_EQ(ReadPath(file, u"C:\\Reuse\\loose.txt"), "loose");
  WriteDriveC("Reuse/Frames.nux", Nux({{"a.ads", "newest a"}}));
  EXPECT_EQ(ReadPath(file, u"C:\\Reuse\\FRAMES\\a.ads"), "new a");
  file.Close(TRUE);
  EXPECT_EQ(ReadPath(file, u"C:\\Reuse\\FRAMES\\a.ads"), "newest a");
}

TEST(ResourceFile, EmptyFilesAndText) {
  WriteDriveC("Empty/loose.txt", "");
  WriteDriveC("Empty/nul.txt", std::string("before\0after", 12));
  WriteDriveC("Empty/Pack.nux", Nux({{"empty.txt", ""}, {"ansi.txt", "caf\xe9 \x80"}}));
  CResourceFile file;
  BYTE* data = reinterpret_cast<BYTE*>(1);
  DWORD size = 5;
  HGLOBAL block = reinterpret_cast<HGLOBAL>(1);
  CString text(u"unchanged");

  ASSERT_TRUE(file.Open(u"C:\\Empty\\loose.txt"));
  EXPECT_FALSE(file.ReadAll(data, size));
  EXPECT_EQ(data, nullptr);
  EXPECT_EQ(size, 0u);
  EXPECT_FALSE(file.ReadAllGlobal(block));
  EXPECT_FALSE(file.ReadText(text));
  EXPECT_EQ(text, CString(u"unchanged"));

  ASSERT_TRUE(file.Open(u"C:\\Empty\\Pack\\empty.txt"));
  EXPECT_TRUE(file.ReadAll(data, size));
  EXPECT_EQ(size, 0u);
  free(data);
  EXPECT_TRUE(file.ReadText(text));
  EXPECT_EQ(text, CString());
  EXPECT_FALSE(file.ReadAllGlobal(block));

  ASSERT_TRUE(file.Open(u"C:\\Empty\\nul.txt"));
  EXPECT_TRUE(file.ReadText(text));
  EXPECT_EQ(text, CString(u"before"));
  ASSERT_TRUE(file.Open(u"C:\\Empty\\Pack\\ansi.txt"));
  EXPECT_TRUE(file.ReadText(text));
  EXPECT_EQ(text, CString(u"caf\u00e9 \u20ac"));
}

TEST(ResourceFile, UnseekableFileIsNotRead) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  ASSERT_EQ(write(fds[1], "abc", 3), 3);
  const std::u16string path = nux::fs::ToWindowsPath("/proc/self/fd/" + std::to_string(fds[0]));
  CResourceFile file;
  ASSERT_TRUE(file.Open(path.c_str()));
  BYTE* data = nullptr;
  DWORD size = 0;
  EXPECT_FALSE(file.ReadAll(data, size));
  EXPECT_EQ(data, nullptr);
  HGLOBAL block = nullptr;
  EXPECT_FALSE(file.ReadAllGlobal(block));
  file.Close(FALSE);
  close(fds[0]);
  close(fds[1]);
}

TEST(ResourceFile, ArchiveErrorsPassToTheCaller) {
  WriteDriveC("Err/Damaged.nux", "this is no zip archive");
  WriteDriveC("Err/Other.nux", Nux({{"a.txt", "secret a"}, {"b.txt", "secret b"}}, "another password"));
  WriteDriveC("Err/Good.nux", Nux({{"a.txt", "good"}}));
  {
    ziptest::Archive archive;
    ziptest::Entry e;
    e.name = "a.txt";
    e.data = "checked";
    e.password = "QuietOwlsDance";
    archive.entries = {e};
    ziptest::Layout layout;
    std::string bytes = archive.Build(&layout);
    // A wrong CRC-32 in both headers; its high byte, the password check byte, stays right.
    const uint32_t wrong = ziptest::Crc("checked") ^ 0x00ffffffu;
    ziptest::Put32(bytes, layout.local[0] + ziptest::kLocalCrc, wrong);
    ziptest::Put32(bytes, layout.central[0] + ziptest::kCentralCrc, wrong);
    WriteDriveC("Err/Crc.nux", bytes);
    bytes[layout.central[0]] = 'X';
    WriteDriveC("Err/Broken.nux", bytes);
  }
  std::filesystem::create_directories(nux::PlatformRoot() + "/drive_c/Err/Folder.nux");

  CResourceFile file;
  EXPECT_EQ(ZipError([&] { file.Open(u"C:\\Err\\Damaged\\a.txt"); }), CZipException::cdirNotFound);
  EXPECT_EQ(ReadAllString(file), "<false>");
  EXPECT_EQ(ReadPath(file, u"C:\\Err\\Good\\a.txt"), "good");
  EXPECT_EQ(ZipError([&] { file.Open(u"C:\\Err\\Broken\\a.txt"); }), CZipException::badZipFile);
  ASSERT_TRUE(file.Open(u"C:\\Err\\Crc\\a.txt"));
  EXPECT_EQ(ZipError([&] { ReadAllString(file); }), CZipException::badCrc);
  // A folder named like an archive passes the existence test and cannot be opened as a file.
  EXPECT_EQ(ZipError([&] { file.Open(u"C:\\Err\\Folder\\a.txt"); }), -1);
  EXPECT_EQ(ReadPath(file, u"C:\\Err\\Good\\a.txt"), "good");

  ASSERT_TRUE(file.Open(u"C:\\Err\\Other\\a.txt"));
  EXPECT_EQ(ZipError([&] { ReadAllString(file); }), CZipException::badPassword);
  file.Close(FALSE);
  // The failed read left nothing open: the next entry is tried and fails in the same way.
  ASSERT_TRUE(file.Open(u"C:\\Err\\Other\\b.txt"));
  EXPECT_EQ(ZipError([&] { ReadGlobalString(file); }), CZipException::badPassword);
  CString text;
  EXPECT_EQ(ZipError([&] { file.ReadText(text); }), CZipException::badPassword);
  // Destroyed here with the archive held and an error just raised.
}

TEST(ResourceFile, DestroyedWhileAnErrorIsOnItsWay) {
  WriteDriveC("Unwind/Pack.nux", Nux({{"a.txt", "a"}}, "wrong"));
  int cause = 0;
  try {
    CResourceFile file;
    file.Open(u"C:\\Unwind\\Pack\\a.txt");
    ReadAllString(file);
  } catch (CZipException* e) {
    cause = e->m_iCause;
    e->Delete();
  }
  EXPECT_EQ(cause, CZipException::badPassword);
}

}  // namespace
