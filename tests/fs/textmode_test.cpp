// The run-time's text mode: CR LF becomes LF on reading and LF becomes CR LF on writing.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "fs/fs.h"
#include "fs_test_helpers.h"
#include "test_support.h"

namespace {

std::string ReadAll(FILE* f) {
  std::string text;
  char buffer[1000];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
  return text;
}

std::string ReadWith(const char16_t* path, const char16_t* mode) {
  FILE* f = _wfopen(path, mode);
  EXPECT_NE(f, nullptr);
  if (!f) return {};
  std::string text = ReadAll(f);
  fclose(f);
  return text;
}

TEST(TextMode, ReadingTurnsCrLfIntoLf) {
  nuxtest::ScopedPlatformRoot root;
  const std::string raw = std::string("l1\r\nl2\rx\n\r\nend") + '\x1A' + "after";
  fstest::Put(root, "drive_c/in.txt", raw);
  // A long line whose CR LF straddles the stream's read-ahead.
  const std::string longLine = std::string(4095, 'x') + "\r\n" + std::string(5000, 'y') + "\r\n";
  fstest::Put(root, "drive_c/long.txt", longLine);

  struct Case {
    const char16_t* path;
    const char16_t* mode;
    std::string expected;
  } cases[] = {
      {u"C:\\in.txt", u"rt", "l1\nl2\rx\n\nend"},  // a lone CR stays; Ctrl-Z ends the text
      {u"C:\\in.txt", u"r", "l1\nl2\rx\n\nend"},   // text is the default
      {u"C:\\in.txt", u"rb", raw},
      {u"C:\\in.txt", u"r+t", "l1\nl2\rx\n\nend"},
      {u"C:\\long.txt", u"rt", std::string(4095, 'x') + "\n" + std::string(5000, 'y') + "\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReadWith(c.path, c.mode), c.expected);
  }
}

TEST(TextMode, LinesPositionsAndRewind) {
  nuxtest::ScopedPlatformRoot root;
  fstest::Put(root, "drive_c/lines.txt", "first\r\nsecond\r\n");
  FILE* f = w32_fopen("C:\\LINES.TXT", "rt");
  ASSERT_NE(f, nullptr);
  char line[64];
  ASSERT_NE(fgets(line, sizeof line, f), nullptr);
  EXPECT_STREQ(line, "first\n");
  EXPECT_EQ(ftell(f), 7);  // the file's own offset, CR included
  ASSERT_NE(fgets(line, sizeof line, f), nullptr);
  EXPECT_STREQ(line, "second\n");
  EXPECT_EQ(fgets(line, sizeof line, f), nullptr);
  EXPECT_TRUE(feof(f));
  ASSERT_EQ(fseek(f, 7, SEEK_SET), 0);
  ASSERT_NE(fgets(line, sizeof line, f), nullptr);
  EXPECT_STREQ(line, "second\n");
  rewind(f);
  ASSERT_NE(fgets(line, sizeof line, f), nullptr);
  EXPECT_STREQ(line, "first\n");
  fclose(f);
}

TEST(TextMode, WritingTurnsLfIntoCrLf) {
  nuxtest::ScopedPlatformRoot root;
  FILE* f = _wfopen(u"C:\\out.txt", u"wt");
  ASSERT_NE(f, nullptr);
  fputs("a\nb\r\n", f);
  fprintf(f, "%d\n", 42);
  fputc('\n', f);
  fclose(f);
  EXPECT_EQ(nuxtest::ReadFile(root.DriveC() + "/out.txt"), "a\r\nb\r\r\n42\r\n\r\n");

  f = _wfopen(u"C:\\out.txt", u"a");  // appending, text by default
  ASSERT_NE(f, nullptr);
  fputs("tail\n", f);
  fclose(f);
  EXPECT_EQ(nuxtest::ReadFile(root.DriveC() + "/out.txt"), "a\r\nb\r\r\n42\r\n\r\ntail\r\n");

  f = w32_fopen("C:\\bin.dat", "wb");
  ASSERT_NE(f, nullptr);
  fputs("a\nb\r\n", f);
  fclose(f);
  EXPECT_EQ(nuxtest::ReadFile(root.DriveC() + "/bin.dat"), "a\nb\r\n");

  // Bad modes are refused.
  for (const char* mode : {"", "q", "rw", "r, ccs=UTF-8"}) {
    errno = 0;
    EXPECT_EQ(w32_fopen("C:\\bin.dat", mode), nullptr) << mode;
    EXPECT_EQ(errno, EINVAL) << mode;
  }
  EXPECT_EQ(w32_fopen("C:\\missing.txt", "r"), nullptr);
  EXPECT_EQ(errno, ENOENT);
}

}  // namespace
