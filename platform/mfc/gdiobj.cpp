// Drawing-object wrappers: their handle maps and the members that need more than one call.
#include "mfc/gdiobj.h"

#include <cstdlib>
#include <map>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "mfc/dc.h"
#include "mfc/modstate.h"
#include "res/modules.h"
#include "res/resources.h"

IMPLEMENT_DYNCREATE(CGdiObject, CObject)
IMPLEMENT_DYNAMIC(CPen, CGdiObject)
IMPLEMENT_DYNAMIC(CBrush, CGdiObject)
IMPLEMENT_DYNAMIC(CFont, CGdiObject)
IMPLEMENT_DYNAMIC(CBitmap, CGdiObject)
IMPLEMENT_DYNAMIC(CRgn, CGdiObject)
IMPLEMENT_DYNAMIC(CPalette, CGdiObject)

namespace {

std::mutex& MapMutex() {
  static auto* m = new std::mutex;
  return *m;
}
// Wrappers that own (or were attached to) a handle.
std::unordered_map<HGDIOBJ, CGdiObject*>& Permanent() {
  static auto* map = new std::unordered_map<HGDIOBJ, CGdiObject*>;
  return *map;
}

struct TempObjects {
  std::map<std::pair<const CRuntimeClass*, HGDIOBJ>, CGdiObject*> map;
  void Clear() {
    auto old = std::move(map);
    map.clear();
    for (auto& [key, obj] : old) {
      obj->m_hObject = nullptr;
      delete obj;
    }
  }
  ~TempObjects() { Clear(); }
};
thread_local TempObjects t_temps;

template <typename T>
T* FromHandleOf(HGDIOBJ h, CRuntimeClass* cls) {
  if (h == nullptr) return nullptr;
  {
    std::lock_guard<std::mutex> lock(MapMutex());
    auto it = Permanent().find(h);
    if (it != Permanent().end() && it->second->IsKindOf(cls)) return static_cast<T*>(it->second);
  }
  CGdiObject*& slot = t_temps.map[std::make_pair(static_cast<const CRuntimeClass*>(cls), h)];
  if (slot == nullptr) {
    auto* obj = new T;
    obj->m_hObject = h;
    slot = obj;
  }
  return static_cast<T*>(slot);
}

constexpr int kLogPixelsY = 90;

}  // namespace

CGdiObject::~CGdiObject() { DeleteObject(); }

HGDIOBJ CGdiObject::GetSafeHandle() const {
  const CGdiObject* self = this;
  asm volatile("" : "+r"(self));
  return self != nullptr ? self->m_hObject : nullptr;
}

CGdiObject* PASCAL CGdiObject::FromHandle(HGDIOBJ hObject) { return FromHandleOf<CGdiObject>(hObject, RUNTIME_CLASS(CGdiObject)); }
CPen* PASCAL CPen::FromHandle(HPEN hPen) { return FromHandleOf<CPen>(hPen, RUNTIME_CLASS(CPen)); }
CBrush* PASCAL CBrush::FromHandle(HBRUSH hBrush) { return FromHandleOf<CBrush>(hBrush, RUNTIME_CLASS(CBrush)); }
CFont* PASCAL CFont::FromHandle(HFONT hFont) { return FromHandleOf<CFont>(hFont, RUNTIME_CLASS(CFont)); }
CBitmap* PASCAL CBitmap::FromHandle(HBITMAP hBitmap) { return FromHandleOf<CBitmap>(hBitmap, RUNTIME_CLASS(CBitmap)); }
CRgn* PASCAL CRgn::FromHandle(HRGN hRgn) { return FromHandleOf<CRgn>(hRgn, RUNTIME_CLASS(CRgn)); }
CPalette* PASCAL CPalette::FromHandle(HPALETTE hPalette) { return FromHandleOf<CPalette>(hPalette, RUNTIME_CLASS(CPalette)); }

BOOL CGdiObject::Attach(HGDIOBJ hObject) {
  if (hObject == nullptr) return FALSE;
  if (m_hObject != nullptr) DeleteObject();
  m_hObject = hObject;
  std::lock_guard<std::mutex> lock(MapMutex());
  // A stock object may be held by several wrappers; the first one stays in the map.
  Permanent().emplace(hObject, this);
  return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
  HGDIOBJ h = m_hObject;
  if (h != nullptr) {
    std::lock_guard<std::mutex> lock(MapMutex());
    auto it = Permanent().find(h);
    if (it != Permanent().end() && it->second == this) Permanent().erase(it);
  }
  m_hObject = nullptr;
  return h;
}

BOOL CGdiObject::DeleteObject() {
  if (m_hObject == nullptr) return FALSE;
  return ::DeleteObject(Detach());
}

BOOL CBrush::CreatePatternBrush(CBitmap* pBitmap) {
  return Attach(::CreatePatternBrush(pBitmap ? static_cast<HBITMAP>(pBitmap->m_hObject) : nullptr));
}

BOOL CFont::CreatePointFontIndirect(const LOGFONTW* lpLogFont, CDC* pDC) {
  LOGFONTW lf = *lpLogFont;
  HDC hdc = pDC != nullptr ? pDC->m_hAttribDC : ::GetDC(nullptr);
  int dpi = hdc ? ::GetDeviceCaps(hdc, kLogPixelsY) : 96;
  if (dpi <= 0) dpi = 96;
  // lfHeight holds tenths of a point; the font wants pixels of character height.
  lf.lfHeight = -std::abs(::MulDiv(lf.lfHeight, dpi, 720));
  if (pDC == nullptr && hdc != nullptr) ::ReleaseDC(nullptr, hdc);
  return CreateFontIndirect(&lf);
}

BOOL CFont::CreatePointFont(int nPointSize, LPCWSTR lpszFaceName, CDC* pDC) {
  LOGFONTW lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfHeight = nPointSize;
  if (lpszFaceName != nullptr) {
    for (int i = 0; i < LF_FACESIZE - 1 && lpszFaceName[i]; ++i) lf.lfFaceName[i] = lpszFaceName[i];
  }
  return CreatePointFontIndirect(&lf, pDC);
}

BOOL CFont::CreatePointFont(int nPointSize, LPCSTR lpszFaceName, CDC* pDC) {
  std::u16string face = lpszFaceName ? nux::AnsiToWide(lpszFaceName) : std::u16string();
  return CreatePointFont(nPointSize, face.c_str(), pDC);
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight) {
  return Attach(::CreateCompatibleBitmap(pDC ? pDC->m_hDC : nullptr, nWidth, nHeight));
}

BOOL CBitmap::LoadBitmapResource(LPCWSTR lpszResourceName) {
  auto data = nux::res::FindResourceData(AfxGetResourceHandle(), RT_BITMAP, lpszResourceName);
  if (!data || data->size() < sizeof(BITMAPINFOHEADER)) return FALSE;
  // A bitmap resource is a DIB without its file header: the header, the colour table, the bits.
  auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(data->data());
  size_t colors = header->biClrUsed;
  if (colors == 0 && header->biBitCount <= 8) colors = size_t(1) << header->biBitCount;
  size_t offset = header->biSize + colors * 4 + (header->biCompression == 3 /*BI_BITFIELDS*/ ? 12 : 0);
  if (offset > data->size()) return FALSE;
  HDC screen = ::GetDC(nullptr);
  HBITMAP bitmap = ::CreateDIBitmap(screen, header, CBM_INIT, data->data() + offset,
                                    reinterpret_cast<const BITMAPINFO*>(data->data()), DIB_RGB_COLORS);
  ::ReleaseDC(nullptr, screen);
  return Attach(bitmap);
}

BOOL CPalette::CreateHalftonePalette(CDC* pDC) { return Attach(::CreateHalftonePalette(pDC ? pDC->m_hDC : nullptr)); }

namespace nux::afx {

void DeleteTempGdiMaps() {
  t_temps.Clear();
  CDC::DeleteTempMap();
}

}  // namespace nux::afx
