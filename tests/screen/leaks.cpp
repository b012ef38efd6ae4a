// The display libraries keep a little memory of the desktop's message bus (libdbus) until the
// process ends; that is theirs, not a leak of ours. SDL loads and unloads libdbus itself; held
// loaded here, its frames stay readable, so the suppression below can name it.
#include <dlfcn.h>

#include <initializer_list>

extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

namespace {
struct HoldMessageBusLibrary {
  HoldMessageBusLibrary() {
    for (const char* lib : {"libdbus-1.so.3", "libX11.so.6", "libXext.so.6", "libXcursor.so.1", "libXi.so.6",
                            "libXrandr.so.2", "libXss.so.1", "libXfixes.so.3", "libxkbcommon.so.0", "libXrender.so.1"})
      dlopen(lib, RTLD_NOW | RTLD_NODELETE);
  }
} g_hold;
}  // namespace
