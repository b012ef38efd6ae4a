// regsvr32 [/u] [/s] library: loads the library through the platform's loader and calls its
// DllRegisterServer (DllUnregisterServer with /u). /s shows no message. Exit codes: 0 done,
// 1 bad command line, 3 the library does not load, 4 it has no such entry point, 5 the entry
// point reported a failure.
#include <cstdio>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/errors.h"
#include "process/process.h"
#include "res/resources.h"
#include "ui/msgbox.h"

namespace {

enum ExitCode { kDone = 0, kBadArguments = 1, kLoadFailed = 3, kNoEntryPoint = 4, kEntryPointFailed = 5 };

bool g_silent = false;

int Report(int code, const std::string& text) {
  if (!g_silent) MessageBoxA(nullptr, text.c_str(), "RegSvr32", code == kDone ? MB_ICONINFORMATION : MB_ICONERROR);
  return code;
}

bool IsSwitch(const std::u16string& arg, char16_t letter) {
  return arg.size() == 2 && (arg[0] == u'/' || arg[0] == u'-') && nux::UpperAscii(arg[1]) == nux::UpperAscii(letter);
}

}  // namespace

int main() {
  // The arguments as the platform's command line has them (Windows paths stay Windows paths).
  std::vector<std::u16string> args = nux::process::SplitCommandLine(GetCommandLineW());
  bool unregister = false;
  std::u16string library;
  for (size_t i = 1; i < args.size(); ++i) {
    if (IsSwitch(args[i], u's')) {
      g_silent = true;
    } else if (IsSwitch(args[i], u'u')) {
      unregister = true;
    } else if (!args[i].empty() && (args[i][0] == u'/' || args[i][0] == u'-')) {
      // Other switches (/i, /n) are not offered.
      return Report(kBadArguments, "Unrecognized flag: " + nux::WideToAnsi(args[i]));
    } else if (library.empty()) {
      library = args[i];
    }
  }
  if (library.empty()) return Report(kBadArguments, "Usage: regsvr32 [/u] [/s] dllname");

  const std::string name = nux::WideToAnsi(library);
  HMODULE module = LoadLibraryW(library.c_str());
  if (!module) {
    char text[512];
    std::snprintf(text, sizeof text, "The module \"%s\" failed to load (error %lu).", name.c_str(),
                  static_cast<unsigned long>(GetLastError()));
    return Report(kLoadFailed, text);
  }
  const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  using EntryPoint = HRESULT (*)();
  auto call = reinterpret_cast<EntryPoint>(GetProcAddress(module, entry));
  if (!call) {
    FreeLibrary(module);
    return Report(kNoEntryPoint, "The module \"" + name + "\" was loaded but the entry-point " + entry +
                                     " was not found.");
  }
  const HRESULT hr = call();
  FreeLibrary(module);
  if (FAILED(hr)) {
    char text[512];
    std::snprintf(text, sizeof text, "The call to %s in \"%s\" failed with error code 0x%08lX.", entry, name.c_str(),
                  static_cast<unsigned long>(hr));
    return Report(kEntryPointFailed, text);
  }
  return Report(kDone, std::string(entry) + " in " + name + " succeeded.");
}
