#include "InstallProcedure.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>

#include "HostSettings.h"
#include "InstalledFilesRegister.h"
#include "InstallerProcess.h"
#include "PluginFilesCreator.h"
#include "Quillon.h"
#include "TextFiles.h"
#include "fs/fs.h"
#include "process/process.h"
#include "ui/window.h"

namespace {

constexpr int kSetupLine = 256;

// Stops the install when a name from the plug-in's files would reach outside its folder.
void RequireConfined(const std::string& name) {
  if (!IsConfinedName(name)) Halt("Bad file name %s\n", name.c_str());
}

// The plug-in list line and the target of every modification section, checked before anything
// is written; the reader stands where it stood. Leftovers of an interrupted run beside each
// target are removed.
void CheckSectionTargets(FormatIn& setup, const std::string& workFolder) {
  const size_t position = setup.Position();
  char line[1024];
  if (setup.Readln(line, sizeof line) == 1) {
    DeleteMarginsBlanks(line);
    RequireConfined(line);
  }
  for (const char* header : PluginFilesCreator::SectionHeaders()) {
    if (setup.SearchString(header, 1, 0) == 0 || setup.Readln(line, sizeof line) != 1) continue;
    DeleteMarginsBlanks(line);
    RequireConfined(line);
    RemoveLeftoversBeside(workFolder + line);
  }
  setup.SetPosition(position);
}

std::function<bool()>& HostProbe() {
  static std::function<bool()> probe;
  return probe;
}

std::mutex& ProbeLock() {
  static std::mutex lock;
  return lock;
}

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return text;
}

std::string ReadSetupLine(FormatIn& reader) {
  char line[kSetupLine];
  if (reader.Readln(line, sizeof line) != 1) return std::string();
  return line;
}

void ClearReadOnly(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    SetFileAttributesA(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  }
}

// The two fields of a file-list line, each trimmed.
void SplitListLine(const char* line, std::string& name, std::string& kind) {
  std::string text = line;
  const size_t tab = text.find('\t');
  std::string first = tab == std::string::npos ? text : text.substr(0, tab);
  std::string second = tab == std::string::npos ? std::string() : text.substr(tab + 1);
  std::vector<char> buffer(first.begin(), first.end());
  buffer.push_back('\0');
  DeleteMarginsBlanks(buffer.data());
  name = buffer.data();
  buffer.assign(second.begin(), second.end());
  buffer.push_back('\0');
  DeleteMarginsBlanks(buffer.data());
  kind = buffer.data();
}

}  // namespace

const char kTextHostFileNotWritten[] = "Die Datei %s kann nicht ge\xE4ndert werden. Das Plugin wurde nicht installiert.";

void SetHostRunningProbe(std::function<bool()> probe) {
  std::lock_guard<std::mutex> guard(ProbeLock());
  HostProbe() = std::move(probe);
}

bool IsHostRunning() {
  std::function<bool()> probe;
  {
    std::lock_guard<std::mutex> guard(ProbeLock());
    probe = HostProbe();
  }
  if (probe) return probe();
  return FindWindowA(kHostWindowClass, nullptr) != nullptr;
}

int GetCpuFeatures() {
  int info[4] = {0, 0, 0, 0};
  __cpuid(info, 1);
  int features = 0;
  if ((static_cast<unsigned>(info[3]) & (1u << 26)) != 0) features |= 1;
  if ((static_cast<unsigned>(info[2]) & 1u) != 0) features |= 2;
  return features;
}

int CheckInstallConditions(int version, const std::vector<int>& editions, int pluginId) {
  char workFolder[256];
  if (!ReadWorkDir(workFolder, sizeof workFolder)) return -1;
  std::vector<int> installed;
  if (ReadInstalledPlugins(installed)) {
    for (int id : installed) {
      if (id == pluginId) return -6;
    }
  }
  const std::string strings = std::string(workFolder) + kHostStringsFile;
  if (!MatchHostVersion(strings.c_str(), version)) return -3;
  const int edition = GetHostStringInt(strings.c_str(), 5);
  bool allowed = false;
  for (int e : editions) allowed = allowed || e == edition;
  if (!allowed) return -4;
  if (GetHostStringInt(strings.c_str(), 15800) == -1) return -2;
  if (IsHostRunning()) return -5;
  return 1;
}

long long GetFreeDiskSpace(const char* root) {
  DWORD sectorsPerCluster = 0;
  DWORD bytesPerSector = 0;
  DWORD freeClusters = 0;
  DWORD totalClusters = 0;
  if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters)) return -1;
  return static_cast<long long>(sectorsPerCluster) * bytesPerSector * freeClusters;
}

bool RunAndWait(const char* program, const char* argument) {
  const std::string commandLine =
      std::string("\"") + (program != nullptr ? program : "") + "\" \"" + (argument != nullptr ? argument : "") + "\"";
  return RunProcessAndWait(commandLine, ProcessWindow::kShown);
}

void AppendBackslash(std::string& path) {
  if (path.empty() || path.back() != '\\') path += '\\';
}

bool GetModuleDir(char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return false;
  const char* folder = GetModuleFolder();
  if (std::strlen(folder) >= static_cast<size_t>(size)) return false;
  std::snprintf(buffer, static_cast<size_t>(size), "%s", folder);
  return buffer[0] != '\0';
}

bool FolderOfPathExists(const std::string& path) {
  const size_t slash = path.find_last_of('\\');
  return slash != std::string::npos && IsDirectoryExist(path.substr(0, slash).c_str());
}

bool EnsureFolderOfFile(const std::string& path) {
  if (IsFileReadable(path.c_str()) || FolderOfPathExists(path)) return true;
  const std::string lower = Lower(path);
  const size_t slash = lower.find_last_of('\\');
  if (slash != std::string::npos) MakeDir(lower.substr(0, slash).c_str());
  return true;
}

bool CopyPluginFile(const std::string& sourceFolder, const std::string& workFolder, const std::string& name) {
  const std::string source = sourceFolder + name;
  const std::string target = workFolder + name;
  EnsureFolderOfFile(target);
  ClearReadOnly(target);
  return CopyFileA(source.c_str(), target.c_str(), FALSE) != FALSE;
}

bool ApplyPatch(const std::string& workFolder, const std::string& sourceFolder, const std::string& name,
                const std::string& patchTool) {
  const std::string target = workFolder + name;
  if (!IsFileReadable(target.c_str())) return true;  // nothing to patch
  const std::string patch = sourceFolder + name;
  const std::string output = target + "_patch";
  DeleteFileA(output.c_str());  // a leftover of an earlier run is no output of this one
  const std::string commandLine = "\"" + patchTool + "\" -i \"" + patch + "\" \"" + target + "\" \"" + output + "\"";
  const bool started = RunProcessAndWait(commandLine, ProcessWindow::kHidden);
  WIN32_FILE_ATTRIBUTE_DATA data;
  const bool produced = started && GetFileAttributesExA(output.c_str(), GetFileExInfoStandard, &data) &&
                        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
                        (data.nFileSizeLow != 0 || data.nFileSizeHigh != 0);
  if (!produced) {
    DeleteFileA(output.c_str());
    return false;
  }
  ClearReadOnly(target);
  if (!DeleteFileA(target.c_str())) return false;
  return MoveFileA(output.c_str(), target.c_str()) != FALSE;
}

int RunInstallProcedure(InstallUi& ui) {
  const std::string setupPath = std::string(GetModuleFolder()) + "\\PluginInstaller.ini";
  FormatIn setup(setupPath.c_str(), 0, '!', '}', 65520);
  setup.SetMarginsSpaceDelete(1);
  if (!setup.HasContent()) Halt("File %s is empty\n", setupPath.c_str());
  ReadSetupLine(setup);  // the icon line
  const std::string caption = ReadSetupLine(setup);
  ui.SetTitle(caption);

  if (GetCpuFeatures() == 0) {
    ui.ShowMessage(ui.LoadText(kTextProcessor), caption, InstallMessage::kError);
    return -1;
  }

  char workBuffer[256] = {};
  std::string workFolder = ReadWorkDir(workBuffer, sizeof workBuffer) ? workBuffer : "";
  std::string programFolder = GetModuleFolder();
  AppendBackslash(programFolder);

  int editionValues[8] = {};
  setup.CheckOff();
  const int editionCount = std::max(0, setup.Readln(editionValues, 8));
  setup.CheckOn();
  const std::vector<int> editions(editionValues, editionValues + editionCount);
  int version = 0;
  setup.Readln(&version, 1);
  int pluginId = 0;
  setup.Readln(&pluginId, 1);

  std::vector<std::string> messages;
  char line[1024];
  while (setup.Readln(line, sizeof line) == 1) {
    std::string message;
    for (const char* p = line; *p != '\0'; ++p) {
      if (p[0] == '\\' && p[1] == 'n') {
        message += '\n';
        ++p;
      } else {
        message += *p;
      }
    }
    messages.push_back(message);
  }

  const std::string preInstall = programFolder + ReadSetupLine(setup);
  const std::string preInstallArgument = workFolder + ReadSetupLine(setup);
  RunAndWait(preInstall.c_str(), preInstallArgument.c_str());

  const int condition = CheckInstallConditions(version, editions, pluginId);
  if (condition < 0) {
    // A setup file with fewer messages than the refusal needs shows an empty text.
    const size_t index = static_cast<size_t>(-condition) - 1;
    const std::string text = index < messages.size() ? messages[index] : std::string();
    ui.ShowMessage(text + "\n", caption, InstallMessage::kError);
    return -1;
  }

  unsigned long megabytes = 0;
  setup.Readln(&megabytes, 1);
  const unsigned long long needed = static_cast<unsigned long long>(megabytes) << 20;
  const std::string drive = workFolder.size() >= 2 && workFolder[1] == ':' ? workFolder.substr(0, 2) + "\\" : workFolder;
  const long long freeBytes = GetFreeDiskSpace(drive.c_str());
  if (freeBytes < 0 || static_cast<unsigned long long>(freeBytes) < needed) {
    ui.ShowMessage(ui.LoadText(kTextDiskSpace), caption, InstallMessage::kError);
    return -1;
  }

  const std::string sourceLine = ReadSetupLine(setup);
  RequireConfined(sourceLine);
  std::string sourceFolder = programFolder + sourceLine;
  AppendBackslash(sourceFolder);
  const std::string fileListLine = ReadSetupLine(setup);
  RequireConfined(fileListLine);
  const std::string fileListPath = programFolder + fileListLine;
  FormatIn fileList(fileListPath.c_str(), 0, '!', '}', 65520);
  fileList.SetMarginsSpaceDelete(1);
  const int lines = fileList.GetNumberLines(0);
  ui.SetProgressRange(0, lines > 0 ? lines : 100);
  ui.HideCaret();
  const std::string patchTool = programFolder + ReadSetupLine(setup);

  // Every name is checked before the first file is touched: one that would reach outside the
  // work folder (or the plug-in's folder) stops the install with nothing changed.
  struct Entry {
    std::string name;
    bool patch;
  };
  std::vector<Entry> entries;
  while (fileList.Readln(line, sizeof line) == 1) {
    std::string name;
    std::string kind;
    SplitListLine(line, name, kind);
    if (name.empty()) Halt("Bad string %s\n", line);
    RequireConfined(name);
    entries.push_back(Entry{name, Lower(kind) == "update"});
  }
  CheckSectionTargets(setup, workFolder);
  for (const Entry& entry : entries) RemoveLeftoversBeside(workFolder + entry.name);

  InstalledFilesRegister installed(pluginId, kInstalledFilesRegister);
  std::set<std::string> placed;
  for (const Entry& entry : entries) {
    const std::string& name = entry.name;
    const std::string target = workFolder + name;
    // The register's entry follows each file at once, before the window is let breathe, so an
    // interruption leaves no file the register describes otherwise (but the one in hand).
    if (entry.patch) {
      const bool present = IsFileReadable(target.c_str());
      if (!ApplyPatch(workFolder, sourceFolder, name, patchTool)) Halt("Unexpected error. Please, check disk");
      if (present) installed.Check(name.c_str(), false);
      ui.StepProgress(name.c_str(), 1);
    } else {
      if (!CopyPluginFile(sourceFolder, workFolder, name)) Halt("Unexpected error. Please, check disk");
      placed.insert(target);
      installed.Check(name.c_str(), false);
      ui.StepProgress(name.c_str(), 1);
    }
  }

  {
    PluginFilesCreator creator(pluginId, placed);
    creator.ApplyPluginSections(setup);
    // A host file that could not be rewritten: the install is not complete and is not recorded.
    if (!creator.failedFile().empty()) {
      char text[1024];
      std::snprintf(text, sizeof text, kTextHostFileNotWritten, creator.failedFile().c_str());
      ui.ShowMessage(text, caption, InstallMessage::kError);
      return -1;
    }
  }
  AddInstalledPlugin(pluginId);
  SetStartPlugins();
  ui.FillProgress();
  installed.WriteTag();
  ui.ShowMessage(ui.LoadText(kTextInstallDone), ui.LoadText(kTextCaption), InstallMessage::kInformation);
  return 0;
}
