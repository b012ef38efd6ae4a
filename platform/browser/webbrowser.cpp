// The web-browser control: its window, its dispatch interface, navigation on the message
// loop, its events, the commands of ExecWB and printing through the spool folder.
#include "browser/webbrowser.h"

#include <cstring>
#include <vector>

#include "base/codepage.h"
#include "browser/html_com.h"
#include "browser/input.h"
#include "browser/pageview.h"
#include "browser/print.h"
#include "browser/textmodel.h"
#include "browser/url.h"
#include "com/controlreg.h"
#include "fs/path.h"
#include "memory/memory.h"
#include "process/shell.h"
#include "registry/registry.h"
#include "ui/clipboard.h"
#include "ui/msgbox.h"

const CLSID CLSID_WebBrowser = {0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};
const IID IID_IWebBrowser2 = {0xD30C1661, 0xCDAF, 0x11D0, {0x8A, 0x3E, 0x00, 0xC0, 0x4F, 0xC9, 0xE2, 0x6E}};
const IID DIID_DWebBrowserEvents2 = {0x34A715A0, 0x6587, 0x11D0, {0x92, 0x4A, 0x00, 0x20, 0xAF, 0xC7, 0xAC, 0x4D}};

namespace nux::browser {

namespace {

const IID IID_INuxWebBrowser = {0x6E75780B, 0x62F1, 0x4C3A, {0x9D, 0x10, 0x5E, 0x42, 0x72, 0x6F, 0x77, 0x73}};
constexpr UINT kLoadMessage = WM_USER + 0x3E1;   // wParam: the load's number
constexpr UINT kPrintMessage = WM_USER + 0x3E2;  // the print dialog and the job
constexpr const char16_t* kClassName = u"NuxWebBrowserControl";

std::string g_lastJob;

// The copy command's text goes to the clipboard as Unicode text (which gives CF_TEXT too).
void PutOnClipboard(const std::u16string& text) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, (text.size() + 1) * sizeof(char16_t));
  if (!block) return;
  std::memcpy(GlobalLock(block), text.data(), text.size() * sizeof(char16_t));
  GlobalUnlock(block);
  if (!OpenClipboard(nullptr)) {
    GlobalFree(block);
    return;
  }
  EmptyClipboard();
  if (!SetClipboardData(CF_UNICODETEXT, block)) GlobalFree(block);
  CloseClipboard();
}

bool StartsWithNoCase(std::u16string_view s, std::u16string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (LowerAscii(s[i]) != LowerAscii(prefix[i])) return false;
  return true;
}

// A Windows path becomes its file URL; addresses stay as they are.
std::u16string Normalise(std::u16string_view url) {
  bool drive = url.size() >= 2 && url[1] == u':' && ((url[0] >= u'a' && url[0] <= u'z') || (url[0] >= u'A' && url[0] <= u'Z'));
  bool unc = url.size() >= 2 && url[0] == u'\\' && url[1] == u'\\';
  if (drive || unc) {
    std::u16string full = nux::fs::FullPath(url);
    return FileUrlFromPath(full.empty() ? url : std::u16string_view(full));
  }
  return std::u16string(url);
}

const VARIANT* Deref(const VARIANT* v) {
  if (v && V_VT(v) == (VT_BYREF | VT_VARIANT)) return v->pvarVal;
  return v;
}

bool ToLong(const VARIANT* v, long& out) {
  v = Deref(v);
  if (!v) return false;
  if (V_VT(v) == (VT_BYREF | VT_I4)) {
    out = v->plVal ? *v->plVal : 0;
    return v->plVal != nullptr;
  }
  VARIANT tmp;
  VariantInit(&tmp);
  if (FAILED(VariantChangeType(&tmp, v, 0, VT_I4))) return false;
  out = tmp.lVal;
  return true;
}

std::u16string ToText(const VARIANT* v) {
  v = Deref(v);
  if (!v) return {};
  if (V_VT(v) == VT_BSTR) return v->bstrVal ? std::u16string(v->bstrVal, SysStringLen(v->bstrVal)) : std::u16string();
  VARIANT tmp;
  VariantInit(&tmp);
  if (FAILED(VariantChangeType(&tmp, v, 0, VT_BSTR))) return {};
  std::u16string s(tmp.bstrVal, SysStringLen(tmp.bstrVal));
  VariantClear(&tmp);
  return s;
}

std::u16string ReadSetupValue(HKEY key, const char16_t* name, const char16_t* fallback) {
  if (!key) return fallback;
  char16_t buf[512];
  DWORD size = sizeof buf, type = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return fallback;
  size_t n = size / sizeof(char16_t);
  while (n && buf[n - 1] == 0) --n;
  return std::u16string(buf, n);
}

// The print engine's page setup of the current user.
PageSetup ReadPageSetup() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Microsoft\\Internet Explorer\\PageSetup", 0, KEY_READ, &key) !=
      ERROR_SUCCESS)
    key = nullptr;
  PageSetup s;
  s.header = ReadSetupValue(key, u"header", u"&w&bPage &p of &P");
  s.footer = ReadSetupValue(key, u"footer", u"&u&b&d");
  s.marginLeft = ReadSetupValue(key, u"margin_left", u"0.750000");
  s.marginTop = ReadSetupValue(key, u"margin_top", u"0.750000");
  s.marginRight = ReadSetupValue(key, u"margin_right", u"0.750000");
  s.marginBottom = ReadSetupValue(key, u"margin_bottom", u"0.750000");
  if (key) RegCloseKey(key);
  return s;
}

class Control;
LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

class Control final : public IDispatch, public IConnectionPointContainer, public WebBrowser {
 public:
  Control() : point_(this) {}

  bool CreateWindowFor(HWND parent, const RECT& rect, UINT id, DWORD style, LPCWSTR name) {
    static bool registered = false;
    if (!registered) {
      WNDCLASSW wc{};
      wc.style = CS_DBLCLKS;
      wc.lpfnWndProc = ControlProc;
      wc.lpszClassName = kClassName;
      registered = RegisterClassW(&wc) != 0;
    }
    // The page has its vertical scroll bar, shown whether or not the page needs it.
    window_ = CreateWindowExW(0, kClassName, name, style | WS_VSCROLL, rect.left, rect.top, rect.right - rect.left,
                              rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(UINT_PTR(id)), nullptr, nullptr);
    if (!window_) return false;
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    page_ = std::make_unique<PageView>(window_);
    AddRef();  // the window's own reference, given back at WM_NCDESTROY
    return true;
  }

  // IUnknown / IDispatch
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG r = --refs_;
    if (r == 0) delete this;
    return r;
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IWebBrowser2 || riid == IID_INuxWebBrowser)
      *ppv = static_cast<IDispatch*>(this);
    else if (riid == IID_IConnectionPointContainer)
      *ppv = static_cast<IConnectionPointContainer*>(this);
    else
      return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* p) override {
    if (p) *p = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                                   UINT*) override {
    UINT argc = params ? params->cArgs : 0;
    auto arg = [&](UINT i) -> const VARIANT* { return i < argc ? &params->rgvarg[argc - 1 - i] : nullptr; };
    if (result) VariantInit(result);
    const bool put = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
    switch (id) {
      case DISPID_NAVIGATE: {
        if (argc < 1) return DISP_E_BADPARAMCOUNT;
        long navFlags = 0;
        ToLong(arg(1), navFlags);
        return Navigate(ToText(arg(0)), navFlags);
      }
      case DISPID_DOCUMENT:
        if (result) {
          result->vt = VT_DISPATCH;
          result->pdispVal = GetDocumentDispatch(doc_.get());
        }
        return S_OK;
      case DISPID_LOCATIONURL:
        if (result) {
          result->vt = VT_BSTR;
          result->bstrVal = SysAllocStringLen(location_.data(), UINT(location_.size()));
        }
        return S_OK;
      case DISPID_VISIBLE:
      case DISPID_STATUSBAR:
      case DISPID_MENUBAR:
      case DISPID_ADDRESSBAR: {
        bool& flag = id == DISPID_VISIBLE ? visible_ : id == DISPID_STATUSBAR ? statusBar_ : id == DISPID_MENUBAR ? menuBar_ : addressBar_;
        if (put) {
          long v = 0;
          if (argc < 1 || !ToLong(arg(0), v)) return DISP_E_TYPEMISMATCH;
          flag = v != 0;
        } else if (result) {
          result->vt = VT_BOOL;
          result->boolVal = flag ? VARIANT_TRUE : VARIANT_FALSE;
        }
        return S_OK;
      }
      case DISPID_QUERYSTATUSWB: {
        long cmd = 0;
        if (argc < 1 || !ToLong(arg(0), cmd)) return DISP_E_BADPARAMCOUNT;
        if (result) {
          result->vt = VT_I4;
          result->lVal = LONG(QueryStatus(cmd));
        }
        return S_OK;
      }
      case DISPID_EXECWB: {
        long cmd = 0, opt = 0;
        if (argc < 2 || !ToLong(arg(0), cmd) || !ToLong(arg(1), opt)) return DISP_E_BADPARAMCOUNT;
        const VARIANT* in = Deref(arg(2));
        const VARIANT* outArg = arg(3);
        VARIANT* out = nullptr;
        if (outArg && V_VT(outArg) == (VT_BYREF | VT_VARIANT)) out = outArg->pvarVal;
        return Exec(cmd, opt, in, out);
      }
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  }

  // IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** cp) override {
    if (!cp) return E_POINTER;
    *cp = nullptr;
    if (riid != DIID_DWebBrowserEvents2) return CONNECT_E_NOCONNECTION;
    *cp = &point_;
    point_.AddRef();
    return S_OK;
  }

  // WebBrowser
  HWND window() const override { return window_; }
  Document* document() const override { return doc_.get(); }
  std::u16string locationUrl() const override { return location_; }
  bool busy() const override { return pending_ != 0; }
  int zoom() const override { return zoom_; }
  const std::u16string& copiedText() const override { return copied_; }
  bool printing() const override { return printing_; }
  PageLayout* pageLayout() override { return page_ ? page_->layout() : nullptr; }
  bool ElementClientBox(const Element* element, RECT* box) override {
    return page_ && box && page_->ClientBox(element, *box);
  }

  HRESULT Navigate(std::u16string_view url, long flags) override {
    std::u16string target = Normalise(url);
    if (BeforeNavigate(target, flags, u"")) return S_OK;
    StartLoad(target);
    return S_OK;
  }

  DWORD QueryStatus(long command) const override {
    const DWORD on = OLECMDF_SUPPORTED | OLECMDF_ENABLED;
    switch (command) {
      case OLECMDID_PRINT:
      case OLECMDID_PRINTPREVIEW:
        return (doc_ && !printing_) ? on : DWORD(OLECMDF_SUPPORTED);
      case OLECMDID_COPY:
        return (doc_ && doc_->HasSelection()) ? on : DWORD(OLECMDF_SUPPORTED);
      case OLECMDID_SELECTALL:
      case OLECMDID_CLEARSELECTION:
      case OLECMDID_ZOOM:
      case OLECMDID_GETZOOMRANGE:
      case OLECMDID_PAGESETUP:
        return on;
      default:
        return 0;
    }
  }

  HRESULT Exec(long command, long option, const VARIANT* in, VARIANT* out) override {
    switch (command) {
      case OLECMDID_ZOOM: {
        long level;
        if (in && V_VT(in) != VT_EMPTY) {
          if (!ToLong(in, level) || level < 0 || level > 4) return E_INVALIDARG;
          zoom_ = int(level);
          if (page_) page_->SetZoom(zoom_);
        }
        if (out) {
          VariantClear(out);
          out->vt = VT_I4;
          out->lVal = zoom_;
        }
        return S_OK;
      }
      case OLECMDID_GETZOOMRANGE:
        if (out) {
          VariantClear(out);
          out->vt = VT_I4;
          out->lVal = 4 << 16;  // low word the smallest, high word the largest level
        }
        return S_OK;
      case OLECMDID_COPY:
        if (doc_ && doc_->HasSelection()) {
          copied_ = doc_->Selection().Text();
          PutOnClipboard(copied_);
        }
        return S_OK;
      case OLECMDID_CLEARSELECTION:
        if (doc_) doc_->ClearSelection();
        return S_OK;
      case OLECMDID_SELECTALL:
        if (doc_) doc_->Selection().Set(0, doc_->Text().length());
        return S_OK;
      case OLECMDID_PRINT:
      case OLECMDID_PRINTPREVIEW: {
        if (!doc_ || printing_ || !window_) return OLECMDERR_E_DISABLED;
        printing_ = true;
        preview_ = command == OLECMDID_PRINTPREVIEW;
        prompt_ = option != OLECMDEXECOPT_DONTPROMPTUSER;
        Ref<Control> keep(this);
        FireOne(DISPID_PRINTTEMPLATEINSTANTIATION);
        if (window_) PostMessageW(window_, kPrintMessage, 0, 0);
        return S_OK;
      }
      case OLECMDID_PAGESETUP:
        return S_OK;
      default:
        return OLECMDERR_E_NOTSUPPORTED;
    }
  }

  // The window's last message: it lets go of its reference.
  void OnWindowGone() {
    page_.reset();
    window_ = nullptr;
    Release();
  }

  // Window messages.
  LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    Ref<Control> keep(this);
    LRESULT answer = 0;
    if (page_ && msg != WM_KEYDOWN && page_->OnMessage(msg, wParam, lParam, &answer)) return answer;
    switch (msg) {
      case kLoadMessage:
        if (wParam == pending_) FinishLoad();
        return 0;
      case kPrintMessage:
        FinishPrint();
        return 0;
      case WM_KEYDOWN:
      case WM_KEYUP:
      case WM_CHAR:
        if (doc_) {
          // The host's UI handler sees the key first; S_OK means it took it.
          if (IDocHostUIHandler* ui = UIHandlerOf(doc_.get())) {
            MSG m{};
            m.hwnd = window_;
            m.message = msg;
            m.wParam = wParam;
            m.lParam = lParam;
            if (ui->TranslateAccelerator(&m, nullptr, 0) == S_OK) return 0;
          }
          KeyState state{GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_MENU) < 0};
          const char16_t* type = msg == WM_KEYDOWN ? u"keydown" : msg == WM_KEYUP ? u"keyup" : u"keypress";
          // A key the page's handlers let through scrolls the page when it is a scrolling key.
          if (FireKey(*doc_, type, long(wParam), state) && msg == WM_KEYDOWN && page_) page_->OnScrollKey(UINT(wParam));
        }
        return 0;
      case WM_DESTROY:
        pending_ = 0;
        SetDocument(Ref<Document>());
        page_.reset();
        return 0;
      default:
        return DefWindowProcW(window_, msg, wParam, lParam);
    }
  }

 private:
  class Point final : public IConnectionPoint {
   public:
    explicit Point(Control* c) : c_(c) {}
    ULONG STDMETHODCALLTYPE AddRef() override { return c_->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return c_->Release(); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
      if (!ppv) return E_POINTER;
      *ppv = nullptr;
      if (riid != IID_IUnknown && riid != IID_IConnectionPoint) return E_NOINTERFACE;
      *ppv = static_cast<IConnectionPoint*>(this);
      AddRef();
      return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
      if (!iid) return E_POINTER;
      *iid = DIID_DWebBrowserEvents2;
      return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** cpc) override {
      if (!cpc) return E_POINTER;
      *cpc = c_;
      c_->AddRef();
      return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
      if (!sink || !cookie) return E_POINTER;
      *cookie = 0;
      IDispatch* d = nullptr;
      if (FAILED(sink->QueryInterface(DIID_DWebBrowserEvents2, reinterpret_cast<void**>(&d))) || !d) {
        d = nullptr;
        if (FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d))) || !d) return CONNECT_E_CANNOTCONNECT;
      }
      *cookie = c_->nextCookie_++;
      c_->sinks_.push_back({*cookie, d});
      return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
      for (size_t i = 0; i < c_->sinks_.size(); ++i) {
        if (c_->sinks_[i].first != cookie) continue;
        IDispatch* d = c_->sinks_[i].second;
        c_->sinks_.erase(c_->sinks_.begin() + long(i));
        d->Release();
        return S_OK;
      }
      return CONNECT_E_NOCONNECTION;
    }

   private:
    Control* c_;
  };

  ~Control() {
    for (auto& s : sinks_) s.second->Release();
    SetDocument(Ref<Document>());
  }

  // Fires an event to every sink with the arguments in their natural order.
  void Fire(DISPID id, std::vector<VARIANT> args) {
    if (sinks_.empty()) return;
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params{reversed.data(), nullptr, UINT(reversed.size()), 0};
    std::vector<std::pair<DWORD, IDispatch*>> sinks = sinks_;
    for (auto& s : sinks) s.second->AddRef();
    for (auto& s : sinks) {
      VARIANT result;
      VariantInit(&result);
      s.second->Invoke(id, GUID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
      VariantClear(&result);
    }
    for (auto& s : sinks) s.second->Release();
  }

  VARIANT Self() {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_DISPATCH;
    v.pdispVal = this;  // borrowed for the call
    return v;
  }

  static VARIANT ByRef(VARIANT* target) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BYREF | VT_VARIANT;
    v.pvarVal = target;
    return v;
  }

  static VARIANT Text(std::u16string_view s) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocStringLen(s.data(), UINT(s.size()));
    return v;
  }

  void FireOne(DISPID id) { Fire(id, {Self()}); }

  void FireWithUrl(DISPID id, const std::u16string& url) {
    VARIANT u = Text(url);
    Fire(id, {Self(), ByRef(&u)});
    VariantClear(&u);
  }

  // BeforeNavigate2; true when a sink cancelled the navigation.
  bool BeforeNavigate(const std::u16string& url, long flags, std::u16string_view target) {
    Ref<Control> keep(this);
    VARIANT u = Text(url), f, t = Text(target), post, headers = Text(u"");
    VariantInit(&f);
    f.vt = VT_I4;
    f.lVal = LONG(flags);
    VariantInit(&post);
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANT c;
    VariantInit(&c);
    c.vt = VT_BYREF | VT_BOOL;
    c.pboolVal = &cancel;
    Fire(DISPID_BEFORENAVIGATE2, {Self(), ByRef(&u), ByRef(&f), ByRef(&t), ByRef(&post), ByRef(&headers), c});
    VariantClear(&u);
    VariantClear(&t);
    VariantClear(&headers);
    return cancel != VARIANT_FALSE;
  }

  void StartLoad(const std::u16string& url) {
    // A mail address goes to the shell's mail program and a script address has nothing to
    // run; neither replaces the document shown.
    if (StartsWithNoCase(url, u"mailto:")) {
      ShellExecuteW(window_, u"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
      return;
    }
    if (StartsWithNoCase(url, u"javascript:")) return;
    pendingUrl_ = url;
    pending_ = ++sequence_;
    if (window_) PostMessageW(window_, kLoadMessage, WPARAM(pending_), 0);
  }

  void FinishLoad() {
    std::u16string url = pendingUrl_;
    pending_ = 0;
    std::u16string fragment;
    size_t hash = url.find(u'#');
    if (hash != std::u16string::npos) fragment = url.substr(hash + 1);
    Ref<Document> doc;
    if (StartsWithNoCase(url, u"file:")) {
      std::u16string path = PathFromFileUrl(url);
      if (!path.empty()) doc = Document::LoadFile(path);
    }
    if (!doc) doc = Document::CreateBlank(url);
    doc->SetUrl(url);
    SetDocument(doc);
    location_ = url;
    if (!fragment.empty()) {
      for (Element* a : doc->Anchors()) {
        if (a->name() == fragment || a->id() == fragment) {
          a->ScrollIntoView(true);
          break;
        }
      }
    }
    Ref<Control> keep(this);
    FireWithUrl(DISPID_NAVIGATECOMPLETE2, url);
    FireWithUrl(DISPID_DOCUMENTCOMPLETE, url);
  }

  void SetDocument(Ref<Document> doc) {
    if (doc_) doc_->navigateHook = nullptr;
    doc_ = std::move(doc);
    if (page_) page_->SetDocument(doc_.get());
    if (doc_) {
      doc_->navigateHook = [this](const std::u16string& url, const std::u16string& target) {
        Ref<Control> keep(this);
        if (!BeforeNavigate(url, 0, target)) StartLoad(url);
      };
    }
  }

  void FinishPrint() {
    if (!printing_) return;
    bool go = !preview_;
    if (go && prompt_) go = MessageBoxW(window_, u"Print the document?", u"Print", MB_OKCANCEL) == IDOK;
    if (go && doc_) {
      PrintJob job;
      if (PrintDocument(*doc_, ReadPageSetup(), &job)) g_lastJob = job.path;
    }
    printing_ = false;
    FireOne(DISPID_PRINTTEMPLATETEARDOWN);
  }

  ULONG refs_ = 0;
  HWND window_ = nullptr;
  std::unique_ptr<PageView> page_;
  Point point_;
  std::vector<std::pair<DWORD, IDispatch*>> sinks_;
  DWORD nextCookie_ = 1;
  Ref<Document> doc_;
  std::u16string location_;
  std::u16string pendingUrl_;
  WPARAM pending_ = 0, sequence_ = 0;
  bool visible_ = false, statusBar_ = true, menuBar_ = true, addressBar_ = true;
  int zoom_ = 2;
  std::u16string copied_;
  bool printing_ = false, preview_ = false, prompt_ = true;
};

LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* c = reinterpret_cast<Control*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!c) return DefWindowProcW(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    c->OnWindowGone();
    return 0;
  }
  return c->OnMessage(msg, wParam, lParam);
}

}  // namespace

IDispatch* CreateWebBrowser(HWND parent, const RECT& rect, UINT id, DWORD style, HWND* window, LPCWSTR windowName) {
  auto* c = new Control;
  c->AddRef();
  if (!c->CreateWindowFor(parent, rect, id, style, windowName ? windowName : u"IEChild")) {
    c->Release();
    if (window) *window = nullptr;
    return nullptr;
  }
  if (window) *window = c->window();
  return c;
}

WebBrowser* WebBrowserOf(HWND window) {
  if (!window) return nullptr;
  char16_t name[64] = {};
  if (!GetClassNameW(window, name, 64) || std::u16string_view(name) != kClassName) return nullptr;
  return reinterpret_cast<Control*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

WebBrowser* WebBrowserOf(IUnknown* control) {
  return dynamic_cast<Control*>(control);
}

const std::string& LastPrintJob() { return g_lastJob; }

void RegisterWebBrowserControl() {
  nux::com::ControlClass cls;
  cls.clsid = CLSID_WebBrowser;
  cls.eventsIid = DIID_DWebBrowserEvents2;
  cls.create = [](const nux::com::ControlSite& site) -> nux::com::ControlInstance {
    HWND window = nullptr;
    IDispatch* control = CreateWebBrowser(site.parent, site.rect, site.id, site.style, &window,
                                          site.windowName.c_str());
    if (!control) return {};
    return {window, control};
  };
  nux::com::RegisterControlClass(cls);
}

namespace {
// The control is there for CWnd::CreateControl as soon as the platform is loaded.
const bool g_registered = (RegisterWebBrowserControl(), true);
}  // namespace

}  // namespace nux::browser
