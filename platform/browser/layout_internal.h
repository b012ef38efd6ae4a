// What the layout's files share.
#pragma once

namespace nux::browser::detail {

// The browser's default style sheet (defaults.cpp).
extern const char kDefaultStyleSheet[];

}  // namespace nux::browser::detail
