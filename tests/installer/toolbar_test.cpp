// The binary toolbar file and the [ModifyToolbar] section.
#include <gtest/gtest.h>

#include "PluginFilesCreator.h"
#include "Quillon.h"
#include "ToolbarFile.h"
#include "installer_support.h"

namespace {

// One entry of a toolbar file, size field included, built byte by byte.
std::string Entry(int32_t id, std::vector<int16_t> buttons, const std::string& name, int size = -1) {
  std::string record = Le32(static_cast<uint32_t>(id)) + Le32(1) + Le32(2) + Le32(3) + std::string("\x10\x11", 2);
  buttons.resize(8, -1);
  for (int16_t b : buttons) record += Le16(static_cast<uint16_t>(b));
  record += name;
  record += '\0';
  if (size >= 0) record.resize(static_cast<size_t>(size), '\0');
  return Le32(static_cast<uint32_t>(record.size())) + record;
}

std::string File(const std::vector<std::string>& entries) {
  std::string bytes = Le32(static_cast<uint32_t>(entries.size()));
  for (const std::string& e : entries) bytes += e;
  return bytes;
}

TEST(ToolbarRecordTest, BinaryFormat) {
  ToolbarRecord record;
  record.id = 0x01020304;
  record.values[0] = -1;
  record.values[1] = 2;
  record.values[2] = 3;
  record.byte16 = 0x10;
  record.byte17 = 0x11;
  record.buttons[0] = 6;
  record.buttons[1] = 12;
  record.name = "Nav";
  EXPECT_EQ(ToolbarRecordLength(record), 38);
  const std::vector<unsigned char> bytes = SerializeToolbarRecord(record, 38);
  std::string expected = Le32(0x01020304) + Le32(0xFFFFFFFF) + Le32(2) + Le32(3) + "\x10\x11" + Le16(6) + Le16(12);
  for (int i = 0; i < 6; ++i) expected += Le16(0xFFFF);
  expected += std::string("Nav\0", 4);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), expected);

  // Written with a smaller host size the name is cut and stays terminated; a larger one pads.
  const std::vector<unsigned char> cut = SerializeToolbarRecord(record, 36);
  EXPECT_EQ(std::string(cut.begin() + 34, cut.end()), std::string("N\0", 2));
  const std::vector<unsigned char> padded = SerializeToolbarRecord(record, 40);
  EXPECT_EQ(std::string(padded.begin() + 34, padded.end()), std::string("Nav\0\0\0", 6));

  ToolbarRecord back;
  ASSERT_TRUE(ParseToolbarRecord(bytes.data(), bytes.size(), back));
  EXPECT_EQ(back.id, record.id);
  EXPECT_EQ(back.values[0], -1);
  EXPECT_EQ(back.buttons[1], 12);
  EXPECT_EQ(back.buttons[2], -1);
  EXPECT_EQ(back.name, "Nav");
  EXPECT_FALSE(ParseToolbarRecord(bytes.data(), 34, back));
}

TEST(ToolbarRecordTest, Merge) {
  const struct {
    std::vector<int16_t> section;
    std::vector<int16_t> host;
    std::vector<int> added;
    std::vector<int16_t> merged;
  } cases[] = {
      {{5, 6}, {6, 9}, {12}, {6, 12}},
      {{1, -1, 2, 3}, {3, 2, 1}, {}, {1, 2, 3}},
      {{-1, -1}, {-1}, {}, {}},                        // an empty slot is never "kept"
      {{1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6}, {7, 8, 9, 10}, {1, 2, 3, 4, 5, 6, 7, 8}},  // 8 slots
  };
  for (const auto& c : cases) {
    ToolbarRecord section;
    section.id = 4;
    ToolbarRecord host;
    std::copy(c.section.begin(), c.section.end(), section.buttons);
    std::copy(c.host.begin(), c.host.end(), host.buttons);
    NewButtonMap added;
    if (!c.added.empty()) added[4] = c.added;
    added[5] = {77};  // another toolbar's new buttons
    MergeToolbarRecord(section, host, added);
    std::vector<int16_t> expected = c.merged;
    expected.resize(8, -1);
    EXPECT_EQ(std::vector<int16_t>(section.buttons, section.buttons + 8), expected);
  }
}

class ToolbarSectionTest : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    WriteRegister(0, {});
  }
};

TEST_F(ToolbarSectionTest, MergesInPlaceAndAppendsNewToolbars) {
  const std::string first = Entry(1, {6, 9}, "Main");
  const std::string second = Entry(2, {40}, "Other");
  WriteHost("toolbar.dat", File({first, second}));
  auto setup = Setup(
      "[ModifyToolbar]\ntoolbar.dat\n"
      "Main toolbar renamed\n1\n7 8 9\n256\n300\n5 6 -12\n"
      "New\n3\n1 2 3\n4\n5\n50 -60 51\n"
      "}\n");
  PluginFilesCreator creator(7);
  EXPECT_TRUE(creator.ModifyToolbar(*setup));
  const std::string bytes = ReadHost("toolbar.dat");
  EXPECT_EQ(GetLe32(bytes, 0), 3u);
  // Toolbar 1 keeps the host's size (4 + 39 bytes), its name cut and terminated.
  std::string merged = Le32(39) + Le32(1) + Le32(7) + Le32(8) + Le32(9) + std::string("\0\x2C", 2) + Le16(6) + Le16(12);
  for (int i = 0; i < 6; ++i) merged += Le16(0xFFFF);
  merged += std::string("Main", 4) + '\0';
  EXPECT_EQ(bytes.substr(4, first.size()), merged);
  EXPECT_EQ(bytes.substr(4 + first.size(), second.size()), second);
  std::string appended = Le32(38) + Le32(3) + Le32(1) + Le32(2) + Le32(3) + "\x04\x05" + Le16(50) + Le16(51);
  for (int i = 0; i < 6; ++i) appended += Le16(0xFFFF);
  appended += std::string("New\0", 4);
  EXPECT_EQ(bytes.substr(4 + first.size() + second.size()), appended);
  EXPECT_EQ(ReadRegisterPairs().at(0).second, Checksum(bytes));
}

TEST_F(ToolbarSectionTest, KnownToolbarsKeepTheCount) {
  WriteHost("toolbar.dat", File({Entry(1, {6}, "Main")}));
  auto setup = Setup("[ModifyToolbar]\ntoolbar.dat\nMain\n1\n1 2 3\n0\n0\n6\n}\n");
  PluginFilesCreator creator(7);
  EXPECT_TRUE(creator.ModifyToolbar(*setup));
  EXPECT_EQ(GetLe32(ReadHost("toolbar.dat"), 0), 1u);
  EXPECT_EQ(ReadHost("toolbar.dat").size(), 4 + 4 + 39u);
}

TEST_F(ToolbarSectionTest, NewFileAndEmptySection) {
  auto setup = Setup("[ModifyToolbar]\ntb\\toolbar.dat\nA\n1\n1 2 3\n0\n0\n-1 5\n}\n");
  WriteHost("tb\\keep", "");
  PluginFilesCreator creator(7);
  EXPECT_TRUE(creator.ModifyToolbar(*setup));
  const std::string bytes = ReadHost("tb\\toolbar.dat");
  ASSERT_EQ(bytes.size(), 4 + 4 + 36u);
  EXPECT_EQ(GetLe32(bytes, 0), 1u);
  EXPECT_EQ(GetLe32(bytes, 4), 36u);
  EXPECT_EQ(bytes.substr(8 + 18, 4), Le16(0xFFFF) + Le16(5));

  const std::string before = File({Entry(1, {6}, "Main")});
  WriteHost("toolbar.dat", before);
  auto empty = Setup("[ModifyToolbar]\ntoolbar.dat\n}\n", "empty.ini");
  EXPECT_TRUE(creator.ModifyToolbar(*empty));
  EXPECT_EQ(ReadHost("toolbar.dat"), before);
}

TEST_F(ToolbarSectionTest, DamagedHostFilesAreLeftAlone) {
  auto setup = Setup("[ModifyToolbar]\ntoolbar.dat\nMain\n1\n1 2 3\n0\n0\n6\n}\n");
  PluginFilesCreator creator(7);
  const std::string cases[] = {
      File({Entry(1, {6}, "Main")}).substr(0, 30),           // record reaches past the end
      Le32(1) + Le32(20) + std::string(20, '\0'),            // record smaller than its head
      Le32(2) + Entry(1, {6}, "Main"),                       // count larger than the entries
      Le32(0xFFFFFFFF),                                      // a negative count
  };
  for (const std::string& bytes : cases) {
    WriteHost("toolbar.dat", bytes);
    ASSERT_EQ(setup->SearchString("[ModifyToolbar]", 1, 0), 1);
    EXPECT_FALSE(creator.ModifyToolbar(*setup));
    EXPECT_EQ(ReadHost("toolbar.dat"), bytes);
  }
}

}  // namespace
