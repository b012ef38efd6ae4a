// The maker's controls that the library's dialogs host: an image button, a check box and an
// image, each a child window made by class id through the control registry (com/controlreg.h),
// drawing itself from a picture file and firing the standard mouse events to its container.
//
// Pictures: the control's window name (the title of its dialog-template item) names its
// picture file. The button and the check box take a strip of equal frames lying side by side;
// the number of frames is the picture's width divided by the control's width (rounded, at
// least 1), so a strip made for the control's size needs no further description:
//   image button: frame 0 normal, 1 pressed, 2 unavailable (state 0);
//   check box:    frame 0 unchecked, 1 checked, 2 unchecked pressed, 3 checked pressed.
// A frame the strip does not have falls back to frame 0 (the check box to frame 0 or 1).
// The image control shows its whole picture at its own size from the top-left corner.
// Without a picture the button and the check box draw a plain face, the image nothing.
//
// Events (dispatch ids on each control's event interface):
//   Click (-600) after a left press and release inside the control; the button fires none in
//   state 0; the check box toggles before it fires;
//   MouseDown (-605), MouseMove (-606), MouseUp (-607) with button (VT_I2: 1 left, 2 right,
//   4 middle; for MouseMove the buttons held), shift (VT_I2: 1 shift, 2 control, 4 alt),
//   x and y (VT_I4, client pixels). A press captures the mouse until its release.
#pragma once

#include <string>

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

// The controls register their classes in the control registry when the platform loads; this
// does it again (for instance after a test unregistered one).
void RegisterControlClasses();

}  // namespace nux::controls
