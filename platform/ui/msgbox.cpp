// Message boxes: a dialog on the screen when there is one, else on standard error, answered by
// script, screen, terminal, or the choice that changes nothing.
#include "ui/msgbox.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <iostream>
#include <mutex>
#include <string>

#include "base/codepage.h"
#include "display/display.h"
#include "res/templates.h"
#include "ui/controls.h"
#include "ui/dialog.h"
#include "ui/sysparams.h"
#include "ui/window.h"

namespace {

std::mutex g_mutex;
std::deque<int> g_answers;
std::vector<nux::ui::MessageBoxRecord> g_log;
int g_terminal = -1;  // -1: decide by isatty

struct Button {
  int id;
  const char* label;  // as the box shows it
  const char* english;
};

std::vector<Button> ButtonsFor(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {{IDOK, "OK", "ok"}, {IDCANCEL, "Abbrechen", "cancel"}};
    case MB_ABORTRETRYIGNORE:
      return {{IDABORT, "Abbrechen", "abort"}, {IDRETRY, "Wiederholen", "retry"}, {IDIGNORE, "Ignorieren", "ignore"}};
    case MB_YESNOCANCEL: return {{IDYES, "Ja", "yes"}, {IDNO, "Nein", "no"}, {IDCANCEL, "Abbrechen", "cancel"}};
    case MB_YESNO: return {{IDYES, "Ja", "yes"}, {IDNO, "Nein", "no"}};
    case MB_RETRYCANCEL: return {{IDRETRY, "Wiederholen", "retry"}, {IDCANCEL, "Abbrechen", "cancel"}};
    case MB_CANCELTRYCONTINUE:
      return {{IDCANCEL, "Abbrechen", "cancel"}, {IDTRYAGAIN, "Wiederholen", "try"}, {IDCONTINUE, "Weiter", "continue"}};
    default: return {{IDOK, "OK", "ok"}};
  }
}

// The answer when nobody can be asked: the choice that changes nothing (No, Cancel, Abort), never
// the default button; a box with OK alone is answered OK.
int UnattendedAnswer(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_YESNO: return IDNO;
    case MB_ABORTRETRYIGNORE: return IDABORT;
    case MB_OKCANCEL:
    case MB_YESNOCANCEL:
    case MB_RETRYCANCEL:
    case MB_CANCELTRYCONTINUE: return IDCANCEL;
    default: return IDOK;
  }
}

bool TerminalAllowed() {
  if (g_terminal >= 0) return g_terminal != 0;
  return isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
}

std::string Lower(std::string s) {
  for (auto& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

// Reads the user's choice: a button's number, or the start of its label (German or English).
// An empty line takes the default button; the end of the input (nobody there to answer) takes
// the unattended answer.
int AskTerminal(const std::vector<Button>& buttons, int def, int unattended) {
  for (;;) {
    std::fprintf(stderr, "> ");
    std::fflush(stderr);
    std::string line;
    if (!std::getline(std::cin, line)) return unattended;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (line.empty()) return def;
    if (line.size() == 1 && line[0] >= '1' && line[0] <= '9') {
      size_t i = static_cast<size_t>(line[0] - '1');
      if (i < buttons.size()) return buttons[i].id;
    }
    std::string l = Lower(line);
    for (auto& b : buttons) {
      std::string de = Lower(b.label);
      if (de.compare(0, l.size(), l) == 0 || std::string(b.english).compare(0, l.size(), l) == 0) return b.id;
    }
    std::fprintf(stderr, "?\n");
  }
}

// ---- the box on the screen: a dialog of the platform's own ----

struct ScreenBox {
  std::vector<Button> buttons;
  int def = IDOK;
  bool cancels = false;  // Escape and the close button answer Cancel (or the one OK)
  int escapeAnswer = 0;
};

nux::res::NameOrOrdinal Ordinal(WORD n) {
  nux::res::NameOrOrdinal o;
  o.present = true;
  o.isOrdinal = true;
  o.ordinal = n;
  return o;
}

nux::res::NameOrOrdinal Text(const std::u16string& text) {
  nux::res::NameOrOrdinal o;
  o.present = true;
  o.text = text;
  return o;
}

INT_PTR CALLBACK ScreenBoxProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* box = reinterpret_cast<ScreenBox*>(GetWindowLongPtrW(dlg, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(dlg, DWLP_USER, lParam);
      box = reinterpret_cast<ScreenBox*>(lParam);
      // In the middle of the owner, else of the work area.
      RECT r{}, around{};
      GetWindowRect(dlg, &r);
      HWND owner = GetWindow(dlg, GW_OWNER);
      if (!owner || !IsWindowVisible(owner) || !GetWindowRect(owner, &around))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &around, 0);
      int w = r.right - r.left, h = r.bottom - r.top;
      SetWindowPos(dlg, nullptr, around.left + ((around.right - around.left) - w) / 2,
                   around.top + ((around.bottom - around.top) - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
      if (HWND b = GetDlgItem(dlg, box->def)) SetFocus(b);
      return FALSE;
    }
    case WM_COMMAND: {
      if (!box) return FALSE;
      int id = LOWORD(wParam);
      if (id == IDCANCEL && box->escapeAnswer) {
        EndDialog(dlg, box->escapeAnswer);
        return TRUE;
      }
      for (const Button& b : box->buttons)
        if (b.id == id) EndDialog(dlg, id);
      return TRUE;
    }
    case WM_CLOSE:
      if (box && box->escapeAnswer) EndDialog(dlg, box->escapeAnswer);
      return TRUE;
    default: return FALSE;
  }
}

// Lines of the text as the box shows them: its own line breaks, long lines wrapped at blanks.
std::vector<std::u16string> BoxLines(const std::u16string& text, size_t width) {
  std::vector<std::u16string> lines;
  size_t start = 0;
  for (;;) {
    size_t end = text.find(u'\n', start);
    std::u16string line = text.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start);
    if (!line.empty() && line.back() == u'\r') line.pop_back();
    while (line.size() > width) {
      size_t cut = line.rfind(u' ', width);
      if (cut == std::u16string::npos || cut == 0) cut = width;
      lines.push_back(line.substr(0, cut));
      line.erase(0, cut + (cut < line.size() && line[cut] == u' ' ? 1 : 0));
    }
    lines.push_back(line);
    if (end == std::u16string::npos) break;
    start = end + 1;
  }
  return lines;
}

int AskOnScreen(HWND owner, const std::u16string& text, const std::u16string& caption, UINT type,
                const std::vector<Button>& buttons, int def) {
  ScreenBox box;
  box.def = def;
  for (const Button& b : buttons) {
    box.buttons.push_back(b);
    if (b.id == IDCANCEL) box.escapeAnswer = IDCANCEL;
  }
  if (buttons.size() == 1) box.escapeAnswer = buttons[0].id;

  // Dialog units: a character is about 4 wide and 8 high.
  std::vector<std::u16string> lines = BoxLines(text, 72);
  size_t longest = 0;
  for (const auto& l : lines) longest = std::max(longest, l.size());
  const short buttonW = 50, buttonH = 14, gap = 6, margin = 10;
  short rowW = short(buttons.size() * buttonW + (buttons.size() - 1) * gap);
  short textW = short(std::min<size_t>(longest, 72) * 4 + 8);
  short textH = short(lines.size() * 8 + 2);
  short width = short(std::max<int>({textW, rowW, 120}) + 2 * margin);

  nux::res::DialogTemplate tpl;
  tpl.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
  if (type & (MB_TOPMOST | MB_SYSTEMMODAL)) tpl.exStyle |= WS_EX_TOPMOST;
  tpl.cx = width;
  tpl.cy = short(margin + textH + margin + buttonH + margin);
  tpl.title = caption;
  tpl.hasFont = true;
  tpl.pointSize = 8;
  tpl.faceName = u"MS Sans Serif";
  nux::res::DialogItem label;
  label.style = WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX;
  label.x = margin;
  label.y = margin;
  label.cx = short(width - 2 * margin);
  label.cy = textH;
  label.id = 0xFFFF;
  label.windowClass = Ordinal(0x0082);
  std::u16string shown;
  for (size_t i = 0; i < lines.size(); ++i) shown += (i ? u"\n" : u"") + lines[i];
  label.title = Text(shown);
  tpl.items.push_back(label);
  short x = short((width - rowW) / 2);
  for (const Button& b : buttons) {
    nux::res::DialogItem item;
    item.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | (b.id == def ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    item.x = x;
    item.y = short(margin + textH + margin);
    item.cx = buttonW;
    item.cy = buttonH;
    item.id = DWORD(b.id);
    item.windowClass = Ordinal(0x0080);
    item.title = Text(nux::AnsiToWide(b.label));
    tpl.items.push_back(item);
    x = short(x + buttonW + gap);
  }
  HWND dlg = nux::ui::CreateDialogFromTemplate(nullptr, tpl, owner, ScreenBoxProc, reinterpret_cast<LPARAM>(&box));
  if (!dlg) return 0;
  ShowWindow(dlg, SW_SHOW);
  return static_cast<int>(nux::ui::RunDialogModal(dlg));
}

int Show(HWND owner, const std::u16string& text, const std::u16string& caption, UINT type) {
  auto buttons = ButtonsFor(type);
  size_t defIndex = (type & MB_DEFMASK) >> 8;
  if (defIndex >= buttons.size()) defIndex = 0;
  int def = buttons[defIndex].id;
  std::string out;
  out.append("[").append(nux::ToUtf8(caption)).append("] ").append(nux::ToUtf8(text)).append("\n  ");
  for (size_t i = 0; i < buttons.size(); ++i) {
    out += std::to_string(i + 1) + "=" + buttons[i].label + (i == defIndex ? "*" : "");
    if (i + 1 < buttons.size()) out += " ";
  }
  out += "\n";
  int answer = 0;
  bool scripted = false;
  {
    std::lock_guard<std::mutex> g(g_mutex);
    if (!g_answers.empty()) {
      answer = g_answers.front();
      g_answers.pop_front();
      scripted = true;
    }
  }
  std::fputs(out.c_str(), stderr);
  if (scripted) {
    bool valid = false;
    for (auto& b : buttons) valid = valid || b.id == answer;
    if (!valid) answer = def;
  } else if (nux::display::Active() && (answer = AskOnScreen(owner, text, caption, type, buttons, def)) != 0) {
    // The person answered on the screen.
  } else if (TerminalAllowed()) {
    // The owner stays disabled while the user answers, as it does under a real box.
    bool ownerEnabled = owner && IsWindowEnabled(owner);
    if (ownerEnabled) EnableWindow(owner, FALSE);
    answer = AskTerminal(buttons, def, UnattendedAnswer(type));
    if (ownerEnabled) EnableWindow(owner, TRUE);
  } else {
    answer = UnattendedAnswer(type);
  }
  for (auto& b : buttons)
    if (b.id == answer) std::fprintf(stderr, "  -> %s\n", b.label);
  std::lock_guard<std::mutex> g(g_mutex);
  g_log.push_back(nux::ui::MessageBoxRecord{caption, text, type, answer});
  return answer;
}

std::u16string Wide(LPCSTR s) { return s ? nux::AnsiToWide(s) : std::u16string(); }

}  // namespace

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  return Show(owner, text ? text : u"", caption ? caption : u"Fehler", type);
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  return Show(owner, Wide(text), caption ? Wide(caption) : u"Fehler", type);
}

int MessageBoxExW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type, WORD) { return MessageBoxW(owner, text, caption, type); }
int MessageBoxExA(HWND owner, LPCSTR text, LPCSTR caption, UINT type, WORD) { return MessageBoxA(owner, text, caption, type); }

BOOL MessageBeep(UINT) { return TRUE; }

namespace nux::ui {

void QueueMessageBoxAnswer(int id) {
  std::lock_guard<std::mutex> g(g_mutex);
  g_answers.push_back(id);
}

void ClearMessageBoxAnswers() {
  std::lock_guard<std::mutex> g(g_mutex);
  g_answers.clear();
}

std::vector<MessageBoxRecord> MessageBoxLog() {
  std::lock_guard<std::mutex> g(g_mutex);
  return g_log;
}

void ClearMessageBoxLog() {
  std::lock_guard<std::mutex> g(g_mutex);
  g_log.clear();
}

void SetMessageBoxTerminal(bool allowed) {
  std::lock_guard<std::mutex> g(g_mutex);
  g_terminal = allowed ? 1 : 0;
}

}  // namespace nux::ui
