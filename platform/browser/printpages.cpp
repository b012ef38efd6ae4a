// Printed pages as pictures: the document laid out at the paper's width inside the margins,
// cut into pages of the paper's height, each with its header and footer.
#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "base/codepage.h"
#include "browser/layout.h"
#include "browser/print.h"
#include "gdi/image.h"

namespace nux::browser {

namespace {

constexpr int kDpi = 96;
constexpr int kPaperWidth = kDpi * 17 / 2;  // 8.5 inches
constexpr int kPaperHeight = kDpi * 11;
constexpr int kMaxPages = 500;

int Pixels(const std::u16string& inches, int fallback) {
  std::string s = nux::ToUtf8(inches);
  char* end = nullptr;
  double v = std::strtod(s.c_str(), &end);
  if (end == s.c_str() || !(v >= 0 && v <= 5)) return fallback;
  return int(v * kDpi + 0.5);
}

void DrawParts(HDC dc, const HeaderParts& parts, RECT line) {
  const UINT base = DT_SINGLELINE | DT_NOPREFIX | DT_VCENTER;
  DrawTextW(dc, parts.left.c_str(), int(parts.left.size()), &line, base | DT_LEFT);
  DrawTextW(dc, parts.centre.c_str(), int(parts.centre.size()), &line, base | DT_CENTER);
  DrawTextW(dc, parts.right.c_str(), int(parts.right.size()), &line, base | DT_RIGHT);
}

}  // namespace

std::vector<std::string> PrintPagePictures(const Document& doc, const PageSetup& setup, const std::string& jobPath) {
  const int left = Pixels(setup.marginLeft, 72), right = Pixels(setup.marginRight, 72);
  const int top = Pixels(setup.marginTop, 72), bottom = Pixels(setup.marginBottom, 72);
  const int width = std::max(kDpi, kPaperWidth - left - right);
  const int height = std::max(kDpi, kPaperHeight - top - bottom);

  PageLayout layout(const_cast<Document*>(&doc));
  LayoutMedia media;
  media.width = width;
  media.height = height;
  media.print = true;
  layout.Update(media);
  const int pages = std::clamp((layout.contentHeight() + height - 1) / height, 1, kMaxPages);

  const std::u16string title = doc.title(), address = doc.url();
  std::string stem = jobPath;
  if (stem.size() > 4 && stem.compare(stem.size() - 4, 4, ".prn") == 0) stem.resize(stem.size() - 4);
  HFONT font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, u"Arial");
  std::vector<std::string> written;
  for (int page = 1; page <= pages; ++page) {
    nux::gdi::Surface paper(kPaperWidth, kPaperHeight);
    paper.Fill(0xFFFFFFFFu);
    HDC dc = nux::gdi::CreateSurfaceDC(&paper, POINT{0, 0}, nullptr);
    layout.Paint(dc, left, top, 0, long(page - 1) * height, RECT{left, top, left + width, top + height}, false);
    HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    DrawParts(dc, ExpandPrintCodes(setup.header, title, address, page, pages), RECT{left, 0, left + width, top});
    DrawParts(dc, ExpandPrintCodes(setup.footer, title, address, page, pages),
              RECT{left, kPaperHeight - bottom, left + width, kPaperHeight});
    SelectObject(dc, old);
    DeleteDC(dc);
    std::string path = stem + "-p" + std::to_string(page) + ".png";
    if (!nux::gdi::WritePng(paper, path)) {
      std::error_code ec;
      for (const std::string& p : written) std::filesystem::remove(p, ec);
      written.clear();
      break;
    }
    written.push_back(path);
  }
  DeleteObject(font);
  return written;
}

}  // namespace nux::browser
