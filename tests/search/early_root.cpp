// The library's configuration object is built while the program loads, before main() gives the
// process its platform root. This object is built before it and points the platform at a
// temporary root, so the configuration never reads or creates anything in the user's root.
#include "fs/root.h"
#include "test_support.h"

namespace {

struct EarlyRoot {
  EarlyRoot() { nux::SetPlatformRoot(dir.path()); }
  nuxtest::TempDir dir;
};

EarlyRoot earlyRoot __attribute__((init_priority(101)));

}  // namespace
