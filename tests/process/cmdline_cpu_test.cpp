#include <gtest/gtest.h>

#include "process/process.h"
#include "test_support.h"

namespace {

TEST(CommandLine, ArgumentsAreQuotedWhenNeeded) {
  struct Case {
    std::u16string in, out;
  } cases[] = {
      {u"-x", u"-x"},
      {u"two words", u"\"two words\""},
      {u"", u"\"\""},
      {u"tab\there", u"\"tab\there\""},
      {u"C:\\dir\\", u"C:\\dir\\"},
      {u"C:\\my dir\\", u"\"C:\\my dir\\\\\""},
      {u"say \"hi\"", u"\"say \\\"hi\\\"\""},
      {u"a\\\"b", u"a\\\\\\\"b"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.out, nux::process::QuoteArgument(c.in));
}

TEST(CommandLine, BuiltWithTheProgramAsAWindowsPath) {
  nuxtest::ScopedPlatformRoot root;
  EXPECT_EQ(u"\"C:\\Program Files\\Host\\host.exe\" -x \"two words\" C:\\a",
            nux::process::BuildCommandLine(root.DriveC() + "/Program Files/Host/host.exe", {"-x", "two words", "C:\\a"}));
  EXPECT_EQ(u"C:\\host.exe \"Grüße dir\"", nux::process::BuildCommandLine(root.DriveC() + "/host.exe", {"Grüße dir"}));
}

TEST(CommandLine, StartupLineAndOverride) {
  // This test program lives outside the platform root, so its path is on drive Z:.
  std::u16string line = GetCommandLineW();
  EXPECT_TRUE(line.rfind(u"Z:\\", 0) == 0 || line.rfind(u"\"Z:\\", 0) == 0) << std::string(line.begin(), line.end());
  EXPECT_NE(std::u16string::npos, line.find(u"test_process"));

  LPWSTR before = GetCommandLineW();
  nux::process::SetCommandLine(u"\"C:\\Host\\host.exe\" \"C:\\Pläne\\x.dat\"");
  EXPECT_EQ(std::u16string(u"\"C:\\Host\\host.exe\" \"C:\\Pläne\\x.dat\""), std::u16string(GetCommandLineW()));
  EXPECT_STREQ("\"C:\\Host\\host.exe\" \"C:\\Pl\xe4ne\\x.dat\"", GetCommandLineA());
  EXPECT_EQ(line, std::u16string(before));  // an earlier pointer stays readable
  nux::process::ResetCommandLine();
  EXPECT_EQ(line, std::u16string(GetCommandLineW()));
}

TEST(Cpu, FeaturesFromCpuidAndTheOverride) {
  int info[4] = {};
  __cpuid(info, 0);
  EXPECT_GT(info[0], 0);  // highest leaf
#if defined(__x86_64__)
  EXPECT_TRUE(IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE));  // every x86-64 has SSE2
  EXPECT_TRUE(IsProcessorFeaturePresent(PF_XMMI_INSTRUCTIONS_AVAILABLE));
  EXPECT_TRUE(IsProcessorFeaturePresent(PF_MMX_INSTRUCTIONS_AVAILABLE));
#endif
  nux::process::testing::SetCpuidOverride([](int leaf, int regs[4]) {
    if (leaf == 1) {
      regs[3] &= ~(1 << 26);  // no SSE2
      regs[2] &= ~1;          // no SSE3
    }
  });
  __cpuid(info, 1);
  EXPECT_EQ(0, info[3] & (1 << 26));
  EXPECT_EQ(0, info[2] & 1);
  EXPECT_FALSE(IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE));
  EXPECT_FALSE(IsProcessorFeaturePresent(PF_SSE3_INSTRUCTIONS_AVAILABLE));
  nux::process::testing::SetCpuidOverride([](int leaf, int regs[4]) {
    if (leaf == 1) regs[2] |= 1;  // SSE3 present
  });
  EXPECT_TRUE(IsProcessorFeaturePresent(PF_SSE3_INSTRUCTIONS_AVAILABLE));
  nux::process::testing::SetCpuidOverride(nullptr);
  EXPECT_FALSE(IsProcessorFeaturePresent(9999));
}

}  // namespace
