#include "StarvanePath.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "DebugPrint.h"
#include "TextReader.h"

const char kHostSettingsKey[] = "SOFTWARE\\Orlek Technologies\\Starvane 7\\Settings";

namespace {

struct CacheEntry {
  std::string name;  // normalised name
  std::string path;  // full path found for it
};

// State shared by every StarvanePath of the process. The update program resolves paths on its
// worker thread only, so it is not locked.
struct HostPathState {
  bool initialised = false;
  char cdFolder[260] = {};
  char workFolder[260] = {};
  int setupType = -1;
  int themeCache = -1;
  std::vector<std::string> cdList;
  std::vector<std::string> themeList;
  std::vector<std::string> thirdList;
  // Key to the names found under it: a key shared by two names never serves one the other's
  // path.
  std::map<uint32_t, std::vector<CacheEntry>> cache;
};

HostPathState& State() {
  static HostPathState state;
  return state;
}

void LowerInPlace(char* text) {
  for (; *text != '\0'; ++text) *text = nux::LowerAscii(*text);
}

std::string Lower(const std::string& text) {
  std::string out = text;
  for (char& c : out) c = nux::LowerAscii(c);
  return out;
}

const uint32_t* CrcTable() {
  static uint32_t table[256];
  static bool built = [] {
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      table[i] = c;
    }
    return true;
  }();
  (void)built;
  return table;
}

// Opens the file for reading, shared for reading, existing only; closed at once.
bool Probe(const char* path) {
  HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

// Reads a text value of the host settings key into the buffer, terminated. False when the key
// or value can't be read, it is not text, or it does not fit with its terminator.
bool ReadSettingsText(HKEY hive, REGSAM access, const char* value, char* buffer, DWORD size) {
  if (buffer == nullptr || size == 0) return false;
  HKEY key = nullptr;
  if (RegOpenKeyExA(hive, kHostSettingsKey, 0, access, &key) != ERROR_SUCCESS) return false;
  DWORD type = 0;
  DWORD bytes = size;
  LONG result = RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<LPBYTE>(buffer), &bytes);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ) || bytes > size) return false;
  if (bytes == 0) {
    buffer[0] = '\0';
  } else if (buffer[bytes - 1] != '\0') {
    if (bytes == size) return false;  // no room for the terminator
    buffer[bytes] = '\0';
  }
  return true;
}

// Adds a backslash when the text does not end in one; false when the buffer has no room.
bool EndWithBackslash(char* buffer, DWORD size) {
  std::size_t length = std::strlen(buffer);
  if (length > 0 && buffer[length - 1] == '\\') return true;
  if (length + 2 > size) return false;
  buffer[length] = '\\';
  buffer[length + 1] = '\0';
  return true;
}

bool ReadWorkFolder(REGSAM access, char* out, DWORD size) {
  if (!ReadSettingsText(HKEY_LOCAL_MACHINE, access, "WorkDir", out, size) || out[0] == '\0') {
    if (out != nullptr && size > 0) out[0] = '\0';
    return false;
  }
  if (!EndWithBackslash(out, size)) {
    out[0] = '\0';
    return false;
  }
  return true;
}

bool IsInCDList(const std::string& lowerName) {
  for (const std::string& entry : State().cdList)
    if (lowerName.find(entry) != std::string::npos) return true;
  return false;
}

}  // namespace

std::string NormaliseHostName(const char* name) {
  if (name == nullptr) return std::string();
  if (*name == ':' || *name == '/') ++name;
  std::string out = name;
  for (char& c : out)
    if (c == ':') c = '\\';
  for (char& c : out)
    if (c == '/') c = '\\';
  return out;
}

uint32_t HostPathKey(const std::string& normalised) {
  const uint32_t* table = CrcTable();
  uint32_t h = 0;
  for (unsigned char b : normalised) h = table[(h ^ b) & 0xFF] ^ (h >> 8);
  return h & 0x7FFFFFFFu;
}

bool ReadCDPath(char* out, DWORD size) {
  if (!ReadSettingsText(HKEY_LOCAL_MACHINE, KEY_QUERY_VALUE, "CDPath", out, size) || out[0] == '\0') {
    if (out != nullptr && size > 0) out[0] = '\0';
    return false;
  }
  return true;
}

bool LoadWorkDir(char* out, DWORD size) { return ReadWorkFolder(KEY_QUERY_VALUE, out, size); }

bool ReadWorkDir(char* out, DWORD size) { return ReadWorkFolder(KEY_ALL_ACCESS, out, size); }

int ReadSetupType() {
  char buffer[32];
  int value = 0;
  if (!ReadSettingsText(HKEY_LOCAL_MACHINE, KEY_QUERY_VALUE, "SetupType", buffer, sizeof buffer)) return 0;
  return ScanDecimal(buffer, &value) ? value : 0;
}

int ReadTheme() {
  HostPathState& s = State();
  if (s.themeCache != -1) return s.themeCache;
  s.themeCache = 1;
  char buffer[32] = "0";
  if (ReadSettingsText(HKEY_CURRENT_USER, KEY_QUERY_VALUE, "Theme", buffer, sizeof buffer)) {
    int value = 0;
    s.themeCache = ScanDecimal(buffer, &value) ? value : 1;
  }
  return s.themeCache;
}

void CreateFolderIfMissing(const char* path) {
  if (path == nullptr || *path == '\0') return;
  if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return;
  // Each folder on the way is created in turn (an existing one is no failure); the process's
  // current folder is left alone.
  std::string text = path;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i != text.size() && text[i] != '\\') continue;
    std::string prefix = text.substr(0, i);
    if (prefix.empty() || (prefix.size() == 2 && prefix[1] == ':')) continue;
    if (GetFileAttributesA(prefix.c_str()) == INVALID_FILE_ATTRIBUTES) CreateDirectoryA(prefix.c_str(), nullptr);
  }
}

StarvanePath::StarvanePath() : result_(new char[kResultSize]) {
  result_[0] = '\0';
  HostPathState& s = State();
  if (!s.initialised) {
    if (!ReadCDPath(s.cdFolder, sizeof s.cdFolder)) return;  // tried again by the next one
    LowerInPlace(s.cdFolder);
    if (!LoadWorkDir(s.workFolder, sizeof s.workFolder)) {
      DebugPrint("Work folder not defined - Starvane not installed\n");
      s.workFolder[0] = '\0';
    }
    LowerInPlace(s.workFolder);
    s.initialised = true;
    s.setupType = ReadSetupType();
    if (s.cdList.empty()) LoadFileUtils();

    char documents[MAX_PATH] = {};
    if (SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_PERSONAL | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, documents))) {
      std::string user = std::string(documents) + "\\Starvane_7\\";
      CreateFolderIfMissing(user.c_str());
      CreateFolderIfMissing((user + "Workspaces").c_str());
      CreateFolderIfMissing((user + "Guided Tours").c_str());
    }
  }
  theme_ = ReadTheme();
}

StarvanePath::~StarvanePath() { delete[] result_; }

void StarvanePath::ResetProcessState() { State() = HostPathState(); }

// Reads the three blocks of "media:FileUtils.ini": CD names, theme names, a third list.
void StarvanePath::LoadFileUtils() {
  static const char kName[] = "media:FileUtils.ini";
  const char* path = GetPath(kName);
  TextReader reader;
  if (path == nullptr || !reader.Open(path)) {
    DebugPrint("File %s not found\n", kName);
    return;
  }
  HostPathState& s = State();
  std::vector<std::string>* lists[] = {&s.cdList, &s.themeList, &s.thirdList};
  char line[512];
  for (std::vector<std::string>* list : lists) {
    int n;
    while ((n = reader.ReadLine(line, sizeof line)) >= 0) list->push_back(Lower(line));
    if (n == TextReader::kEndOfFile) break;
  }
}

bool StarvanePath::ApplyThemePrefix(std::string& out, const char* name) const {
  if (theme_ == 0) return false;
  const std::string lower = Lower(name);
  for (const std::string& entry : State().themeList) {
    std::size_t at = lower.find(entry);
    if (entry.empty() || at == std::string::npos) continue;
    const char after = lower.c_str()[at + entry.size()];
    if (after != ':' && after != '\\' && after != '\0') continue;
    const char* rest = (name[0] == ':' || name[0] == '\\') ? name + 1 : name;
    out = "Theme" + std::to_string(theme_) + ":" + rest;
    return true;
  }
  return false;
}

const char* StarvanePath::ResolveHostPath(const char* name) {
  if (name == nullptr || *name == '\0') return nullptr;
  HostPathState& s = State();
  const std::string normalised = NormaliseHostName(name);
  const uint32_t key = HostPathKey(normalised);

  auto hit = s.cache.find(key);
  if (hit != s.cache.end()) {
    for (const CacheEntry& entry : hit->second) {
      if (entry.name == normalised) {
        std::memcpy(result_, entry.path.c_str(), entry.path.size() + 1);
        return result_;
      }
    }
  }

  // The candidate must fit the result buffer with its terminator.
  std::string candidate = std::string(s.workFolder) + normalised;
  bool found = candidate.size() < kResultSize && Probe(candidate.c_str());
  if (!found) {
    if (s.setupType == 2 || !IsInCDList(Lower(normalised))) return nullptr;
    candidate = std::string(s.cdFolder) + normalised;
    if (candidate.size() >= kResultSize || !Probe(candidate.c_str())) return nullptr;
  }
  s.cache[key].push_back(CacheEntry{normalised, candidate});
  std::memcpy(result_, candidate.c_str(), candidate.size() + 1);
  return result_;
}

const char* StarvanePath::GetPath(const char* name) {
  if (name == nullptr) name = "";
  std::string themed;
  const char* working = ApplyThemePrefix(themed, name) ? themed.c_str() : name;
  const char* path = ResolveHostPath(working);
  if (path == nullptr) DebugPrint("File %s not found (function StarvanePath::GetPath)\n", name);
  return path;
}

// ---- host readers ---------------------------------------------------------------------

bool GetFileVersion(int* words, const char* path) {
  if (words == nullptr || path == nullptr) return false;
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
  if (size == 0) return false;
  std::vector<BYTE> block(size);
  if (!GetFileVersionInfoA(path, 0, size, block.data())) return false;
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), "\\", reinterpret_cast<LPVOID*>(&info), &length) || info == nullptr ||
      length < sizeof(VS_FIXEDFILEINFO))
    return false;
  words[0] = HIWORD(info->dwProductVersionMS);
  words[1] = LOWORD(info->dwProductVersionMS);
  words[2] = HIWORD(info->dwFileVersionLS);
  words[3] = LOWORD(info->dwFileVersionLS);
  return true;
}

namespace {

// The text of a TAB-separated field after the first one: from start up to the next TAB.
std::string FieldAfterTab(const char* line) {
  const char* tab = std::strchr(line, '\t');
  if (tab == nullptr) return std::string();
  const char* start = tab + 1;
  const char* end = std::strchr(start, '\t');
  return end ? std::string(start, end) : std::string(start);
}

bool HasSecondField(const char* line) { return std::strchr(line, '\t') != nullptr; }

}  // namespace

int GetHostStringInt(const char* path, int id) {
  TextReader reader;
  if (!reader.Open(path)) return -1;
  char line[256];
  // Block-end lines do not stop the scan: the string file has no blocks.
  while (reader.ReadLine(line, sizeof line) != TextReader::kEndOfFile) {
    int lineId = 0;
    int value = 0;
    if (!HasSecondField(line) || !ScanDecimal(line, &lineId) || lineId != id) continue;
    if (ScanDecimal(FieldAfterTab(line).c_str(), &value)) return value;
  }
  return -1;
}

int GetEditionIndex(const char* path) {
  static const char* const kEditionWords[] = {"vindral", "GORVEK", "plunet", "duvask", "tromel"};
  const int entry = GetHostStringInt(path, 5);
  if (entry != -1) return entry;
  TextReader reader;
  if (!reader.Open(path)) return -1;
  char line[256];
  while (reader.ReadLine(line, sizeof line) != TextReader::kEndOfFile) {
    int lineId = 0;
    if (!ScanDecimal(line, &lineId) || lineId != 13250 || !HasSecondField(line)) continue;
    const std::string text = Lower(FieldAfterTab(line));
    for (int i = 0; i < 5; ++i)
      if (text.find(kEditionWords[i]) != std::string::npos) return i;
  }
  return 0;
}
