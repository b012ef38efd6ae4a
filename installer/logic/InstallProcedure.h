// The install of one plug-in: the checks, the copied and patched files with their progress, the
// sections driver and the host settings. The procedure talks to its window only through
// InstallUi, so it runs the same behind the dialog and in a test.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/types.h"

// The installer's string resources the procedure shows.
enum InstallerText : UINT {
  kTextAboutEntry = 101,
  kTextInstallDone = 102,
  kTextCaption = 103,
  kTextOtherInstaller = 104,
  kTextProcessor = 105,
  kTextDiskSpace = 106,
};

enum class InstallMessage { kError, kInformation };

class InstallUi {
 public:
  virtual ~InstallUi() = default;
  // A text of the installer's string resources.
  virtual std::string LoadText(UINT id) = 0;
  virtual void SetTitle(const std::string& title) = 0;
  virtual void ShowMessage(const std::string& text, const std::string& caption, InstallMessage kind) = 0;
  virtual void SetProgressRange(int lower, int upper) = 0;
  // Shows the file's name and advances the bar by step; then lets the window breathe.
  virtual void StepProgress(const char* name, int step) = 0;
  // Sets the bar to the top of its range.
  virtual void FillProgress() = 0;
  // Hides the caret of the file-name line.
  virtual void HideCaret() {}
};

// The message that ends an install whose host file could not be rewritten ("%s": the file).
extern const char kTextHostFileNotWritten[];

// Reads "PluginInstaller.ini" in the program folder and installs the plug-in: 0 after a
// finished install, -1 after a refusal or a host file that could not be rewritten (shown to the
// user; the plug-in is then not recorded). Unrecoverable file errors, an empty setup file and a
// name that would reach outside the work folder (or, for the plug-in's files, outside the
// plug-in's folder) stop the program through Halt; names are all checked before anything is
// written.
int RunInstallProcedure(InstallUi& ui);

// Bit 0: SSE2, bit 1: SSE3 (CPUID leaf 1).
int GetCpuFeatures();
// 1, or the refusal: -1 work folder unknown, -6 plug-in installed already, -3 other host
// version, -4 edition not allowed, -2 entry 15800 missing, -5 host running.
int CheckInstallConditions(int version, const std::vector<int>& editions, int pluginId);
// Free bytes of the drive (sectors per cluster x bytes per sector x free clusters); -1 when the
// query fails.
long long GetFreeDiskSpace(const char* root);
// Starts "\"program\" \"argument\"" shown normally and waits for it; false when it cannot start.
bool RunAndWait(const char* program, const char* argument);
// Copies source folder + name over work folder + name, creating the folder and clearing a
// read-only attribute first.
bool CopyPluginFile(const std::string& sourceFolder, const std::string& workFolder, const std::string& name);
// Patches work folder + name with source folder + name through the patch tool. A missing target
// needs no patch (true). The target is replaced only by a non-empty output of the tool; a tool
// that cannot start or writes nothing leaves the target as it was (false).
bool ApplyPatch(const std::string& workFolder, const std::string& sourceFolder, const std::string& name,
                const std::string& patchTool);

void AppendBackslash(std::string& path);
// The program folder without its backslash.
bool GetModuleDir(char* buffer, int size);
bool FolderOfPathExists(const std::string& path);
bool EnsureFolderOfFile(const std::string& path);

// Tells whether the host is running: a window of its main-window class exists (FindWindowA),
// unless a probe set here answers instead.
void SetHostRunningProbe(std::function<bool()> probe);
bool IsHostRunning();
