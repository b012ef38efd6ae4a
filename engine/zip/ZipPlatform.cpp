#include "ZipPlatform.h"

#include "ZipPathComponent.h"
#include "base/codepage.h"
#include "fs/path.h"

namespace ZipPlatform {

bool IsSupportedSystem(int iCode) {
  return iCode == scDos || iCode == scUnix || iCode == scOS2 || iCode == scMac || iCode == scNTFS;
}

void AnsiOem(CZipAutoBuffer& buffer, bool bAnsiToOem) {
  if (buffer.GetSize() == 0) return;
  if (bAnsiToOem)
    CharToOemBuffA(buffer, buffer, buffer.GetSize());
  else
    OemToCharBuffA(buffer, buffer, buffer.GetSize());
}

bool IsDriveRemovable(LPCWSTR lpszFilePath) {
  CZipPathComponent zpc(lpszFilePath);
  CString root = zpc.GetFileDrive();
  CZipPathComponent::AppendSeparator(root);
  return GetDriveTypeW(root) == DRIVE_REMOVABLE;
}

}  // namespace ZipPlatform
