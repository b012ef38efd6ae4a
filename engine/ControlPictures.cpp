#include "ControlPictures.h"

#include <cstdlib>

#include "ResourceFile.h"
#include "mfc/exceptions.h"

namespace {

constexpr DWORD kMaxPictureBytes = 64u << 20;

bool IsAbsolute(const std::u16string& name) {
  return (name.size() >= 2 && name[1] == u':') || (!name.empty() && (name[0] == u'\\' || name[0] == u'/'));
}

}  // namespace

CString ControlPicturePath(const CEngineConfig& config, const std::u16string& name) {
  if (name.empty()) return CString();
  if (IsAbsolute(name)) return CString(name.c_str());
  CString folder = config.m_strUI;
  if (folder.IsEmpty()) return CString();
  if (folder.Right(1) != u"\\" && folder.Right(1) != u"/") folder += u"\\";
  // Names climb no higher than the UI folder.
  for (size_t start = 0; start <= name.size();) {
    size_t end = name.find_first_of(u"\\/", start);
    if (end == std::u16string::npos) end = name.size();
    if (name.compare(start, end - start, u"..") == 0) return CString();
    start = end + 1;
  }
  return folder + CString(name.c_str());
}

bool ReadControlPicture(const CEngineConfig& config, const std::u16string& name, std::vector<uint8_t>& bytes) {
  bytes.clear();
  CString path = ControlPicturePath(config, name);
  if (path.IsEmpty()) return false;
  CResourceFile file;
  BYTE* data = nullptr;
  DWORD size = 0;
  try {
    if (!file.Open(path) || !file.ReadAll(data, size)) {
      std::free(data);
      return false;
    }
  } catch (CException* e) {
    // A damaged or foreign archive: no picture, the control shows its caption.
    e->Delete();
    std::free(data);
    return false;
  }
  if (data && size > 0 && size <= kMaxPictureBytes) bytes.assign(data, data + size);
  std::free(data);
  file.Close(TRUE);
  return !bytes.empty();
}
