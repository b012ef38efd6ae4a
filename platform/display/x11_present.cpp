// Presenting to X windows through shared-memory images; see x11_present.h.
#include <SDL.h>
#include <SDL_syswm.h>

#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <vector>

#include "display/x11_present.h"
#include "gdi/surface.h"

#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#endif

namespace nux::display {

#if defined(SDL_VIDEO_DRIVER_X11)

// One shared-memory segment holding a top-level window's pixels, which the server reads from
// where the window system draws them.
struct SharedBlock {
  int shmid = -1;
  void* addr = nullptr;
  std::mutex m;            // guards the attachment against a writer waiting on it
  Display* dpy = nullptr;  // the connection it is attached on; null: not attached
  ShmSeg seg = 0;
  int completion = -1;
  std::atomic<int> pending{0};  // puts from it the server has not yet finished
  ~SharedBlock() {
    if (addr) shmdt(addr);
  }
};

struct X11Presenter {
  Display* dpy = nullptr;
  Window window = 0;
  GC gc = nullptr;
  Visual* visual = nullptr;
  int depth = 0;
  XImage* image = nullptr;
  bool shared = false;       // the image lies in a shared-memory segment
  XShmSegmentInfo shm{};
  std::vector<uint32_t> heap;  // the image's pixels without shared memory
  int width = 0, height = 0;
  int completion = -1;            // the event type that says a put has finished
  std::atomic<bool> busy{false};  // the server has not yet finished the last put
  // The window's own pixels, when they lie in shared memory: put from there, with no copy.
  std::shared_ptr<SharedBlock> block;
  XImage* blockImage = nullptr;
  XShmSegmentInfo blockInfo{};
  int blockWidth = 0, blockHeight = 0;
};

namespace {

// What a connection offers: learnt once for each display connection.
struct Connection {
  Display* dpy = nullptr;
  bool shm = false;  // shared-memory images work on it
  int completion = -1;  // the event type of a finished put
  int opcode = -1;      // the extension's requests
};

// The connections and the presenters: the presenters' list is read by SDL's event watch.
std::mutex& Registry() {
  static auto* m = new std::mutex();
  return *m;
}
std::deque<Connection>& Connections() {
  static auto* v = new std::deque<Connection>();
  return *v;
}
std::vector<X11Presenter*>& Presenters() {
  static auto* v = new std::vector<X11Presenter*>();
  return *v;
}

std::vector<SharedBlock*>& AttachedBlocks() {
  static auto* v = new std::vector<SharedBlock*>();
  return *v;
}

std::atomic<bool> g_sharing{false};  // new window pixels go into shared memory

Connection* ConnectionOf(Display* dpy) {
  for (Connection& c : Connections())
    if (c.dpy == dpy) return &c;
  Connection c;
  c.dpy = dpy;
  int event = 0, error = 0;
  if (XShmQueryExtension(dpy) && XQueryExtension(dpy, "MIT-SHM", &c.opcode, &event, &error)) {
    c.shm = true;
    c.completion = XShmGetEventBase(dpy) + ShmCompletion;
  }
  Connections().push_back(c);
  return &Connections().back();
}

// An attach the server refuses (a server on another machine, or one that cannot reach this
// process's memory) is an X error; it is caught here instead of ending the program, as
// Xlib's own handler would.
std::atomic<bool> g_refused{false};
int g_trapOpcode = -1;
int (*g_previousHandler)(Display*, XErrorEvent*) = nullptr;

int TrapShmError(Display* dpy, XErrorEvent* e) {
  if (e->request_code == g_trapOpcode) {
    g_refused = true;
    return 0;
  }
  return g_previousHandler ? g_previousHandler(dpy, e) : 0;
}

// The platform's pixels are the image's as they are: 32 bits a pixel in this machine's byte
// order, red, green and blue in the low three bytes.
bool TakesOurPixels(const XImage* img) {
  const int ours = (SDL_BYTEORDER == SDL_LIL_ENDIAN) ? LSBFirst : MSBFirst;
  return img->bits_per_pixel == 32 && img->byte_order == ours && img->red_mask == 0xFF0000 &&
         img->green_mask == 0xFF00 && img->blue_mask == 0xFF;
}

void DropImage(X11Presenter* p) {
  if (!p->image) return;
  if (p->shared) {
    // The server lets go of the segment once it has read what it was given; the segment
    // itself was marked for removal when attached, so it goes with the last user.
    XShmDetach(p->dpy, &p->shm);
    shmdt(p->shm.shmaddr);
    p->shm = XShmSegmentInfo{};
  }
  p->image->data = nullptr;  // the pixels are not Xlib's to free
  XDestroyImage(p->image);
  p->image = nullptr;
  p->shared = false;
  p->heap.clear();
  p->heap.shrink_to_fit();
  p->width = p->height = 0;
  p->busy = false;
}

bool MakeSharedImage(X11Presenter* p, Connection* c, int width, int height) {
  XImage* img = XShmCreateImage(p->dpy, p->visual, unsigned(p->depth), ZPixmap, nullptr, &p->shm, unsigned(width),
                                unsigned(height));
  if (!img) return false;
  if (!TakesOurPixels(img)) {
    XDestroyImage(img);
    return false;
  }
  p->shm.shmid = shmget(IPC_PRIVATE, size_t(img->bytes_per_line) * size_t(height), IPC_CREAT | 0600);
  if (p->shm.shmid < 0) {
    XDestroyImage(img);
    return false;
  }
  void* at = shmat(p->shm.shmid, nullptr, 0);
  if (at == reinterpret_cast<void*>(-1)) {
    shmctl(p->shm.shmid, IPC_RMID, nullptr);
    XDestroyImage(img);
    return false;
  }
  p->shm.shmaddr = img->data = static_cast<char*>(at);
  p->shm.readOnly = True;
  g_refused = false;
  g_trapOpcode = c->opcode;
  g_previousHandler = XSetErrorHandler(TrapShmError);
  Status sent = XShmAttach(p->dpy, &p->shm);
  XSync(p->dpy, False);
  XSetErrorHandler(g_previousHandler);
  g_trapOpcode = -1;
  // Attached or not, the segment goes once nobody uses it any more.
  shmctl(p->shm.shmid, IPC_RMID, nullptr);
  if (!sent || g_refused) {
    shmdt(at);
    img->data = nullptr;
    XDestroyImage(img);
    p->shm = XShmSegmentInfo{};
    c->shm = false;  // not tried again on this connection
    return false;
  }
  p->image = img;
  p->shared = true;
  return true;
}

bool MakeHeapImage(X11Presenter* p, int width, int height) {
  p->heap.assign(size_t(width) * size_t(height), 0);
  XImage* img = XCreateImage(p->dpy, p->visual, unsigned(p->depth), ZPixmap, 0, reinterpret_cast<char*>(p->heap.data()),
                             unsigned(width), unsigned(height), 32, width * 4);
  if (!img || !TakesOurPixels(img)) {
    if (img) {
      img->data = nullptr;
      XDestroyImage(img);
    }
    p->heap.clear();
    return false;
  }
  p->image = img;
  return true;
}

bool Completes(const X11Presenter* p, const XEvent& e) {
  return p->shared && e.type == p->completion && e.xany.display == p->dpy &&
         reinterpret_cast<const XShmCompletionEvent&>(e).shmseg == p->shm.shmseg;
}

Bool IsCompletionOf(Display*, XEvent* e, XPointer arg) {
  return Completes(reinterpret_cast<const X11Presenter*>(arg), *e) ? True : False;
}

bool CompletesBlock(const SharedBlock* b, const XEvent& e) {
  return b->dpy && e.type == b->completion && e.xany.display == b->dpy &&
         reinterpret_cast<const XShmCompletionEvent&>(e).shmseg == b->seg;
}

Bool IsCompletionOfBlock(Display*, XEvent* e, XPointer arg) {
  return CompletesBlock(reinterpret_cast<const SharedBlock*>(arg), *e) ? True : False;
}

// One put of the block finished (a late completion after a wait gave up counts for nothing).
void Finished(SharedBlock* b) {
  int n = b->pending.load();
  while (n > 0 && !b->pending.compare_exchange_weak(n, n - 1)) {
  }
}

// Waits (at most a second) until the server has finished every put from the block, taking
// its completions out of what the connection has (reading what has arrived and sending what
// is buffered). Xlib locks the connection for each call, so any thread may wait here.
void WaitBlock(SharedBlock* b) {
  if (b->pending.load() <= 0) return;
  std::lock_guard<std::mutex> g(b->m);
  if (!b->dpy) {
    b->pending = 0;
    return;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  for (;;) {
    XEvent e;
    while (b->pending.load() > 0 && XCheckIfEvent(b->dpy, &e, IsCompletionOfBlock, reinterpret_cast<XPointer>(b)))
      Finished(b);
    if (b->pending.load() <= 0) return;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      // A server this slow gets drawn over; at worst it shows a mix of two pictures.
      b->pending = 0;
      return;
    }
    // Short waits: a thread pumping SDL's events may read the completion instead, and the
    // event watch counts it then.
    pollfd fd{ConnectionNumber(b->dpy), POLLIN, 0};
    poll(&fd, 1, int(std::min<long long>(left.count() + 1, 5)));
  }
}

// A window's pixels in a shared-memory segment.
class SharedPixels final : public nux::gdi::PixelMemory {
 public:
  explicit SharedPixels(std::shared_ptr<SharedBlock> b) : block_(std::move(b)) {}
  uint32_t* data() override { return static_cast<uint32_t*>(block_->addr); }
  std::unique_ptr<nux::gdi::PixelMemory> Make(size_t count) override { return MakeX11PixelMemory(count); }
  void BeforeWrite() override { WaitBlock(block_.get()); }
  const std::shared_ptr<SharedBlock>& block() const { return block_; }

 private:
  std::shared_ptr<SharedBlock> block_;
};

// Lets go of the block the presenter puts from. The server reads what it was given before it
// takes the detach, and the memory stays until its last holder lets go.
void DetachBlock(X11Presenter* p) {
  if (!p->block) return;
  {
    // Out of the event watch's sight first: it reads the attachment of the blocks listed.
    std::lock_guard<std::mutex> g(Registry());
    auto& all = AttachedBlocks();
    all.erase(std::remove(all.begin(), all.end(), p->block.get()), all.end());
  }
  {
    std::lock_guard<std::mutex> g(p->block->m);
    p->block->dpy = nullptr;
    p->block->pending = 0;
  }
  XShmDetach(p->dpy, &p->blockInfo);
  p->blockImage->data = nullptr;  // the pixels are the surface's
  XDestroyImage(p->blockImage);
  p->blockImage = nullptr;
  p->blockInfo = XShmSegmentInfo{};
  p->block.reset();
  p->blockWidth = p->blockHeight = 0;
}

// Attaches a window's pixels on the presenter's connection; false where the server does not
// take them (then they are copied into the presenter's own image).
bool AttachBlock(X11Presenter* p, Connection* c, const std::shared_ptr<SharedBlock>& b, int width, int height) {
  if (b->dpy) return false;  // attached by another presenter: never two at once
  // The image keeps a pointer to its segment's description: it lives in the presenter.
  XShmSegmentInfo& info = p->blockInfo;
  info = XShmSegmentInfo{};
  XImage* img = XShmCreateImage(p->dpy, p->visual, unsigned(p->depth), ZPixmap, nullptr, &info, unsigned(width),
                                unsigned(height));
  if (!img) return false;
  if (!TakesOurPixels(img) || img->bytes_per_line != width * 4) {
    XDestroyImage(img);
    info = XShmSegmentInfo{};
    return false;
  }
  info.shmid = b->shmid;
  info.shmaddr = img->data = static_cast<char*>(b->addr);
  info.readOnly = True;
  g_refused = false;
  g_trapOpcode = c->opcode;
  g_previousHandler = XSetErrorHandler(TrapShmError);
  Status sent = XShmAttach(p->dpy, &info);
  XSync(p->dpy, False);
  XSetErrorHandler(g_previousHandler);
  g_trapOpcode = -1;
  if (!sent || g_refused) {
    img->data = nullptr;
    XDestroyImage(img);
    info = XShmSegmentInfo{};
    c->shm = false;  // not tried again on this connection
    g_sharing = false;
    return false;
  }
  {
    std::lock_guard<std::mutex> g(b->m);
    b->dpy = p->dpy;
    b->seg = info.shmseg;
    b->completion = c->completion;
    b->pending = 0;
  }
  {
    std::lock_guard<std::mutex> g(Registry());
    AttachedBlocks().push_back(b.get());
  }
  p->block = b;
  p->blockImage = img;
  p->blockWidth = width;
  p->blockHeight = height;
  return true;
}

// SDL reads the connection too; a completion it reads is seen here as it passes.
int SDLCALL WatchCompletion(void*, SDL_Event* e) {
  if (e->type != SDL_SYSWMEVENT || !e->syswm.msg || e->syswm.msg->subsystem != SDL_SYSWM_X11) return 1;
  const XEvent& xe = e->syswm.msg->msg.x11.event;
  std::lock_guard<std::mutex> g(Registry());
  for (X11Presenter* p : Presenters())
    if (Completes(p, xe)) p->busy = false;
  for (SharedBlock* b : AttachedBlocks())
    if (CompletesBlock(b, xe)) Finished(b);
  return 1;
}

}  // namespace

X11Presenter* MakeX11Presenter(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return nullptr;
  Display* dpy = info.info.x11.display;
  XWindowAttributes a;
  // SDL picks a direct-colour visual where there is one and gives it an identity colour map,
  // so a pixel means the same there as in true colour.
  if (!XGetWindowAttributes(dpy, info.info.x11.window, &a) || !a.visual ||
      (a.visual->c_class != TrueColor && a.visual->c_class != DirectColor) ||
      a.visual->red_mask != 0xFF0000 || a.visual->green_mask != 0xFF00 || a.visual->blue_mask != 0xFF)
    return nullptr;
  auto* p = new X11Presenter();
  p->dpy = dpy;
  p->window = info.info.x11.window;
  p->visual = a.visual;
  p->depth = a.depth;
  XGCValues values{};
  values.graphics_exposures = False;
  p->gc = XCreateGC(dpy, p->window, GCGraphicsExposures, &values);
  std::lock_guard<std::mutex> g(Registry());
  p->completion = ConnectionOf(dpy)->completion;
  Presenters().push_back(p);
  return p;
}

void FreeX11Presenter(X11Presenter* p) {
  if (!p) return;
  {
    std::lock_guard<std::mutex> g(Registry());
    auto& all = Presenters();
    all.erase(std::remove(all.begin(), all.end(), p), all.end());
  }
  DetachBlock(p);
  DropImage(p);
  XFreeGC(p->dpy, p->gc);
  delete p;
}

void X11Finish(X11Presenter* p) {
  if (!p) return;
  if (p->block) WaitBlock(p->block.get());
  if (!p->busy) return;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  for (;;) {
    // Takes the completion out of what the connection has (reading what has arrived and
    // sending what is buffered), else waits for the server to say more.
    XEvent e;
    while (XCheckIfEvent(p->dpy, &e, IsCompletionOf, reinterpret_cast<XPointer>(p))) p->busy = false;
    if (!p->busy) return;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      // A server this slow gets the next picture regardless; at worst it shows a mix of two.
      p->busy = false;
      return;
    }
    pollfd fd{ConnectionNumber(p->dpy), POLLIN, 0};
    poll(&fd, 1, int(std::min<long long>(left.count() + 1, 50)));
  }
}

uint32_t* X11Buffer(X11Presenter* p, int width, int height, int* pitch) {
  if (!p || width <= 0 || height <= 0) return nullptr;
  X11Finish(p);
  if (!p->image || p->width != width || p->height != height) {
    DropImage(p);
    Connection* c;
    {
      std::lock_guard<std::mutex> g(Registry());
      c = ConnectionOf(p->dpy);
    }
    if (!(c->shm && MakeSharedImage(p, c, width, height)) && !MakeHeapImage(p, width, height)) return nullptr;
    p->width = width;
    p->height = height;
  }
  *pitch = p->image->bytes_per_line;
  return reinterpret_cast<uint32_t*>(p->image->data);
}

void X11Put(X11Presenter* p, int x, int y, int cx, int cy) {
  if (!p || !p->image) return;
  x = std::max(x, 0), y = std::max(y, 0);
  cx = std::min(cx, p->width - x), cy = std::min(cy, p->height - y);
  if (cx <= 0 || cy <= 0) return;
  if (p->shared) {
    p->busy = true;
    XShmPutImage(p->dpy, p->window, p->gc, p->image, x, y, x, y, unsigned(cx), unsigned(cy), True);
  } else {
    // Xlib has the pixels in its own buffer (or sent) when this returns.
    XPutImage(p->dpy, p->window, p->gc, p->image, x, y, x, y, unsigned(cx), unsigned(cy));
  }
  XFlush(p->dpy);
}

bool X11PutPixels(X11Presenter* p, nux::gdi::PixelMemory* pixels, int width, int height, int x, int y, int cx,
                  int cy) {
  auto* shared = dynamic_cast<SharedPixels*>(pixels);
  if (!p || !shared || width <= 0 || height <= 0) return false;
  if (p->block != shared->block() || p->blockWidth != width || p->blockHeight != height) {
    DetachBlock(p);
    Connection* c;
    {
      std::lock_guard<std::mutex> g(Registry());
      c = ConnectionOf(p->dpy);
    }
    if (!c->shm || !AttachBlock(p, c, shared->block(), width, height)) return false;
    DropImage(p);  // the copy's image is not needed while the pixels are shared
  }
  x = std::max(x, 0), y = std::max(y, 0);
  cx = std::min(cx, width - x), cy = std::min(cy, height - y);
  if (cx <= 0 || cy <= 0) return true;
  ++p->block->pending;
  XShmPutImage(p->dpy, p->window, p->gc, p->blockImage, x, y, x, y, unsigned(cx), unsigned(cy), True);
  XFlush(p->dpy);
  return true;
}

std::unique_ptr<nux::gdi::PixelMemory> MakeX11PixelMemory(size_t count) {
  // Beyond a gigabyte a window's pixels stay on the heap, as do all once the server said no.
  if (!g_sharing || count == 0 || count > (size_t(1) << 28)) return nullptr;
  auto b = std::make_shared<SharedBlock>();
  b->shmid = shmget(IPC_PRIVATE, count * 4, IPC_CREAT | 0600);
  if (b->shmid < 0) return nullptr;
  void* at = shmat(b->shmid, nullptr, 0);
  // Marked for removal at once, so that no segment outlives the process however it ends; the
  // system still lets the server attach it while this process has it attached.
  shmctl(b->shmid, IPC_RMID, nullptr);
  if (at == reinterpret_cast<void*>(-1)) return nullptr;
  b->addr = at;
  return std::make_unique<SharedPixels>(std::move(b));
}

void X11SharePixels(bool on) { g_sharing = on; }

void WatchX11Completions() {
  SDL_DelEventWatch(WatchCompletion, nullptr);
  SDL_AddEventWatch(WatchCompletion, nullptr);
}

#else  // no X11 in this SDL: every window goes through SDL's surface

struct X11Presenter {};
X11Presenter* MakeX11Presenter(SDL_Window*) { return nullptr; }
void FreeX11Presenter(X11Presenter*) {}
uint32_t* X11Buffer(X11Presenter*, int, int, int*) { return nullptr; }
void X11Put(X11Presenter*, int, int, int, int) {}
void X11Finish(X11Presenter*) {}
bool X11PutPixels(X11Presenter*, nux::gdi::PixelMemory*, int, int, int, int, int, int) { return false; }
std::unique_ptr<nux::gdi::PixelMemory> MakeX11PixelMemory(size_t) { return nullptr; }
void X11SharePixels(bool) {}
void WatchX11Completions() {}

#endif

}  // namespace nux::display
