// What tests and hosts drive in the window system: the virtual clock, message pumping, mouse
// and keyboard input at screen points, scripted answers for message boxes and menus, the
// monitor layout, finding windows, and PNG snapshots of windows.
#pragma once

#include <string>
#include <vector>

#include "base/types.h"
#include "gdi/surface.h"
#include "testing/input.h"
#include "ui/sysparams.h"
#include "ui/window.h"

namespace nux::testing {

// ---- time and messages ----
// Switches the platform clock to virtual time (or back).
void UseVirtualClock(bool on);
// Dispatches everything the calling thread has waiting (sent and posted messages, input,
// paints, due timers) until its queue is empty; returns how many messages were dispatched.
// Dialogs get their keyboard handling (IsDialogMessage) for messages aimed at them. A WM_QUIT
// met on the way is put back and stops the pump.
int PumpMessages();
// Dispatches one message as the pump does: a message aimed at a dialog (or a control in it) goes
// through its keyboard handling first.
void DispatchMessageWithDialogs(MSG& m);
// Moves the virtual clock on by `ms` in steps of `stepMs` (at most), pumping after each step,
// so timers fire as they would in real time (one WM_TIMER per due period).
void AdvanceAndPump(DWORD ms, DWORD stepMs = 1);

// ---- input ----
enum class Button { Left = 1, Right = 2, Middle = 3 };
void MouseMove(int x, int y);
void MouseDown(int x, int y, Button button = Button::Left);
void MouseUp(int x, int y, Button button = Button::Left);
// Down and up at one point.
void Click(int x, int y, Button button = Button::Left);
// Down at `from`, moves in `steps` even steps to `to`, up at `to`.
void Drag(POINT from, POINT to, int steps = 4, Button button = Button::Left);
void Wheel(int x, int y, int delta);
void KeyDown(UINT vk);
void KeyUp(UINT vk);
// Down and up.
void KeyPress(UINT vk);
// Each character as a WM_CHAR to the focus window.
void TypeText(const std::u16string& text);

// ---- answers ----
void QueueMessageBoxAnswer(int id);
void QueueMenuChoice(UINT command);

// ---- monitors ----
void SetMonitors(const std::vector<nux::ui::MonitorSpec>& monitors);
void ResetMonitors();

// ---- finding windows ----
// Searches the top-level windows and all their descendants (in z-order, depth first).
HWND FindWindowById(HWND parent, int id);  // parent NULL: every window
HWND FindWindowByClass(const std::u16string& className, HWND parent = nullptr);
HWND FindWindowByText(const std::u16string& text, HWND parent = nullptr);

// ---- snapshots ----
// Writes the window (with its frame and children, as its pixels stand) to a PNG file at a
// Linux path. The window's pending paints are done first. False when it cannot be written.
bool WriteWindowPng(HWND hwnd, const std::string& linuxPath);
// The window's pixels (whole window) as they stand, after its pending paints.
bool CaptureWindow(HWND hwnd, nux::gdi::Surface* out);

// Everything back to the start: windows of the calling thread destroyed, input state,
// queued answers and the monitor layout reset, the real clock kept as it is.
void ResetUi();

}  // namespace nux::testing
