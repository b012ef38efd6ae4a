#include "listwnd_fixture.h"

#include "testing/testing.h"
#include "ui/treeview.h"
#include "ui/ui.h"

namespace lwtest {

std::vector<Sent>& Received() {
  static std::vector<Sent> r;
  return r;
}

std::vector<NMTREEVIEWW>& SelChanges() {
  static std::vector<NMTREEVIEWW> r;
  return r;
}

LRESULT RecordingParent::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if ((msg >= 0x4C8 && msg <= 0x4C9) || (msg >= 0x52D && msg <= 0x530)) Received().push_back({msg, wParam, lParam});
  return CWnd::WindowProc(msg, wParam, lParam);
}

BOOL RecordingParent::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  auto* hdr = reinterpret_cast<NMHDR*>(lParam);
  // The child's own handling first (reflection); only what it leaves reaches the parent.
  if (hdr->hwndFrom != m_hWnd && ReflectLastMsg(hdr->hwndFrom, pResult)) return TRUE;
  if (hdr->code == TVN_SELCHANGEDW) {
    Received().push_back({WM_NOTIFY, wParam, static_cast<LPARAM>(hdr->code)});
    SelChanges().push_back(*reinterpret_cast<const NMTREEVIEWW*>(lParam));
  }
  return FALSE;
}

std::u16string Win(const std::string& linuxPath) {
  std::u16string w = u"Z:";
  for (char c : linuxPath) w.push_back(c == '/' ? u'\\' : static_cast<char16_t>(static_cast<unsigned char>(c)));
  return w;
}

void WindowTest::SetUp() {
  nux::testing::UseVirtualClock(true);
  Received().clear();
  SelChanges().clear();
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.lpszClassName = u"ListWndTestParent";
  RegisterClassW(&wc);
  parentWnd_.CreateExW(0, AfxRegisterWndClassW(0), u"parent", WS_POPUP | WS_VISIBLE, 0, 0, 400, 400, nullptr, nullptr);
  parent_ = parentWnd_.m_hWnd;
}

void WindowTest::TearDown() {
  if (parentWnd_.GetSafeHwnd()) parentWnd_.DestroyWindow();
  nux::testing::ResetUi();
  CWnd::DeleteTempMap();
  UnregisterClassW(u"ListWndTestParent", nullptr);
  db_.reset();
  nux::testing::UseVirtualClock(false);
}

CDaoDatabase* WindowTest::MakeDatabase(const std::vector<std::u16string>& statements) {
  db_ = std::make_unique<CDaoDatabase>();
  db_->Create(Win(dir_.path() + "/fixture" + std::to_string(++databases_) + ".mdb").c_str());
  for (const auto& s : statements) db_->Execute(s.c_str());
  return db_.get();
}

CDaoDatabase* WindowTest::MakeWords(int count) {
  std::vector<std::u16string> sql{u"CREATE TABLE Words (ID LONG, Title TEXT(100))"};
  for (int i = 1; i <= count; ++i) {
    char buf[80];
    snprintf(buf, sizeof buf, "INSERT INTO Words (ID, Title) VALUES (%d, 'Word %03d')", i, i);
    std::u16string s;
    for (const char* p = buf; *p; ++p) s.push_back(static_cast<char16_t>(*p));
    sql.push_back(s);
  }
  return MakeDatabase(sql);
}

POINT WindowTest::Screen(HWND hwnd, int x, int y) {
  POINT p{x, y};
  ClientToScreen(hwnd, &p);
  return p;
}

POINT WindowTest::Middle(HWND hwnd) {
  RECT rc;
  GetWindowRect(hwnd, &rc);
  return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

}  // namespace lwtest
