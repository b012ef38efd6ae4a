#include "PluginFilesCreator.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "HostSettings.h"
#include "InstalledFilesRegister.h"
#include "InstallerProcess.h"
#include "Quillon.h"
#include "TextFiles.h"
#include "fs/fs.h"
#include "WaitCursor.h"

namespace {

std::string LowerPath(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (c == '/') c = '\\';
  }
  return text;
}

void ListFolder(const std::string& root, const std::string& suffix, bool all, bool includeFolders,
                std::vector<std::string>& out, int depth) {
  if (depth > 64 || !ChangeDir(root.c_str())) return;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA("*.*", &data);
  if (find == INVALID_HANDLE_VALUE) return;
  std::vector<std::string> folders;
  do {
    const std::string name = data.cFileName;
    const std::string full = root + "\\" + name;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      if (name == "." || name == "..") continue;
      if (includeFolders) out.push_back(full);
      folders.push_back(full);
    } else if (all || (full.size() >= suffix.size() && full.compare(full.size() - suffix.size(), suffix.size(), suffix) == 0)) {
      out.push_back(full);
    }
  } while (FindNextFileA(find, &data));
  FindClose(find);
  for (const std::string& folder : folders) ListFolder(folder, suffix, all, includeFolders, out, depth + 1);
}

}  // namespace

std::vector<std::string> FolderLister(const char* root, const char* mask, bool includeFolders) {
  std::vector<std::string> out;
  if (root == nullptr) return out;
  const ScopedWaitCursor wait;  // while the folders are walked
  char remembered[MAX_PATH] = {};
  const DWORD n = GetCurrentDirectoryA(MAX_PATH, remembered);
  const std::string m = mask != nullptr ? mask : "*.*";
  const size_t dot = m.find('.');
  const std::string suffix = dot == std::string::npos ? std::string() : m.substr(dot + 1);
  std::string start = root;
  while (start.size() > 3 && (start.back() == '\\' || start.back() == '/')) start.pop_back();
  ListFolder(start, suffix, m == "*.*", includeFolders, out, 0);
  if (n > 0 && n < MAX_PATH) ChangeDir(remembered);
  return out;
}

PluginFilesCreator::PluginFilesCreator(int pluginId, const std::set<std::string>& keepFiles) : pluginId_(pluginId) {
  std::string folder;
  if (MakeWorkDirPath(folder, "") && folder.size() <= 255) workFolder_ = LowerPath(folder);
  for (const std::string& file : keepFiles) keepFiles_.insert(LowerPath(file));
  ClearPluginFolder();
}

PluginFilesCreator::~PluginFilesCreator() = default;

void PluginFilesCreator::ScrambleLine(std::string& line) {
  for (char& c : line) c = static_cast<char>(static_cast<unsigned char>(c) ^ kPluginRecordKey);
}

int PluginFilesCreator::ParseCommandIds(std::vector<int>& ids, const char* text) {
  ids.clear();
  if (text == nullptr) return 0;
  const char* p = text;
  for (;;) {
    while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n') ++p;
    if (*p == '\0') break;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(p, &end, 10);
    if (end == p || errno == ERANGE || value < INT_MIN || value > INT_MAX) break;
    if (*end != '\0' && *end != ' ' && *end != '\t' && *end != '\r' && *end != '\n') break;  // "12x"
    ids.push_back(static_cast<int>(value));
    p = end;
  }
  return static_cast<int>(ids.size());
}

void PluginFilesCreator::ClearPluginFolder() {
  if (workFolder_.empty() || HasInstalledPlugins()) return;
  const std::string folder = workFolder_ + "media\\plugin";
  if (!IsDirectoryExist(folder.c_str())) return;
  for (const std::string& file : FolderLister(folder.c_str(), "*.*", false)) {
    if (file.find("vindral_menu.ini") != std::string::npos) continue;
    if (keepFiles_.count(LowerPath(file)) != 0) continue;
    DeleteFileA(file.c_str());
  }
}

bool PluginFilesCreator::RegisterPellucorDll() {
  if (pluginId_ != 19) return true;
  const std::string commandLine = std::string("regsvr32 /s") + " \"" + workFolder_ + "Pellucor.dll\"";
  return RunProcessAndWait(commandLine, ProcessWindow::kNoWindow);
}

bool HoldsBlock(const std::vector<std::string>& lines, const std::vector<std::string>& block) {
  auto bare = [](std::string line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return line;
  };
  if (block.empty() || block.size() > lines.size()) return false;
  for (size_t at = 0; at + block.size() <= lines.size(); ++at) {
    size_t i = 0;
    while (i < block.size() && bare(lines[at + i]) == bare(block[i])) ++i;
    if (i == block.size()) return true;
  }
  return false;
}

const std::vector<const char*>& PluginFilesCreator::SectionHeaders() {
  static const std::vector<const char*> headers = {
      "[ModifyMenu]",          "[ModifyToolbar]",       "[ModifyToolbarsMenu]", "[ModifySVStrings]",
      "[ModifyRBtnPopupMenu]", "[ModifyFindPopupMenu]", "[ModifyAccelerators]", "[ModifyPanoramsIni]",
  };
  return headers;
}

bool PluginFilesCreator::Failed(const std::string& path) {
  if (failedFile_.empty()) failedFile_ = path;
  return false;
}

bool PluginFilesCreator::FindSectionTarget(FormatIn& reader, const char* header, std::string& path) {
  if (workFolder_.empty() || reader.SearchString(header, 1, 0) == 0) return false;
  char target[1024];
  if (reader.Readln(target, sizeof target) != 1) return false;
  DeleteMarginsBlanks(target);
  // A target outside the work folder is never written (the install checks them all first).
  if (!IsConfinedName(target)) return false;
  path = workFolder_ + target;
  return true;
}

bool PluginFilesCreator::ApplyPluginSections(FormatIn& reader) {
  char line[1024];
  if (workFolder_.empty() || reader.Readln(line, sizeof line) != 1) return false;
  DeleteMarginsBlanks(line);
  if (!IsConfinedName(line)) return false;
  const std::string listPath = workFolder_ + line;

  // A list that is there but can't be written ends the install; one that can't be created (its
  // folder missing) leaves the plug-in without sections, as before.
  FILE* file = w32_fopen(listPath.c_str(), "r+b");
  if (file == nullptr) {
    if (GetFileAttributesA(listPath.c_str()) != INVALID_FILE_ATTRIBUTES) return Failed(listPath);
    file = w32_fopen(listPath.c_str(), "w+b");
  }
  if (file == nullptr) return false;

  std::vector<std::string> lines;
  char idLine[32];
  std::snprintf(idLine, sizeof idLine, "%d\n", pluginId_);
  lines.emplace_back(idLine);
  std::vector<int> commandIds;
  int recordLine = 0;
  while (reader.Readln(line, sizeof line) == 1) {
    if (++recordLine == 2) ParseCommandIds(commandIds, line);
    lines.emplace_back(std::string(line) + "\n");
  }
  std::string record;
  for (std::string& text : lines) {
    ScrambleLine(text);
    record += text;
  }
  // The list as it is: a record already there, at the start of the file or after a line end,
  // is the one an interrupted run of this install appended.
  std::string held;
  char chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) held.append(chunk, got);
  const char scrambledEnd = static_cast<char>('\n' ^ kPluginRecordKey);
  bool present = false;
  for (size_t at = held.find(record); at != std::string::npos && !present; at = held.find(record, at + 1))
    present = at == 0 || held[at - 1] == scrambledEnd;
  bool written = present || (std::fseek(file, 0, SEEK_END) == 0 &&
                             std::fwrite(record.data(), 1, record.size(), file) == record.size());
  if (std::fclose(file) != 0) written = false;
  if (!written) return Failed(listPath);
  UpdateFileChecksum(listPath.c_str());

  // Each handler in its order; a host file that can't be rewritten ends the sections there.
  ModifyMenu(reader, commandIds);
  if (!failedFile_.empty()) return false;
  bool (PluginFilesCreator::*const handlers[])(FormatIn&) = {
      &PluginFilesCreator::ModifyToolbar,       &PluginFilesCreator::ModifyToolbarsMenu,
      &PluginFilesCreator::ModifySVStrings,     &PluginFilesCreator::ModifyRBtnPopupMenu,
      &PluginFilesCreator::ModifyFindPopupMenu, &PluginFilesCreator::ModifyAccelerators,
      &PluginFilesCreator::ModifyPanoramsIni,
  };
  for (auto handler : handlers) {
    (this->*handler)(reader);
    if (!failedFile_.empty()) return false;
  }
  return RegisterPellucorDll();
}
