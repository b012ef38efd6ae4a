// The platform root: the Linux folder that holds the drives (drive_c/, ...), the registry hives
// and the other state of the platform layer.
#pragma once

#include <string>

namespace nux {

// Linux path of the platform root, without a trailing slash. Taken from the environment
// variable NUX_PLATFORM_ROOT, else $XDG_DATA_HOME/nuxplatform, else ~/.local/share/nuxplatform.
// The folder and its drive_c/ are created on first use.
std::string PlatformRoot();

// Points the platform at another root (tests, hosts). State cached for the old root (registry
// hives, the current folder) is dropped.
void SetPlatformRoot(const std::string& linuxPath);

// Increases each time the root changes, so caches keyed on the root can tell.
unsigned PlatformRootGeneration();

}  // namespace nux
