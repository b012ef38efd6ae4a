// The profile (ini file) functions over 8-bit and UTF-16LE files.
#include "fs/profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/errors.h"
#include "fs/fs_internal.h"
#include "fs/path.h"

namespace {

using namespace nux::fs::detail;

// ---- the file -------------------------------------------------------------------

struct IniFile {
  bool exists = false;
  bool utf16 = false;  // UTF-16LE with a byte-order mark
  bool utf8 = false;   // UTF-8 with a byte-order mark (an 8-bit file without one is ANSI)
  mode_t mode = 0;
  std::vector<std::u16string> lines;
};

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

std::u16string Trim(std::u16string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  return std::u16string(text.substr(b, e - b));
}

// Windows path of a profile file: a bare name lies in the Windows folder.
std::u16string ProfilePath(LPCWSTR fileName) {
  std::u16string name = fileName ? fileName : u"win.ini";
  const bool hasFolder = name.find_first_of(u"\\/") != std::u16string::npos || (name.size() >= 2 && name[1] == u':');
  if (!hasFolder) name = WindowsFolder() + u"\\" + name;
  return name;
}

std::string LinuxPathOf(LPCWSTR fileName) { return nux::fs::ToLinuxPath(ProfilePath(fileName)); }

void Load(const std::string& linuxPath, IniFile& ini) {
  ini = IniFile{};
  if (linuxPath.empty()) return;
  struct stat st;
  if (::stat(linuxPath.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return;
  std::ifstream in(linuxPath, std::ios::binary);
  if (!in) return;
  std::ostringstream ss;
  ss << in.rdbuf();
  const std::string bytes = ss.str();
  ini.exists = true;
  ini.mode = st.st_mode & 07777;
  std::u16string text;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
    ini.utf16 = true;
    text.reserve(bytes.size() / 2);
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      text += char16_t(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
  } else if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    ini.utf8 = true;
    text = nux::FromUtf8(std::string_view(bytes).substr(3));
  } else {
    text = nux::AnsiToWide(bytes);
  }
  // CR LF, LF and a lone CR each end a line, so a file from any editor reads as its lines.
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of(u"\r\n", start);
    if (end == std::u16string::npos) end = text.size();
    ini.lines.push_back(text.substr(start, end - start));
    if (end < text.size() && text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n') ++end;
    start = end + 1;
  }
}

// ---- lines ----------------------------------------------------------------------

bool IsComment(const std::u16string& line) {
  size_t i = 0;
  while (i < line.size() && IsBlank(line[i])) ++i;
  return i < line.size() && line[i] == u';';
}

// "[name]" (blanks around allowed); the name trimmed.
bool SectionName(const std::u16string& line, std::u16string& name) {
  size_t i = 0;
  while (i < line.size() && IsBlank(line[i])) ++i;
  if (i >= line.size() || line[i] != u'[') return false;
  const size_t close = line.find(u']', i + 1);
  if (close == std::u16string::npos) return false;
  name = Trim(std::u16string_view(line).substr(i + 1, close - i - 1));
  return true;
}

bool KeyLine(const std::u16string& line, std::u16string& key, std::u16string& value) {
  if (IsComment(line)) return false;
  std::u16string ignored;
  if (SectionName(line, ignored)) return false;
  const size_t eq = line.find(u'=');
  if (eq == std::u16string::npos) return false;
  key = Trim(std::u16string_view(line).substr(0, eq));
  value = Trim(std::u16string_view(line).substr(eq + 1));
  return true;
}

// The lines [first, end) of the first section of that name, first being its header.
bool FindSection(const IniFile& ini, const std::u16string& section, size_t& first, size_t& end) {
  const std::u16string wanted = Trim(section);
  std::u16string name;
  for (size_t i = 0; i < ini.lines.size(); ++i) {
    if (!SectionName(ini.lines[i], name) || !EqualNoCase(name, wanted)) continue;
    first = i;
    end = i + 1;
    while (end < ini.lines.size() && !SectionName(ini.lines[end], name)) ++end;
    return true;
  }
  return false;
}

// Index of the first line of the section that is the key; npos when none.
size_t FindKey(const IniFile& ini, size_t first, size_t end, const std::u16string& key) {
  const std::u16string wanted = Trim(key);
  std::u16string k, v;
  for (size_t i = first + 1; i < end; ++i) {
    if (KeyLine(ini.lines[i], k, v) && EqualNoCase(k, wanted)) return i;
  }
  return std::u16string::npos;
}

std::u16string Unquote(std::u16string value) {
  if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::optional<std::u16string> ReadValue(const IniFile& ini, const std::u16string& section, const std::u16string& key) {
  size_t first, end;
  if (!FindSection(ini, section, first, end)) return std::nullopt;
  const size_t at = FindKey(ini, first, end, key);
  if (at == std::u16string::npos) return std::nullopt;
  std::u16string k, v;
  KeyLine(ini.lines[at], k, v);
  return Unquote(v);
}

std::vector<std::u16string> SectionNames(const IniFile& ini) {
  std::vector<std::u16string> names;
  std::u16string name;
  for (const auto& line : ini.lines) {
    if (!SectionName(line, name)) continue;
    const bool seen = std::any_of(names.begin(), names.end(), [&](const auto& n) { return EqualNoCase(n, name); });
    if (!seen) names.push_back(name);
  }
  return names;
}

std::vector<std::u16string> KeyNames(const IniFile& ini, const std::u16string& section) {
  std::vector<std::u16string> names;
  size_t first, end;
  if (!FindSection(ini, section, first, end)) return names;
  std::u16string k, v;
  for (size_t i = first + 1; i < end; ++i) {
    if (KeyLine(ini.lines[i], k, v)) names.push_back(k);
  }
  return names;
}

std::vector<std::u16string> SectionLines(const IniFile& ini, const std::u16string& section) {
  std::vector<std::u16string> lines;
  size_t first, end;
  if (!FindSection(ini, section, first, end)) return lines;
  std::u16string k, v;
  for (size_t i = first + 1; i < end; ++i) {
    const std::u16string& line = ini.lines[i];
    if (IsComment(line)) continue;
    if (KeyLine(line, k, v)) {
      lines.push_back(k + u"=" + v);
    } else if (std::u16string t = Trim(line); !t.empty()) {
      lines.push_back(t);
    }
  }
  return lines;
}

// ---- copying out ----------------------------------------------------------------

template <class C>
std::basic_string<C> Convert(const std::u16string& text);
template <>
std::u16string Convert<char16_t>(const std::u16string& text) {
  return text;
}
template <>
std::string Convert<char>(const std::u16string& text) {
  return nux::WideToAnsi(text);
}

template <class C>
DWORD CopyValue(const std::u16string& value, C* buffer, DWORD size) {
  if (!buffer || size == 0) return 0;
  const std::basic_string<C> text = Convert<C>(value);
  const size_t n = std::min<size_t>(text.size(), size - 1);
  std::copy(text.begin(), text.begin() + ptrdiff_t(n), buffer);
  buffer[n] = 0;
  return DWORD(n);
}

template <class C>
DWORD CopyList(const std::vector<std::u16string>& items, C* buffer, DWORD size) {
  if (!buffer || size == 0) return 0;
  std::basic_string<C> all;
  for (const auto& item : items) {
    all += Convert<C>(item);
    all += C(0);
  }
  if (all.size() + 1 <= size) {
    std::copy(all.begin(), all.end(), buffer);
    buffer[all.size()] = 0;
    if (all.empty() && size >= 2) buffer[1] = 0;
    return DWORD(all.size());
  }
  if (size < 2) {
    buffer[0] = 0;
    return 0;
  }
  std::copy(all.begin(), all.begin() + ptrdiff_t(size - 2), buffer);
  buffer[size - 2] = 0;
  buffer[size - 1] = 0;
  return size - 2;
}

std::u16string DefaultText(LPCWSTR defaultValue) {
  std::u16string text = defaultValue ? defaultValue : u"";
  while (!text.empty() && (text.back() == u' ' || text.back() == u'\t')) text.pop_back();
  return text;
}

template <class C>
DWORD GetString(LPCWSTR section, LPCWSTR key, LPCWSTR defaultValue, C* buffer, DWORD size, LPCWSTR fileName) {
  IniFile ini;
  Load(LinuxPathOf(fileName), ini);
  if (!section) return CopyList(SectionNames(ini), buffer, size);
  if (!key) return CopyList(KeyNames(ini, section), buffer, size);
  const std::optional<std::u16string> value = ReadValue(ini, section, key);
  return CopyValue(value ? *value : DefaultText(defaultValue), buffer, size);
}

UINT GetInt(LPCWSTR section, LPCWSTR key, INT defaultValue, LPCWSTR fileName) {
  if (!section || !key) return UINT(defaultValue);
  IniFile ini;
  Load(LinuxPathOf(fileName), ini);
  const std::optional<std::u16string> value = ReadValue(ini, section, key);
  if (!value || value->empty()) return UINT(defaultValue);
  const std::u16string& v = *value;
  size_t i = 0;
  while (i < v.size() && (v[i] == u' ' || v[i] == u'\t')) ++i;
  bool negative = false;
  if (i < v.size() && (v[i] == u'+' || v[i] == u'-')) negative = v[i++] == u'-';
  uint32_t result = 0;  // wraps at 32 bits, as the system's conversion does
  if (i + 1 < v.size() && v[i] == u'0' && (v[i + 1] == u'x' || v[i + 1] == u'X')) {
    for (i += 2; i < v.size(); ++i) {
      const char16_t c = v[i];
      int d;
      if (c >= u'0' && c <= u'9') d = c - u'0';
      else if (c >= u'a' && c <= u'f') d = c - u'a' + 10;
      else if (c >= u'A' && c <= u'F') d = c - u'A' + 10;
      else break;
      result = result * 16u + uint32_t(d);
    }
  } else {
    for (; i < v.size() && v[i] >= u'0' && v[i] <= u'9'; ++i) result = result * 10u + uint32_t(v[i] - u'0');
  }
  return negative ? UINT(0u - result) : UINT(result);
}

// ---- writing --------------------------------------------------------------------

std::mutex g_writeMutex;  // one read-modify-write at a time

mode_t NewFileMode() {
  // The process's umask, read without changing it.
  mode_t mask = 022;
  if (FILE* status = std::fopen("/proc/self/status", "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, status)) {
      unsigned value;
      if (std::sscanf(line, "Umask: %o", &value) == 1) {
        mask = mode_t(value);
        break;
      }
    }
    std::fclose(status);
  }
  return 0666 & ~mask;
}

std::string Serialise(const IniFile& ini) {
  std::u16string text;
  for (const auto& line : ini.lines) {
    text += line;
    text += u"\r\n";
  }
  if (ini.utf8) return "\xEF\xBB\xBF" + nux::ToUtf8(text);
  if (!ini.utf16) return nux::WideToAnsi(text);
  std::string bytes = "\xFF\xFE";
  bytes.reserve(2 + text.size() * 2);
  for (char16_t c : text) {
    bytes += char(c & 0xFF);
    bytes += char(c >> 8);
  }
  return bytes;
}

bool Save(const std::string& linuxPath, const IniFile& ini) {
  const size_t slash = linuxPath.rfind('/');
  const std::string folder = slash == 0 ? "/" : linuxPath.substr(0, slash);
  std::string tmpl = folder + "/.nuxini-XXXXXX";
  const int fd = ::mkstemp(tmpl.data());
  if (fd < 0) {
    SetLastError(ErrnoToWin32(errno));
    return false;
  }
  const std::string bytes = Serialise(ini);
  int err = 0;
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      err = errno;
      break;
    }
    done += size_t(n);
  }
  if (!err && ::fchmod(fd, ini.exists ? ini.mode : NewFileMode()) != 0) err = errno;
  if (!err && ::fsync(fd) != 0) err = errno;
  if (::close(fd) != 0 && !err) err = errno;
  if (!err && ::rename(tmpl.c_str(), linuxPath.c_str()) != 0) err = errno;
  if (err) {
    ::unlink(tmpl.c_str());
    SetLastError(ErrnoToWin32(err));
    return false;
  }
  return true;
}

BOOL WriteString(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR fileName) {
  if (!section) {
    if (!key && !value) return TRUE;  // asks to flush a cache this platform does not keep
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // A line break in a name or value, an "=" in a key or a "]" in a section name would
  // change the file's structure (new keys or sections); such writes are refused.
  auto breaksLine = [](LPCWSTR text, std::u16string_view also) {
    if (!text) return false;
    for (const char16_t* p = text; *p; ++p) {
      if (*p == u'\r' || *p == u'\n' || also.find(*p) != std::u16string_view::npos) return true;
    }
    return false;
  };
  if (breaksLine(section, u"]") || breaksLine(key, u"=") || breaksLine(value, u"")) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard<std::mutex> lock(g_writeMutex);
  WinPath parsed;
  Resolved resolved;
  if (!ParseWinPath(ProfilePath(fileName), parsed) || !Resolve(parsed, resolved)) return FALSE;
  if (resolved.onDisk.empty() || resolved.existing + 1 < resolved.onDisk.size()) {
    SetLastError(resolved.onDisk.empty() ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  struct stat st;
  if (::stat(resolved.linuxPath.c_str(), &st) == 0 && (S_ISDIR(st.st_mode) || IsReadOnly(st))) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  IniFile ini;
  Load(resolved.linuxPath, ini);

  size_t first = 0, end = 0;
  const bool hasSection = FindSection(ini, section, first, end);
  bool changed = false;
  if (!key) {
    if (hasSection) {
      ini.lines.erase(ini.lines.begin() + ptrdiff_t(first), ini.lines.begin() + ptrdiff_t(end));
      changed = true;
    }
  } else if (!value) {
    if (hasSection) {
      const size_t at = FindKey(ini, first, end, key);
      if (at != std::u16string::npos) {
        ini.lines.erase(ini.lines.begin() + ptrdiff_t(at));
        changed = true;
      }
    }
  } else {
    const std::u16string keyName = Trim(key);
    if (hasSection) {
      const size_t at = FindKey(ini, first, end, key);
      if (at != std::u16string::npos) {
        std::u16string k, v;
        KeyLine(ini.lines[at], k, v);  // the key keeps the spelling the file has
        ini.lines[at] = k + u"=" + value;
      } else {
        // After the section's last line that is not blank.
        size_t insert = end;
        while (insert > first + 1 && Trim(ini.lines[insert - 1]).empty()) --insert;
        ini.lines.insert(ini.lines.begin() + ptrdiff_t(insert), keyName + u"=" + value);
      }
    } else {
      if (!ini.lines.empty() && !Trim(ini.lines.back()).empty()) ini.lines.push_back(u"");
      ini.lines.push_back(u"[" + Trim(section) + u"]");
      ini.lines.push_back(keyName + u"=" + value);
    }
    changed = true;
  }
  if (!changed) return TRUE;
  return Save(resolved.linuxPath, ini) ? TRUE : FALSE;
}

// 8-bit arguments as wide text; NULL stays NULL.
struct WideArg {
  std::u16string text;
  bool null;
  explicit WideArg(LPCSTR s) : text(s ? nux::AnsiToWide(s) : std::u16string()), null(!s) {}
  LPCWSTR get() const { return null ? nullptr : text.c_str(); }
};

}  // namespace

DWORD GetPrivateProfileStringW(LPCWSTR appName, LPCWSTR keyName, LPCWSTR defaultValue, LPWSTR returnedString,
                               DWORD size, LPCWSTR fileName) {
  return GetString(appName, keyName, defaultValue, returnedString, size, fileName);
}

DWORD GetPrivateProfileStringA(LPCSTR appName, LPCSTR keyName, LPCSTR defaultValue, LPSTR returnedString,
                               DWORD size, LPCSTR fileName) {
  const WideArg app(appName), key(keyName), def(defaultValue), file(fileName);
  return GetString(app.get(), key.get(), def.get(), returnedString, size, file.get());
}

UINT GetPrivateProfileIntW(LPCWSTR appName, LPCWSTR keyName, INT defaultValue, LPCWSTR fileName) {
  return GetInt(appName, keyName, defaultValue, fileName);
}

UINT GetPrivateProfileIntA(LPCSTR appName, LPCSTR keyName, INT defaultValue, LPCSTR fileName) {
  const WideArg app(appName), key(keyName), file(fileName);
  return GetInt(app.get(), key.get(), defaultValue, file.get());
}

BOOL WritePrivateProfileStringW(LPCWSTR appName, LPCWSTR keyName, LPCWSTR string, LPCWSTR fileName) {
  return WriteString(appName, keyName, string, fileName);
}

BOOL WritePrivateProfileStringA(LPCSTR appName, LPCSTR keyName, LPCSTR string, LPCSTR fileName) {
  const WideArg app(appName), key(keyName), value(string), file(fileName);
  return WriteString(app.get(), key.get(), value.get(), file.get());
}

DWORD GetPrivateProfileSectionW(LPCWSTR appName, LPWSTR returnedString, DWORD size, LPCWSTR fileName) {
  IniFile ini;
  Load(LinuxPathOf(fileName), ini);
  return CopyList(appName ? SectionLines(ini, appName) : std::vector<std::u16string>{}, returnedString, size);
}

DWORD GetPrivateProfileSectionA(LPCSTR appName, LPSTR returnedString, DWORD size, LPCSTR fileName) {
  const WideArg app(appName), file(fileName);
  IniFile ini;
  Load(LinuxPathOf(file.get()), ini);
  return CopyList(appName ? SectionLines(ini, app.text) : std::vector<std::u16string>{}, returnedString, size);
}

DWORD GetPrivateProfileSectionNamesW(LPWSTR returnBuffer, DWORD size, LPCWSTR fileName) {
  IniFile ini;
  Load(LinuxPathOf(fileName), ini);
  return CopyList(SectionNames(ini), returnBuffer, size);
}

DWORD GetPrivateProfileSectionNamesA(LPSTR returnBuffer, DWORD size, LPCSTR fileName) {
  const WideArg file(fileName);
  IniFile ini;
  Load(LinuxPathOf(file.get()), ini);
  return CopyList(SectionNames(ini), returnBuffer, size);
}
