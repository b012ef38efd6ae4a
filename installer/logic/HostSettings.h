// The host's settings and string table as the installer reads and writes them: the registry key
// of the host, its work folder, the installed plug-ins, "SVStrings.txt" and the edition tag.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// "SOFTWARE\Orlek Technologies\Starvane 7\Settings", under HKEY_LOCAL_MACHINE and
// HKEY_CURRENT_USER.
extern const char kStarvaneSettingsKey[];
// The host's main window class; while a window of it exists the host is running.
extern const char kHostWindowClass[];
// The host's string table in its work folder.
extern const char kHostStringsFile[];
// Edition words by edition index 0 to 4.
extern const char* const kEditionWords[5];
constexpr int kEditionCount = 5;

// WorkDir into buffer with a trailing backslash; false when the key or the value cannot be read
// or the value does not fit.
bool ReadWorkDir(char* buffer, int size);
// Work folder + name. The work folder is read once per run and kept; false when it cannot be read.
bool MakeWorkDirPath(std::string& path, const char* name);
// Forgets the kept work folder (the next MakeWorkDirPath reads the registry again).
void ForgetWorkDir();

// "Plugins" exists and begins with a decimal number.
bool HasInstalledPlugins();
// False when the key cannot be opened. Otherwise true; when "Plugins" can be read the list is
// replaced by its numbers (split at blanks and commas; tokens that are not numbers skipped).
bool ReadInstalledPlugins(std::vector<int>& ids);
// Appends " <id>" to the whole "Plugins" value (an absent value counts as empty).
void AddInstalledPlugin(int id);
// "StartPlugins" = "1" under HKEY_CURRENT_USER when the key exists there.
void SetStartPlugins();

// The value of the first line "<entry>\t<number>" of a string table; -1 when there is none or
// the file cannot be read. Lines whose two first fields are not both numbers are passed over.
int GetHostStringInt(const char* path, int entry);
// The first numeric entry 1 decides: true when it equals version; false when there is none.
bool MatchHostVersion(const char* path, int version);

// The tag that binds the installed-files register to the host's edition (and, for edition 3,
// its installed plug-ins, together with newId unless it is -1); -1 for an unknown edition.
int32_t ComputeEditionTag(int newId);
