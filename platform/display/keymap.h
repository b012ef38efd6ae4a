// The desktop's keys as the window system knows them: a virtual key and the set-1 scan code
// with its extended flag, from the display's key position (a USB usage number, as SDL's
// scancodes are) and the character the layout puts on that key.
#pragma once

#include "base/types.h"

namespace nux::display {

struct KeyCode {
  UINT vk = 0;         // 0: a key the window system has no virtual key for
  UINT scanCode = 0;   // set 1
  bool extended = false;
};

// `usage`: the key's position (USB HID usage, page 7); `layoutChar`: the character the key
// types without modifiers on the desktop's layout (0 when unknown). Letters and digits take
// their virtual key from the layout, so that a German keyboard's Z is VK 'Z'.
KeyCode MapKey(int usage, char32_t layoutChar);

}  // namespace nux::display
