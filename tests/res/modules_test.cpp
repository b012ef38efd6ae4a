// The module table: the program's handle and file, PE files loaded as data modules with their
// reference counts, and a Linux shared library of ours loaded with LoadLibrary.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/codepage.h"
#include "base/errors.h"
#include "fs/path.h"
#include "res/modules.h"
#include "res/resources.h"
#include "res_test_support.h"

namespace {

std::u16string WinPath(const std::string& linuxPath) { return nux::fs::ToWindowsPath(linuxPath); }

std::u16string ProgramPath() {
  char buffer[PATH_MAX];
  EXPECT_NE(::realpath("/proc/self/exe", buffer), nullptr);
  return WinPath(buffer);
}

std::u16string String(HMODULE module, UINT id) {
  return nux::res::LoadStringText(module, id).value_or(u"<missing>");
}

TEST(Modules, ProgramHandleAndNames) {
  HMODULE self = GetModuleHandleW(nullptr);
  ASSERT_NE(self, nullptr);
  EXPECT_EQ(GetModuleHandleA(nullptr), self);
  for (const char16_t* name : {u"test_res", u"TEST_RES.EXE", u"Test_Res.dll"}) {
    EXPECT_EQ(GetModuleHandleW(name), self) << nux::ToUtf8(name);
  }
  EXPECT_EQ(GetModuleHandleW(ProgramPath().c_str()), self);
  SetLastError(0);
  EXPECT_EQ(GetModuleHandleW(u"nosuchmodule.dll"), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
  auto info = nux::res::QueryModule(self);
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(info->kind, nux::res::ModuleKind::Program);
}

TEST(Modules, ModuleFileNameTruncatesAsWindows) {
  const std::u16string path = ProgramPath();
  const DWORD len = DWORD(path.size());
  char16_t buffer[PATH_MAX];
  EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, PATH_MAX), len);
  EXPECT_EQ(std::u16string(buffer), path);

  const struct {
    DWORD size;
    DWORD result;
    DWORD error;  // 0: untouched
  } cases[] = {
      {len + 1, len, 0},
      {len, len, ERROR_INSUFFICIENT_BUFFER},
      {5, 5, ERROR_INSUFFICIENT_BUFFER},
      {1, 1, ERROR_INSUFFICIENT_BUFFER},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    SetLastError(0);
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, c.size), c.result);
    EXPECT_EQ(GetLastError(), c.error);
    size_t kept = std::min<size_t>(path.size(), c.size - 1);
    EXPECT_EQ(std::u16string(buffer), path.substr(0, kept));
    EXPECT_EQ(buffer[c.size], u'#');  // nothing written past the buffer
  }
  SetLastError(0);
  EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, 0), 0u);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));

  char ansi[PATH_MAX];
  EXPECT_EQ(GetModuleFileNameA(nullptr, ansi, PATH_MAX), len);
  EXPECT_EQ(nux::AnsiToWide(ansi), path);
  EXPECT_EQ(GetModuleFileNameA(nullptr, ansi, 4), 4u);
  EXPECT_EQ(std::string(ansi).size(), 3u);

  SetLastError(0);
  EXPECT_EQ(GetModuleFileNameW(reinterpret_cast<HMODULE>(uintptr_t(0x7770000)), buffer, PATH_MAX), 0u);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
}

TEST(Modules, PeLibraryIsReferenceCounted) {
  const std::u16string path = WinPath(restest::FixturePath("Fixture.dll"));
  HMODULE first = LoadLibraryW(path.c_str());
  ASSERT_NE(first, nullptr);
  EXPECT_NE(first, GetModuleHandleW(nullptr));
  EXPECT_EQ(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE), first);
  EXPECT_EQ(GetModuleHandleW(u"FIXTURE"), first);
  EXPECT_EQ(GetModuleHandleW(u"fixture.dll"), first);
  EXPECT_EQ(LoadLibraryW(u"Fixture.dll"), first);  // a bare name that a loaded module answers to
  auto info = nux::res::QueryModule(first);
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(info->kind, nux::res::ModuleKind::DataFile);
  EXPECT_EQ(info->loadCount, 3);

  char16_t buffer[PATH_MAX];
  ASSERT_GT(GetModuleFileNameW(first, buffer, PATH_MAX), 0u);
  EXPECT_EQ(std::u16string(buffer), path);
  EXPECT_EQ(String(first, 1), u"Erster Eintrag");

  EXPECT_TRUE(FreeLibrary(first));
  EXPECT_TRUE(FreeLibrary(first));
  EXPECT_EQ(String(first, 1), u"Erster Eintrag");  // one reference left
  HRSRC stale = FindResourceW(first, MAKEINTRESOURCEW(200), RT_RCDATA);
  ASSERT_NE(stale, nullptr);
  EXPECT_TRUE(FreeLibrary(first));

  // Gone: the handle and its resource handles are unknown now.
  EXPECT_EQ(GetModuleHandleW(u"Fixture.dll"), nullptr);
  SetLastError(0);
  EXPECT_EQ(FindResourceW(first, MAKEINTRESOURCEW(200), RT_RCDATA), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_DATA_NOT_FOUND));
  EXPECT_EQ(LoadResource(first, stale), nullptr);
  SetLastError(0);
  EXPECT_FALSE(FreeLibrary(first));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
  EXPECT_TRUE(FreeLibrary(GetModuleHandleW(nullptr)));  // the program stays
  EXPECT_NE(GetModuleHandleW(nullptr), nullptr);
}

TEST(Modules, BareNamesAreLookedUpInTheCurrentFolder) {
  nuxtest::ScopedPlatformRoot root;
  std::filesystem::create_directories(root.DriveC() + "/Host");
  std::filesystem::copy_file(restest::FixturePath("Fixture.dll"), root.DriveC() + "/Host/Tessaron.dll");
  ASSERT_TRUE(SetCurrentDirectoryW(u"C:\\Host"));

  HMODULE h = LoadLibraryA("tessaron");  // no extension: ".dll" is added; the case differs
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(String(h, 16), u"Zweiter Block");
  EXPECT_EQ(LoadLibraryA("C:\\HOST\\TESSARON.DLL"), h);
  char path[PATH_MAX];
  ASSERT_GT(GetModuleFileNameA(h, path, PATH_MAX), 0u);
  EXPECT_STREQ(path, "C:\\Host\\Tessaron.dll");
  EXPECT_TRUE(FreeLibrary(h));
  EXPECT_TRUE(FreeLibrary(h));
  EXPECT_EQ(GetModuleHandleA("Tessaron.dll"), nullptr);
}

TEST(Modules, LoadLibraryFailures) {
  nuxtest::ScopedPlatformRoot root;
  nuxtest::TempDir dir;
  const struct {
    const char* file;
    std::string bytes;  // empty: the file is not created
    DWORD error;
  } cases[] = {
      {"missing.dll", "", ERROR_MOD_NOT_FOUND},
      {"text.dll", "just some text", ERROR_BAD_EXE_FORMAT},
      {"dos.exe", std::string("MZ") + std::string(100, '\0'), ERROR_BAD_EXE_FORMAT},
      {"short.dll", "MZ", ERROR_BAD_EXE_FORMAT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    std::string path = dir.path() + "/" + c.file;
    if (!c.bytes.empty()) dir.Write(c.file, c.bytes);
    SetLastError(0);
    EXPECT_EQ(LoadLibraryW(WinPath(path).c_str()), nullptr);
    EXPECT_EQ(GetLastError(), c.error);
  }
  SetLastError(0);
  EXPECT_EQ(LoadLibraryW(WinPath(dir.path()).c_str()), nullptr);  // a folder
  EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(LoadLibraryW(u""), nullptr);
  EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
}

TEST(Modules, SharedLibraryOfOursLoadsWithItsResources) {
  const std::u16string path = WinPath(NUX_RES_PLUGIN);
  EXPECT_EQ(GetModuleHandleW(u"libresplugin.so"), nullptr);

  HMODULE h = LoadLibraryW(path.c_str());
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GetModuleHandleW(u"libresplugin.so"), h);
  EXPECT_EQ(GetModuleHandleW(u"LIBRESPLUGIN"), h);
  EXPECT_EQ(LoadLibraryW(path.c_str()), h);
  auto info = nux::res::QueryModule(h);
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(info->kind, nux::res::ModuleKind::SharedObject);
  EXPECT_EQ(info->loadCount, 2);
  EXPECT_EQ(String(h, 1), u"Aus der Bibliothek");
  EXPECT_EQ(String(GetModuleHandleW(nullptr), 1), u"Erster Eintrag");  // each module its own

  auto answer = reinterpret_cast<int (*)()>(GetProcAddress(h, "ResPluginAnswer"));
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer(), 42);
  SetLastError(0);
  EXPECT_EQ(GetProcAddress(h, "NoSuchFunction"), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_PROC_NOT_FOUND));
  EXPECT_EQ(GetProcAddress(h, MAKEINTRESOURCEA(1)), nullptr);
  auto own = reinterpret_cast<HMODULE (*)()>(GetProcAddress(h, "ResPluginModule"));
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(own(), h);  // the library finds its own module from an address inside it

  EXPECT_TRUE(FreeLibrary(h));
  EXPECT_EQ(String(h, 1), u"Aus der Bibliothek");
  EXPECT_TRUE(FreeLibrary(h));
  EXPECT_EQ(GetModuleHandleW(u"libresplugin.so"), nullptr);
  EXPECT_FALSE(nux::res::QueryModule(h).has_value());
}

TEST(Modules, ModuleOfAnAddress) {
  HMODULE self = GetModuleHandleW(nullptr);
  HMODULE found = nullptr;
  const DWORD fromAddress = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
  ASSERT_TRUE(GetModuleHandleExW(fromAddress, reinterpret_cast<LPCWSTR>(&WinPath), &found));
  EXPECT_EQ(found, self);
  ASSERT_TRUE(GetModuleHandleExA(0, "test_res", &found));
  EXPECT_EQ(found, self);

  // An address inside a data module's resources.
  HMODULE dll = LoadLibraryW(WinPath(restest::FixturePath("Fixture.dll")).c_str());
  ASSERT_NE(dll, nullptr);
  const void* data = LockResource(LoadResource(dll, FindResourceW(dll, MAKEINTRESOURCEW(200), RT_RCDATA)));
  ASSERT_TRUE(GetModuleHandleExW(fromAddress, static_cast<LPCWSTR>(data), &found));
  EXPECT_EQ(found, dll);
  ASSERT_TRUE(GetModuleHandleExW(0, u"Fixture.dll", &found));  // counts a reference
  EXPECT_EQ(nux::res::QueryModule(dll)->loadCount, 2);
  EXPECT_TRUE(FreeLibrary(dll));
  EXPECT_TRUE(FreeLibrary(dll));
  EXPECT_FALSE(nux::res::QueryModule(dll).has_value());

  int onTheStack = 0;
  SetLastError(0);
  EXPECT_FALSE(GetModuleHandleExW(fromAddress, reinterpret_cast<LPCWSTR>(&onTheStack), &found));
  EXPECT_EQ(found, nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
}

TEST(Modules, SharedLibraryAsDataFileRunsNothing) {
  const std::u16string path = WinPath(NUX_RES_PLUGIN);
  HMODULE h = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(h, nullptr);
  auto info = nux::res::QueryModule(h);
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(info->kind, nux::res::ModuleKind::DataFile);
  // The resources come from the marker in the file: the library was not loaded.
  EXPECT_EQ(String(h, 1), u"Aus der Bibliothek");
  EXPECT_EQ(GetProcAddress(h, "ResPluginAnswer"), nullptr);

  // Loading it to run it is another module, not the data one.
  HMODULE running = LoadLibraryW(path.c_str());
  ASSERT_NE(running, nullptr);
  EXPECT_NE(running, h);
  EXPECT_NE(GetProcAddress(running, "ResPluginAnswer"), nullptr);
  EXPECT_TRUE(FreeLibrary(running));
  EXPECT_TRUE(FreeLibrary(h));
}

TEST(Modules, ScanFindsEmbeddedImagesBehindTheirMarker) {
  std::vector<uint8_t> res = restest::BuildRes({{10, 7, {}, 0, "payload"}});
  std::vector<uint8_t> file(100, 0x7F);  // many false starts of the marker
  const uint8_t marker[8] = {0x7F, 'N', 'U', 'X', 'R', 'E', 'S', 0x01};
  auto append = [&](uint64_t size) {
    file.insert(file.end(), marker, marker + 8);
    for (int i = 0; i < 8; ++i) file.push_back(uint8_t(size >> (8 * i)));
  };
  append(res.size());
  file.insert(file.end(), res.begin(), res.end());
  append(uint64_t(1) << 40);  // a size beyond the file: ignored
  file.insert(file.end(), res.begin(), res.end());
  append(res.size());  // a second good image
  file.insert(file.end(), res.begin(), res.end());
  std::vector<nux::res::ResourceEntry> entries;
  EXPECT_EQ(nux::res::ScanEmbeddedResources(file.data(), file.size(), entries), 2u);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(entries[0].data), entries[0].size), "payload");
  EXPECT_EQ(nux::res::ScanEmbeddedResources(file.data(), 40, entries), 0u);
}

}  // namespace
