// The three controls: image button, check box and image, and their class registrations.
#include <algorithm>

#include "com/controlreg.h"
#include "controls/controls.h"
#include "controls/zrcontrol.h"
#include "gdi/gdi.h"
#include "ui/sysparams.h"

namespace nux::controls {

const CLSID CLSID_ZrImage = {0x6B1D3C2A, 0x59E4, 0x4F0B, {0x9A, 0x7C, 0x2D, 0x8E, 0x4B, 0x1F, 0x0A, 0x36}};
const CLSID CLSID_ZrImageButton = {0x6B1D3C2B, 0x59E4, 0x4F0B, {0x9A, 0x7C, 0x2D, 0x8E, 0x4B, 0x1F, 0x0A, 0x36}};
const CLSID CLSID_ZrCheckbox = {0x6B1D3C2C, 0x59E4, 0x4F0B, {0x9A, 0x7C, 0x2D, 0x8E, 0x4B, 0x1F, 0x0A, 0x36}};
const IID DIID_ZrImageEvents = {0x6B1D3C3A, 0x59E4, 0x4F0B, {0x9A, 0x7C, 0x2D, 0x8E, 0x4B, 0x1F, 0x0A, 0x36}};
const IID DIID_ZrImageButtonEvents = {0x6B1D3C3B, 0x59E4, 0x4F0B, {0x9A, 0x7C, 0x2D, 0x8E, 0x4B, 0x1F, 0x0A, 0x36}};
const IID DIID_ZrCheckboxEvents = {0x6B1D3C3C, 0x59E4, 0x4F0B, {0x9A, 0x7C, 0x2D, 0x8E, 0x4B, 0x1F, 0x0A, 0x36}};

namespace detail {
namespace {

class ZrImageButton final : public ZrControl {
 public:
  ZrImageButton() : ZrControl(DIID_ZrImageButtonEvents) {}

 protected:
  HRESULT Member(DISPID id, WORD flags, DISPPARAMS* params, VARIANT*) override {
    if (id != DISPID_ZR_SETSTATE) return DISP_E_MEMBERNOTFOUND;
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    VARIANT v;
    if (!Argument(params, VT_I2, &v)) return params->cArgs != 1 ? DISP_E_BADPARAMCOUNT : DISP_E_TYPEMISMATCH;
    if (state_ != v.iVal) {
      state_ = v.iVal;
      Redraw();
    }
    return S_OK;
  }
  void Paint(HDC dc, const RECT& client) override {
    const Look look = CurrentLook();
    if (!HasPicture()) {
      DrawFace(dc, client, client, look);
      return;
    }
    DrawFrame(dc, FrameOfLook(look, 0, FrameCount(client)), FrameCount(client), true);
  }
  bool Available() const override { return state_ != 0; }
  BOOL OnClicked() override { return state_ != 0; }

 private:
  short state_ = 1;
};

class ZrCheckbox final : public ZrControl {
 public:
  ZrCheckbox() : ZrControl(DIID_ZrCheckboxEvents) {}

 protected:
  HRESULT Member(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result) override {
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    if (id == DISPID_ZR_GETCHECK) {
      if (result) {
        VariantInit(result);
        result->vt = VT_BOOL;
        result->boolVal = checked_ ? VARIANT_TRUE : VARIANT_FALSE;
      }
      return S_OK;
    }
    if (id != DISPID_ZR_SETCHECK) return DISP_E_MEMBERNOTFOUND;
    VARIANT v;
    if (!Argument(params, VT_I2, &v)) return params->cArgs != 1 ? DISP_E_BADPARAMCOUNT : DISP_E_TYPEMISMATCH;
    bool checked = v.iVal != 0;
    if (checked != checked_) {
      checked_ = checked;
      Redraw();
    }
    return S_OK;
  }
  void Paint(HDC dc, const RECT& client) override {
    const Look look = CurrentLook();
    if (!HasPicture()) {
      // A box at the left with a tick when checked, the caption beside it.
      const int size = std::min<int>(client.bottom - client.top - 4, 13);
      RECT box{client.left + 3, (client.top + client.bottom - size) / 2, 0, 0};
      box.right = box.left + size;
      box.bottom = box.top + size;
      RECT text = client;
      text.left = size > 0 ? box.right + 2 : client.left;
      DrawFace(dc, client, text, look);
      if (size < 5) return;
      HBRUSH well = CreateSolidBrush(GetSysColor(look == kUnavailable ? COLOR_BTNFACE : COLOR_WINDOW));
      FillRect(dc, &box, well);
      DeleteObject(well);
      HBRUSH edge = CreateSolidBrush(GetSysColor(COLOR_BTNSHADOW));
      FrameRect(dc, &box, edge);
      DeleteObject(edge);
      if (checked_) {
        const int s = size - 4;
        const int x = box.left + 2, y = box.top + 2;
        POINT tick[] = {{x, y + s / 2}, {x + s / 3, y + s - 1}, {x + s, y - 1}};
        HPEN pen = CreatePen(PS_SOLID, size >= 11 ? 2 : 1,
                             GetSysColor(look == kUnavailable ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT));
        HGDIOBJ old = SelectObject(dc, pen);
        Polyline(dc, tick, 3);
        SelectObject(dc, old);
        DeleteObject(pen);
      }
      return;
    }
    const int count = FrameCount(client);
    const int looks = count >= 2 ? count / 2 : 1;
    DrawFrame(dc, FrameOfLook(look, checked_ && count >= 2 ? looks : 0, looks), count, true);
  }
  BOOL OnClicked() override {
    checked_ = !checked_;
    Redraw();
    return TRUE;
  }

 private:
  bool checked_ = false;
};

class ZrImage final : public ZrControl {
 public:
  ZrImage() : ZrControl(DIID_ZrImageEvents) {}

 protected:
  HRESULT Member(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result) override {
    if (id != DISPID_ZR_PICTURE) return DISP_E_MEMBERNOTFOUND;
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
      VARIANT v;
      if (!Argument(params, VT_BSTR, &v)) return params->cArgs != 1 ? DISP_E_BADPARAMCOUNT : DISP_E_TYPEMISMATCH;
      pictureName_ = v.bstrVal ? v.bstrVal : u"";
      VariantClear(&v);
      LoadPicture(pictureName_);
      Redraw();
      return S_OK;
    }
    if (flags & DISPATCH_PROPERTYGET) {
      if (result) {
        VariantInit(result);
        result->vt = VT_BSTR;
        result->bstrVal = SysAllocString(pictureName_.c_str());
      }
      return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
  }
  void Paint(HDC dc, const RECT&) override { DrawFrame(dc, 0, 1, false); }
  bool Pushable() const override { return false; }
};

template <typename T>
nux::com::ControlInstance Make(const nux::com::ControlSite& site) {
  return ZrControl::Attach(new T, site);
}

}  // namespace
}  // namespace detail

void RegisterControlClasses() {
  struct Entry {
    const CLSID* clsid;
    const char16_t* progId;
    const IID* events;
    nux::com::ControlFactory create;
  };
  const Entry entries[] = {
      {&CLSID_ZrImageButton, kButtonProgId, &DIID_ZrImageButtonEvents, &detail::Make<detail::ZrImageButton>},
      {&CLSID_ZrCheckbox, kCheckboxProgId, &DIID_ZrCheckboxEvents, &detail::Make<detail::ZrCheckbox>},
      {&CLSID_ZrImage, kImageProgId, &DIID_ZrImageEvents, &detail::Make<detail::ZrImage>},
  };
  for (const Entry& e : entries) {
    nux::com::ControlClass cls;
    cls.clsid = *e.clsid;
    cls.progId = e.progId;
    cls.eventsIid = *e.events;
    cls.create = e.create;
    nux::com::RegisterControlClass(cls);
  }
}

namespace {
// The control library is part of the platform: its classes are there as soon as it loads.
struct RegisterAtLoad {
  RegisterAtLoad() { RegisterControlClasses(); }
} g_registerAtLoad;
}  // namespace

}  // namespace nux::controls
