// The engine's configuration: finds "NUX.INI" through the registry key
// HKEY_LOCAL_MACHINE\Software\NUX\Engine or beside the host program, reads its sections "Setup",
// "Paths" and "ToolTip" once, and serves the user-interface texts of "Strings", the window
// rectangles kept under HKEY_CURRENT_USER\Software\NUX\<App>, the cursor files and the test for
// the user-interface content location.
#pragma once

#include "base/types.h"
#include "mfc/cstring.h"
#include "ui/cursor.h"  // before LoadCursor is declared, so the cursor API's names apply alike everywhere

class CEngineConfig {
 public:
  // Reads the whole configuration; m_bLoaded is set as the very last step.
  CEngineConfig();
  CEngineConfig(const CEngineConfig&) = delete;
  CEngineConfig& operator=(const CEngineConfig&) = delete;

  // A value of the ini file (256-character buffer); "" when empty, otherwise resolved against
  // the ini folder when `resolve` is set, then trimmed at both ends.
  CString GetIniValue(LPCWSTR section, LPCWSTR key, BOOL resolve, LPCWSTR defaultValue) const;

  // Resolves a path value against a base folder. A value whose second character is ":" or "\"
  // is absolute; otherwise every leading "..\" climbs one level of the base (never past its
  // root) and the rest is appended. A value that does not look like a file name with a
  // three-letter extension gets a trailing backslash.
  CString ResolvePath(const CString& value, const CString& base) const;

  // A text of the ini file (512-character buffer), trimmed, every "<BR>" turned into a line
  // feed; a missing key gives "<section> - <key> not found in NUX.ini".
  CString GetText(LPCWSTR section, LPCWSTR key) const;

  // A user-interface text of section "Strings".
  CString GetString(LPCWSTR key) const;

  // Stores binary data (a window rectangle) under HKEY_CURRENT_USER\Software\NUX\<App>; a
  // failure is ignored.
  void WriteBinary(LPCWSTR name, LPCVOID data, DWORD count) const;

  // Reads exactly `count` bytes of a REG_BINARY value stored by WriteBinary. FALSE, with the
  // buffer zero, when it is missing or has another size or type.
  BOOL GetBinary(LPCWSTR name, LPVOID buffer, DWORD count) const;

  // <Cursor path><name>.cur when it exists, else .ani when it exists, else the standard arrow.
  // A file that exists but does not load gives NULL.
  HCURSOR LoadCursor(LPCWSTR name) const;

  // TRUE when the UI path is an existing folder, or when the UI path without its trailing
  // backslash followed by ".nux" is an existing file. FALSE for an empty UI path.
  BOOL FolderOrArchiveExists() const;

  int m_bLoaded;            // 1 once the constructor has finished
  CString m_strIniPath;     // ini folder + "NUX.INI"
  CString m_strIniFolder;   // with a trailing backslash when it came from the registry or the host's path
  CString m_strApp;         // [Setup] App: the name under which window rectangles are stored
  CString m_strCode;        // [Setup] Code
  CString m_strTitle;       // [Setup] Title
  CString m_strUserData;    // [Paths] UserData: the user's own files (created when named)
  CString m_strPresets;     // [Paths] Presets
  CString m_strUI;          // [Paths] UI: the user-interface content location
  CString m_strMDB;         // [Paths] MDB: the content database
  CString m_strIMG;         // [Paths] IMG
  CString m_strSound;       // [Paths] Sound
  CString m_strHTML;        // [Paths] HTML: the folder of the HTML templates
  CString m_strAudio;       // [Paths] Audio
  CString m_strVideo;       // [Paths] Video
  CString m_strCursor;      // [Paths] Cursor; when empty, the UI path + "Cursor\"
  CString m_strImgSmall;    // [Paths] ImgSmall
  CString m_strImgPreview;  // [Paths] ImgPreview
  CString m_strImgZoom;     // [Paths] ImgZoom
  CString m_strToolTipFont;      // [ToolTip] Font
  int m_nToolTipFontSize;        // [ToolTip] FontSize
  int m_nToolTipDelay;           // [ToolTip] Delay
  COLORREF m_crToolTipText;      // [ToolTip] TextColor (RRGGBB in the file)
  COLORREF m_crToolTipBack;      // [ToolTip] BackColor (RRGGBB in the file)
  // The settings that were refused because they do not fit their field (for example "[Paths]
  // MDB"), one a line; empty when none was. A refused setting leaves the configuration not
  // loaded, so the start-up check reports it instead of running on a cut path.
  mutable CString m_strRefused;

 private:
  void Refuse(const CString& what) const;
  CString UserKeyPath() const;
  COLORREF GetIniColor(LPCWSTR key) const;
};

// The library's one configuration, built while the library loads.
extern CEngineConfig theEngineConfig;
