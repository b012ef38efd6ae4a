// Message boxes on standard error, answered by script, terminal, or the choice that changes nothing.
#include "ui/msgbox.h"

#include <unistd.h>

#include <cstdio>
#include <deque>
#include <iostream>
#include <mutex>
#include <string>

#include "base/codepage.h"
#include "ui/controls.h"
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
