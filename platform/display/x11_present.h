// Presenting a window's pixels straight to its X window. Kept apart from the window system's
// headers, whose names the X headers would clash with.
//
// The pixels go through an X shared-memory image (MIT-SHM) when the server offers it and can
// reach this process's memory, else through an ordinary image sent over the connection. The
// platform's pixels (0xAARRGGBB, rows top-down) are the server's own where the window's visual
// is 24-bit true colour with 32 bits a pixel in this machine's byte order, as X servers on PCs
// use; other visuals get no presenter and go through SDL's surface, which converts.
//
// A top-level window's own pixels lie in shared memory where they can: a present is then the
// server's copy alone, and drawing into the window waits only until the server has read them.
// Elsewhere they are copied into an image of the presenter's. A put is not waited for: the
// image is written again only once the server said it finished reading it (its completion
// event), so a window presented at every frame costs no round trip.
// All calls happen under the screen backend's lock, on the connection SDL uses for the window,
// so the server sees the puts in order with SDL's own requests (map, move, size).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

struct SDL_Window;

namespace nux::gdi {
class PixelMemory;
}

namespace nux::display {

struct X11Presenter;

// A presenter for a display window, or null where the window is no X11 window or its visual
// does not take the platform's pixels as they are.
X11Presenter* MakeX11Presenter(SDL_Window* window);
// Frees it; call before the display window is destroyed.
void FreeX11Presenter(X11Presenter* p);

// The image to write `width` x `height` pixels into (rows `*pitch` bytes apart), once the
// server has finished reading it; null when no image of that size can be made.
uint32_t* X11Buffer(X11Presenter* p, int width, int height, int* pitch);
// Puts the rectangle (x, y, cx, cy) of the image written at the same place of the window.
void X11Put(X11Presenter* p, int x, int y, int cx, int cy);
// Waits (at most a second) until the server has finished every put of this presenter, so
// that its pixels are on the screen for any other client that reads them.
void X11Finish(X11Presenter* p);
// Puts the rectangle (x, y, cx, cy) of a window's own pixels (`width` x `height`, rows
// top-down) when they lie in memory MakeX11PixelMemory made and the server takes it: no copy.
// False where it cannot; the pixels are then copied through X11Buffer and X11Put.
bool X11PutPixels(X11Presenter* p, nux::gdi::PixelMemory* pixels, int width, int height, int x, int y, int cx,
                  int cy);
// Shared memory for `count` pixels that the server can read a window's pixels from, or null
// (not sharing, or the system has none to give). Drawing into it waits (at most a second)
// until the server has finished reading the puts made from it.
std::unique_ptr<nux::gdi::PixelMemory> MakeX11PixelMemory(size_t count);
// Whether MakeX11PixelMemory gives memory (on while an X11 screen is open; off for good on a
// server that refused it).
void X11SharePixels(bool on);
// Watches SDL's events for the X events that say a put has finished (whoever reads them from
// the connection). Once for the process.
void WatchX11Completions();

}  // namespace nux::display
