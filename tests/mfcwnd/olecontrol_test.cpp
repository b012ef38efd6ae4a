// ActiveX containment: a small control registered by class id and ProgID, created by
// CreateControl and from a dialog template, called by dispatch id and firing events into its
// container's event sink map.
#include <string>

#include "mfcwnd_fixture.h"

using namespace mfcwndtest;

namespace {

// {7E0C1F2A-4B3D-4C5E-8F60-718293A4B5C6}
const CLSID CLSID_TestControl = {0x7E0C1F2A, 0x4B3D, 0x4C5E, {0x8F, 0x60, 0x71, 0x82, 0x93, 0xA4, 0xB5, 0xC6}};
// {7E0C1F2B-4B3D-4C5E-8F60-718293A4B5C6}
const IID DIID_TestControlEvents = {0x7E0C1F2B, 0x4B3D, 0x4C5E, {0x8F, 0x60, 0x71, 0x82, 0x93, 0xA4, 0xB5, 0xC6}};

enum : DISPID { kSetState = 7, kGetCheck = 10, kPicture = 3, kFail = 20 };
enum { kHostDlg = 202, kHostedId = 1010, kMadeId = 1020 };

int g_liveControls = 0;

// The control: a window that fires Click and MouseDown on a left button press, and a dispatch
// interface with a method taking a short, a BOOL getter and a text property.
class TestControl final : public IDispatch {
 public:
  TestControl() : events_(this, DIID_TestControlEvents) { ++g_liveControls; }
  short state = -1;
  std::u16string picture;
  HWND window = nullptr;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IConnectionPointContainer) {
      *ppv = events_.container();
    } else if (riid == IID_IUnknown || riid == IID_IDispatch) {
      *ppv = static_cast<IDispatch*>(this);
    } else {
      return E_NOINTERFACE;
    }
    static_cast<IUnknown*>(*ppv)->AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* p, VARIANT* result,
                                   EXCEPINFO* info, UINT*) override {
    switch (id) {
      case kSetState:
        if (!(flags & DISPATCH_METHOD) || p->cArgs != 1 || p->rgvarg[0].vt != VT_I2) return DISP_E_TYPEMISMATCH;
        state = p->rgvarg[0].iVal;
        return S_OK;
      case kGetCheck:
        if (result) {
          result->vt = VT_BOOL;
          result->boolVal = state == 1 ? VARIANT_TRUE : VARIANT_FALSE;
        }
        return S_OK;
      case kPicture:
        if (flags & DISPATCH_PROPERTYPUT) {
          if (p->cArgs != 1 || p->cNamedArgs != 1 || p->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT ||
              p->rgvarg[0].vt != VT_BSTR)
            return DISP_E_TYPEMISMATCH;
          picture = p->rgvarg[0].bstrVal ? p->rgvarg[0].bstrVal : u"";
          return S_OK;
        }
        if (result) {
          result->vt = VT_BSTR;
          result->bstrVal = SysAllocString(picture.c_str());
        }
        return S_OK;
      case kFail:
        if (info) {
          *info = EXCEPINFO{};
          info->wCode = 1001;
          info->bstrDescription = SysAllocString(u"Picture not found");
        }
        return DISP_E_EXCEPTION;
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  }

  void Press(short button, short shift, LONG x, LONG y) {
    events_.Fire(DISPID_CLICK);
    VARIANT args[4];
    for (VARIANT& a : args) VariantInit(&a);
    args[0].vt = VT_I2, args[0].iVal = button;
    args[1].vt = VT_I2, args[1].iVal = shift;
    args[2].vt = VT_I4, args[2].lVal = x;
    args[3].vt = VT_I4, args[3].lVal = y;
    events_.Fire(DISPID_MOUSEDOWN, {args[0], args[1], args[2], args[3]});
  }

  static LRESULT WndProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
    auto* self = reinterpret_cast<TestControl*>(::GetWindowLongPtrW(h, GWLP_USERDATA));
    if (self && msg == WM_LBUTTONDOWN) {
      self->Press(1, static_cast<short>(w & MK_SHIFT ? 1 : 0), GET_X_LPARAM(l), GET_Y_LPARAM(l));
      return 0;
    }
    if (self && msg == WM_NCDESTROY) {
      ::SetWindowLongPtrW(h, GWLP_USERDATA, 0);
      self->window = nullptr;
      self->Release();  // the window's reference
    }
    return ::DefWindowProcW(h, msg, w, l);
  }

  static nux::com::ControlInstance Create(const nux::com::ControlSite& site) {
    static bool registered = false;
    if (!registered) {
      WNDCLASSW wc{};
      wc.lpfnWndProc = &TestControl::WndProc;
      wc.lpszClassName = u"NuxTestControl";
      ::RegisterClassW(&wc);
      registered = true;
    }
    auto* control = new TestControl;
    HWND h = ::CreateWindowExW(0, u"NuxTestControl", site.windowName.c_str(), site.style, site.rect.left,
                               site.rect.top, site.rect.right - site.rect.left, site.rect.bottom - site.rect.top,
                               site.parent, reinterpret_cast<HMENU>(static_cast<uintptr_t>(site.id)), nullptr, nullptr);
    if (!h) {
      control->Release();
      return {};
    }
    control->window = h;
    control->AddRef();  // the window's reference
    ::SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
    return {h, control};
  }

 private:
  ~TestControl() { --g_liveControls; }
  nux::com::EventSource events_;
  ULONG refs_ = 1;
};

TestControl* ControlOf(CWnd& wnd) { return static_cast<TestControl*>(static_cast<IDispatch*>(wnd.GetControlUnknown())); }

// A wrapper as the dialogs use them: creation by class id and dispatch calls.
class CTestWrapper : public CWnd {
 public:
  BOOL Create(LPCSTR name, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CreateControl(CLSID_TestControl, name, style, rect, parent, id);
  }
  void SetState(short state) {
    static const BYTE params[] = VTS_I2;
    InvokeHelper(kSetState, DISPATCH_METHOD, VT_EMPTY, nullptr, params, state);
  }
  BOOL GetCheck() {
    BOOL result = FALSE;
    InvokeHelper(kGetCheck, DISPATCH_METHOD, VT_BOOL, &result, nullptr);
    return result;
  }
  void SetPicture(LPCSTR file) {
    static const BYTE params[] = VTS_BSTR;
    InvokeHelper(kPicture, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, params, file);
  }
  CStringA GetPicture() {
    CStringA result;
    InvokeHelper(kPicture, DISPATCH_PROPERTYGET, VT_BSTR, &result, nullptr);
    return result;
  }
  void Fail() { InvokeHelper(kFail, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr); }
  void Unknown() { InvokeHelper(4711, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr); }
};

// A container window listening to its controls.
class CHost : public CWnd {
 public:
  std::vector<std::string> events;

 protected:
  void OnClickMade() { events.push_back("click made"); }
  void OnClickHosted() { events.push_back("click hosted"); }
  void OnMouseDown(short button, short shift, LONG x, LONG y) {
    events.push_back("down " + std::to_string(button) + " " + std::to_string(shift) + " " + std::to_string(x) + " " +
                     std::to_string(y));
  }
  DECLARE_EVENTSINK_MAP()
};

BEGIN_EVENTSINK_MAP(CHost, CWnd)
  ON_EVENT(CHost, kMadeId, DISPID_CLICK, CHost::OnClickMade, VTS_NONE)
  ON_EVENT(CHost, kMadeId, DISPID_MOUSEDOWN, CHost::OnMouseDown, VTS_I2 VTS_I2 VTS_I4 VTS_I4)
END_EVENTSINK_MAP()

class CHostDlg : public CDialog {
 public:
  CHostDlg() : CDialog(kHostDlg, nullptr) {}
  CTestWrapper m_control;
  std::vector<std::string> events;

 protected:
  void DoDataExchange(CDataExchange* pDX) override {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kHostedId, m_control);
  }
  void OnClickHosted() { events.push_back("click hosted"); }
  DECLARE_EVENTSINK_MAP()
};

BEGIN_EVENTSINK_MAP(CHostDlg, CDialog)
  ON_EVENT(CHostDlg, kHostedId, DISPID_CLICK, CHostDlg::OnClickHosted, VTS_NONE)
END_EVENTSINK_MAP()

}  // namespace

class Controls : public MfcTest {
 protected:
  void SetUp() override {
    MfcTest::SetUp();
    g_liveControls = 0;
    nux::com::ControlClass cls;
    cls.clsid = CLSID_TestControl;
    cls.progId = u"NuxTest.Control.1";
    cls.eventsIid = DIID_TestControlEvents;
    cls.create = &TestControl::Create;
    nux::com::RegisterControlClass(cls);
    ASSERT_TRUE(host.CreateEx(0, nullptr, "host", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr));
  }
  void TearDown() override {
    host.DestroyWindow();
    MfcTest::TearDown();
    nux::com::UnregisterControlClass(CLSID_TestControl);
  }
  CHost host;
};

TEST_F(Controls, ControlMadeByClassIdAnswersDispatchCallsAndFiresIntoTheSinkMap) {
  CTestWrapper button;
  ASSERT_TRUE(button.Create("button", WS_VISIBLE, CRect(10, 10, 60, 30), &host, kMadeId));
  ASSERT_NE(button.GetControlUnknown(), nullptr);
  TestControl* control = ControlOf(button);
  EXPECT_EQ(button.m_hWnd, control->window);
  EXPECT_EQ(button.GetDlgCtrlID(), kMadeId);
  EXPECT_EQ(TextOf(button.m_hWnd), "button");

  button.SetState(1);
  EXPECT_EQ(control->state, 1);
  EXPECT_TRUE(button.GetCheck());
  button.SetState(0);
  EXPECT_FALSE(button.GetCheck());
  button.SetPicture("C:\\Bilder\\Sonne.jpg");
  EXPECT_EQ(nux::WideToAnsi(control->picture), "C:\\Bilder\\Sonne.jpg");
  EXPECT_STREQ(button.GetPicture(), "C:\\Bilder\\Sonne.jpg");

  button.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(4, 9));
  EXPECT_EQ(host.events, (std::vector<std::string>{"click made", "down 1 1 4 9"}));
}

TEST_F(Controls, FailedCallsThrowTheClassLibrarysExceptions) {
  CTestWrapper button;
  ASSERT_TRUE(button.Create("", WS_VISIBLE, CRect(0, 0, 10, 10), &host, kMadeId));
  try {
    button.Fail();
    ADD_FAILURE() << "no exception";
  } catch (COleDispatchException* e) {
    EXPECT_EQ(e->m_wCode, 1001);
    EXPECT_EQ(Narrow(e->m_strDescription), "Picture not found");
    e->Delete();
  }
  try {
    button.Unknown();
    ADD_FAILURE() << "no exception";
  } catch (COleException* e) {
    EXPECT_EQ(e->m_sc, DISP_E_MEMBERNOTFOUND);
    e->Delete();
  }
  // A window that is no control has nothing to call.
  CWnd plain;
  ASSERT_TRUE(plain.CreateEx(0, nullptr, "plain", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
  EXPECT_EQ(plain.GetControlUnknown(), nullptr);
  try {
    plain.InvokeHelper(kSetState, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr);
    ADD_FAILURE() << "no exception";
  } catch (COleException* e) {
    EXPECT_EQ(e->m_sc, E_NOINTERFACE);
    e->Delete();
  }
}

TEST_F(Controls, UnknownClassFailsAndAProgIdFindsTheRegisteredClass) {
  const CLSID unknown = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};
  CWnd none;
  EXPECT_FALSE(none.CreateControl(unknown, "", WS_VISIBLE, CRect(0, 0, 10, 10), &host, kMadeId));
  EXPECT_FALSE(none.CreateControl("NoSuch.Control.1", "", WS_VISIBLE, CRect(0, 0, 10, 10), &host, kMadeId));
  EXPECT_EQ(none.m_hWnd, nullptr);
  CWnd byName;
  ASSERT_TRUE(byName.CreateControl("nuxtest.control.1", "", WS_VISIBLE, CRect(0, 0, 10, 10), &host, kMadeId));
  EXPECT_NE(byName.GetControlUnknown(), nullptr);
}

TEST_F(Controls, ControlOfADialogTemplateIsBoundByDataExchangeAndReleasedWithItsWindow) {
  {
    CHostDlg dlg;
    ASSERT_TRUE(dlg.Create(kHostDlg, &host));
    HWND item = ::GetDlgItem(dlg.m_hWnd, kHostedId);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(dlg.m_control.m_hWnd, item);
    EXPECT_EQ(g_liveControls, 1);
    dlg.m_control.SetState(1);
    EXPECT_TRUE(dlg.m_control.GetCheck());
    ::SendMessageW(item, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
    EXPECT_EQ(dlg.events, (std::vector<std::string>{"click hosted"}));
    EXPECT_TRUE(host.events.empty());  // the dialog is the control's container, not the host
    dlg.DestroyWindow();
    EXPECT_EQ(dlg.m_control.m_hWnd, nullptr);
  }
  EXPECT_EQ(g_liveControls, 0);  // the container let go of the control
}
