// Resolution of host file names ("media:FileUtils.ini") to full paths under the host's work
// folder, a theme sub-folder or the host's CD folder, and the host readers the update job
// needs: work folder, version words, numbered entries of the host string file, edition index.
#pragma once

#include <cstdint>
#include <string>

#include "Sv7Platform.h"

// The host's settings key, under HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER as per value.
extern const char kHostSettingsKey[];

class StarvanePath {
 public:
  static constexpr int kResultSize = 260;

  // The first construction in the process that finds a CD folder reads the host settings and
  // "media:FileUtils.ini" and creates the user's document folders; every construction that
  // gets that far takes the theme number.
  StarvanePath();
  virtual ~StarvanePath();
  StarvanePath(const StarvanePath&) = delete;
  StarvanePath& operator=(const StarvanePath&) = delete;

  // Full path of an existing host file, in this object's result buffer (valid until the next
  // call on this object), or null.
  const char* GetPath(const char* name);

  int Theme() const { return theme_; }

  // Drops the process-wide state (settings, lists, path cache), as at process start.
  static void ResetProcessState();

 private:
  bool ApplyThemePrefix(std::string& out, const char* name) const;
  const char* ResolveHostPath(const char* name);
  void LoadFileUtils();

  char* result_;
  int theme_ = 0;
};

// The name as the resolver looks it up: a leading ":" or "/" dropped, ":" and "/" turned into
// backslashes, letter case kept.
std::string NormaliseHostName(const char* name);
// The path cache's 31-bit key of a normalised name (CRC-32 table, no final inversion).
uint32_t HostPathKey(const std::string& normalised);

// Registry readers of the host settings. Each fails when the key or value can't be read or the
// value does not fit the buffer with what is added to it.
bool ReadCDPath(char* out, DWORD size = 260);
bool LoadWorkDir(char* out, DWORD size = 260);
bool ReadWorkDir(char* out, DWORD size = 256);
int ReadSetupType();
int ReadTheme();

// Creates the folder and any missing parents; nothing when it exists.
void CreateFolderIfMissing(const char* path);

// Version words of a file: product version major and minor, file version build and revision.
bool GetFileVersion(int* words, const char* path);
// The integer value of the numbered entry of a host string file, or -1.
int GetHostStringInt(const char* path, int id);
// The host's edition index from its string file, or -1.
int GetEditionIndex(const char* path);
