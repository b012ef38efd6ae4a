// The maker's controls that the library's dialogs host: an image button, a check box and an
// image, each a child window made by class id through the control registry (com/controlreg.h),
// drawing itself from a picture file and firing the standard mouse events to its container.
//
// Pictures: the control's window name (the title of its dialog-template item) names its
// picture file; the image control's picture property names it later. The name is read through
// the picture source (below), so a program decides where names lead. The button and the check
// box take a strip of equal frames lying side by side; the number of frames is the picture's
// width divided by the control's width (rounded, at least 1), so a strip made for the
// control's size needs no further description:
//   image button: frames normal, hot (pointer over it), pressed, unavailable (state 0 or the
//                 window disabled);
//   check box:    the same four looks unchecked, then the same four checked (eight frames).
// A look the strip lacks falls back: pressed to hot, the others to normal; a check box strip of
// fewer than eight frames is split into an unchecked and a checked half (one frame: both).
// The image control shows its whole picture at its own size from the top-left corner.
// Without a picture the button and the check box draw a plain face with a caption: the window
// name without its folder and picture extension ("Controls\Search.bmp" shows "Search"); the
// check box draws a box with a tick when checked; the image draws nothing.
//
// Pointer and keyboard: a button or check box shows its hot look while the pointer is over it
// (leave tracking ends it, and so does the window losing activation), its pressed look while
// the left button, pressed on it, is held with the pointer inside, and its focus look (a dotted
// frame) while it has the keyboard focus. A press does not take the focus. Space on a focused
// control presses it; its release clicks it, once, as a click by the pointer does.
//
// Events (dispatch ids on each control's event interface):
//   Click (-600) after a left press and release inside the control (or Space pressed and
//   released); the button fires none in state 0, no control fires one while disabled; the
//   check box toggles before it fires;
//   MouseDown (-605), MouseMove (-606), MouseUp (-607) with button (VT_I2: 1 left, 2 right,
//   4 middle; for MouseMove the buttons held), shift (VT_I2: 1 shift, 2 control, 4 alt),
//   x and y (VT_I4, client pixels). A press captures the mouse until its release.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "com/unknown.h"

namespace nux::controls {

extern const CLSID CLSID_ZrImageButton;  // {6B1D3C2B-59E4-4F0B-9A7C-2D8E4B1F0A36}
extern const CLSID CLSID_ZrCheckbox;     // {6B1D3C2C-59E4-4F0B-9A7C-2D8E4B1F0A36}
extern const CLSID CLSID_ZrImage;        // {6B1D3C2A-59E4-4F0B-9A7C-2D8E4B1F0A36}
extern const IID DIID_ZrImageButtonEvents;
extern const IID DIID_ZrCheckboxEvents;
extern const IID DIID_ZrImageEvents;

inline constexpr char16_t kImageProgId[] = u"ZAROREZO.ImageCtrl.1";
inline constexpr char16_t kButtonProgId[] = u"ZAROREZO.ButtonCtrl.1";
inline constexpr char16_t kCheckboxProgId[] = u"ZAROREZO.CheckCtrl.1";
// The version of the control library, carried in its server file's name.
inline constexpr char kServerVersion[] = "2.0.7.6";

// Dispatch members.
enum : DISPID {
  DISPID_ZR_PICTURE = 3,    // image: property, VT_BSTR, the picture file
  DISPID_ZR_SETSTATE = 7,   // button: method (VT_I2 state: 1 available, 0 unavailable)
  DISPID_ZR_GETCHECK = 10,  // check box: method, result VT_BOOL
  DISPID_ZR_SETCHECK = 11,  // check box: method (VT_I2: 1 checked, 0 not)
};

// The registry text (.reg export format) that registers the three classes with their ProgIDs
// and `serverFile` (a Windows path) as their in-process server.
std::string RegistrationText(const std::u16string& serverFile);
// Imports that text into HKCR; false when it cannot be written.
bool RegisterServer(const std::u16string& serverFile);
// Removes the classes' and ProgIDs' keys from HKCR.
bool UnregisterServer();

// Reads the bytes of a named picture; false when there is none. Without a source of the
// program's own, a name is read as a file path (a Windows path).
using PictureSource = bool (*)(const std::u16string& name, std::vector<uint8_t>& bytes);
// Makes `source` the picture source (null: the platform's own) and returns the one it replaces.
// Controls made afterwards, and pictures set afterwards, read through it.
PictureSource SetPictureSource(PictureSource source);
// Reads a picture through the source in force. Pictures above 64 MiB are refused.
bool ReadPicture(const std::u16string& name, std::vector<uint8_t>& bytes);
// The caption of a control without a picture: its window name without folder and extension
// when the name ends in a picture file extension, else the name itself.
std::u16string CaptionOfName(const std::u16string& name);

// The controls register their classes in the control registry when the platform loads; this
// does it again (for instance after a test unregistered one).
void RegisterControlClasses();

}  // namespace nux::controls
