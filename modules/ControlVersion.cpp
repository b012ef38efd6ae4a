#include "ControlVersion.h"

#include <vector>

#include "RegistryKey.h"
#include "com/com.h"

int ReadFileVersion(LPCWSTR path, VS_FIXEDFILEINFO* info) {
  // The path is used as given: no buffer of ours limits its length.
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeW(path, &handle);
  if (size == 0) return 0;
  std::vector<BYTE> block(size);
  if (!GetFileVersionInfoW(path, 0, size, block.data())) return 0;
  LPVOID record = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), u"\\", &record, &length) || !record || length < sizeof(VS_FIXEDFILEINFO)) {
    return 0;
  }
  *info = *static_cast<const VS_FIXEDFILEINFO*>(record);
  return 1;
}

BOOL CompareVersions(const VS_FIXEDFILEINFO& info, int major, int minor, int build, int revision) {
  const DWORD ms = (DWORD(WORD(major)) << 16) | WORD(minor);
  const DWORD ls = (DWORD(WORD(build)) << 16) | WORD(revision);
  return info.dwFileVersionMS > ms || (info.dwFileVersionMS == ms && info.dwFileVersionLS >= ls);
}

BOOL CheckControlVersion(LPCWSTR progId, int major, int minor, int build, int revision) {
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(progId, &clsid))) return FALSE;
  LPOLESTR clsidText = nullptr;
  if (FAILED(StringFromCLSID(clsid, &clsidText))) return FALSE;
  CString keyName;
  keyName.Format(u"CLSID\\%s\\InprocServer32", clsidText);
  CoTaskMemFree(clsidText);

  CString server;
  {
    CRegistryKey key;
    if (!key.Open(HKEY_CLASSES_ROOT, keyName.GetString(), FALSE)) return FALSE;
    BOOL found = key.FindValue(u"", server);
    key.Close();
    if (!found) return FALSE;
  }
  VS_FIXEDFILEINFO info{};
  if (!ReadFileVersion(server.GetString(), &info)) return FALSE;
  return CompareVersions(info, major, minor, build, revision);
}
