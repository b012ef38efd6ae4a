// The system input queue: raw mouse and keyboard events at screen points, as hardware would
// deliver them. The window system routes each event when a thread next retrieves messages
// (by capture, hit test and focus, as Windows routes input). nux::testing's Inject functions
// (testing.h) are the convenient way to fill it.
#pragma once

#include "base/types.h"

namespace nux::testing {

struct RawInput {
  bool isKey = false;   // a key press or release
  bool isChar = false;  // a character typed directly (WM_CHAR to the focus)
  POINT pt{};           // mouse events: screen point
  UINT button = 0;      // mouse: 0 move, 1 left, 2 right, 3 middle, 4 wheel
  bool down = false;    // button or key pressed (false: released)
  int wheel = 0;        // wheel delta (multiples of 120)
  UINT vk = 0;          // key events: virtual key
  UINT scanCode = 0;    // key events: set 1 scan code; 0 takes the key's usual code for vk
  bool extended = false;  // key events: an extended key (right Ctrl/Alt, the arrow block, ...)
  WPARAM ch = 0;        // character events: UTF-16 code unit; a key press: the character the
                        // desktop's layout typed with it (0: TranslateMessage goes by vk)
};

void QueueRawInput(const RawInput& ev);
void ClearRawInput();
// Forgets focus, activation, capture, pressed keys and the cursor position.
void ResetInputState();

}  // namespace nux::testing
