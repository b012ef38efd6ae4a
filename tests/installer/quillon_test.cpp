// The utility library: line reader, text writer, text hash, fatal stop and folder helpers.
#include <gtest/gtest.h>

#include "Quillon.h"
#include "fs/fs.h"
#include "installer_support.h"

namespace {

class QuillonTest : public HostTest {};

TEST_F(QuillonTest, ReaderSkipsCommentsAndBlankLinesAndStopsAtBlockEnd) {
  auto in = Setup("! comment\r\n  first line  \r\n\r\n   \n\t! indented comment\nsecond\n}\nafter\n");
  char line[256];
  ASSERT_EQ(in->Readln(line, sizeof line), 1);
  EXPECT_STREQ(line, "first line");
  ASSERT_EQ(in->Readln(line, sizeof line), 1);
  EXPECT_STREQ(line, "second");
  EXPECT_EQ(in->Readln(line, sizeof line), QUILLON_BLOCK_END);
  ASSERT_EQ(in->Readln(line, sizeof line), 1);
  EXPECT_STREQ(line, "after");
  EXPECT_EQ(in->Readln(line, sizeof line), QUILLON_END_OF_FILE);
  EXPECT_EQ(in->Readln(line, sizeof line), QUILLON_END_OF_FILE);
  EXPECT_EQ(in->GetNumberLines(0), 8);  // every line of the file counts
}

TEST_F(QuillonTest, ReaderKeepsMarginsUnlessAskedAndCutsLongLines) {
  Setup("  padded \n");
  FormatIn raw("C:\\Plugin\\PluginInstaller.ini", 0, '!', '}', 65520);
  char line[6];
  ASSERT_EQ(raw.Readln(line, sizeof line), 1);
  EXPECT_STREQ(line, "  pad");  // cut to the buffer
}

TEST_F(QuillonTest, NumbersWithAndWithoutCountCheck) {
  auto in = Setup("1 2 3\n4, 5\n7 x 8\n9\n12abc\n");
  int values[8] = {};
  EXPECT_EQ(in->Readln(values, 3), 3);
  EXPECT_EQ(values[2], 3);
  in->CheckOff();
  EXPECT_EQ(in->Readln(values, 8), 2);
  EXPECT_EQ(values[1], 5);
  EXPECT_EQ(in->Readln(values, 8), 1);  // reading stops at the token "x"
  in->CheckOn();
  EXPECT_EQ(in->Readln(values, 1), 1);
  EXPECT_THROW(in->Readln(values, 1), HaltError);  // "12abc" is no number
  EXPECT_EQ(in->Readln(values, 1), QUILLON_END_OF_FILE);
}

TEST_F(QuillonTest, UnsignedNumbers) {
  auto in = Setup("4294967295\n-1\n");
  unsigned long value = 0;
  EXPECT_EQ(in->Readln(&value, 1), 1);
  EXPECT_EQ(value, 4294967295ul);
  in->CheckOff();
  EXPECT_EQ(in->Readln(&value, 1), 0);
}

TEST_F(QuillonTest, SearchStringFindsHeaderFromAnywhereAndLeavesReaderAfterIt) {
  auto in = Setup("a\n[One]\nb\n! [Two]\n  [Two]  \nc\n");
  char line[64];
  ASSERT_EQ(in->SearchString("[Two]", 1, 0), 1);
  ASSERT_EQ(in->Readln(line, sizeof line), 1);
  EXPECT_STREQ(line, "c");
  ASSERT_EQ(in->SearchString("[One]", 1, 0), 1);  // behind the reader
  ASSERT_EQ(in->Readln(line, sizeof line), 1);
  EXPECT_STREQ(line, "b");
  EXPECT_EQ(in->SearchString("[one]", 1, 0), 0);
  EXPECT_EQ(in->SearchString("[Three]", 1, 0), 0);
  ASSERT_EQ(in->Readln(line, sizeof line), 1);  // a failed search leaves the reader where it was
  EXPECT_STREQ(line, "[Two]");
  EXPECT_EQ(in->SearchString("[one]", 1, 1), 1);
}

TEST_F(QuillonTest, MissingFileHalts) {
  EXPECT_THROW(FormatIn("C:\\Plugin\\none.ini", 0, '!', '}', 65520), HaltError);
}

TEST_F(QuillonTest, ReportWritesTextModeAndReplacesWholeFile) {
  WriteHost("menu.txt", "old content that is longer\r\n");
  {
    Report out("C:\\Host\\menu.txt", "wt");
    EXPECT_EQ(out.Write("%d\t%s\n", 5, "five"), 7);
    out.Write("}\n");
  }
  EXPECT_EQ(ReadHost("menu.txt"), "5\tfive\r\n}\r\n");
  EXPECT_FALSE(HostExists("menu.txt.~new"));
  {
    Report out("C:\\Host\\menu.txt", "ab");
    out.Write("x\n");
    EXPECT_TRUE(out.Close());
  }
  EXPECT_EQ(ReadHost("menu.txt"), "5\tfive\r\n}\r\nx\n");
  EXPECT_THROW(Report("C:\\Host\\missing\\folder\\f.txt", "wt"), HaltError);
}

TEST_F(QuillonTest, UniqueIdIsStableAndSpreads) {
  EXPECT_EQ(GetUniqueID("media\\plugin\\kart.dat"), GetUniqueID(std::string("media\\plugin\\kart.dat").c_str()));
  EXPECT_EQ(GetUniqueID(""), static_cast<LONG>(0x811C9DC5u));
  EXPECT_EQ(GetUniqueID("a"), static_cast<LONG>(0xE40C292Cu));
  EXPECT_NE(GetUniqueID("vindral"), GetUniqueID("kesmor"));
}

TEST_F(QuillonTest, HaltFormatsItsTextForTheHandler) {
  try {
    Halt("Bad string %s\n", "x\ty");
    FAIL();
  } catch (const HaltError& e) {
    EXPECT_STREQ(e.what(), "Bad string x\ty\n");
  }
}

TEST_F(QuillonTest, HaltWithoutHandlerEndsTheProcess) {
  quillon::SetHaltHandler({});
  EXPECT_EXIT(Halt("File %s not found\n", "a.txt"), ::testing::ExitedWithCode(1), "File a.txt not found");
}

TEST_F(QuillonTest, DeleteMarginsBlanks) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {{"  a b \t", "a b"}, {"", ""}, {" \t\r\n", ""}, {"x", "x"}};
  for (const auto& c : cases) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%s", c.in);
    DeleteMarginsBlanks(buffer);
    EXPECT_STREQ(buffer, c.out) << '"' << c.in << '"';
  }
}

TEST_F(QuillonTest, FolderHelpers) {
  EXPECT_FALSE(IsDirectoryExist("C:\\Host\\a"));
  EXPECT_TRUE(MakeDir("C:\\Host\\a\\b\\c"));
  EXPECT_TRUE(IsDirectoryExist("C:\\Host\\a\\b\\c"));
  EXPECT_TRUE(MakeDir("C:\\Host\\a\\b\\c\\"));  // already there
  WriteHost("file.txt", "x");
  EXPECT_FALSE(IsDirectoryExist("C:\\Host\\file.txt"));
  EXPECT_TRUE(ChangeDir("C:\\Host\\a"));
  char current[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, current);
  EXPECT_STREQ(current, "C:\\Host\\a");
  EXPECT_FALSE(ChangeDir("C:\\Host\\none"));
  ChangeDir("C:\\");
}

TEST_F(QuillonTest, ModuleFolderHasNoTrailingBackslash) {
  const std::string real = GetModuleFolder();
  EXPECT_FALSE(real.empty());
  EXPECT_NE(real.back(), '\\');
  quillon::SetModuleFolder("C:\\Plugin\\");
  EXPECT_STREQ(GetModuleFolder(), "C:\\Plugin");
  quillon::SetModuleFolder("");
  EXPECT_EQ(GetModuleFolder(), real);
}

}  // namespace
