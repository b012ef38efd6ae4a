#include "HostSettings.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Quillon.h"
#include "TextFiles.h"
#include "base/errors.h"
#include "fs/fs.h"
#include "registry/registry.h"

const char kStarvaneSettingsKey[] = "SOFTWARE\\Orlek Technologies\\Starvane 7\\Settings";
const char kHostWindowClass[] = "SV7WindowClass";
const char kHostStringsFile[] = "SVStrings.txt";
const char* const kEditionWords[5] = {"vindral", "kesmor", "plunet", "duvask", "tromel"};

namespace {

struct KeptWorkDir {
  bool read = false;
  bool ok = false;
  std::string folder;
};

KeptWorkDir& Kept() {
  static KeptWorkDir kept;
  return kept;
}

// A string value of the settings key, whatever its length. False when the key cannot be opened
// (keyOpened false) or the value is missing or no string.
bool QuerySettingsString(HKEY root, const char* name, std::string& value, bool* keyOpened = nullptr) {
  if (keyOpened != nullptr) *keyOpened = false;
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, kStarvaneSettingsKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;
  if (keyOpened != nullptr) *keyOpened = true;
  DWORD type = 0;
  DWORD size = 0;
  bool ok = false;
  if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ)) {
    std::vector<BYTE> data(size + 1, 0);
    DWORD got = size;
    if (RegQueryValueExA(key, name, nullptr, &type, data.data(), &got) == ERROR_SUCCESS) {
      value.assign(reinterpret_cast<const char*>(data.data()), strnlen(reinterpret_cast<const char*>(data.data()), got));
      ok = true;
    }
  }
  RegCloseKey(key);
  return ok;
}

bool SetSettingsString(HKEY root, const char* name, const std::string& value) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, kStarvaneSettingsKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;
  const LSTATUS status = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                        static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

// A whole token as a decimal int ("12" yes, "12a" and "" no).
bool ParseWholeInt(const std::string& token, int& value) {
  if (token.empty()) return false;
  const char* p = token.c_str();
  char* end = nullptr;
  errno = 0;
  const long parsed = std::strtol(p, &end, 10);
  if (end == p || *end != '\0' || errno == ERANGE || parsed < INT_MIN || parsed > INT_MAX) return false;
  value = static_cast<int>(parsed);
  return true;
}

// Reads every line of a text file (bytes as they are, LF, CR LF or a lone CR ending a line, any
// length); false when it cannot be opened.
bool ReadLines(const char* path, std::vector<std::string>& lines) {
  std::vector<std::string> raw;
  if (!ReadTextLines(path, raw)) return false;
  for (std::string& line : raw) {
    if (!line.empty() && line.back() == '\n') line.pop_back();
    lines.push_back(std::move(line));
  }
  return true;
}

// The value of the first line of the entry whose two first tab-separated fields both read as
// numbers ("%d").
bool FindHostString(const char* path, int entry, int& value) {
  std::vector<std::string> lines;
  if (path == nullptr || !ReadLines(path, lines)) return false;
  for (const std::string& line : lines) {
    const size_t tab = line.find('\t');
    if (tab == std::string::npos) continue;
    const size_t tab2 = line.find('\t', tab + 1);
    const std::string first = line.substr(0, tab);
    const std::string second = line.substr(tab + 1, tab2 == std::string::npos ? std::string::npos : tab2 - tab - 1);
    int number = 0;
    int content = 0;
    if (std::sscanf(first.c_str(), "%d", &number) != 1) continue;
    if (std::sscanf(second.c_str(), "%d", &content) != 1) continue;
    if (number == entry) {
      value = content;
      return true;
    }
  }
  return false;
}

}  // namespace

bool ReadWorkDir(char* buffer, int size) {
  if (buffer == nullptr || size <= 1) return false;
  buffer[0] = '\0';
  std::string folder;
  if (!QuerySettingsString(HKEY_LOCAL_MACHINE, "WorkDir", folder)) return false;
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  if (folder.size() >= static_cast<size_t>(size)) return false;
  std::memcpy(buffer, folder.c_str(), folder.size() + 1);
  return true;
}

bool MakeWorkDirPath(std::string& path, const char* name) {
  KeptWorkDir& kept = Kept();
  if (!kept.read) {
    char buffer[256];
    kept.ok = ReadWorkDir(buffer, sizeof buffer);
    kept.folder = kept.ok ? buffer : "";
    kept.read = true;
  }
  if (!kept.ok) return false;
  path = kept.folder + (name != nullptr ? name : "");
  return true;
}

void ForgetWorkDir() { Kept() = KeptWorkDir{}; }

bool HasInstalledPlugins() {
  std::string value;
  if (!QuerySettingsString(HKEY_LOCAL_MACHINE, "Plugins", value)) return false;
  int first = 0;
  return std::sscanf(value.c_str(), "%d", &first) == 1;
}

bool ReadInstalledPlugins(std::vector<int>& ids) {
  bool opened = false;
  std::string value;
  const bool read = QuerySettingsString(HKEY_LOCAL_MACHINE, "Plugins", value, &opened);
  if (!opened) return false;
  if (read) {
    ids.clear();
    std::string token;
    for (size_t i = 0; i <= value.size(); ++i) {
      const char c = i < value.size() ? value[i] : ' ';
      if (c == ' ' || c == ',' || c == '\t') {
        int id = 0;
        if (ParseWholeInt(token, id)) ids.push_back(id);
        token.clear();
      } else {
        token += c;
      }
    }
  }
  return true;
}

void AddInstalledPlugin(int id) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kStarvaneSettingsKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  RegCloseKey(key);
  std::string old;
  QuerySettingsString(HKEY_LOCAL_MACHINE, "Plugins", old);
  char number[16];
  std::snprintf(number, sizeof number, " %d", id);
  SetSettingsString(HKEY_LOCAL_MACHINE, "Plugins", old + number);
}

void SetStartPlugins() { SetSettingsString(HKEY_CURRENT_USER, "StartPlugins", "1"); }

int GetHostStringInt(const char* path, int entry) {
  int value = -1;
  return FindHostString(path, entry, value) ? value : -1;
}

bool MatchHostVersion(const char* path, int version) {
  int value = 0;
  return FindHostString(path, 1, value) && value == version;
}

int32_t ComputeEditionTag(int newId) {
  std::string strings;
  if (!MakeWorkDirPath(strings, kHostStringsFile)) return -1;
  const int edition = GetHostStringInt(strings.c_str(), 5);
  if (edition < 0 || edition >= kEditionCount) return -1;
  if (edition != 3) return GetUniqueID(kEditionWords[edition]);

  std::string text = kEditionWords[3];
  std::vector<int> ids;
  if (!ReadInstalledPlugins(ids) || ids.empty()) {
    if (newId == -1) return GetUniqueID(text.c_str());
    ids.assign(1, newId);
  } else if (newId != -1) {
    ids.push_back(newId);
  }
  std::sort(ids.begin(), ids.end());
  for (int id : ids) text += std::to_string(id);
  return GetUniqueID(text.c_str());
}
