// Windows names of system libraries: LoadLibrary of "libcurl.dll" loads the system's transfer
// library when the name finds no file, or finds a Windows library whose code cannot run here.
#include <gtest/gtest.h>

#include <string>

#include "base/errors.h"
#include "res/resources.h"
#include "test_support.h"

TEST(SystemLibraries, TransferLibraryNameLoadsTheSystemLibraryByItsEntryPoints) {
  nuxtest::ScopedPlatformRoot root;
  root.Write("drive_c/host/libcurl.dll", std::string("MZ\x90\0\x03", 5));  // a Windows build
  for (const char* name : {"libcurl.dll", "LIBCURL.DLL", "C:\\host\\libcurl.dll", "C:\\missing\\libcurl.dll"}) {
    HMODULE module = LoadLibraryA(name);
    ASSERT_NE(module, nullptr) << name;
    EXPECT_NE(GetProcAddress(module, "curl_easy_init"), nullptr) << name;
    EXPECT_EQ(GetProcAddress(module, "NoSuchEntryPoint"), nullptr);
    char file[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(module, file, MAX_PATH), 0u);
    EXPECT_NE(std::string(file).find("libcurl.so"), std::string::npos) << file;
    EXPECT_TRUE(FreeLibrary(module));
  }
}

TEST(SystemLibraries, AMissingSystemLibraryOrAnUnmappedNameIsNotFound) {
  nux::SetSystemLibrary(u"libcurl.dll", "libnux-no-such-library.so.0");
  SetLastError(0);
  EXPECT_EQ(LoadLibraryA("libcurl.dll"), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
  nux::SetSystemLibrary(u"libcurl.dll", "");
  EXPECT_EQ(LoadLibraryA("libcurl.dll"), nullptr);
  nux::SetSystemLibrary(u"libcurl.dll", "libcurl.so.4");
  EXPECT_EQ(LoadLibraryA("libother.dll"), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
}
