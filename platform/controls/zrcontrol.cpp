#include "controls/zrcontrol.h"

#include <atomic>
#include <new>
#include <vector>

#include "fs/fs.h"
#include "fs/handles.h"
#include "gdi/gdi.h"
#include "gdi/image.h"
#include "rc/nuxres.h"
#include "ui/controls.h"
#include "ui/cursor.h"
#include "ui/sysparams.h"

namespace nux::controls::detail {
namespace {

constexpr char16_t kWindowClass[] = u"ZrControlWindow";
constexpr DISPID kClick = -600, kMouseDown = -605, kMouseMove = -606, kMouseUp = -607;

constexpr DWORD kMaxPictureBytes = 64u << 20;

bool ReadWholeFile(const std::u16string& path, std::vector<uint8_t>& out) {
  out.clear();
  if (path.empty()) return false;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD high = 0;
  DWORD size = GetFileSize(file, &high);
  bool ok = size != INVALID_FILE_SIZE && high == 0 && size <= kMaxPictureBytes;
  if (ok) {
    out.resize(size);
    DWORD got = 0;
    ok = size == 0 || (ReadFile(file, out.data(), size, &got, nullptr) && got == size);
  }
  CloseHandle(file);
  return ok;
}

short ShiftState(WPARAM keys) {
  short shift = 0;
  if (keys & MK_SHIFT) shift |= 1;
  if (keys & MK_CONTROL) shift |= 2;
  if (GetKeyState(VK_MENU) < 0) shift |= 4;
  return shift;
}

short HeldButtons(WPARAM keys) {
  short held = 0;
  if (keys & MK_LBUTTON) held |= 1;
  if (keys & MK_RBUTTON) held |= 2;
  if (keys & MK_MBUTTON) held |= 4;
  return held;
}

std::atomic<nux::controls::PictureSource> g_source{nullptr};

bool EndsWithNoCase(const std::u16string& s, const char16_t* tail) {
  std::u16string t(tail);
  if (s.size() < t.size()) return false;
  for (size_t i = 0; i < t.size(); ++i) {
    char16_t c = s[s.size() - t.size() + i];
    if (c >= u'A' && c <= u'Z') c = char16_t(c - u'A' + u'a');
    if (c != t[i]) return false;
  }
  return true;
}

}  // namespace

ZrControl::ZrControl(const IID& eventsIid) : events_(this, eventsIid) {}

ZrControl::~ZrControl() = default;

nux::com::ControlInstance ZrControl::Attach(ZrControl* control, const nux::com::ControlSite& site) {
  static const bool registered = [] {
    WNDCLASSW wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &ZrControl::WndProc;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kWindowClass;
    return RegisterClassW(&wc) != 0;
  }();
  (void)registered;
  HWND h = CreateWindowExW(0, kWindowClass, site.windowName.c_str(), site.style | WS_CHILD, site.rect.left,
                           site.rect.top, site.rect.right - site.rect.left, site.rect.bottom - site.rect.top,
                           site.parent, reinterpret_cast<HMENU>(static_cast<uintptr_t>(site.id)), nullptr, nullptr);
  if (!h) {
    control->Release();
    return {};
  }
  control->window_ = h;
  control->AddRef();  // the window's reference, let go when the window goes
  SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
  control->pictureName_ = site.windowName;
  control->LoadPicture(site.windowName);
  return {h, control};
}

HRESULT ZrControl::QueryInterface(REFIID riid, void** ppv) {
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

ULONG ZrControl::AddRef() { return ++refs_; }

ULONG ZrControl::Release() {
  ULONG n = --refs_;
  if (n == 0) delete this;
  return n;
}

HRESULT ZrControl::GetTypeInfoCount(UINT* n) {
  if (!n) return E_POINTER;
  *n = 0;
  return S_OK;
}
HRESULT ZrControl::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
HRESULT ZrControl::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT ZrControl::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                          UINT*) {
  DISPPARAMS none{};
  return Member(id, flags, params ? params : &none, result);
}

bool ZrControl::Argument(DISPPARAMS* params, VARTYPE vt, VARIANT* out) {
  VariantInit(out);
  if (!params || params->cArgs != 1) return false;
  const VARIANT* in = &params->rgvarg[0];
  if (in->vt == (VT_BYREF | VT_VARIANT) && in->pvarVal) in = in->pvarVal;
  return SUCCEEDED(VariantChangeType(out, in, 0, vt));
}

bool ZrControl::LoadPicture(const std::u16string& name) {
  picture_ = nux::gdi::Surface();
  std::vector<uint8_t> bytes;
  try {
    if (name.empty() || !nux::controls::ReadPicture(name, bytes)) return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
  nux::gdi::Surface decoded;
  if (!nux::gdi::DecodeImage(bytes.data(), bytes.size(), decoded)) return false;
  // Kept premultiplied, as AlphaBlend takes it: transparent parts leave the parent's pixels.
  for (int y = 0; y < decoded.height(); ++y) {
    uint32_t* row = decoded.row(y);
    for (int x = 0; x < decoded.width(); ++x) {
      uint32_t p = row[x];
      uint32_t a = p >> 24;
      if (a == 255) continue;
      uint32_t r = ((p >> 16) & 0xFF) * a / 255, g = ((p >> 8) & 0xFF) * a / 255, b = (p & 0xFF) * a / 255;
      row[x] = (a << 24) | (r << 16) | (g << 8) | b;
    }
  }
  picture_ = std::move(decoded);
  return true;
}

int ZrControl::FrameCount(const RECT& client) const {
  int w = client.right - client.left;
  if (picture_.empty() || w <= 0) return 1;
  int n = (picture_.width() + w / 2) / w;
  return n < 1 ? 1 : n;
}

void ZrControl::DrawFrame(HDC dc, int n, int count, bool fit) {
  if (picture_.empty() || count < 1) return;
  int fw = picture_.width() / count;
  if (n < 0 || n >= count || fw <= 0) n = 0;
  if (fw <= 0) fw = picture_.width();
  HBITMAP bitmap = nux::gdi::CreateBitmapFromSurface(picture_);
  HDC mem = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(mem, bitmap);
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  // A button's frame fills the control, so a strip a pixel off the control's size (rounded
  // dialog units, a scaled window) still covers it; the image keeps its picture's size.
  int dw = fw, dh = picture_.height();
  RECT client{};
  if (fit && window_ && GetClientRect(window_, &client)) dw = client.right, dh = client.bottom;
  AlphaBlend(dc, 0, 0, dw, dh, mem, n * fw, 0, fw, picture_.height(), blend);
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(bitmap);
}

ZrControl::Look ZrControl::CurrentLook() const {
  if (!Available() || (window_ && !IsWindowEnabled(window_))) return kUnavailable;
  if ((pressed_ && inside_) || keyPressed_) return kPressed;
  if (hot_) return kHot;
  return kNormal;
}

int ZrControl::FrameOfLook(Look look, int first, int looks) {
  int n = look;
  if (n >= looks) n = look == kPressed && looks > kHot ? kHot : kNormal;
  return first + n;
}

void ZrControl::DrawFace(HDC dc, const RECT& client, const RECT& text, Look look) {
  const bool pressed = look == kPressed;
  HBRUSH face = CreateSolidBrush(GetSysColor(look == kHot ? COLOR_3DLIGHT : COLOR_BTNFACE));
  FillRect(dc, &client, face);
  DeleteObject(face);
  COLORREF edgeColor = pressed || look == kHot ? GetSysColor(COLOR_BTNTEXT) : GetSysColor(COLOR_BTNSHADOW);
  HBRUSH edge = CreateSolidBrush(edgeColor);
  FrameRect(dc, &client, edge);
  DeleteObject(edge);
  std::u16string caption = nux::controls::CaptionOfName(pictureName_);
  RECT r = text;
  if (pressed) OffsetRect(&r, 1, 1);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(look == kUnavailable ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
  DrawTextW(dc, caption.c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

void ZrControl::DrawFocus(HDC dc, const RECT& client) {
  if (!focused_ || client.right - client.left < 6 || client.bottom - client.top < 6) return;
  RECT r = client;
  InflateRect(&r, -2, -2);
  DrawFocusRect(dc, &r);
}

void ZrControl::Redraw() {
  if (window_) InvalidateRect(window_, nullptr, FALSE);
}

void ZrControl::RedrawNow() {
  if (!window_) return;
  InvalidateRect(window_, nullptr, FALSE);
  UpdateWindow(window_);
}

void ZrControl::SetHot(bool hot) {
  if (hot_ == hot) return;
  hot_ = hot;
  RedrawNow();
}

void ZrControl::CancelPress() {
  if (!pressed_ && !keyPressed_) return;
  pressed_ = keyPressed_ = inside_ = false;
  RedrawNow();
}

void ZrControl::FireClick() {
  if (window_ && IsWindowEnabled(window_) && OnClicked()) events_.Fire(kClick);
}

void ZrControl::FireMouse(DISPID id, short button, WPARAM keys, LPARAM l) {
  VARIANT args[4];
  for (VARIANT& a : args) VariantInit(&a);
  args[0].vt = VT_I2, args[0].iVal = button;
  args[1].vt = VT_I2, args[1].iVal = ShiftState(keys);
  args[2].vt = VT_I4, args[2].lVal = GET_X_LPARAM(l);
  args[3].vt = VT_I4, args[3].lVal = GET_Y_LPARAM(l);
  events_.Fire(id, {args[0], args[1], args[2], args[3]});
}

LRESULT CALLBACK ZrControl::WndProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  auto* self = reinterpret_cast<ZrControl*>(GetWindowLongPtrW(h, GWLP_USERDATA));
  if (!self) return DefWindowProcW(h, msg, w, l);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(h, GWLP_USERDATA, 0);
    self->window_ = nullptr;
    self->Release();  // the window's reference
    return DefWindowProcW(h, msg, w, l);
  }
  // The container may let go of the control inside an event: keep it alive for the message.
  self->AddRef();
  LRESULT r = self->Handle(msg, w, l);
  self->Release();
  return r;
}

LRESULT ZrControl::Handle(UINT msg, WPARAM w, LPARAM l) {
  HWND h = window_;
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      RECT client;
      GetClientRect(h, &client);
      Paint(dc, client);
      if (Pushable()) DrawFocus(dc, client);
      EndPaint(h, &ps);
      return 0;
    }
    case WM_GETDLGCODE:
      // A button to the dialog manager; Space is the control's own (below).
      return Pushable() ? DLGC_BUTTON : 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      focused_ = msg == WM_SETFOCUS;
      if (!focused_ && keyPressed_) CancelPress();
      Redraw();
      return 0;
    case WM_ENABLE:
      if (!w) {
        CancelPress();
        hot_ = false;
      }
      Redraw();
      return 0;
    case WM_KEYDOWN:
      if (w == VK_SPACE && Pushable()) {
        // Auto-repeat and a Space while the pointer holds the control press nothing more.
        if (!keyPressed_ && !pressed_ && !(l & (1 << 30)) && IsWindowEnabled(h)) {
          keyPressed_ = true;
          RedrawNow();
        }
        return 0;
      }
      return DefWindowProcW(h, msg, w, l);
    case WM_KEYUP:
      if (w == VK_SPACE && Pushable()) {
        if (keyPressed_) {
          keyPressed_ = false;
          RedrawNow();
          FireClick();
        }
        return 0;
      }
      return DefWindowProcW(h, msg, w, l);
    case WM_CHAR:
      if (w == u' ' && Pushable()) return 0;
      return DefWindowProcW(h, msg, w, l);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      short button = msg == WM_RBUTTONDOWN ? 2 : msg == WM_MBUTTONDOWN ? 4 : 1;
      if (GetCapture() != h) SetCapture(h);
      if (button == 1 && Pushable() && !keyPressed_) {
        pressed_ = true;
        inside_ = true;
        RedrawNow();
      }
      FireMouse(kMouseDown, button, w, l);
      return 0;
    }
    case WM_MOUSEMOVE: {
      if (Pushable()) {
        RECT client;
        GetClientRect(h, &client);
        POINT pt{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
        const bool over = PtInRect(&client, pt) != FALSE;
        if (over && !hot_ && GetActiveWindow() == GetAncestor(h, GA_ROOT)) {
          TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, h, 0};
          if (TrackMouseEvent(&track)) SetHot(true);
        }
        if (pressed_ && over != inside_) {
          inside_ = over;
          RedrawNow();
        }
      }
      FireMouse(kMouseMove, HeldButtons(w), w, l);
      return 0;
    }
    case WM_MOUSELEAVE:
      SetHot(false);
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      short button = msg == WM_RBUTTONUP ? 2 : msg == WM_MBUTTONUP ? 4 : 1;
      bool click = false;
      if (button == 1 && pressed_) {
        pressed_ = false;
        RECT client;
        GetClientRect(h, &client);
        POINT pt{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
        click = PtInRect(&client, pt) != FALSE;
        inside_ = false;
        RedrawNow();
      }
      if ((w & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) == 0 && GetCapture() == h) ReleaseCapture();
      FireMouse(kMouseUp, button, w, l);
      if (click) FireClick();
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (pressed_) {
        pressed_ = inside_ = false;
        RedrawNow();
      }
      return 0;
    default:
      return DefWindowProcW(h, msg, w, l);
  }
}

}  // namespace nux::controls::detail

namespace nux::controls {

PictureSource SetPictureSource(PictureSource source) { return detail::g_source.exchange(source); }

bool ReadPicture(const std::u16string& name, std::vector<uint8_t>& bytes) {
  bytes.clear();
  if (name.empty()) return false;
  PictureSource source = detail::g_source;
  bool ok = source ? source(name, bytes) : detail::ReadWholeFile(name, bytes);
  if (!ok || bytes.empty() || bytes.size() > detail::kMaxPictureBytes) {
    bytes.clear();
    return false;
  }
  return true;
}

std::u16string CaptionOfName(const std::u16string& name) {
  static const char16_t* const kExtensions[] = {u".bmp", u".png", u".jpg", u".jpeg", u".gif", u".dib"};
  for (const char16_t* ext : kExtensions) {
    if (!detail::EndsWithNoCase(name, ext)) continue;
    size_t slash = name.find_last_of(u"\\/");
    size_t start = slash == std::u16string::npos ? 0 : slash + 1;
    return name.substr(start, name.size() - std::char_traits<char16_t>::length(ext) - start);
  }
  return name;
}

}  // namespace nux::controls
