// The clipboard without a screen: the platform's own store, its two text formats and who may
// use it when.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "base/errors.h"
#include "memory/memory.h"
#include "ui/clipboard.h"

namespace {

HGLOBAL Block(const void* bytes, size_t size) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, size);
  std::memcpy(GlobalLock(h), bytes, size);
  GlobalUnlock(h);
  return h;
}

std::u16string Wide(HANDLE h) { return h ? std::u16string(static_cast<const char16_t*>(GlobalLock(h))) : u"(none)"; }
std::string Ansi(HANDLE h) { return h ? std::string(static_cast<const char*>(GlobalLock(h))) : "(none)"; }

class Clipboard : public ::testing::Test {
 protected:
  void TearDown() override {
    if (OpenClipboard(nullptr)) {
      EmptyClipboard();
      CloseClipboard();
    }
  }
};

TEST_F(Clipboard, UnicodeTextInGivesBothFormatsOut) {
  const std::u16string text = u"Grüße, Straße: 5 €";
  ASSERT_TRUE(OpenClipboard(nullptr));
  ASSERT_TRUE(EmptyClipboard());
  ASSERT_TRUE(SetClipboardData(CF_UNICODETEXT, Block(text.c_str(), (text.size() + 1) * 2)));
  ASSERT_TRUE(CloseClipboard());
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
  EXPECT_FALSE(IsClipboardFormatAvailable(2));  // a bitmap: none here

  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_EQ(Wide(GetClipboardData(CF_UNICODETEXT)), text);
  EXPECT_EQ(Ansi(GetClipboardData(CF_TEXT)), "Gr\xFC\xDF" "e, Stra\xDF" "e: 5 \x80");
  CloseClipboard();
}

TEST_F(Clipboard, AnsiTextInAndABlockWithoutItsEnd) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  // No terminating zero: the text ends with the block.
  ASSERT_TRUE(SetClipboardData(CF_TEXT, Block("K\xF6ln", 4)));
  EXPECT_EQ(Wide(GetClipboardData(CF_UNICODETEXT)), u"Köln");
  CloseClipboard();
}

TEST_F(Clipboard, OnlyTheOpenerUsesItAndOnlyWhileOpen) {
  const char text[] = "x";
  SetLastError(0);
  HGLOBAL stray = Block(text, sizeof text);
  EXPECT_EQ(SetClipboardData(CF_TEXT, stray), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_CLIPBOARD_NOT_OPEN));
  GlobalFree(stray);
  EXPECT_FALSE(EmptyClipboard());
  EXPECT_EQ(GetClipboardData(CF_TEXT), nullptr);
  EXPECT_FALSE(CloseClipboard());

  ASSERT_TRUE(OpenClipboard(nullptr));
  BOOL otherOpened = TRUE;
  DWORD otherError = 0;
  std::thread other([&] {
    otherOpened = OpenClipboard(nullptr);
    otherError = GetLastError();
  });
  other.join();
  EXPECT_FALSE(otherOpened);
  EXPECT_EQ(otherError, DWORD(ERROR_ACCESS_DENIED));
  EmptyClipboard();
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
  HGLOBAL picture = Block(text, sizeof text);
  EXPECT_EQ(SetClipboardData(5, picture), nullptr) << "a format it does not keep";
  GlobalFree(picture);
  CloseClipboard();
  std::thread later([&] {
    otherOpened = OpenClipboard(nullptr);
    if (otherOpened) CloseClipboard();
  });
  later.join();
  EXPECT_TRUE(otherOpened);
}

}  // namespace
