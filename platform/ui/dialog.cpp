// Dialogs from templates, DefDlgProc, the modal loop and the dialog manager's keyboard.
#include "ui/dialog.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <optional>

#include "base/codepage.h"
#include "base/errors.h"
#include "base/textcase.h"
#include "base/wstr.h"
#include "gdi/gdi.h"
#include "res/resources.h"
#include "ui/sysparams.h"
#include "ui/wm_internal.h"

using namespace nux::ui::detail;

namespace nux::ui::detail {
namespace {

struct DialogData : ControlData {
  SIZE baseUnits{8, 16};
  HFONT font = nullptr;
  bool ownsFont = false;
  HWND savedFocus = nullptr;
  int defId = IDOK;
  bool ended = false;
  bool modal = false;  // inside RunDialogModal
  INT_PTR result = 0;
  ~DialogData() override {
    if (ownsFont && font) DeleteObject(font);
  }
};

thread_local DLGPROC t_pendingProc = nullptr;
thread_local bool t_pendingAnsi = false;
thread_local std::shared_ptr<DialogData> t_pendingData;

std::mutex& FactoryMutex() {
  static auto* m = new std::mutex();
  return *m;
}
nux::ui::DialogItemFactory& Factory() {
  static auto* f = new nux::ui::DialogItemFactory();
  return *f;
}

std::shared_ptr<DialogData> DataOf(HWND hwnd) {
  auto w = Find(hwnd);
  if (!w) return nullptr;
  Lock lock(Mutex());
  return std::dynamic_pointer_cast<DialogData>(w->control);
}

LONG_PTR Extra(HWND hwnd, int offset) { return GetWindowLongPtrW(hwnd, offset); }

bool IsTabStop(HWND h) {
  LONG s = GetWindowLongW(h, GWL_STYLE);
  return (s & WS_TABSTOP) && (s & WS_VISIBLE) && !(s & WS_DISABLED);
}

HWND FirstTabStop(HWND dialog) {
  for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    if (IsTabStop(c)) return c;
  return nullptr;
}

// The direct child of the dialog that contains `h`.
HWND DialogChildOf(HWND dialog, HWND h) {
  while (h && GetParent(h) != dialog) {
    h = GetParent(h);
  }
  return h;
}

}  // namespace

bool IsDialogWindow(HWND hwnd) { return DataOf(hwnd) != nullptr; }

void RegisterDialogClass() {
  RegisterSystemClass(u"#32770", DefDlgProcW, CS_DBLCLKS | CS_SAVEBITS, DLGWINDOWEXTRA, nullptr, nullptr);
}

}  // namespace nux::ui::detail

namespace {

// Calls the dialog procedure; returns whether it handled the message and its result.
bool CallDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool argsAnsi, LRESULT* result) {
  auto proc = reinterpret_cast<DLGPROC>(Extra(hwnd, DWLP_DLGPROC));
  if (!proc) return false;
  auto w = Find(hwnd);
  bool procAnsi = false;
  if (w) {
    Lock lock(Mutex());
    // The dialog procedure's character set rides in the spare byte of the extra area.
    procAnsi = w->extra.size() > static_cast<size_t>(DLGWINDOWEXTRA) ? w->extra[DLGWINDOWEXTRA] != 0 : false;
  }
  // Reuse the text conversion of window procedures by treating the DLGPROC as a WNDPROC
  // (same signature and calling convention here).
  LRESULT r = CallProcWith(reinterpret_cast<WNDPROC>(proc), procAnsi, hwnd, msg, wParam, lParam, argsAnsi);
  switch (msg) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_INITDIALOG:
    case WM_QUERYDRAGICON:
      *result = r;
      return r != 0;
    default:
      break;
  }
  if (!r) return false;
  *result = Extra(hwnd, DWLP_MSGRESULT);
  return true;
}

LRESULT DefDlg(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool argsAnsi) {
  if (msg == WM_NCCREATE) {
    auto w = Find(hwnd);
    if (w) {
      Lock lock(Mutex());
      if (w->extra.size() < DLGWINDOWEXTRA + 1) w->extra.resize(DLGWINDOWEXTRA + 1, 0);
      auto proc = t_pendingProc;
      std::memcpy(w->extra.data() + DWLP_DLGPROC, &proc, sizeof(proc));
      w->extra[DLGWINDOWEXTRA] = t_pendingAnsi ? 1 : 0;
      w->control = t_pendingData ? t_pendingData : std::make_shared<DialogData>();
    }
    t_pendingProc = nullptr;
  }
  LRESULT handled = 0;
  if (CallDlgProc(hwnd, msg, wParam, lParam, argsAnsi, &handled)) return handled;
  auto data = DataOf(hwnd);
  switch (msg) {
    case WM_ERASEBKGND: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      auto brush = reinterpret_cast<HBRUSH>(SendMessageW(hwnd, WM_CTLCOLORDLG, wParam, reinterpret_cast<LPARAM>(hwnd)));
      if (!brush) brush = GetSysColorBrush(COLOR_BTNFACE);
      RECT r;
      GetClientRect(hwnd, &r);
      FillRect(dc, &r, brush);
      return 1;
    }
    case WM_CLOSE: {
      HWND cancel = GetDlgItem(hwnd, IDCANCEL);
      if (cancel && !IsWindowEnabled(cancel)) return 0;
      PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
      return 0;
    }
    case WM_ACTIVATE:
      if (data) {
        if (LOWORD(wParam) == WA_INACTIVE) {
          HWND f = GetFocus();
          if (f && IsChild(hwnd, f)) data->savedFocus = f;
        } else {
          HWND f = data->savedFocus;
          if (f && IsWindow(f) && IsChild(hwnd, f))
            SetFocus(f);
          else if (HWND first = FirstTabStop(hwnd))
            SetFocus(first);
          else
            SetFocus(hwnd);
        }
      }
      return 0;
    case WM_SETFOCUS: {
      HWND f = data ? data->savedFocus : nullptr;
      if (f && IsWindow(f) && IsChild(hwnd, f))
        SetFocus(f);
      else if (HWND first = FirstTabStop(hwnd))
        SetFocus(first);
      return 0;
    }
    case WM_NEXTDLGCTL: {
      HWND target = LOWORD(lParam) ? reinterpret_cast<HWND>(wParam)
                                   : GetNextDlgTabItem(hwnd, GetFocus(), wParam ? TRUE : FALSE);
      if (target) SetFocus(target);
      return 0;
    }
    case DM_GETDEFID:
      return data ? MAKELONG(data->defId, DC_HASDEFID) : 0;
    case DM_SETDEFID:
      if (data) data->defId = static_cast<int>(wParam);
      return TRUE;
    case WM_SETFONT:
      if (data) data->font = reinterpret_cast<HFONT>(wParam);
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(data ? data->font : nullptr);
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_INITDIALOG:
    case WM_COMMAND:
      return 0;
    default:
      return argsAnsi ? DefWindowProcA(hwnd, msg, wParam, lParam) : DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

std::u16string FaceOf(const nux::res::DialogTemplate& t) { return t.faceName; }

HWND CreateFromTemplate(HINSTANCE instance, const nux::res::DialogTemplate& tpl, HWND parent, DLGPROC proc,
                        LPARAM initParam, bool ansiProc) {
  auto data = std::make_shared<DialogData>();
  if (tpl.hasFont) {
    data->baseUnits = nux::ui::DialogBaseUnitsFor(FaceOf(tpl), tpl.pointSize, tpl.weight ? tpl.weight : FW_NORMAL,
                                                  tpl.italic);
    HDC ic = CreateICW(u"DISPLAY", nullptr, nullptr, nullptr);
    int height = -MulDiv(tpl.pointSize, GetDeviceCaps(ic, 90 /*LOGPIXELSY*/), 72);
    DeleteDC(ic);
    data->font = CreateFontW(height, 0, 0, 0, tpl.weight ? tpl.weight : FW_NORMAL, tpl.italic, 0, 0, DEFAULT_CHARSET, 0,
                             0, 0, 0, tpl.faceName.c_str());
    data->ownsFont = true;
  }
  auto toPixels = [&](int x, int y, int cx, int cy) {
    return RECT{MulDiv(x, data->baseUnits.cx, 4), MulDiv(y, data->baseUnits.cy, 8),
                MulDiv(x + cx, data->baseUnits.cx, 4), MulDiv(y + cy, data->baseUnits.cy, 8)};
  };
  DWORD style = tpl.style;
  DWORD exStyle = tpl.exStyle;
  if (style & DS_MODALFRAME) exStyle |= WS_EX_DLGMODALFRAME;
  if (style & DS_CONTROL) {
    style &= ~(WS_CAPTION | WS_SYSMENU);
    style |= WS_CHILD;
    exStyle |= WS_EX_CONTROLPARENT;
  }
  RECT client = toPixels(tpl.x, tpl.y, tpl.cx, tpl.cy);
  RECT frame{0, 0, client.right - client.left, client.bottom - client.top};
  AdjustWindowRectEx(&frame, style & ~WS_VISIBLE, tpl.menu.present, exStyle);
  int x = client.left + frame.left, y = client.top + frame.top;
  int cx = frame.right - frame.left, cy = frame.bottom - frame.top;
  if (style & DS_CENTER) {
    RECT work;
    MONITORINFO mi{sizeof(mi), {}, {}, 0};
    HMONITOR mon = parent ? MonitorFromWindow(parent, MONITOR_DEFAULTTOPRIMARY) : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    GetMonitorInfoW(mon, &mi);
    work = mi.rcWork;
    x = work.left + ((work.right - work.left) - cx) / 2;
    y = work.top + ((work.bottom - work.top) - cy) / 2;
  } else if (parent && !(style & DS_ABSALIGN) && !(style & WS_CHILD)) {
    POINT o{0, 0};
    ClientToScreen(parent, &o);
    x += o.x;
    y += o.y;
  }
  std::u16string cls = u"#32770";
  if (tpl.windowClass.present) {
    cls = tpl.windowClass.isOrdinal ? nux::res::PredefinedClassName(tpl.windowClass.ordinal) : tpl.windowClass.text;
    if (cls.empty()) cls = u"#32770";
  }
  t_pendingProc = proc;
  t_pendingAnsi = ansiProc;
  t_pendingData = data;
  HWND dlg = CreateWindowExW(exStyle, cls.c_str(), tpl.title.c_str(), style & ~WS_VISIBLE, x, y, cx, cy, parent,
                             nullptr, instance, nullptr);
  t_pendingProc = nullptr;
  t_pendingData.reset();
  if (!dlg) return nullptr;
  {
    // A dialog of a class of its own (CLASS in the template) keeps the dialog data too.
    auto w = Find(dlg);
    Lock lock(Mutex());
    if (w && !w->control) w->control = data;
  }
  if (data->font) SendMessageW(dlg, WM_SETFONT, reinterpret_cast<WPARAM>(data->font), FALSE);
  for (const auto& item : tpl.items) {
    RECT r = toPixels(item.x, item.y, item.cx, item.cy);
    std::u16string itemClass = item.ClassName();
    std::u16string title;
    if (item.title.present && !item.title.isOrdinal) title = item.title.text;
    if (item.title.present && item.title.isOrdinal) title = u"#" + nux::AnsiToWide(std::to_string(item.title.ordinal));
    HWND ctl = nullptr;
    DWORD itemStyle = item.style | WS_CHILD;
    DWORD itemEx = item.exStyle | WS_EX_NOPARENTNOTIFY;
    // The three-dimensional look of dialogs: a bordered edit gets a sunken client edge instead.
    if (nux::UpperAscii(itemClass.empty() ? u' ' : itemClass[0]) == u'E' && itemClass.size() == 4 &&
        FindClass(itemClass) == FindClass(u"Edit") && (itemStyle & WS_BORDER)) {
      itemStyle &= ~WS_BORDER;
      itemEx |= WS_EX_CLIENTEDGE;
    }
    if (FindClass(itemClass)) {
      const void* creation = item.creationData.empty() ? nullptr : item.creationData.data();
      ctl = CreateWindowExW(itemEx, itemClass.c_str(), title.c_str(), itemStyle,
                            r.left, r.top, r.right - r.left, r.bottom - r.top, dlg,
                            reinterpret_cast<HMENU>(static_cast<uintptr_t>(item.id & 0xFFFF)), instance,
                            const_cast<void*>(creation));
    } else {
      nux::ui::DialogItemFactory f;
      {
        std::lock_guard<std::mutex> g(FactoryMutex());
        f = Factory();
      }
      if (f) ctl = f(dlg, item, r);
    }
    if (!ctl) {
      if (!(tpl.style & DS_NOFAILCREATE)) {
        DestroyWindow(dlg);
        return nullptr;
      }
      continue;
    }
    if (data->font) SendMessageW(ctl, WM_SETFONT, reinterpret_cast<WPARAM>(data->font), FALSE);
    if ((item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON && itemClass == u"Button") data->defId = static_cast<int>(item.id);
  }
  HWND first = FirstTabStop(dlg);
  LRESULT focus = SendMessageW(dlg, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), initParam);
  if (!IsWindow(dlg)) return nullptr;
  if (focus && first && IsWindow(first)) {
    SetFocus(first);
  }
  if (style & WS_VISIBLE) {
    ShowWindow(dlg, SW_SHOWNORMAL);
  }
  return dlg;
}

std::optional<nux::res::DialogTemplate> LoadTemplate(HINSTANCE instance, LPCWSTR name) {
  return nux::res::LoadDialogTemplate(instance, name);
}

std::u16string NameArg(LPCSTR name, LPCWSTR* out) {
  if (IS_INTRESOURCE(name)) {
    *out = reinterpret_cast<LPCWSTR>(name);
    return {};
  }
  std::u16string s = nux::AnsiToWide(name);
  *out = nullptr;
  return s;
}

}  // namespace

LRESULT DefDlgProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) { return DefDlg(hwnd, msg, wParam, lParam, false); }
LRESULT DefDlgProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) { return DefDlg(hwnd, msg, wParam, lParam, true); }

HWND CreateDialogParamW(HINSTANCE instance, LPCWSTR name, HWND parent, DLGPROC proc, LPARAM initParam) {
  auto tpl = LoadTemplate(instance, name);
  if (!tpl) return nullptr;
  return CreateFromTemplate(instance, *tpl, parent, proc, initParam, false);
}

HWND CreateDialogParamA(HINSTANCE instance, LPCSTR name, HWND parent, DLGPROC proc, LPARAM initParam) {
  LPCWSTR id;
  std::u16string s = NameArg(name, &id);
  auto tpl = LoadTemplate(instance, id ? id : s.c_str());
  if (!tpl) return nullptr;
  return CreateFromTemplate(instance, *tpl, parent, proc, initParam, true);
}

INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR name, HWND parent, DLGPROC proc, LPARAM initParam) {
  HWND dlg = CreateDialogParamW(instance, name, parent, proc, initParam);
  if (!dlg) return -1;
  return nux::ui::RunDialogModal(dlg);
}

INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR name, HWND parent, DLGPROC proc, LPARAM initParam) {
  HWND dlg = CreateDialogParamA(instance, name, parent, proc, initParam);
  if (!dlg) return -1;
  return nux::ui::RunDialogModal(dlg);
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
  auto data = DataOf(dialog);
  if (!data) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), FALSE;
  data->ended = true;
  data->result = result;
  // A modal dialog gives its owner back the input at once, before it is destroyed.
  HWND owner = GetWindow(dialog, GW_OWNER);
  if (owner && data->modal) EnableWindow(owner, TRUE);
  PostMessageW(dialog, WM_NULL, 0, 0);
  return TRUE;
}

namespace {

// The mnemonic of a control's text: the character after a single '&' ("&&" is a plain '&').
char16_t MnemonicOf(const std::u16string& text) {
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != u'&') continue;
    if (text[i + 1] == u'&') {
      ++i;
      continue;
    }
    return text[i + 1];
  }
  return 0;
}

bool UsableControl(HWND h) {
  LONG s = GetWindowLongW(h, GWL_STYLE);
  return (s & WS_VISIBLE) && !(s & WS_DISABLED);
}

// The control whose mnemonic is `ch` (without case), searched from the one after the focus
// round through the dialog's controls, as the dialog manager does.
HWND FindMnemonic(HWND dialog, char16_t ch) {
  std::vector<HWND> all;
  for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) all.push_back(c);
  if (all.empty()) return nullptr;
  HWND cur = DialogChildOf(dialog, GetFocus());
  auto it = std::find(all.begin(), all.end(), cur);
  size_t start = it == all.end() ? all.size() - 1 : static_cast<size_t>(it - all.begin());
  const char16_t wanted[1] = {ch};
  for (size_t k = 1; k <= all.size(); ++k) {
    HWND c = all[(start + k) % all.size()];
    if (!UsableControl(c)) continue;
    LRESULT code = SendMessageW(c, WM_GETDLGCODE, 0, 0);
    if (!(code & (DLGC_BUTTON | DLGC_STATIC))) continue;
    char16_t cls[16] = {};
    GetClassNameW(c, cls, 16);
    if ((GetWindowLongW(c, GWL_STYLE) & SS_NOPREFIX) && nux::EqualNoCase(cls, u"Static")) continue;
    int n = GetWindowTextLengthW(c);
    if (n <= 0 || n > 1024) continue;
    std::u16string text(static_cast<size_t>(n) + 1, u'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(c, text.data(), n + 1)));
    char16_t m = MnemonicOf(text);
    if (m && nux::EqualNoCase(std::u16string_view(&m, 1), std::u16string_view(wanted, 1))) return c;
  }
  return nullptr;
}

// Acts on a control reached by its mnemonic: a label or a group box hands the focus to the
// next control that takes it; a push button is pressed; a check box or radio button gets the
// focus and is pressed.
void ActOnMnemonic(HWND control) {
  LRESULT code = SendMessageW(control, WM_GETDLGCODE, 0, 0);
  if (code & DLGC_STATIC) {
    for (HWND c = GetWindow(control, GW_HWNDNEXT); c; c = GetWindow(c, GW_HWNDNEXT)) {
      if (!UsableControl(c)) continue;
      if (SendMessageW(c, WM_GETDLGCODE, 0, 0) & DLGC_STATIC) continue;
      SetFocus(c);
      if (SendMessageW(c, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(c, EM_SETSEL, 0, -1);
      return;
    }
    return;
  }
  if (!(code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) SetFocus(control);
  SendMessageW(control, BM_CLICK, 0, 0);
}

}  // namespace

BOOL IsDialogMessageW(HWND dialog, LPMSG msg) {
  if (!msg || !dialog || !IsWindow(dialog)) return FALSE;
  if (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)) return FALSE;
  if (msg->message == WM_KEYDOWN) {
    LRESULT code = SendMessageW(msg->hwnd, WM_GETDLGCODE, msg->wParam, reinterpret_cast<LPARAM>(msg));
    switch (msg->wParam) {
      case VK_TAB:
        if (code & (DLGC_WANTTAB | DLGC_WANTMESSAGE)) break;
        {
          bool back = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
          HWND next = GetNextDlgTabItem(dialog, GetFocus(), back ? TRUE : FALSE);
          if (next) {
            SetFocus(next);
            // An edit reached by Tab has its whole text selected, as the dialog manager does.
            if (SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(next, EM_SETSEL, 0, -1);
          }
        }
        return TRUE;
      case VK_RETURN: {
        if (code & DLGC_WANTMESSAGE) break;
        if ((code & DLGC_WANTALLKEYS) || (GetWindowLongW(msg->hwnd, GWL_STYLE) & ES_WANTRETURN &&
                                          (GetWindowLongW(msg->hwnd, GWL_STYLE) & ES_MULTILINE)))
          break;
        int id;
        HWND focus = GetFocus();
        LRESULT fcode = focus ? SendMessageW(focus, WM_GETDLGCODE, 0, 0) : 0;
        if (focus && (fcode & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) && IsChild(dialog, focus)) {
          id = GetDlgCtrlID(focus);
        } else {
          LRESULT def = SendMessageW(dialog, DM_GETDEFID, 0, 0);
          id = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
        }
        HWND button = GetDlgItem(dialog, id);
        if (button && !IsWindowEnabled(button)) return TRUE;
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
        return TRUE;
      }
      case VK_ESCAPE: {
        if (code & DLGC_WANTMESSAGE) break;
        HWND cancel = GetDlgItem(dialog, IDCANCEL);
        if (cancel && !IsWindowEnabled(cancel)) return TRUE;
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
        return TRUE;
      }
      case VK_LEFT:
      case VK_UP:
      case VK_RIGHT:
      case VK_DOWN: {
        // Arrows move within the focus's group, unless the control wants them itself.
        if (code & (DLGC_WANTARROWS | DLGC_WANTMESSAGE)) break;
        HWND focus = GetFocus();
        if (!focus || !IsChild(dialog, focus)) break;
        bool back = msg->wParam == VK_LEFT || msg->wParam == VK_UP;
        // Labels and group boxes are passed over: they take no input.
        HWND next = GetNextDlgGroupItem(dialog, focus, back ? TRUE : FALSE);
        for (int guard = 0; next && next != focus && guard < 1024; ++guard) {
          if (!(SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_STATIC)) break;
          next = GetNextDlgGroupItem(dialog, next, back ? TRUE : FALSE);
        }
        if (next && next != focus) {
          SetFocus(next);
          LRESULT ncode = SendMessageW(next, WM_GETDLGCODE, 0, 0);
          // An automatic radio button reached so is chosen, as a click would.
          if ((ncode & DLGC_RADIOBUTTON) && (GetWindowLongW(next, GWL_STYLE) & BS_TYPEMASK) == BS_AUTORADIOBUTTON)
            SendMessageW(next, BM_CLICK, 0, 0);
          else if (ncode & DLGC_HASSETSEL)
            SendMessageW(next, EM_SETSEL, 0, -1);
        }
        return TRUE;
      }
      default:
        break;
    }
  }
  if (msg->message == WM_SYSCHAR || msg->message == WM_CHAR) {
    // Mnemonics: Alt and the letter anywhere; the letter alone where the focus takes no
    // characters (a button, say).
    char16_t ch = static_cast<char16_t>(msg->wParam);
    bool candidate = ch > u' ' && !(ch >= 0xD800 && ch <= 0xDFFF);
    if (candidate && msg->message == WM_CHAR) {
      LRESULT code = SendMessageW(msg->hwnd, WM_GETDLGCODE, msg->wParam, reinterpret_cast<LPARAM>(msg));
      candidate = !(code & (DLGC_WANTCHARS | DLGC_WANTMESSAGE));
    }
    if (candidate) {
      if (HWND target = FindMnemonic(dialog, ch)) {
        ActOnMnemonic(target);
        return TRUE;
      }
    }
  }
  if (msg->message == WM_CHAR && (msg->wParam == u'\t' || msg->wParam == u'\r' || msg->wParam == 0x1B)) {
    LRESULT code = SendMessageW(msg->hwnd, WM_GETDLGCODE, msg->wParam, reinterpret_cast<LPARAM>(msg));
    if (!(code & (DLGC_WANTCHARS | DLGC_WANTALLKEYS | DLGC_WANTMESSAGE | DLGC_WANTTAB))) return TRUE;
  }
  TranslateMessage(msg);
  DispatchMessageW(msg);
  return TRUE;
}

BOOL IsDialogMessageA(HWND dialog, LPMSG msg) {
  if (!msg || !dialog || !IsWindow(dialog)) return FALSE;
  if (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)) return FALSE;
  if (msg->message == WM_CHAR || msg->message == WM_SYSCHAR) {
    std::u16string w = nux::AnsiToWide(std::string(1, static_cast<char>(msg->wParam & 0xFF)));
    MSG copy = *msg;
    copy.wParam = w.empty() ? 0 : w[0];
    return IsDialogMessageW(dialog, &copy);
  }
  return IsDialogMessageW(dialog, msg);
}

BOOL MapDialogRect(HWND dialog, LPRECT rect) {
  auto data = DataOf(dialog);
  if (!data || !rect) return FALSE;
  rect->left = MulDiv(rect->left, data->baseUnits.cx, 4);
  rect->right = MulDiv(rect->right, data->baseUnits.cx, 4);
  rect->top = MulDiv(rect->top, data->baseUnits.cy, 8);
  rect->bottom = MulDiv(rect->bottom, data->baseUnits.cy, 8);
  return TRUE;
}

LONG GetDialogBaseUnits() { return MAKELONG(8, 16); }

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous) {
  std::vector<HWND> stops;
  for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    if (IsTabStop(c) || c == DialogChildOf(dialog, control)) stops.push_back(c);
  if (stops.empty()) return nullptr;
  HWND cur = DialogChildOf(dialog, control);
  auto it = std::find(stops.begin(), stops.end(), cur);
  size_t n = stops.size();
  size_t start = it == stops.end() ? (previous ? 0 : n - 1) : static_cast<size_t>(it - stops.begin());
  for (size_t k = 1; k <= n; ++k) {
    size_t i = previous ? (start + n - k) % n : (start + k) % n;
    if (IsTabStop(stops[i])) return stops[i];
  }
  return cur;
}

HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous) {
  // The controls of one group: from a WS_GROUP control up to the next one.
  std::vector<HWND> all;
  for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) all.push_back(c);
  HWND cur = DialogChildOf(dialog, control);
  auto it = std::find(all.begin(), all.end(), cur);
  if (it == all.end()) return nullptr;
  size_t i = static_cast<size_t>(it - all.begin());
  size_t begin = i;
  while (begin > 0 && !(GetWindowLongW(all[begin], GWL_STYLE) & WS_GROUP)) --begin;
  size_t end = i + 1;
  while (end < all.size() && !(GetWindowLongW(all[end], GWL_STYLE) & WS_GROUP)) ++end;
  size_t n = end - begin;
  for (size_t k = 1; k < n; ++k) {
    size_t j = begin + (previous ? (i - begin + n - k) % n : (i - begin + k) % n);
    LONG s = GetWindowLongW(all[j], GWL_STYLE);
    if ((s & WS_VISIBLE) && !(s & WS_DISABLED)) return all[j];
  }
  return cur;
}

BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text) {
  HWND h = GetDlgItem(dialog, id);
  return h ? SetWindowTextW(h, text) : FALSE;
}

BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
  HWND h = GetDlgItem(dialog, id);
  return h ? SetWindowTextA(h, text) : FALSE;
}

UINT GetDlgItemTextW(HWND dialog, int id, LPWSTR buffer, int maxCount) {
  HWND h = GetDlgItem(dialog, id);
  if (!h) {
    if (buffer && maxCount > 0) buffer[0] = 0;
    return 0;
  }
  return static_cast<UINT>(GetWindowTextW(h, buffer, maxCount));
}

UINT GetDlgItemTextA(HWND dialog, int id, LPSTR buffer, int maxCount) {
  HWND h = GetDlgItem(dialog, id);
  if (!h) {
    if (buffer && maxCount > 0) buffer[0] = 0;
    return 0;
  }
  return static_cast<UINT>(GetWindowTextA(h, buffer, maxCount));
}

BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned) {
  std::string s = isSigned ? std::to_string(static_cast<int>(value)) : std::to_string(value);
  return SetDlgItemTextA(dialog, id, s.c_str());
}

UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned) {
  char buf[64];
  if (translated) *translated = FALSE;
  if (!GetDlgItemTextA(dialog, id, buf, sizeof(buf))) return 0;
  char* p = buf;
  while (*p == ' ') ++p;
  bool neg = false;
  if (isSigned && *p == '-') {
    neg = true;
    ++p;
  }
  if (*p < '0' || *p > '9') return 0;
  unsigned long long v = 0;
  while (*p >= '0' && *p <= '9') {
    v = v * 10 + static_cast<unsigned>(*p - '0');
    if (v > 0xFFFFFFFFull) return 0;
    ++p;
  }
  while (*p == ' ') ++p;
  if (*p) return 0;
  if (isSigned && v > (neg ? 0x80000000ull : 0x7FFFFFFFull)) return 0;
  if (translated) *translated = TRUE;
  return neg ? static_cast<UINT>(-static_cast<long long>(v)) : static_cast<UINT>(v);
}

LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND h = GetDlgItem(dialog, id);
  return h ? SendMessageW(h, msg, wParam, lParam) : 0;
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND h = GetDlgItem(dialog, id);
  return h ? SendMessageA(h, msg, wParam, lParam) : 0;
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
  HWND h = GetDlgItem(dialog, id);
  if (!h) return FALSE;
  SendMessageW(h, BM_SETCHECK, check, 0);
  return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
  HWND h = GetDlgItem(dialog, id);
  return h ? static_cast<UINT>(SendMessageW(h, BM_GETCHECK, 0, 0)) : 0;
}

BOOL CheckRadioButton(HWND dialog, int first, int last, int check) {
  for (int id = first; id <= last; ++id) {
    HWND h = GetDlgItem(dialog, id);
    if (h) SendMessageW(h, BM_SETCHECK, id == check ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  return TRUE;
}

namespace nux::ui {

HWND CreateDialogFromTemplate(HINSTANCE instance, const nux::res::DialogTemplate& tpl, HWND parent, DLGPROC proc,
                              LPARAM initParam, bool ansiProc) {
  return CreateFromTemplate(instance, tpl, parent, proc, initParam, ansiProc);
}

INT_PTR RunDialogModal(HWND dialog) {
  auto data = DataOf(dialog);
  if (!data) return -1;
  data->modal = true;
  HWND owner = GetWindow(dialog, GW_OWNER);
  bool ownerWasEnabled = owner && IsWindowEnabled(owner);
  if (ownerWasEnabled) EnableWindow(owner, FALSE);
  MSG m;
  bool quit = false;
  while (!data->ended && IsWindow(dialog)) {
    if (!PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE)) {
      // The queue ran empty: a dialog not shown yet appears now, and the owner hears of the idle.
      if (!(GetWindowLongW(dialog, GWL_STYLE) & WS_VISIBLE)) ShowWindow(dialog, SW_SHOWNORMAL);
      if (owner) SendMessageW(owner, WM_ENTERIDLE, 0 /*MSGF_DIALOGBOX*/, reinterpret_cast<LPARAM>(dialog));
      if (data->ended) break;
    }
    if (!GetMessageW(&m, nullptr, 0, 0)) {
      quit = true;
      break;
    }
    if (!IsDialogMessageW(dialog, &m)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
  }
  INT_PTR result = data->ended ? data->result : -1;
  if (owner && ownerWasEnabled) EnableWindow(owner, TRUE);
  if (IsWindow(dialog)) DestroyWindow(dialog);
  if (quit) PostQuitMessage(static_cast<int>(m.wParam));
  return result;
}

bool DialogEnded(HWND dialog, INT_PTR* result) {
  auto data = DataOf(dialog);
  if (!data || !data->ended) return false;
  if (result) *result = data->result;
  return true;
}

SIZE DialogBaseUnitsFor(const std::u16string& face, int pointSize, int weight, bool italic) {
  HDC ic = CreateICW(u"DISPLAY", nullptr, nullptr, nullptr);
  int dpi = ic ? GetDeviceCaps(ic, 90 /*LOGPIXELSY*/) : 96;
  if (dpi <= 0) dpi = 96;
  HFONT font = CreateFontW(-MulDiv(pointSize, dpi, 72), 0, 0, 0, weight, italic ? 1 : 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0,
                           0, face.c_str());
  SIZE units{0, 0};
  if (ic && font) {
    HGDIOBJ old = SelectObject(ic, font);
    TEXTMETRICW tm{};
    SIZE ext{0, 0};
    static const char16_t kAlphabet[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    if (GetTextMetricsW(ic, &tm) && GetTextExtentPoint32W(ic, kAlphabet, 52, &ext)) {
      units.cx = (ext.cx / 26 + 1) / 2;
      units.cy = tm.tmHeight;
    }
    SelectObject(ic, old);
  }
  if (font) DeleteObject(font);
  if (ic) DeleteDC(ic);
  if (units.cx <= 0 || units.cy <= 0) {
    // Without text metrics: the usual figures of an 8-point sans-serif face at 96 dpi, scaled.
    units.cx = std::max(1, MulDiv(6, pointSize, 8));
    units.cy = std::max(1, MulDiv(13, pointSize, 8));
  }
  return units;
}

void SetDialogItemFactory(DialogItemFactory factory) {
  std::lock_guard<std::mutex> g(FactoryMutex());
  Factory() = std::move(factory);
}

}  // namespace nux::ui
