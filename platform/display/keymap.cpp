// Key positions to virtual keys and set-1 scan codes.
#include "display/keymap.h"

#include "ui/window.h"

namespace nux::display {
namespace {

// Virtual keys of the punctuation keys (named by what they carry on a US keyboard).
constexpr UINT kVkOem1 = 0xBA;       // ;:
constexpr UINT kVkOemPlus = 0xBB;    // =+
constexpr UINT kVkOemComma = 0xBC;   // ,<
constexpr UINT kVkOemMinus = 0xBD;   // -_
constexpr UINT kVkOemPeriod = 0xBE;  // .>
constexpr UINT kVkOem2 = 0xBF;       // /?
constexpr UINT kVkOem3 = 0xC0;       // `~
constexpr UINT kVkOem4 = 0xDB;       // [{
constexpr UINT kVkOem5 = 0xDC;       // \|
constexpr UINT kVkOem6 = 0xDD;       // ]}
constexpr UINT kVkOem7 = 0xDE;       // '"
constexpr UINT kVkOem102 = 0xE2;     // the key beside the left Shift of European keyboards

struct Entry {
  int usage;
  UINT vk;
  UINT scan;
  bool extended;
};

// Usage numbers of the keyboard page, in order.
constexpr Entry kKeys[] = {
    {4, 'A', 0x1E, false},  {5, 'B', 0x30, false},  {6, 'C', 0x2E, false},  {7, 'D', 0x20, false},
    {8, 'E', 0x12, false},  {9, 'F', 0x21, false},  {10, 'G', 0x22, false}, {11, 'H', 0x23, false},
    {12, 'I', 0x17, false}, {13, 'J', 0x24, false}, {14, 'K', 0x25, false}, {15, 'L', 0x26, false},
    {16, 'M', 0x32, false}, {17, 'N', 0x31, false}, {18, 'O', 0x18, false}, {19, 'P', 0x19, false},
    {20, 'Q', 0x10, false}, {21, 'R', 0x13, false}, {22, 'S', 0x1F, false}, {23, 'T', 0x14, false},
    {24, 'U', 0x16, false}, {25, 'V', 0x2F, false}, {26, 'W', 0x11, false}, {27, 'X', 0x2D, false},
    {28, 'Y', 0x15, false}, {29, 'Z', 0x2C, false},
    {30, '1', 0x02, false}, {31, '2', 0x03, false}, {32, '3', 0x04, false}, {33, '4', 0x05, false},
    {34, '5', 0x06, false}, {35, '6', 0x07, false}, {36, '7', 0x08, false}, {37, '8', 0x09, false},
    {38, '9', 0x0A, false}, {39, '0', 0x0B, false},
    {40, VK_RETURN, 0x1C, false}, {41, VK_ESCAPE, 0x01, false}, {42, VK_BACK, 0x0E, false},
    {43, VK_TAB, 0x0F, false}, {44, VK_SPACE, 0x39, false},
    {45, kVkOemMinus, 0x0C, false}, {46, kVkOemPlus, 0x0D, false}, {47, kVkOem4, 0x1A, false},
    {48, kVkOem6, 0x1B, false}, {49, kVkOem5, 0x2B, false}, {50, kVkOem5, 0x2B, false},
    {51, kVkOem1, 0x27, false}, {52, kVkOem7, 0x28, false}, {53, kVkOem3, 0x29, false},
    {54, kVkOemComma, 0x33, false}, {55, kVkOemPeriod, 0x34, false}, {56, kVkOem2, 0x35, false},
    {57, VK_CAPITAL, 0x3A, false},
    {58, VK_F1, 0x3B, false}, {59, VK_F2, 0x3C, false}, {60, VK_F3, 0x3D, false}, {61, VK_F4, 0x3E, false},
    {62, VK_F5, 0x3F, false}, {63, VK_F6, 0x40, false}, {64, VK_F7, 0x41, false}, {65, VK_F8, 0x42, false},
    {66, VK_F9, 0x43, false}, {67, VK_F10, 0x44, false}, {68, VK_F11, 0x57, false}, {69, VK_F12, 0x58, false},
    {70, VK_SNAPSHOT, 0x37, true}, {71, VK_SCROLL, 0x46, false}, {72, VK_PAUSE, 0x45, false},
    {73, VK_INSERT, 0x52, true}, {74, VK_HOME, 0x47, true}, {75, VK_PRIOR, 0x49, true},
    {76, VK_DELETE, 0x53, true}, {77, VK_END, 0x4F, true}, {78, VK_NEXT, 0x51, true},
    {79, VK_RIGHT, 0x4D, true}, {80, VK_LEFT, 0x4B, true}, {81, VK_DOWN, 0x50, true}, {82, VK_UP, 0x48, true},
    {83, VK_NUMLOCK, 0x45, true}, {84, VK_DIVIDE, 0x35, true}, {85, VK_MULTIPLY, 0x37, false},
    {86, VK_SUBTRACT, 0x4A, false}, {87, VK_ADD, 0x4E, false}, {88, VK_RETURN, 0x1C, true},
    {89, VK_NUMPAD1, 0x4F, false}, {90, VK_NUMPAD2, 0x50, false}, {91, VK_NUMPAD3, 0x51, false},
    {92, VK_NUMPAD4, 0x4B, false}, {93, VK_NUMPAD5, 0x4C, false}, {94, VK_NUMPAD6, 0x4D, false},
    {95, VK_NUMPAD7, 0x47, false}, {96, VK_NUMPAD8, 0x48, false}, {97, VK_NUMPAD9, 0x49, false},
    {98, VK_NUMPAD0, 0x52, false}, {99, VK_DECIMAL, 0x53, false}, {100, kVkOem102, 0x56, false},
    {101, VK_APPS, 0x5D, true},
    {224, VK_CONTROL, 0x1D, false}, {225, VK_SHIFT, 0x2A, false}, {226, VK_MENU, 0x38, false},
    {227, VK_LWIN, 0x5B, true}, {228, VK_CONTROL, 0x1D, true}, {229, VK_SHIFT, 0x36, false},
    {230, VK_MENU, 0x38, true}, {231, VK_RWIN, 0x5C, true},
};

// The virtual key a layout gives a letter or punctuation key by the character it types.
UINT VkOfChar(char32_t c) {
  if (c >= 'a' && c <= 'z') return UINT(c - 'a' + 'A');
  if (c >= 'A' && c <= 'Z') return UINT(c);
  if (c >= '0' && c <= '9') return UINT(c);
  switch (c) {
    case ';': return kVkOem1;
    case '=': case '+': return kVkOemPlus;
    case ',': return kVkOemComma;
    case '-': return kVkOemMinus;
    case '.': return kVkOemPeriod;
    case '/': return kVkOem2;
    case '`': return kVkOem3;
    case '[': return kVkOem4;
    case '\\': return kVkOem5;
    case ']': return kVkOem6;
    case '\'': return kVkOem7;
    default: return 0;
  }
}

}  // namespace

KeyCode MapKey(int usage, char32_t layoutChar) {
  KeyCode k;
  for (const Entry& e : kKeys) {
    if (e.usage != usage) continue;
    k = KeyCode{e.vk, e.scan, e.extended};
    break;
  }
  // The letter and punctuation block follows the layout where it types a known character.
  bool layoutBlock = (usage >= 4 && usage <= 39) || (usage >= 45 && usage <= 56) || usage == 100;
  if (layoutBlock && layoutChar) {
    if (UINT vk = VkOfChar(layoutChar)) k.vk = vk;
  }
  return k;
}

}  // namespace nux::display
