// Makes the host know an installed plug-in: appends the plug-in's scrambled record to the host's
// plug-in list, applies the modification sections of the setup file to the host's menu,
// toolbar, string, accelerator and panorama files, and registers a host component for the
// plug-in that needs it.
#pragma once

#include <set>
#include <string>
#include <vector>

class FormatIn;

// Every byte of a plug-in list record is XORed with this.
constexpr unsigned char kPluginRecordKey = 0x5E;

// Files below root (subfolders walked too): every file when mask is "*.*", else those whose
// path ends with the part of the mask after its first dot; folders are listed too when
// includeFolders is set. The current folder is the same afterwards; the wait cursor shows
// meanwhile.
std::vector<std::string> FolderLister(const char* root, const char* mask, bool includeFolders);

class PluginFilesCreator {
 public:
  // Reads the work folder and clears the plug-in folder (ClearPluginFolder). keepFiles names
  // files (paths in the work folder) that the running install has just put there; they are
  // never deleted.
  explicit PluginFilesCreator(int pluginId, const std::set<std::string>& keepFiles = {});
  virtual ~PluginFilesCreator();

  virtual bool ModifyMenu(FormatIn& reader, const std::vector<int>& commandIds);
  // Reads the rest of the setup file (from the plug-in list line on): the record, then every
  // modification section. The result of RegisterPellucorDll, or false when the plug-in list
  // file cannot be opened or a host file cannot be rewritten (failedFile() names it; the
  // sections after it are not applied). A record that the list already holds (an interrupted
  // install run again) is not appended a second time.
  virtual bool ApplyPluginSections(FormatIn& reader);

  bool ModifyToolbar(FormatIn& reader);
  bool ModifyToolbarsMenu(FormatIn& reader);
  bool ModifySVStrings(FormatIn& reader);
  bool ModifyRBtnPopupMenu(FormatIn& reader);
  bool ModifyFindPopupMenu(FormatIn& reader);
  bool ModifyAccelerators(FormatIn& reader);
  bool ModifyPanoramsIni(FormatIn& reader);

  // Deletes what earlier installs left below media\plugin, when the host has no plug-in yet.
  void ClearPluginFolder();
  bool RegisterPellucorDll();

  // The decimal ids of text, up to its end or the first token that is no number.
  static int ParseCommandIds(std::vector<int>& ids, const char* text);
  static void ScrambleLine(std::string& line);

  const std::string& workFolder() const { return workFolder_; }
  // The host file that could not be rewritten, which ended the sections (empty: none).
  const std::string& failedFile() const { return failedFile_; }

  // The setup file's headers of the modification sections, in the order they are applied.
  static const std::vector<const char*>& SectionHeaders();

 private:
  // Finds the section and reads its target line: work folder + target into path.
  bool FindSectionTarget(FormatIn& reader, const char* header, std::string& path);
  bool ModifyPopupMenuFile(FormatIn& reader, const char* header);
  // Notes that the host file could not be rewritten; false.
  bool Failed(const std::string& path);

  std::string workFolder_;  // lower-cased, with a trailing backslash
  int pluginId_;
  std::set<std::string> keepFiles_;  // lower-cased, with backslashes
  std::string failedFile_;
};

// True when the lines occur in lines one after the other (each compared without its line end).
bool HoldsBlock(const std::vector<std::string>& lines, const std::vector<std::string>& block);
