// A virtual X server for the screen tests: Xvfb on a display number it picks itself, the
// commands that drive it (xdotool, xwd, xclip) run with a bound on their time, and the screen's
// pixels read back.
#pragma once

#include <sys/types.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "gdi/surface.h"

struct _XDisplay;

namespace screentest {

struct Result {
  int status = -1;  // exit status; -1 when it did not end in time or did not start
  std::string out;  // standard output
};

// Runs a program (looked up on PATH) with `env` added to the environment (an empty value
// removes the variable), waiting at most `timeoutMs`; `idle` runs while it waits (a test
// pumps its messages there, so the windows answer what the program does to the screen).
Result Run(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env, int timeoutMs,
           const std::function<void()>& idle = nullptr);

// Whether a program is on PATH.
bool Have(const std::string& program);

class VirtualScreen {
 public:
  VirtualScreen() = default;
  ~VirtualScreen() { Stop(); }
  VirtualScreen(const VirtualScreen&) = delete;
  VirtualScreen& operator=(const VirtualScreen&) = delete;

  // Starts Xvfb (width x height, 24 bits) on a free display; false (with the reason) when it
  // does not come up within ten seconds. `wrapper` runs it (e.g. in namespaces of its own),
  // `extra` are more of its arguments.
  bool Start(int width, int height, std::string* why, const std::vector<std::string>& wrapper = {},
             const std::vector<std::string>& extra = {});
  void Stop();
  const std::string& display() const { return display_; }  // ":N"

  // A command against this display (DISPLAY set), as Run.
  Result Command(const std::vector<std::string>& argv, int timeoutMs = 10000,
                 const std::function<void()>& idle = nullptr) const;
  // xdotool with these arguments; true when it succeeded.
  bool Xdotool(const std::vector<std::string>& args, const std::function<void()>& idle = nullptr) const;
  // The whole screen as xwd reads it back.
  bool ReadScreen(nux::gdi::Surface* out, const std::function<void()>& idle = nullptr) const;

 private:
  pid_t pid_ = -1;
  std::string display_;
};

// The shown top-level X window of that title: true with its place and size.
bool FindWindowNamed(const std::string& display, const std::string& name, int* x, int* y, int* width,
                     int* height);
// The title of the top-level X window that holds the keyboard focus; empty when none has it.
std::string FocusedWindowName(const std::string& display);
// Push buttons inside `area` of a screen picture, left to right: found by the white top and
// left edges that a raised button has (the frame of a window is longer than a button).
std::vector<RECT> ButtonsIn(const nux::gdi::Surface& screen, const RECT& area);
// The picture of the pointer's cursor as the X server shows it now (0xAARRGGBB) and its hot
// spot.
bool ReadCursorImage(const std::string& display, nux::gdi::Surface* out, int* hotX, int* hotY);
// What a window manager does to a shown top-level X window of that title: gives it the
// keyboard focus, or moves it.
bool FocusWindowNamed(const std::string& display, const std::string& name);
bool MoveWindowNamed(const std::string& display, const std::string& name, int x, int y);

// A plain X window of another program (its own connection), shown while the object lives.
class ForeignWindow {
 public:
  ForeignWindow(const std::string& display, const std::string& name, int x, int y, int width, int height);
  ~ForeignWindow();
  ForeignWindow(const ForeignWindow&) = delete;
  ForeignWindow& operator=(const ForeignWindow&) = delete;
  bool shown() const { return window_ != 0; }
  // Takes the keyboard focus, as the window a person activates.
  bool TakeFocus();

 private:
  ::_XDisplay* display_ = nullptr;
  unsigned long window_ = 0;
};

// Sends the WM_DELETE_WINDOW protocol message (what a window manager sends when the person
// closes a window) to the shown top-level X window of that title.
bool SendDeleteWindow(const std::string& display, const std::string& name);

// A program started in the background with its standard output to a file; WaitProgram waits
// for its end at most `timeoutMs` (then kills it) and gives its exit status (-1: killed).
pid_t StartProgram(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
                   const std::string& outputPath);
int WaitProgram(pid_t pid, int timeoutMs);

// Puts the German letters (ä ö ü with their capitals, ß) on free keys of the server's keyboard,
// as a German keyboard has them, so that xdotool types them with real key presses.
bool AddGermanKeys(const std::string& display);

// One virtual screen for the whole test program, started at the first call (1280 x 1024) and
// stopped when the program ends: the display backend stays connected to one server for the
// life of the process. Null (with the reason) when it does not start.
VirtualScreen* SharedScreen(std::string* why);

// Parses an X window dump (xwd's format) of a TrueColor screen of 24 or 32 bits a pixel.
bool ParseXwd(const std::string& bytes, nux::gdi::Surface* out);

}  // namespace screentest
