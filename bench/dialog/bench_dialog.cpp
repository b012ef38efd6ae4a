// A full repaint of an 800 x 600 dialog whose background image is stretched over its client
// area (invalidate, erase with the image, paint the controls), measured side by side with a
// memcpy of the same number of pixel bytes (800 x 600 x 4). Goal: at most 4x the copy; the
// program exits non-zero when it is missed. Three image sizes: the same size (a plain copy), an
// integer enlargement (400 x 300) and an uneven one (640 x 480, every pixel a blend of up to
// four).
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "Dib.h"
#include "NUXDialog.h"
#include "bench_root.h"
#include "fs/root.h"
#include "mfc/afxwin.h"
#include "testing/testing.h"

namespace {

constexpr int kW = 800, kH = 600;

// The engine's configuration is built while the program loads: a root of its own first.
__attribute__((init_priority(101))) benchroot::EarlyRoot g_root("dialog");

// Processor time of the calling thread: on a busy machine the wall clock also counts the time
// other programs had the processor, which would make the figures depend on them.
double ThreadSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double Seconds(const std::function<void()>& action) {
  const double start = ThreadSeconds();
  action();
  return ThreadSeconds() - start;
}

double Best(int repeat, const std::function<void()>& action) {
  double best = 1e30;
  for (int run = 0; run < 7; ++run)
    best = std::min(best, Seconds([&] {
                      for (int i = 0; i < repeat; ++i) action();
                    }) / repeat);
  return best;
}

// The dialog: its background image stretched over the whole client area, as a skinned window
// paints its centre.
class CBackDlg : public CNUXDialog {
 public:
  CBackDlg() : CNUXDialog(400, nullptr) {}
  CDib image;

 protected:
  afx_msg BOOL OnEraseBkgnd(CDC* pDC) {
    RECT rc;
    GetClientRect(&rc);
    image.StretchDrawRect(pDC, rc, RECT{0, 0, image.GetWidth(), image.GetHeight()}, SRCCOPY);
    return TRUE;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBackDlg, CNUXDialog)
  ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

// A picture of w x h: a gradient with a pattern, so no two neighbours are alike.
void MakeImage(CDib& dib, int w, int h) {
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bm = CreateCompatibleBitmap(screen, w, h);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(mem, bm);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) SetPixelV(mem, x, y, RGB(x * 255 / w, y * 255 / h, (x * 7 + y * 13) & 0xFF));
  SelectObject(mem, old);
  DeleteDC(mem);
  dib.CreateFromBitmap(bm, nullptr);
  DeleteObject(bm);
}

}  // namespace

int main() {
  nux::testing::UseVirtualClock(true);
  std::vector<uint8_t> a(static_cast<size_t>(kW) * kH * 4, 1), b(a.size(), 2);
  const double copy = Best(50, [&] {
    std::memcpy(b.data(), a.data(), a.size());
    a[0] = b[1];
  });
  std::printf("%-58s %8.1f us\n", "memcpy of 800 x 600 x 4 bytes", copy * 1e6);

  bool ok = true;
  for (auto size : {std::pair{800, 600}, std::pair{400, 300}, std::pair{640, 480}}) {
    CBackDlg dlg;
    MakeImage(dlg.image, size.first, size.second);
    if (!dlg.CreateInRect(nullptr, 0, 0, kW, kH)) {
      std::printf("the dialog could not be made\n");
      return 1;
    }
    dlg.ShowNow();
    nux::testing::PumpMessages();
    const double repaint = Best(20, [&] {
      dlg.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    });
    const double ratio = repaint / copy;
    const bool met = ratio <= 4;
    ok &= met;
    char label[96];
    std::snprintf(label, sizeof label, "repaint 800 x 600 dialog, background %d x %d stretched", size.first,
                  size.second);
    std::printf("%-58s %8.1f us  %5.2fx memcpy (goal <= 4x)  %s\n", label, repaint * 1e6, ratio,
                met ? "ok" : "MISSED");
    dlg.DestroyWindow();
  }
  return ok ? 0 : 1;
}
