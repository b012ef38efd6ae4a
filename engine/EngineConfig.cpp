#include "EngineConfig.h"

#include <cstring>
#include <vector>

#include "CommandLine.h"
#include "NUXUtils.h"
#include "RegistryKey.h"
#include "base/wstr.h"
#include "fs/fs.h"
#include "fs/profile.h"
#include "process/process.h"
#include "ui/cursor.h"

namespace {

const WCHAR kEngineKey[] = u"Software\\NUX\\Engine";
const WCHAR kIniName[] = u"NUX.INI";

int DecimalValue(const CString& text) { return static_cast<int>(wcstol(text, nullptr, 10)); }

BOOL IsFile(const CString& path) {
  const DWORD attributes = GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

CEngineConfig::CEngineConfig()
    : m_bLoaded(0), m_nToolTipFontSize(0), m_nToolTipDelay(0), m_crToolTipText(0), m_crToolTipBack(0) {
  // The default ini folder is the folder of the host program, the first argument.
  CCommandLineArgs args;
  SplitCommandLine(args);
  m_strIniFolder = CPathParts(args.m_strArg[0]).m_strFolder;

  // The registry may point elsewhere: "enabled" = "1" and a non-empty "INI" folder.
  CRegistryKey key;
  if (key.Open(HKEY_LOCAL_MACHINE, kEngineKey, FALSE)) {
    CString enabled;
    CString iniFolder;
    bool tooLong = false;
    key.FindValue(u"enabled", enabled, &tooLong);
    if (tooLong) Refuse(u"HKEY_LOCAL_MACHINE\\Software\\NUX\\Engine enabled");
    key.FindValue(u"INI", iniFolder, &tooLong);
    if (tooLong) Refuse(u"HKEY_LOCAL_MACHINE\\Software\\NUX\\Engine INI");
    key.Close();
    if (iniFolder.GetLength() > 1 && iniFolder[iniFolder.GetLength() - 1] != u'\\') iniFolder += u'\\';
    if (enabled == u"1" && !iniFolder.IsEmpty()) m_strIniFolder = iniFolder;
  }
  m_strIniPath = m_strIniFolder + kIniName;

  m_strApp = GetIniValue(u"Setup", u"App", FALSE, u"");
  m_strCode = GetIniValue(u"Setup", u"Code", FALSE, u"");
  m_strTitle = GetIniValue(u"Setup", u"Title", FALSE, u"");
  m_strPresets = GetIniValue(u"Paths", u"Presets", TRUE, u"");
  m_strUI = GetIniValue(u"Paths", u"UI", TRUE, u"");
  m_strMDB = GetIniValue(u"Paths", u"MDB", TRUE, u"");
  m_strIMG = GetIniValue(u"Paths", u"IMG", TRUE, u"");
  m_strSound = GetIniValue(u"Paths", u"Sound", TRUE, u"");
  m_strHTML = GetIniValue(u"Paths", u"HTML", TRUE, u"");
  m_strAudio = GetIniValue(u"Paths", u"Audio", TRUE, u"");
  m_strVideo = GetIniValue(u"Paths", u"Video", TRUE, u"");
  m_strImgSmall = GetIniValue(u"Paths", u"ImgSmall", TRUE, u"");
  m_strImgPreview = GetIniValue(u"Paths", u"ImgPreview", TRUE, u"");
  m_strImgZoom = GetIniValue(u"Paths", u"ImgZoom", TRUE, u"");
  m_strUserData = GetIniValue(u"Paths", u"UserData", TRUE, u"");
  if (!m_strUserData.IsEmpty()) CreatePath(m_strUserData);
  m_strCursor = GetIniValue(u"Paths", u"Cursor", TRUE, u"");
  if (m_strCursor.IsEmpty()) m_strCursor = m_strUI + u"Cursor\\";
  m_strToolTipFont = GetIniValue(u"ToolTip", u"Font", FALSE, u"MS Sans Serif");
  m_nToolTipFontSize = DecimalValue(GetIniValue(u"ToolTip", u"FontSize", FALSE, u"10"));
  m_nToolTipDelay = DecimalValue(GetIniValue(u"ToolTip", u"Delay", FALSE, u"1000"));
  m_crToolTipText = GetIniColor(u"TextColor");
  m_crToolTipBack = GetIniColor(u"BackColor");

  if (m_strRefused.IsEmpty()) m_bLoaded = 1;
}

void CEngineConfig::Refuse(const CString& what) const {
  if (!m_strRefused.IsEmpty()) m_strRefused += u"\n";
  m_strRefused += what;
  CString message;
  message.Format(u"NUX engine: the setting %s is too long and was not used\n", static_cast<LPCWSTR>(what));
  OutputDebugStringW(message);
}

CString CEngineConfig::GetIniValue(LPCWSTR section, LPCWSTR key, BOOL resolve, LPCWSTR defaultValue) const {
  WCHAR buffer[256];
  buffer[0] = 0;
  const DWORD length = GetPrivateProfileStringW(section, key, defaultValue, buffer, 256, m_strIniPath);
  if (length >= 255) {
    // A full buffer may hold a cut value; a value longer than the field is refused rather than
    // cut into another path (a cut "...\Content.mdb" would become a folder).
    std::vector<WCHAR> whole(4096, 0);
    if (GetPrivateProfileStringW(section, key, defaultValue, whole.data(), DWORD(whole.size()), m_strIniPath) > 255) {
      CString what;
      what.Format(u"[%s] %s", section, key);
      Refuse(what);
      return CString();
    }
  }
  CString value(buffer);
  if (value.IsEmpty()) return CString();
  if (resolve) value = ResolvePath(value, m_strIniFolder);
  value.Trim();
  return value;
}

CString CEngineConfig::ResolvePath(const CString& value, const CString& base) const {
  CString path = value;
  const bool absolute = path.GetLength() >= 2 && (path[1] == u':' || path[1] == u'\\');
  if (!absolute) {
    CString folder = base;
    if (!folder.IsEmpty() && folder[folder.GetLength() - 1] == u'\\') folder.Delete(folder.GetLength() - 1, 1);
    int levels = 0;
    while (path.Left(3) == u"..\\") {
      path.Delete(0, 3);
      ++levels;
    }
    for (int i = 0; i < levels; ++i) {
      const int slash = folder.ReverseFind(u'\\');
      if (slash <= 0) break;  // the root (or a lone leading backslash) is as far as it goes
      folder = folder.Left(slash);
    }
    // Without a base folder the value stays relative, like the ini path itself.
    if (!folder.IsEmpty()) path = folder + u"\\" + path;
  }
  const int length = path.GetLength();
  const bool hasExtension = length >= 4 && path[length - 4] == u'.';
  if (!hasExtension && (length == 0 || path[length - 1] != u'\\')) path += u'\\';
  return path;
}

CString CEngineConfig::GetText(LPCWSTR section, LPCWSTR key) const {
  CString notFound;
  notFound.Format(u"%s - %s not found in NUX.ini", section, key);
  WCHAR buffer[512];
  buffer[0] = 0;
  GetPrivateProfileStringW(section, key, notFound, buffer, 512, m_strIniPath);
  CString text(buffer);
  text.Trim();
  ReplaceAll(text, u"<BR>", u"\n");
  return text;
}

CString CEngineConfig::GetString(LPCWSTR key) const { return GetText(u"Strings", key); }

CString CEngineConfig::UserKeyPath() const {
  CString path;
  path.Format(u"Software\\NUX\\%s", static_cast<LPCWSTR>(m_strApp));
  return path;
}

void CEngineConfig::WriteBinary(LPCWSTR name, LPCVOID data, DWORD count) const {
  CRegistryKey key;
  if (key.Open(HKEY_CURRENT_USER, UserKeyPath(), TRUE)) key.WriteBinary(name, data, count);
}

BOOL CEngineConfig::GetBinary(LPCWSTR name, LPVOID buffer, DWORD count) const {
  if (buffer == nullptr) return FALSE;
  memset(buffer, 0, count);
  CRegistryKey key;
  if (!key.Open(HKEY_CURRENT_USER, UserKeyPath(), FALSE)) return FALSE;
  DWORD size = count;
  return key.ReadBinary(name, buffer, &size);
}

HCURSOR CEngineConfig::LoadCursor(LPCWSTR name) const {
  const CString base = m_strCursor + name;
  const CString cur = base + u".cur";
  if (FileExists(cur)) return LoadCursorFromFileW(cur);
  const CString ani = base + u".ani";
  if (FileExists(ani)) return LoadCursorFromFileW(ani);
  return LoadCursorW(nullptr, IDC_ARROW);
}

BOOL CEngineConfig::FolderOrArchiveExists() const {
  if (m_strUI.IsEmpty()) return FALSE;
  if (DirectoryExists(m_strUI)) return TRUE;
  return IsFile(m_strUI.Left(m_strUI.GetLength() - 1) + u".nux");
}

COLORREF CEngineConfig::GetIniColor(LPCWSTR key) const {
  CString text = GetIniValue(u"ToolTip", key, FALSE, u"000000");
  RgbTextToBgr(text);
  return static_cast<COLORREF>(HexToInt(text));
}
