// The installed-files register: checksum, file ids, loading, Check/Update, the tag.
#include <gtest/gtest.h>

#include "HostSettings.h"
#include "InstalledFilesRegister.h"
#include "Quillon.h"
#include "installer_support.h"

namespace {

TEST(ChecksumTest, KnownValues) {
  const struct {
    std::string bytes;
    uint32_t sum;
  } cases[] = {
      {"", 0u},
      {"abc", 0x352441C2u},
  };
  for (const auto& c : cases) EXPECT_EQ(HostTest::Checksum(c.bytes), c.sum) << c.bytes;
  uint32_t table[256];
  BuildChecksumTable(table);
  EXPECT_EQ(table[0], 0u);
  EXPECT_EQ(table[1], 0x77073096u);
  EXPECT_EQ(table[255], 0x2D02EF8Du);
  // The running value does not reset: a longer text is no XOR of its parts.
  EXPECT_NE(HostTest::Checksum("abcabc"), 0u);
}

TEST(ChecksumTest, FileIdIsTheIdOfTheLowerCasedRelativePath) {
  EXPECT_EQ(RegisterFileId("Media\\Plugin\\Kart.dat"), GetUniqueID("media\\plugin\\kart.dat"));
  EXPECT_EQ(RegisterFileId("media/plugin/kart.dat"), GetUniqueID("media\\plugin\\kart.dat"));
}

class RegisterTest : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    WriteHost("SVStrings.txt", "1\t700\r\n5\t1\r\n");  // edition 1
    tag_ = GetUniqueID("kesmor");
  }
  int32_t tag_ = 0;
  const int32_t kartId_ = RegisterFileId("media\\plugin\\kart.dat");
  const int32_t otherId_ = RegisterFileId("other.dat");
};

TEST_F(RegisterTest, RegisteredFileGetsItsNewChecksumInPlace) {
  WriteRegister(tag_, {{otherId_, 1}, {kartId_, 2}});
  WriteHost("media\\plugin\\kart.dat", "new content");
  InstalledFilesRegister reg(7, kInstalledFilesRegister);
  ASSERT_TRUE(reg.enabled());
  EXPECT_TRUE(reg.Check("media\\plugin\\KART.dat", false));
  const auto pairs = ReadRegisterPairs();
  ASSERT_EQ(pairs.size(), 2u);
  EXPECT_EQ(pairs[0], std::make_pair(otherId_, 1u));
  EXPECT_EQ(pairs[1], std::make_pair(kartId_, Checksum("new content")));
}

TEST_F(RegisterTest, NewFileUnknownToTheRegisterIsNotAdded) {
  WriteRegister(tag_, {{otherId_, 1}});
  WriteHost("media\\plugin\\kart.dat", "x");
  InstalledFilesRegister reg(7, kInstalledFilesRegister);
  EXPECT_TRUE(reg.Check("media\\plugin\\kart.dat", false));
  EXPECT_EQ(ReadRegisterPairs().size(), 1u);
}

TEST_F(RegisterTest, FullPathsAndPathsOutsideTheWorkFolder) {
  WriteRegister(tag_, {{kartId_, 2}});
  WriteHost("media\\plugin\\kart.dat", "abc");
  InstalledFilesRegister reg(7, kInstalledFilesRegister);
  EXPECT_TRUE(reg.Check("c:\\HOST\\media\\plugin\\kart.dat", true));
  EXPECT_EQ(ReadRegisterPairs()[0].second, 0x352441C2u);
  EXPECT_FALSE(reg.Check("C:\\Plugin\\kart.dat", true));
  EXPECT_THROW(reg.Update("C:\\Plugin\\kart.dat"), HaltError);
  EXPECT_THROW(reg.Update("C:\\Host\\missing.dat"), HaltError);
}

TEST_F(RegisterTest, WrongTagMissingRegisterAndTagOnlyRegister) {
  WriteHost("media\\plugin\\kart.dat", "abc");
  {
    WriteRegister(tag_ + 1, {{kartId_, 2}});
    InstalledFilesRegister reg(7, kInstalledFilesRegister);
    EXPECT_FALSE(reg.enabled());
    EXPECT_FALSE(reg.Check("media\\plugin\\kart.dat", false));
    reg.WriteTag();
    int32_t tag = 0;
    EXPECT_EQ(ReadRegisterPairs(&tag)[0].second, 2u);
    EXPECT_EQ(tag, tag_ + 1);
  }
  {
    WriteRegister(tag_, {});
    InstalledFilesRegister reg(7, kInstalledFilesRegister);
    EXPECT_TRUE(reg.enabled());
    EXPECT_TRUE(reg.Check("media\\plugin\\kart.dat", false));
    EXPECT_EQ(ReadHost("media\\files.dat").size(), 4u);
  }
  {
    InstalledFilesRegister reg(7, "media\\none.dat");
    EXPECT_FALSE(reg.enabled());
  }
}

TEST_F(RegisterTest, FirstPairOfAnIdDecidesAndOnlyWholePairsCount) {
  // A duplicate id: Update replaces the first pair; stray bytes after the last pair are neither
  // loaded nor kept misaligned by an appended pair.
  std::string bytes = Le32(static_cast<uint32_t>(tag_)) + Le32(static_cast<uint32_t>(kartId_)) + Le32(1) +
                      Le32(static_cast<uint32_t>(kartId_)) + Le32(2) + "xyz";
  WriteHost("media\\files.dat", bytes);
  WriteHost("media\\plugin\\kart.dat", "abc");
  WriteHost("other.dat", "");
  InstalledFilesRegister reg(7, kInstalledFilesRegister);
  EXPECT_TRUE(reg.Check("media\\plugin\\kart.dat", false));
  EXPECT_TRUE(UpdateFileChecksum("C:\\Host\\other.dat"));
  const auto pairs = ReadRegisterPairs();
  ASSERT_EQ(pairs.size(), 3u);
  EXPECT_EQ(pairs[0].second, 0x352441C2u);
  EXPECT_EQ(pairs[1].second, 2u);
  EXPECT_EQ(pairs[2], std::make_pair(otherId_, 0u));
  EXPECT_EQ(ReadHost("media\\files.dat").size(), 4u + 3 * 8);
}

TEST_F(RegisterTest, UpdateFileChecksumAppendsWhateverTheTag) {
  WriteRegister(12345, {{kartId_, 9}});
  WriteHost("menu.txt", "abc");
  EXPECT_TRUE(UpdateFileChecksum("C:\\Host\\menu.txt"));
  EXPECT_TRUE(UpdateFileChecksum("C:\\Host\\menu.txt"));  // the second time it replaces
  int32_t tag = 0;
  const auto pairs = ReadRegisterPairs(&tag);
  EXPECT_EQ(tag, 12345);
  ASSERT_EQ(pairs.size(), 2u);
  EXPECT_EQ(pairs[1], std::make_pair(RegisterFileId("menu.txt"), 0x352441C2u));
  EXPECT_THROW(UpdateFileChecksum("C:\\Host\\none.txt"), HaltError);
}

TEST_F(RegisterTest, UpdateFileChecksumWithoutRegisterFails) {
  WriteHost("menu.txt", "abc");
  EXPECT_FALSE(UpdateFileChecksum("C:\\Host\\menu.txt"));
  EXPECT_FALSE(HostExists("media\\files.dat"));
}

TEST_F(RegisterTest, EditionThreeTagFollowsThePluginsAndWriteTagStoresIt) {
  WriteHost("SVStrings.txt", "5\t3\r\n");
  SetSetting(true, "Plugins", "19 7");
  WriteRegister(GetUniqueID("duvask719"), {{kartId_, 1}});
  InstalledFilesRegister reg(12, kInstalledFilesRegister);
  ASSERT_TRUE(reg.enabled());
  AddInstalledPlugin(12);
  reg.WriteTag();
  int32_t tag = 0;
  ReadRegisterPairs(&tag);
  EXPECT_EQ(tag, GetUniqueID("duvask71219"));
  EXPECT_EQ(ReadHost("media\\files.dat").size(), 12u);
}

}  // namespace
