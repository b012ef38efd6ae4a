// The table of top-level windows that other processes see. Every process publishes its
// top-level windows (class, title, user data) in the file "windows.tab" under the platform root;
// FindWindow and EnumWindows read the other processes' entries from it. A writer holds the lock
// file "windows.lock" (flock) while it reads, changes and rewrites the table, and replaces the
// file by a rename, so a reader never needs the lock and never sees half a table. Entries of
// processes that have ended (or whose id a new process now carries) are ignored by readers and
// dropped by the next writer.
//
// A window of another process appears here as a handle of its own (from 0x40000000 upwards,
// above the handles of this process's windows); IsWindow, GetWindowLong(GWL_USERDATA),
// GetClassName, GetWindowText and GetWindowThreadProcessId answer for it from the table. Messages
// cannot be sent to it.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <tuple>

#include "base/codepage.h"
#include "fs/fdwrite.h"
#include "fs/root.h"
#include "process/process.h"
#include "ui/wm_internal.h"

namespace nux::ui::detail {
namespace {

struct Entry {
  DWORD pid = 0;
  unsigned long long start = 0;  // the process's start time (clock ticks after boot)
  unsigned long long hwnd = 0;   // the handle in its own process
  LONG_PTR userData = 0;
  std::u16string className;
  std::u16string title;
};

using Key = std::tuple<DWORD, unsigned long long, unsigned long long>;
Key KeyOf(const Entry& e) { return {e.pid, e.start, e.hwnd}; }

struct TableState {
  std::mutex mutex;                       // one writer of this process at a time
  std::map<HWND, std::string> published;  // our windows and the root each was published under
  std::map<Key, HWND> proxies;            // other processes' windows and their handles here
  std::map<HWND, Key> keys;
  uintptr_t nextProxy = 0x40000000;
};

TableState& State() {
  static auto* s = new TableState;
  return *s;
}

// State and start time of a process from /proc; false when there is no such process.
bool ProcessStart(DWORD pid, char* state, unsigned long long* start) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%lu/stat", static_cast<unsigned long>(pid));
  std::ifstream in(path);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t close = text.rfind(')');
  if (close == std::string::npos) return false;
  std::istringstream fields(text.substr(close + 1));
  std::string field;
  for (int i = 3; i <= 22 && fields >> field; ++i) {
    if (i == 3) *state = field.empty() ? '?' : field[0];
    if (i == 22) {
      *start = std::strtoull(field.c_str(), nullptr, 10);
      return true;
    }
  }
  return false;
}

unsigned long long OwnStart() {
  static const unsigned long long start = [] {
    char state;
    unsigned long long value = 0;
    ProcessStart(GetCurrentProcessId(), &state, &value);
    return value;
  }();
  return start;
}

// A process that has ended (a zombie included) or whose id now names another process is dead.
bool Alive(DWORD pid, unsigned long long start, std::map<DWORD, bool>& known) {
  auto it = known.find(pid);
  if (it != known.end()) return it->second;
  char state = '?';
  unsigned long long now = 0;
  bool alive = ProcessStart(pid, &state, &now) && now == start && state != 'Z' && state != 'X';
  known[pid] = alive;
  return alive;
}

std::string Escape(std::u16string_view text) {
  std::string out;
  for (char c : ToUtf8(text)) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

std::u16string Unescape(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      const char c = text[++i];
      out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    } else {
      out += text[i];
    }
  }
  return FromUtf8(out);
}

std::string TablePath(const std::string& root) { return root + "/windows.tab"; }

// One entry a line: pid, start time, handle, user data, class, title, separated by tabs.
std::vector<Entry> ReadTable(const std::string& root) {
  std::vector<Entry> entries;
  std::ifstream in(TablePath(root), std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string_view> fields;
    size_t begin = 0;
    for (;;) {
      size_t tab = line.find('\t', begin);
      fields.emplace_back(std::string_view(line).substr(begin, tab == std::string::npos ? std::string::npos : tab - begin));
      if (tab == std::string::npos) break;
      begin = tab + 1;
    }
    if (fields.size() != 6) continue;
    Entry e;
    e.pid = static_cast<DWORD>(std::strtoul(std::string(fields[0]).c_str(), nullptr, 10));
    e.start = std::strtoull(std::string(fields[1]).c_str(), nullptr, 10);
    e.hwnd = std::strtoull(std::string(fields[2]).c_str(), nullptr, 16);
    e.userData = static_cast<LONG_PTR>(std::strtoll(std::string(fields[3]).c_str(), nullptr, 10));
    e.className = Unescape(fields[4]);
    e.title = Unescape(fields[5]);
    if (e.pid != 0) entries.push_back(std::move(e));
  }
  return entries;
}

bool WriteTable(const std::string& root, const std::vector<Entry>& entries) {
  std::string text;
  for (const Entry& e : entries) {
    char head[96];
    std::snprintf(head, sizeof head, "%lu\t%llu\t%llx\t%lld\t", static_cast<unsigned long>(e.pid), e.start, e.hwnd,
                  static_cast<long long>(e.userData));
    text += head + Escape(e.className) + "\t" + Escape(e.title) + "\n";
  }
  const std::string temp = TablePath(root) + "." + std::to_string(GetCurrentProcessId()) + ".tmp";
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool written = WriteAll(fd, text);
  ::close(fd);
  if (!written || ::rename(temp.c_str(), TablePath(root).c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

// Runs change on the table of the root under the lock file, dropping dead entries first.
template <class Change>
void UpdateTable(const std::string& root, Change change) {
  int lockFd = ::open((root + "/windows.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (lockFd < 0) return;
  while (::flock(lockFd, LOCK_EX) != 0 && errno == EINTR) {
  }
  std::vector<Entry> entries = ReadTable(root);
  std::map<DWORD, bool> known;
  std::vector<Entry> kept;
  for (Entry& e : entries)
    if (Alive(e.pid, e.start, known)) kept.push_back(std::move(e));
  change(kept);
  WriteTable(root, kept);
  ::flock(lockFd, LOCK_UN);
  ::close(lockFd);
}

// The entry of one of our windows as it stands now; false when it is gone or is a child.
bool OwnEntry(HWND hwnd, Entry* out) {
  auto w = Find(hwnd);
  if (!w) return false;
  Lock lock(Mutex());
  if (w->parent || w->dead) return false;
  out->pid = GetCurrentProcessId();
  out->start = OwnStart();
  out->hwnd = reinterpret_cast<uintptr_t>(hwnd);
  out->userData = w->userData;
  out->className = w->cls ? w->cls->name : std::u16string();
  out->title = w->text;
  return true;
}

std::vector<Entry> LiveRemoteEntries() {
  std::vector<Entry> out;
  std::map<DWORD, bool> known;
  const DWORD self = GetCurrentProcessId();
  for (Entry& e : ReadTable(PlatformRoot())) {
    if (e.pid == self && e.start == OwnStart()) continue;  // our own windows are known first-hand
    if (Alive(e.pid, e.start, known)) out.push_back(std::move(e));
  }
  return out;
}

}  // namespace

void PublishWindow(HWND hwnd) {
  TableState& s = State();
  std::lock_guard<std::mutex> guard(s.mutex);
  Entry entry;
  if (!OwnEntry(hwnd, &entry)) return;
  auto it = s.published.find(hwnd);
  const std::string root = it != s.published.end() ? it->second : PlatformRoot();
  s.published[hwnd] = root;
  UpdateTable(root, [&](std::vector<Entry>& entries) {
    for (Entry& e : entries) {
      if (KeyOf(e) == KeyOf(entry)) {
        e = entry;
        return;
      }
    }
    entries.push_back(entry);
  });
}

void WithdrawWindow(HWND hwnd) {
  TableState& s = State();
  std::lock_guard<std::mutex> guard(s.mutex);
  auto it = s.published.find(hwnd);
  if (it == s.published.end()) return;
  const std::string root = it->second;
  s.published.erase(it);
  const Key key{GetCurrentProcessId(), OwnStart(), reinterpret_cast<uintptr_t>(hwnd)};
  UpdateTable(root, [&](std::vector<Entry>& entries) {
    std::erase_if(entries, [&](const Entry& e) { return KeyOf(e) == key; });
  });
}

std::vector<HWND> RemoteWindows() {
  std::vector<Entry> entries = LiveRemoteEntries();
  TableState& s = State();
  std::lock_guard<std::mutex> guard(s.mutex);
  std::vector<HWND> handles;
  for (const Entry& e : entries) {
    const Key key = KeyOf(e);
    auto it = s.proxies.find(key);
    if (it == s.proxies.end()) {
      HWND proxy = reinterpret_cast<HWND>(s.nextProxy);
      s.nextProxy += 4;
      it = s.proxies.emplace(key, proxy).first;
      s.keys[proxy] = key;
    }
    handles.push_back(it->second);
  }
  return handles;
}

bool FindRemoteWindow(HWND hwnd, RemoteWindow* out) {
  Key key;
  {
    TableState& s = State();
    std::lock_guard<std::mutex> guard(s.mutex);
    auto it = s.keys.find(hwnd);
    if (it == s.keys.end()) return false;
    key = it->second;
  }
  for (const Entry& e : LiveRemoteEntries()) {
    if (KeyOf(e) != key) continue;
    if (out) {
      out->process = e.pid;
      out->userData = e.userData;
      out->className = e.className;
      out->title = e.title;
    }
    return true;
  }
  return false;
}

}  // namespace nux::ui::detail
