// What the library's tests share: a platform root laid out as an installation (NUX.INI, the
// user-interface folder, the image control registered, a content database), and the library
// loaded through the platform loader with its exports.
#pragma once

#include <string>

#include "base/types.h"
#include "mfc/cstring.h"
#include "res/resources.h"
#include "test_support.h"

class CWnd;

namespace nuxsvtest {

inline constexpr char16_t kToken[] = u"NUXSV-HOST-ACCESS-01";
inline constexpr char16_t kPassword[] = u"7C0E91AF3B58";

// The content database of the tests: look-up records of each shape, display names, pages of
// every module and the navigation trees. `lookupColumns` leaves out the look-up table's last
// columns when smaller than 7 (a damaged table).
void BuildContentDatabase(const std::u16string& path, const std::u16string& password = kPassword,
                          int lookupColumns = 7);

// An installation in a platform root of its own: NUX.INI in C:\Content\ (found through
// HKLM\Software\NUX\Engine), its UI folder, its content database Data\Content.mdb, and the
// image control "ZAROREZO.ImageCtrl.1" registered with a server file of version 2.0.7.6.
class Installation {
 public:
  Installation();

  // NUX.INI with the [Setup] and [Paths] of the installation and `extra` appended.
  void WriteIni(const std::string& extra = "");
  // The image control's server file: a file of that name under C:\Controls\ (an ELF stub whose
  // name carries the version). `registerDefault` false leaves the InprocServer32 key without
  // its default value; an empty file name unregisters the ProgID.
  void RegisterControl(const std::string& fileName, bool registerDefault = true);
  std::string ContentFolder() const { return root.DriveC() + "/Content"; }

  nuxtest::ScopedPlatformRoot root;
};

using InitFn = int (*)(LPCWSTR, int, int, int);
using SetActiveFn = void (*)(int, int, int);
using VoidFn = void (*)();
using IntFn = int (*)();
using WndFn = CWnd* (*)();
using LookupFn = int (*)(CString, CString*, int*, int*, int*, int*, int*, int*);
using Lookup2Fn = int (*)(CString, int*, int*, int*, int*, int*);
using HasLookupFn = int (*)(CString);
using ProperNameFn = void (*)(CString, CString*);

// The library loaded from the build (LoadLibraryW of its path); freed by the destructor.
class Library {
 public:
  explicit Library(const std::u16string& path = u"");
  ~Library();
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  bool loaded() const { return module != nullptr; }
  template <class Fn>
  Fn Get(const char* name) const {
    return reinterpret_cast<Fn>(GetProcAddress(module, name));
  }

  HMODULE module = nullptr;
  DWORD loadError = 0;
  InitFn Init = nullptr;
  SetActiveFn SetActive = nullptr;
  VoidFn Term = nullptr;
  LookupFn GetLookupTableRef = nullptr;
  Lookup2Fn GetLookupTableRef2 = nullptr;
  HasLookupFn HasLookupTableRef = nullptr;
  ProperNameFn GetProperNamebySVID = nullptr;
  WndFn GetAstroDictCWnd = nullptr;
  WndFn GetEncyclopCWnd = nullptr;
  IntFn OpenEncyclop = nullptr;
};

// The Windows path of the built library.
std::u16string LibraryPath();

std::string Utf8(const CString& text);

}  // namespace nuxsvtest
