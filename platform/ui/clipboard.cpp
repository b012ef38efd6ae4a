// The clipboard: who has it open, the text it holds, and the desktop's clipboard behind it.
#include "ui/clipboard.h"

#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/errors.h"
#include "display/display.h"
#include "memory/memory.h"
#include "process/process.h"

namespace {

// Longest text the clipboard takes from a block or from the desktop (characters).
constexpr size_t kMaxText = 64u << 20;

struct Clipboard {
  std::mutex m;
  DWORD openThread = 0;  // 0: closed
  HWND openWindow = nullptr;
  HWND owner = nullptr;
  std::optional<std::u16string> text;  // what the store holds (no screen)
  bool changed = false;                // set since it was opened: the desktop gets it at close
  std::vector<HGLOBAL> handed;         // the blocks given to it, freed when it is emptied
  std::vector<HGLOBAL> lent;           // the blocks it handed out, freed when it closes
};

Clipboard& C() {
  static auto* c = new Clipboard();
  return *c;
}

bool OpenedByMe(Clipboard& c) { return c.openThread != 0 && c.openThread == GetCurrentThreadId(); }

void FreeHanded(Clipboard& c) {
  for (HGLOBAL h : c.handed) GlobalFree(h);
  c.handed.clear();
}

// The text a block holds in the format, up to its first NUL and its size.
std::optional<std::u16string> TextOfBlock(UINT format, HANDLE data) {
  auto h = static_cast<HGLOBAL>(data);
  SIZE_T size = GlobalSize(h);
  const void* p = GlobalLock(h);
  if (!p) return std::nullopt;
  std::u16string text;
  if (format == CF_UNICODETEXT) {
    const auto* s = static_cast<const char16_t*>(p);
    size_t n = 0, max = std::min<size_t>(size / 2, kMaxText);
    while (n < max && s[n]) ++n;
    text.assign(s, n);
  } else {
    const auto* s = static_cast<const char*>(p);
    size_t n = 0, max = std::min<size_t>(size, kMaxText);
    while (n < max && s[n]) ++n;
    text = nux::AnsiToWide(std::string_view(s, n));
  }
  GlobalUnlock(h);
  return text;
}

HGLOBAL BlockOf(UINT format, const std::u16string& text) {
  if (format == CF_UNICODETEXT) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, (text.size() + 1) * 2);
    if (!h) return nullptr;
    std::memcpy(GlobalLock(h), text.data(), text.size() * 2);
    GlobalUnlock(h);
    return h;
  }
  std::string ansi = nux::WideToAnsi(text);
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, ansi.size() + 1);
  if (!h) return nullptr;
  std::memcpy(GlobalLock(h), ansi.data(), ansi.size());
  GlobalUnlock(h);
  return h;
}

// What the clipboard holds now: the desktop's text with a screen, else the store's.
std::optional<std::u16string> Current(Clipboard& c) {
  if (nux::display::Active() && !c.changed) {
    std::string utf8;
    if (!nux::display::GetClipboardText(&utf8)) return std::nullopt;
    if (utf8.size() > kMaxText) utf8.resize(kMaxText);
    return nux::FromUtf8(utf8);
  }
  return c.text;
}

}  // namespace

BOOL OpenClipboard(HWND owner) {
  Clipboard& c = C();
  std::lock_guard<std::mutex> g(c.m);
  if (c.openThread != 0 && c.openThread != GetCurrentThreadId()) return SetLastError(ERROR_ACCESS_DENIED), FALSE;
  c.openThread = GetCurrentThreadId();
  c.openWindow = owner;
  return TRUE;
}

BOOL CloseClipboard() {
  Clipboard& c = C();
  std::lock_guard<std::mutex> g(c.m);
  if (!OpenedByMe(c)) return SetLastError(ERROR_CLIPBOARD_NOT_OPEN), FALSE;
  if (c.changed && nux::display::Active()) {
    // The desktop's clipboard takes the text; the store keeps it too, for a desktop that
    // refuses it.
    nux::display::SetClipboardText(c.text ? nux::ToUtf8(*c.text) : std::string());
  }
  for (HGLOBAL h : c.lent) GlobalFree(h);
  c.lent.clear();
  c.changed = false;
  c.openThread = 0;
  c.openWindow = nullptr;
  return TRUE;
}

BOOL EmptyClipboard() {
  Clipboard& c = C();
  std::lock_guard<std::mutex> g(c.m);
  if (!OpenedByMe(c)) return SetLastError(ERROR_CLIPBOARD_NOT_OPEN), FALSE;
  FreeHanded(c);
  c.text.reset();
  c.changed = true;
  c.owner = c.openWindow;
  return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE data) {
  Clipboard& c = C();
  std::lock_guard<std::mutex> g(c.m);
  if (!OpenedByMe(c)) return SetLastError(ERROR_CLIPBOARD_NOT_OPEN), nullptr;
  if ((format != CF_TEXT && format != CF_UNICODETEXT) || !data) return SetLastError(ERROR_INVALID_PARAMETER), nullptr;
  std::optional<std::u16string> text = TextOfBlock(format, data);
  if (!text) return SetLastError(ERROR_INVALID_HANDLE), nullptr;
  c.text = std::move(text);
  c.changed = true;
  c.handed.push_back(static_cast<HGLOBAL>(data));
  return data;
}

HANDLE GetClipboardData(UINT format) {
  Clipboard& c = C();
  std::lock_guard<std::mutex> g(c.m);
  if (!OpenedByMe(c)) return SetLastError(ERROR_CLIPBOARD_NOT_OPEN), nullptr;
  if (format != CF_TEXT && format != CF_UNICODETEXT) return nullptr;
  std::optional<std::u16string> text = Current(c);
  if (!text) return nullptr;
  HGLOBAL h = BlockOf(format, *text);
  if (h) c.lent.push_back(h);
  return h;
}

BOOL IsClipboardFormatAvailable(UINT format) {
  if (format != CF_TEXT && format != CF_UNICODETEXT) return FALSE;
  Clipboard& c = C();
  std::lock_guard<std::mutex> g(c.m);
  if (nux::display::Active() && !c.changed) return nux::display::HasClipboardText() ? TRUE : FALSE;
  return c.text ? TRUE : FALSE;
}

HWND GetClipboardOwner() {
  Clipboard& c = C();
  std::lock_guard<std::mutex> g(c.m);
  return c.owner;
}
