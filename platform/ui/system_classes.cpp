// The standard window classes, registered once before the first class lookup.
#include <mutex>

#include "ui/wm_internal.h"

namespace nux::ui::detail {

void RegisterDialogClass();
void RegisterTreeViewClass();

void EnsureSystemClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterDialogClass();
    RegisterControlClasses();
    RegisterTreeViewClass();
  });
}

}  // namespace nux::ui::detail
