// Printing: the library's header, footer and margins in the page setup while the print job
// is written, the user's own values afterwards, and no loads or page text meanwhile.
#include "host_fixture.h"
#include "registry/registry.h"

namespace hosttest {
namespace {

const char16_t kKey[] = u"Software\\Microsoft\\Internet Explorer\\PageSetup";

void SetValue(const char16_t* name, const std::u16string& value) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 DWORD((value.size() + 1) * sizeof(char16_t)));
  RegCloseKey(key);
}

// The value, or "-" when there is none.
std::u16string Value(const char16_t* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return u"-";
  char16_t buf[2048] = {};
  DWORD size = sizeof buf - sizeof(char16_t), type = 0;
  LONG rc = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS ? std::u16string(buf) : u"-";
}

class PrintTest : public HostTest {};

TEST_F(PrintTest, PrintsWithTheLibrarysSetupAndGivesTheUsersBack) {
  const std::u16string longHeader(1500, u'h');  // longer than any fixed buffer would hold
  SetValue(u"header", longHeader);
  SetValue(u"margin_left", u"1.5");
  root_.Write("drive_c/Sv/HTML/other.htm", "<html><body>other</body></html>");
  OpenDialog();
  ShowRecord(2);
  browser_->SetPrintHeader(u"Vega&b&b&p / &P");
  dlg_->received.clear();

  ASSERT_TRUE(browser_->Print(FALSE));
  // The print template is up: the library's values are in place, loads and text wait.
  EXPECT_TRUE(browser_->m_bPrinting);
  ASSERT_EQ(dlg_->Of(WM_BROWSER_PRINTSTART).size(), 1u);
  EXPECT_EQ(dlg_->Of(WM_BROWSER_PRINTSTART)[0].wParam, kPlaceholder);
  EXPECT_EQ(Value(u"header"), u"Vega&b&b&p / &P");
  EXPECT_EQ(Value(u"footer"), u"&u&b&d");
  EXPECT_EQ(Value(u"margin_left"), u"0.98425");
  EXPECT_EQ(Value(u"margin_top"), u"0.3937");
  EXPECT_FALSE(browser_->Print(FALSE));
  browser_->SetPage(u"<P>dropped</P>");
  browser_->Navigate(u"C:\\Sv\\HTML\\other.htm");

  nux::testing::QueueMessageBoxAnswer(IDOK);
  nux::testing::AdvanceAndPump(30);
  EXPECT_FALSE(browser_->m_bPrinting);
  EXPECT_EQ(dlg_->Of(WM_BROWSER_PRINTEND).size(), 1u);
  const std::string job = nuxtest::ReadFile(nux::browser::LastPrintJob());
  EXPECT_NE(job.find("Vega"), std::string::npos) << job;
  EXPECT_NE(job.find("1 / 1"), std::string::npos) << job;
  EXPECT_NE(job.find("file:///C:/Sv/HTML/tpl.htm"), std::string::npos) << job;  // the footer's address
  EXPECT_EQ(job.find(nux::ToUtf8(longHeader.substr(0, 20))), std::string::npos);
  EXPECT_NE(Body().find(u"Vega is a star"), std::u16string::npos);  // the text was dropped

  // The user's own values are back; what the user did not have gets the standard header
  // and footer, and the margins the user had not set are gone again.
  EXPECT_EQ(Value(u"header"), longHeader);
  EXPECT_EQ(Value(u"footer"), u"&u&b&d");
  EXPECT_EQ(Value(u"margin_left"), u"1.5");
  EXPECT_EQ(Value(u"margin_top"), u"-");

  // The path asked for while printing loads now.
  browser_->Navigate(u"C:\\Sv\\HTML\\other.htm");
  nux::testing::AdvanceAndPump(30);
  EXPECT_EQ(Body(), u"other");
}

}  // namespace
}  // namespace hosttest
