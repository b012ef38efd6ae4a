#include "xserver.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

extern char** environ;

namespace screentest {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> Environment(const std::map<std::string, std::string>& env) {
  std::vector<std::string> out;
  for (char** e = environ; *e; ++e) {
    std::string entry(*e);
    std::string name = entry.substr(0, entry.find('='));
    if (!env.count(name)) out.push_back(entry);
  }
  for (const auto& [name, value] : env)
    if (!value.empty()) out.push_back(name + "=" + value);
  return out;
}

// Standard output goes to `outFd` (-1: output and errors go nowhere).
pid_t Spawn(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env, int outFd) {
  std::vector<std::string> envText = Environment(env);
  std::vector<char*> args, envp;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  for (const auto& e : envText) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  if (outFd >= 0)
    posix_spawn_file_actions_adddup2(&fa, outFd, 1);
  else
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
  if (outFd < 0) posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  if (posix_spawnp(&pid, args[0], &fa, nullptr, args.data(), envp.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&fa);
  return pid;
}

uint32_t Big32(const std::string& b, size_t at) {
  auto u = [&](size_t i) { return uint32_t(static_cast<unsigned char>(b[at + i])); };
  return (u(0) << 24) | (u(1) << 16) | (u(2) << 8) | u(3);
}

}  // namespace

bool Have(const std::string& program) {
  return Run({"sh", "-c", "command -v " + program + " >/dev/null"}, {}, 5000).status == 0;
}

Result Run(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env, int timeoutMs,
           const std::function<void()>& idle) {
  Result r;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return r;
  pid_t pid = Spawn(argv, env, fds[1]);
  close(fds[1]);
  if (pid < 0) {
    close(fds[0]);
    return r;
  }
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  bool open = true;
  int status = 0;
  bool ended = false;
  auto nextIdle = Clock::now();
  std::vector<char> buf(1 << 16);
  while (Clock::now() < deadline) {
    if (open) {
      pollfd p{fds[0], POLLIN, 0};
      if (poll(&p, 1, 2) > 0) {
        ssize_t n = read(fds[0], buf.data(), buf.size());
        if (n > 0)
          r.out.append(buf.data(), size_t(n));
        else
          open = false;
      }
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (idle && Clock::now() >= nextIdle) {
      idle();
      nextIdle = Clock::now() + std::chrono::milliseconds(5);
    }
    if (!open && waitpid(pid, &status, WNOHANG) == pid) {
      ended = true;
      break;
    }
  }
  close(fds[0]);
  if (!ended) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return r;
  }
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

pid_t StartProgram(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
                   const std::string& outputPath) {
  int fd = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return -1;
  pid_t pid = Spawn(argv, env, fd);
  close(fd);
  return pid;
}

int WaitProgram(pid_t pid, int timeoutMs) {
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  int status = 0;
  while (Clock::now() < deadline) {
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  return -1;
}

VirtualScreen* SharedScreen(std::string* why) {
  static VirtualScreen* screen = nullptr;
  static std::string failure;
  if (!screen && failure.empty()) {
    auto* s = new VirtualScreen();
    if (s->Start(1280, 1024, &failure)) {
      screen = s;
      std::atexit([] { screen->Stop(); });
    } else {
      delete s;
    }
  }
  if (!screen) *why = failure;
  return screen;
}

bool VirtualScreen::Start(int width, int height, std::string* why, const std::vector<std::string>& wrapper,
                          const std::vector<std::string>& extra) {
  // Xvfb picks a free display number itself and writes it to the pipe.
  int fds[2];
  if (pipe(fds) != 0) return *why = "no pipe", false;
  std::string geometry = std::to_string(width) + "x" + std::to_string(height) + "x24";
  std::vector<std::string> argv{"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", geometry,
                                "-nolisten", "tcp", "-noreset"};
  argv.insert(argv.begin(), wrapper.begin(), wrapper.end());
  argv.insert(argv.end(), extra.begin(), extra.end());
  pid_ = Spawn(argv, {}, -1);
  close(fds[1]);
  if (pid_ < 0) {
    close(fds[0]);
    return *why = "Xvfb did not start", false;
  }
  std::string number;
  auto deadline = Clock::now() + std::chrono::seconds(10);
  while (Clock::now() < deadline) {
    pollfd p{fds[0], POLLIN, 0};
    if (poll(&p, 1, 50) > 0) {
      char c;
      ssize_t n = read(fds[0], &c, 1);
      if (n <= 0) break;
      if (c == '\n') break;
      number += c;
    }
  }
  close(fds[0]);
  if (number.empty()) {
    Stop();
    return *why = "Xvfb gave no display number", false;
  }
  display_ = ":" + number;
  return true;
}

void VirtualScreen::Stop() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    int status = 0;
    for (int i = 0; i < 200 && waitpid(pid_, &status, WNOHANG) == 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (waitpid(pid_, &status, WNOHANG) == 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
    }
  }
  pid_ = -1;
}

Result VirtualScreen::Command(const std::vector<std::string>& argv, int timeoutMs,
                              const std::function<void()>& idle) const {
  return Run(argv, {{"DISPLAY", display_}}, timeoutMs, idle);
}

bool VirtualScreen::Xdotool(const std::vector<std::string>& args, const std::function<void()>& idle) const {
  std::vector<std::string> argv{"xdotool"};
  argv.insert(argv.end(), args.begin(), args.end());
  return Command(argv, 10000, idle).status == 0;
}

bool VirtualScreen::ReadScreen(nux::gdi::Surface* out, const std::function<void()>& idle) const {
  Result r = Command({"xwd", "-root", "-silent"}, 10000, idle);
  return r.status == 0 && ParseXwd(r.out, out);
}

bool ParseXwd(const std::string& b, nux::gdi::Surface* out) {
  if (b.size() < 100) return false;
  uint32_t headerSize = Big32(b, 0), format = Big32(b, 8), width = Big32(b, 16), height = Big32(b, 20);
  uint32_t byteOrder = Big32(b, 28), bpp = Big32(b, 44), stride = Big32(b, 48);
  uint32_t redMask = Big32(b, 56), greenMask = Big32(b, 60), blueMask = Big32(b, 64), ncolors = Big32(b, 76);
  if (format != 2 || (bpp != 32 && bpp != 24) || width == 0 || height == 0 || width > 16384 || height > 16384) return false;
  if (redMask != 0xFF0000 || greenMask != 0xFF00 || blueMask != 0xFF) return false;
  size_t at = size_t(headerSize) + size_t(ncolors) * 12;
  const uint32_t bytes = bpp / 8;
  if (stride < width * bytes || b.size() < at + size_t(stride) * height) return false;
  out->Resize(int(width), int(height));
  for (uint32_t y = 0; y < height; ++y) {
    const auto* p = reinterpret_cast<const unsigned char*>(b.data() + at + size_t(y) * stride);
    uint32_t* row = out->row(int(y));
    for (uint32_t x = 0; x < width; ++x, p += bytes) {
      uint32_t v = 0;
      for (uint32_t i = 0; i < bytes; ++i) v |= uint32_t(p[byteOrder == 0 ? i : bytes - 1 - i]) << (8 * i);
      row[x] = 0xFF000000u | (v & 0xFFFFFFu);
    }
  }
  return true;
}

namespace {

// A window may go between listing it and asking about it; that error is no reason to end.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

Display* Open(const std::string& display) {
  XSetErrorHandler(IgnoreXError);
  return XOpenDisplay(display.c_str());
}

// The shown top-level X window of that name, with its place on the screen.
Window FindShown(Display* d, const std::string& name, int* x, int* y, int* width, int* height) {
  Window root = DefaultRootWindow(d), parent = 0, *children = nullptr;
  unsigned count = 0;
  XQueryTree(d, root, &root, &parent, &children, &count);
  Window found = 0;
  for (unsigned i = 0; i < count && !found; ++i) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, children[i], &a) || a.map_state != IsViewable) continue;
    char* title = nullptr;
    if (XFetchName(d, children[i], &title) && title) {
      if (name == title) {
        found = children[i];
        if (x) *x = a.x;
        if (y) *y = a.y;
        if (width) *width = a.width;
        if (height) *height = a.height;
      }
      XFree(title);
    }
  }
  if (children) XFree(children);
  return found;
}

}  // namespace

bool FindWindowNamed(const std::string& display, const std::string& name, int* x, int* y, int* width, int* height) {
  Display* d = Open(display);
  if (!d) return false;
  Window w = FindShown(d, name, x, y, width, height);
  XCloseDisplay(d);
  return w != 0;
}

std::string FocusedWindowName(const std::string& display) {
  Display* d = Open(display);
  if (!d) return "";
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(d, &focus, &revert);
  std::string name;
  // The focus may rest on a child of the top-level window: its named ancestor counts.
  for (int depth = 0; focus > PointerRoot && depth < 8 && name.empty(); ++depth) {
    char* title = nullptr;
    if (XFetchName(d, focus, &title) && title) {
      name = title;
      XFree(title);
      break;
    }
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(d, focus, &root, &parent, &children, &count)) break;
    if (children) XFree(children);
    if (parent == root) break;
    focus = parent;
  }
  XCloseDisplay(d);
  return name;
}

std::vector<RECT> ButtonsIn(const nux::gdi::Surface& screen, const RECT& area) {
  constexpr uint32_t kWhite = 0xFFFFFF;
  auto white = [&](int x, int y) {
    return x >= 0 && y >= 0 && x < screen.width() && y < screen.height() && (screen.at(x, y) & 0xFFFFFF) == kWhite;
  };
  std::vector<RECT> found;
  const int longest = (area.right - area.left) * 6 / 10;
  for (int y = area.top + 2; y < area.bottom - 2; ++y) {
    for (int x = area.left + 2; x < area.right - 2;) {
      if (!white(x, y)) {
        ++x;
        continue;
      }
      int end = x;
      while (end < area.right && white(end, y)) ++end;
      int down = y;
      while (down < area.bottom && white(x, down)) ++down;
      RECT r{x, y, end, down};
      bool known = false;
      for (const RECT& f : found) known = known || (r.left < f.right && f.left < r.right && r.top <= f.bottom + 2);
      if (!known && end - x >= 20 && end - x <= longest && down - y >= 8) found.push_back(r);
      x = end;
    }
  }
  std::sort(found.begin(), found.end(), [](const RECT& a, const RECT& b) { return a.left < b.left; });
  return found;
}

bool ReadCursorImage(const std::string& display, nux::gdi::Surface* out, int* hotX, int* hotY) {
  Display* d = Open(display);
  if (!d) return false;
  int event = 0, error = 0;
  XFixesCursorImage* image = XFixesQueryExtension(d, &event, &error) ? XFixesGetCursorImage(d) : nullptr;
  if (image) {
    out->Resize(image->width, image->height);
    for (int y = 0; y < image->height; ++y)
      for (int x = 0; x < image->width; ++x)
        out->row(y)[x] = uint32_t(image->pixels[size_t(y) * image->width + x]);
    *hotX = image->xhot;
    *hotY = image->yhot;
    XFree(image);
  }
  XCloseDisplay(d);
  return image != nullptr;
}

// Does `act` to the shown top-level window of that title; false when there is none.
static bool ActOnWindowNamed(const std::string& display, const std::string& name, void (*act)(Display*, Window, int, int),
                      int x = 0, int y = 0) {
  Display* d = Open(display);
  if (!d) return false;
  Window target = FindShown(d, name, nullptr, nullptr, nullptr, nullptr);
  if (target) {
    act(d, target, x, y);
    XSync(d, False);
  }
  XCloseDisplay(d);
  return target != 0;
}

bool FocusWindowNamed(const std::string& display, const std::string& name) {
  return ActOnWindowNamed(display, name, [](Display* d, Window w, int, int) {
    XSetInputFocus(d, w, RevertToParent, CurrentTime);
  });
}

bool MoveWindowNamed(const std::string& display, const std::string& name, int x, int y) {
  return ActOnWindowNamed(display, name, [](Display* d, Window w, int x, int y) { XMoveWindow(d, w, x, y); }, x, y);
}

ForeignWindow::ForeignWindow(const std::string& display, const std::string& name, int x, int y, int width,
                             int height) {
  display_ = Open(display);
  if (!display_) return;
  Window w = XCreateSimpleWindow(display_, DefaultRootWindow(display_), x, y, unsigned(width), unsigned(height), 0, 0,
                                 WhitePixel(display_, DefaultScreen(display_)));
  XStoreName(display_, w, name.c_str());
  XSelectInput(display_, w, StructureNotifyMask);
  XMapWindow(display_, w);
  // Shown once the server says so (bounded).
  auto deadline = Clock::now() + std::chrono::seconds(10);
  bool mapped = false;
  while (!mapped && Clock::now() < deadline) {
    while (XPending(display_)) {
      XEvent e;
      XNextEvent(display_, &e);
      mapped = mapped || (e.type == MapNotify && e.xmap.window == w);
    }
    if (!mapped) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (mapped) {
    window_ = w;
  } else {
    XDestroyWindow(display_, w);
    XSync(display_, False);
  }
}

ForeignWindow::~ForeignWindow() {
  if (!display_) return;
  if (window_) XDestroyWindow(display_, window_);
  XCloseDisplay(display_);
}

bool ForeignWindow::TakeFocus() {
  if (!window_) return false;
  XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
  XSync(display_, False);
  return true;
}

bool SendDeleteWindow(const std::string& display, const std::string& name) {
  Display* d = Open(display);
  if (!d) return false;
  Window target = FindShown(d, name, nullptr, nullptr, nullptr, nullptr);
  if (target) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = target;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = long(XInternAtom(d, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, target, False, NoEventMask, &e);
    XFlush(d);
  }
  XCloseDisplay(d);
  return target != 0;
}

bool AddGermanKeys(const std::string& display) {
  Display* d = XOpenDisplay(display.c_str());
  if (!d) return false;
  int low = 0, high = 0;
  XDisplayKeycodes(d, &low, &high);
  int per = 0;
  KeySym* map = XGetKeyboardMapping(d, KeyCode(low), high - low + 1, &per);
  const char* pairs[][2] = {{"adiaeresis", "Adiaeresis"}, {"odiaeresis", "Odiaeresis"},
                            {"udiaeresis", "Udiaeresis"}, {"ssharp", "ssharp"}};
  size_t next = 0;
  for (int code = high; code >= low && next < 4 && map; --code) {
    bool free = true;
    for (int i = 0; i < per; ++i) free = free && map[(code - low) * per + i] == NoSymbol;
    if (!free) continue;
    KeySym syms[2] = {XStringToKeysym(pairs[next][0]), XStringToKeysym(pairs[next][1])};
    XChangeKeyboardMapping(d, code, 2, syms, 1);
    ++next;
  }
  if (map) XFree(map);
  XSync(d, False);
  XCloseDisplay(d);
  return next == 4;
}

}  // namespace screentest
