#include "searchwnd_fixture.h"

#include "EngineConfig.h"
#include "Globals.h"
#include "NUXSV.h"
#include "base/codepage.h"
#include "testing/testing.h"

// The exports that show a page live elsewhere in the library; here they note what they were asked.
NUXSV_EXPORT void NUXSV_OpenAstroDict(CWnd* pParent, LPCWSTR pszCondition, CStringArray* pWords) {
  swtest::Opened call;
  call.parent = pParent;
  call.condition = pszCondition ? pszCondition : u"";
  call.hasWords = pWords != nullptr;
  if (pWords) {
    for (INT_PTR i = 0; i < pWords->GetSize(); ++i) call.words.push_back(static_cast<LPCWSTR>(pWords->GetAt(i)));
  }
  swtest::OpenedPages().push_back(call);
}

NUXSV_EXPORT int NUXSV_OpenEncyclop() {
  swtest::Opened call;
  call.encyclopaedia = true;
  swtest::OpenedPages().push_back(call);
  return 1;
}

namespace swtest {

std::vector<Opened>& OpenedPages() {
  static std::vector<Opened> opened;
  return opened;
}

std::string U8(const CString& text) { return nux::ToUtf8(std::u16string_view(text.GetString(), size_t(text.GetLength()))); }

namespace {

// ID, module, template code, title, searched text, head words in English, German, French.
struct Page {
  int id;
  const char16_t* module;
  const char16_t* tpl;
  const char16_t* title;
  const char16_t* text;
  const char16_t* en;
  const char16_t* de;
  const char16_t* fr;
};

const Page kPages[] = {
    {1, u"dict", u"dict", u"Andromeda Galaxy", u"The Andromeda galaxy is a spiral galaxy.", u"Andromeda Galaxy",
     u"Andromedagalaxie", u"Galaxie d''Androm\u00e8de"},
    {2, u"dict", u"DICT", u"Barnard''s Star", u"A red dwarf near the Sun.", u"Barnard''s Star", u"Barnards Pfeilstern",
     u"Etoile de Barnard"},
    {3, u"dict", u"dctb", u"Comet", u"A comet has a tail of gas and dust.", u"Comet", u"Komet", u"Com\u00e8te"},
    {4, u"pgal", u"pggg", u"Galaxy pictures", u"Pictures of a spiral galaxy.", u"", u"", u""},
    {5, u"recb", u"rbpg", u"Star catalogue", u"Catalogue of stars and galaxies.", u"", u"", u""},
    {6, u"help", u"hlps", u"Search help", u"How to search the pages.", u"", u"", u""},
    {7, u"Enc", u"enc", u"Encyclopaedia: Galaxy", u"The galaxy article.", u"", u"", u""},
    {8, u"dict", u"xyz", u"Zodiac", u"Belt of the protogalaxy.", u"", u"", u""},
    {9, u"dict", u"Dict", u"Zenith", u"The point overhead.", u"Zenith", u"Zenit", u""},
    {10, u"dict", u"dict", u"Aphelion", u"Farthest from the Sun.", u"Aphelion", u"Sonnenferne", u"Aph\u00e9lie"},
};

std::u16string Win(const std::string& linuxPath) {
  std::u16string w = u"Z:";
  for (char c : linuxPath) w.push_back(c == '/' ? u'\\' : static_cast<char16_t>(static_cast<unsigned char>(c)));
  return w;
}

}  // namespace

void WindowTest::SetUp() {
  nux::testing::UseVirtualClock(true);
  nux::testing::SetMonitors({{{0, 0, 1024, 768}, {0, 0, 1024, 740}}});
  OpenedPages().clear();
  savedIni_ = theEngineConfig.m_strIniPath;
  theEngineConfig.m_strIniPath = u"C:\\Content\\NUX.INI";
  Strings("or=ODER\r\nand=UND\r\nnot=NICHT\r\nSearchHelpID=6\r\n");

  db_ = std::make_unique<CDaoDatabase>();
  db_->Create(Win(root_.path() + "/content.mdb").c_str());
  db_->Execute(
      u"CREATE TABLE SV_MODULE (ID LONG, SV_MODULE TEXT(10), ID_TPL TEXT(10), proper_name TEXT(100), "
      u"SearchText MEMO, DC_ADC_EN TEXT(100), DC_ADC_DE TEXT(100), DC_ADC_FR TEXT(100))");
  for (const Page& p : kPages) {
    CString sql;
    auto orNull = [](const char16_t* s) { return *s ? u"'" + CString(s) + u"'" : CString(u"NULL"); };
    sql.Format(u"INSERT INTO SV_MODULE VALUES (%d, '%s', '%s', '%s', '%s', %s, %s, %s)", p.id, p.module, p.tpl,
               p.title, p.text, static_cast<LPCWSTR>(orNull(p.en)), static_cast<LPCWSTR>(orNull(p.de)),
               static_cast<LPCWSTR>(orNull(p.fr)));
    db_->Execute(sql);
  }
  nuxsv::G().contentDatabase = db_.get();
  host_.CreateExW(0, nullptr, u"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1024, 740, nullptr, nullptr);
}

void WindowTest::TearDown() {
  nuxsv::DestroyReferenceWindows();
  nux::testing::PumpMessages();
  if (host_.GetSafeHwnd()) host_.DestroyWindow();
  nuxsv::G().contentDatabase = nullptr;
  db_.reset();
  nux::testing::ResetUi();
  CWnd::DeleteTempMap();
  theEngineConfig.m_strIniPath = savedIni_;
  nux::testing::ResetMonitors();
  nux::testing::UseVirtualClock(false);
}

void WindowTest::Strings(const std::string& lines) {
  root_.Write("drive_c/Content/NUX.INI", "[Strings]\r\n" + lines);
}

std::vector<std::string> WindowTest::Titles(const CListWnd& list) {
  std::vector<std::string> titles;
  for (int i = 0; i < list.m_nRows; ++i) titles.push_back(U8(list.m_rows[i].pItem->m_strText));
  return titles;
}

long WindowTest::FirstKey(const CListWnd& list) { return list.m_nRows > 0 ? list.m_rows[0].nKey : -1; }

POINT WindowTest::Screen(HWND hwnd, int x, int y) {
  POINT p{x, y};
  ClientToScreen(hwnd, &p);
  return p;
}

long WindowTest::ClickRowAndScroll(CListWnd& list, int row, const std::vector<KeyScroll>& keys) {
  CRect rc;
  list.m_rows[row].pItem->GetWindowRect(&rc);
  nux::testing::Click(rc.left + 5, rc.top + 5);
  nux::testing::PumpMessages();
  EXPECT_EQ(::GetFocus(), list.m_hWnd);
  const long selected = list.GetSelectedKey();
  for (const KeyScroll& k : keys) {
    SCOPED_TRACE(k.vk);
    nux::testing::KeyPress(k.vk);
    nux::testing::PumpMessages();
    EXPECT_EQ(list.m_nScrollOffset, k.offset);
    EXPECT_EQ(list.GetSelectedKey(), selected);
    EXPECT_EQ(::GetFocus(), list.m_hWnd);
  }
  return selected;
}

void WindowTest::ClickItem(CWnd* dialog, int id) {
  CWnd* item = dialog->GetDlgItem(id);
  ASSERT_NE(item, nullptr) << id;
  RECT rc{};
  item->GetWindowRect(&rc);
  const POINT p{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
  nux::testing::MouseMove(p.x, p.y);
  nux::testing::Click(p.x, p.y);
  nux::testing::PumpMessages();
}

}  // namespace swtest
