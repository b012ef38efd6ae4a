// Last error per thread, system message texts and the local heap.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "base/errors.h"

namespace {

TEST(LastError, IsKeptPerThread) {
  SetLastError(ERROR_ACCESS_DENIED);
  DWORD seenInThread = 99;
  std::thread t([&] {
    seenInThread = GetLastError();
    SetLastError(ERROR_FILE_NOT_FOUND);
  });
  t.join();
  EXPECT_EQ(seenInThread, DWORD(ERROR_SUCCESS));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
}

TEST(MessageText, SystemTexts) {
  struct {
    DWORD code;
    const char16_t* text;
  } cases[] = {
      {0, u"The operation completed successfully.\r\n"},
      {2, u"The system cannot find the file specified.\r\n"},
      {3, u"The system cannot find the path specified.\r\n"},
      {5, u"Access is denied.\r\n"},
      {32, u"The process cannot access the file because it is being used by another process.\r\n"},
      {112, u"There is not enough space on the disk.\r\n"},
      {183, u"Cannot create a file when that file already exists.\r\n"},
      {0x80070005u, u"Access is denied.\r\n"},  // HRESULT of a Win32 code
      {0x80004005u, u"Unspecified error\r\n"},
  };
  for (const auto& c : cases) {
    char16_t buf[256];
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, c.code, 0, buf,
                             256, nullptr);
    EXPECT_EQ(std::u16string(buf, n), c.text) << c.code;
  }
  char narrow[256];
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_FILE_NOT_FOUND, 0, narrow, 256, nullptr);
  EXPECT_EQ(std::string(narrow, n), "The system cannot find the file specified.\r\n");
}

TEST(MessageText, AllocatedBufferIsFreedWithLocalFree) {
  LPWSTR text = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, ERROR_ACCESS_DENIED, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                           reinterpret_cast<LPWSTR>(&text), 0, nullptr);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(n, 19u);
  EXPECT_EQ(std::u16string(text), u"Access is denied.\r\n");
  EXPECT_EQ(LocalFree(text), nullptr);

  LPSTR narrow = nullptr;
  n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_INVALID_PARAMETER, 0,
                     reinterpret_cast<LPSTR>(&narrow), 0, nullptr);
  ASSERT_NE(narrow, nullptr);
  EXPECT_STREQ(narrow, "The parameter is incorrect.\r\n");
  LocalFree(narrow);
}

TEST(MessageText, Failures) {
  char16_t buf[8];
  SetLastError(0);
  EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 0xDEAD, 0, buf, 8, nullptr), 0u);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_MR_MID_NOT_FOUND));
  LPWSTR text = reinterpret_cast<LPWSTR>(1);
  EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 0xDEAD, 0,
                           reinterpret_cast<LPWSTR>(&text), 0, nullptr),
            0u);
  SetLastError(0);
  EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_ACCESS_DENIED, 0, buf, 8, nullptr), 0u);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
}

TEST(MessageText, WidthDropsLineBreaksAndInsertsStayWhenIgnored) {
  char16_t buf[256];
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_MAX_WIDTH_MASK, nullptr, 2, 0, buf, 256,
                           nullptr);
  EXPECT_EQ(std::u16string(buf, n), u"The system cannot find the file specified.");
  n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_BAD_EXE_FORMAT, 0,
                     buf, 256, nullptr);
  EXPECT_EQ(std::u16string(buf, n), u"%1 is not a valid Win32 application.\r\n");
}

void FormatWithArgs(char* out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_STRING, format, 0, 0, out, 64, &args);
  va_end(args);
  out[n] = 0;
}

TEST(MessageText, FromStringWithInserts) {
  char out[64];
  FormatWithArgs(out, "%1 and %2!s!%n100%% %3", "one", "two", "three");
  EXPECT_STREQ(out, "one and two\r\n100% three");
  FormatWithArgs(out, "[%1!5d!] [%2!-3s!] %3!04X!%0 dropped", 42, "ab", 255);
  EXPECT_STREQ(out, "[   42] [ab ] 00FF");
}

TEST(LocalHeap, ZeroInitAndSize) {
  auto* p = static_cast<unsigned char*>(LocalAlloc(LPTR, 64));
  ASSERT_NE(p, nullptr);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(p[i], 0);
  EXPECT_EQ(LocalSize(p), 64u);
  EXPECT_EQ(LocalFree(p), nullptr);
  EXPECT_EQ(LocalFree(nullptr), nullptr);
}

}  // namespace
