// The three controls: image button, check box and image, and their class registrations.
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
    const bool available = state_ != 0;
    if (!HasPicture()) {
      DrawFace(dc, client, pressed_ && available, !available);
      return;
    }
    DrawFrame(dc, !available ? 2 : pressed_ ? 1 : 0, FrameCount(client));
  }
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
    if (!HasPicture()) {
      DrawFace(dc, client, pressed_, false);
      if (checked_) {
        // A tick in the face's left square.
        int s = client.bottom - client.top;
        RECT box{client.left + 3, client.top + 3, client.left + s - 3, client.bottom - 3};
        HBRUSH mark = CreateSolidBrush(GetSysColor(COLOR_BTNTEXT));
        FillRect(dc, &box, mark);
        DeleteObject(mark);
      }
      return;
    }
    int count = FrameCount(client);
    int frame = (checked_ ? 1 : 0) + (pressed_ ? 2 : 0);
    if (frame >= count) frame = checked_ && count > 1 ? 1 : 0;
    DrawFrame(dc, frame, count);
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
  void Paint(HDC dc, const RECT&) override { DrawFrame(dc, 0, 1); }
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
