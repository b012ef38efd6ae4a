// The line reader, the trimming and number helpers and the file wrapper.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "DebugPrint.h"
#include "MFile.h"
#include "TextReader.h"
#include "updater_support.h"

using updatertest::DebugCapture;
using updatertest::SampleHost;

TEST(TrimLine, RemovesSurroundingWhiteSpaceOnly) {
  const std::pair<std::string, std::string> cases[] = {
      {"  a b  ", "a b"}, {"\tkey\r\n", "key"}, {" \t \r\n", ""}, {"", ""}, {"x", "x"}, {"a  b", "a  b"},
  };
  for (const auto& [input, expected] : cases) {
    std::string buffer = input;
    TrimLine(buffer.data());
    EXPECT_EQ(std::string(buffer.c_str()), expected) << "input '" << input << "'";
  }
}

TEST(ScanDecimal, ReadsLikePercentD) {
  struct Case {
    const char* text;
    bool ok;
    int value;
  } cases[] = {
      {"12", true, 12},     {"  -7 rest", true, -7}, {"+3", true, 3},         {"705\tx", true, 705},
      {"abc", false, 0},    {"", false, 0},          {"- 1", false, 0},       {"99999999999", false, 0},
      {"2147483647", true, 2147483647},
  };
  for (const Case& c : cases) {
    int value = 0;
    EXPECT_EQ(ScanDecimal(c.text, &value), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(value, c.value) << c.text;
    }
  }
}

class TextReaderTest : public ::testing::Test {
 protected:
  SampleHost host;
  std::string Put(const std::string& bytes) {
    host.Write("texts/file.txt", bytes);
    return "C:\\texts\\file.txt";
  }
};

TEST_F(TextReaderTest, ReadLineSkipsCommentsAndBlankLinesAndMarksBlockEnds) {
  const std::string longLine(300, 'x');
  TextReader reader;
  ASSERT_TRUE(reader.Open(Put("! comment\n\n   \n  ! indented comment\ntext ! not a comment\n"
                              "   first  \n  }  end of block\n" + longLine + "\r\nlast")
                              .c_str()));
  std::vector<std::pair<int, std::string>> got;
  char buffer[256];
  int n;
  while ((n = reader.ReadLine(buffer, sizeof buffer)) != TextReader::kEndOfFile) got.emplace_back(n, buffer);
  const std::vector<std::pair<int, std::string>> expected = {
      {20, "text ! not a comment"}, {5, "first"}, {-2, "}  end of block"}, {255, std::string(255, 'x')}, {4, "last"},
  };
  EXPECT_EQ(got, expected);
  strcpy(buffer, "unchanged");
  EXPECT_EQ(reader.ReadLine(buffer, sizeof buffer), TextReader::kEndOfFile);
  EXPECT_STREQ(buffer, "unchanged");
}

TEST_F(TextReaderTest, LongLinesArriveWholeOrMarkedCutNeverSplit) {
  // 4,095 letters then "evil.exe" on one line; a line of blanks long enough to fill the line
  // buffer before its text; a key followed by enough blanks and more text to be cut to the key.
  const std::string split = std::string(4095, 'd') + "evil.exe";
  const std::string lateText = std::string(5000, ' ') + "x";
  const std::string fakeKey = "key" + std::string(5000, ' ') + "more";
  TextReader reader;
  ASSERT_TRUE(reader.Open(Put(split + "\n" + lateText + "\n" + fakeKey + "\nfits\n" +
                              std::string(300, 'n') + "\n" + std::string(4095, 'w') + "   \n")
                              .c_str()));
  std::vector<char> buffer(8192);
  struct Expect {
    int result;
    bool cut;
  } expected[] = {{4095, true}, {0, true}, {3, true}, {4, false}, {255, true}, {4095, false}};
  const int sizes[] = {8192, 8192, 8192, 256, 256, 8192};
  for (size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(reader.ReadLine(buffer.data(), sizes[i]), expected[i].result) << i;
    EXPECT_EQ(reader.LastLineCut(), expected[i].cut) << i;
  }
  EXPECT_EQ(reader.ReadLine(buffer.data(), 8192), TextReader::kEndOfFile);
  EXPECT_FALSE(reader.FindLine("key"));
}

TEST_F(TextReaderTest, ByteOrderMarkAndEveryLineEnd) {
  TextReader reader;
  ASSERT_TRUE(reader.Open(Put("\xEF\xBB\xBF" "first\rsecond\r\rthird\r\nfourth\n\r}\rlast").c_str()));
  char buffer[64];
  std::vector<std::string> got;
  int n;
  while ((n = reader.ReadLine(buffer, sizeof buffer)) != TextReader::kEndOfFile) got.push_back(buffer);
  EXPECT_EQ(got, (std::vector<std::string>{"first", "second", "third", "fourth", "}", "last"}));
  ASSERT_TRUE(reader.FindLine("first"));  // the mark is passed over again after the rewind
  ASSERT_GE(reader.ReadLine(buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "second");
  // A file that is only the start of a mark, and one without a mark, lose no byte.
  ASSERT_TRUE(reader.Open(Put("\xEF\xBB").c_str()));
  EXPECT_EQ(reader.ReadLine(buffer, sizeof buffer), 2);
  ASSERT_TRUE(reader.Open(Put("ab").c_str()));
  EXPECT_EQ(reader.ReadLine(buffer, sizeof buffer), 2);
  EXPECT_STREQ(buffer, "ab");
}

TEST_F(TextReaderTest, FindLineMatchesWholeTrimmedLinesWithCaseAndRewinds) {
  TextReader reader;
  ASSERT_TRUE(reader.Open(Put("7.0.1\n7.0.2.X\n  7.0.2.x  \nafter\n7.0.2.x\nsecond\n").c_str()));
  char buffer[64];
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(reader.FindLine("7.0.2.x"));
    ASSERT_GE(reader.ReadLine(buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "after");
  }
  EXPECT_FALSE(reader.FindLine("7.0. 2.x"));
  EXPECT_FALSE(reader.FindLine("7.0"));
  EXPECT_EQ(reader.ReadLine(buffer, sizeof buffer), TextReader::kEndOfFile);
}

TEST_F(TextReaderTest, ReadIntTakesTheFirstFieldOfTheNextLine) {
  TextReader reader;
  ASSERT_TRUE(reader.Open(Put("! c\n  12 rest\nabc 3\n\t-4\n } 5\n}\n").c_str()));
  const std::pair<int, int> expected[] = {{1, 12}, {0, -99}, {1, -4}, {-2, -99}, {-2, -99}, {-1, -99}};
  for (const auto& [result, value] : expected) {
    int got = -99;
    EXPECT_EQ(reader.ReadInt(&got), result);
    EXPECT_EQ(got, value);
  }
}

TEST_F(TextReaderTest, OpenFailsForMissingFilesAndReadsThenEnd) {
  TextReader reader;
  EXPECT_FALSE(reader.Open("C:\\texts\\missing.txt"));
  char buffer[8];
  int value = 0;
  EXPECT_EQ(reader.ReadLine(buffer, sizeof buffer), TextReader::kEndOfFile);
  EXPECT_EQ(reader.ReadInt(&value), TextReader::kEndOfFile);
  EXPECT_FALSE(reader.FindLine("x"));
}

TEST(MFileModes, TurnIntoTheFileArguments) {
  struct Case {
    unsigned mode;
    DWORD access, sharing, creation, flags;
  } cases[] = {
      {0x02, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_FLAG_RANDOM_ACCESS},
      {0x05, GENERIC_WRITE, FILE_SHARE_WRITE, CREATE_ALWAYS, FILE_FLAG_SEQUENTIAL_SCAN},
      {0x22, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_FLAG_RANDOM_ACCESS},
      {0x08, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL},
      {0x40, 0, FILE_SHARE_WRITE, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL},
      {0x00, 0, 0, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MFile::ModeToAccess(c.mode), c.access) << c.mode;
    EXPECT_EQ(MFile::ModeToSharing(c.mode), c.sharing) << c.mode;
    EXPECT_EQ(MFile::ModeToCreation(c.mode), c.creation) << c.mode;
    EXPECT_EQ(MFile::ModeToFlags(c.mode), c.flags) << c.mode;
  }
}

TEST(MFileTest, WritesAndReadsBackAndSharesAHandleForTheSamePath) {
  SampleHost host;
  host.Write("files/keep.txt", "");
  MFile out;
  ASSERT_TRUE(out.Open("C:\\files\\data.bin", MFile::kModeCreateWrite));
  EXPECT_EQ(out.Write("abcdef", 6), 6u);
  EXPECT_TRUE(out.Close());
  EXPECT_EQ(out.State(), MFile::kClosed);

  MFile in;
  ASSERT_TRUE(in.Open("C:\\files\\data.bin", MFile::kModeRead));
  ASSERT_TRUE(in.Open("C:\\files\\data.bin", MFile::kModeCreateWrite));  // counted, mode not looked at
  EXPECT_EQ(in.OpenCount(), 2);
  EXPECT_TRUE(in.Close());
  EXPECT_EQ(in.State(), MFile::kOpen);
  char buffer[16] = {};
  EXPECT_EQ(in.Read(buffer, sizeof buffer), 6u);
  EXPECT_STREQ(buffer, "abcdef");
  EXPECT_TRUE(in.Close());
  EXPECT_EQ(in.State(), MFile::kClosed);
  EXPECT_EQ(in.Read(buffer, sizeof buffer), 0u);
  EXPECT_EQ(in.Write("x", 1), 0u);
}

TEST(MFileTest, FailedOpenAndExistenceTestWriteTheDiagnostic) {
  SampleHost host;
  DebugCapture debug;
  host.Write("files/here.txt", "x");
  EXPECT_TRUE(MFile::Exists("C:\\files\\here.txt"));
  EXPECT_FALSE(MFile::Exists("C:\\files\\missing.txt"));
  EXPECT_EQ(debug.Text(), "Opening file 'C:\\files\\missing.txt' error code = 2\n");
  MFile file;
  EXPECT_FALSE(file.Open("C:\\files\\missing.txt", MFile::kModeRead));
  EXPECT_EQ(file.State(), MFile::kOpenFailed);
  EXPECT_FALSE(file.Close());
}

TEST(MFileTest, ReadOnlyFileOpenedForWritingIsMadeWritableOnce) {
  SampleHost host;
  DebugCapture debug;
  host.Write("files/locked.txt", "old");
  ASSERT_TRUE(SetFileAttributesA("C:\\files\\locked.txt", FILE_ATTRIBUTE_READONLY));
  MFile file;
  ASSERT_TRUE(file.Open("C:\\files\\locked.txt", MFile::kModeCreateWrite));
  EXPECT_EQ(file.Write("new", 3), 3u);
  file.Close();
  EXPECT_EQ(GetFileAttributesA("C:\\files\\locked.txt") & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_EQ(updatertest::ReadSavedFile("C:\\files\\locked.txt"), "new");
  // One failed attempt is reported, then the retry succeeds.
  EXPECT_EQ(debug.Text(), "Opening file 'C:\\files\\locked.txt' error code = 5\n");

  // Read access to a missing file is not retried.
  DebugCapture second;
  EXPECT_FALSE(file.Open("C:\\files\\none.txt", MFile::kModeRead));
  EXPECT_EQ(second.Text(), "Opening file 'C:\\files\\none.txt' error code = 2\n");
}

TEST(DebugPrintTest, FormatsAndCutsAtTheBufferSize) {
  DebugCapture debug;
  DebugPrint("File %s not found\n", "media:x.ini");
  DebugPrint("%s", std::string(2000, 'y').c_str());
  const std::string text = debug.Text();
  EXPECT_EQ(text.substr(0, 27), "File media:x.ini not found\n");
  EXPECT_EQ(text.size(), 27u + 1023u);
}
