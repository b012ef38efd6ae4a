// The shared part of the maker's controls: the COM object with its dispatch interface and
// event connection point, the child window, mouse handling that fires the standard events,
// and picture strips.
#pragma once

#include <string>

#include "com/connpt.h"
#include "com/controlreg.h"
#include "controls/controls.h"
#include "gdi/surface.h"
#include "ui/window.h"

namespace nux::controls::detail {

class ZrControl : public IDispatch {
 public:
  explicit ZrControl(const IID& eventsIid);
  ZrControl(const ZrControl&) = delete;
  ZrControl& operator=(const ZrControl&) = delete;

  // Makes the control's window in the site; {nullptr, nullptr} when it cannot.
  static nux::com::ControlInstance Attach(ZrControl* control, const nux::com::ControlSite& site);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* info, UINT* argErr) override;

 protected:
  virtual ~ZrControl();
  // One dispatch member; DISP_E_MEMBERNOTFOUND for ids the control does not have.
  virtual HRESULT Member(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result) = 0;
  // Paints the whole client area.
  virtual void Paint(HDC dc, const RECT& client) = 0;
  // A left press and release inside: FALSE when no Click is to be fired.
  virtual BOOL OnClicked() { return TRUE; }

  // The single argument of a method or property put as the given type; false when missing or
  // not convertible.
  static bool Argument(DISPPARAMS* params, VARTYPE vt, VARIANT* out);
  // Loads a picture file (a Windows path); an empty or unreadable one leaves no picture.
  bool LoadPicture(const std::u16string& path);
  bool HasPicture() const { return !picture_.empty(); }
  const nux::gdi::Surface& Picture() const { return picture_; }
  // Frame n of a strip of `count` frames side by side, drawn at its own size at (0, 0).
  void DrawFrame(HDC dc, int n, int count);
  // Frames of the strip for a control of the client's width.
  int FrameCount(const RECT& client) const;
  // A plain face: filled, framed, sunken while pressed, its window text centred.
  void DrawFace(HDC dc, const RECT& client, bool pressed, bool dim);
  void Redraw();

  HWND window_ = nullptr;
  bool pressed_ = false;  // the left button went down here and is held
  std::u16string pictureName_;

 private:
  static LRESULT CALLBACK WndProc(HWND h, UINT msg, WPARAM w, LPARAM l);
  LRESULT Handle(UINT msg, WPARAM w, LPARAM l);
  void FireMouse(DISPID id, short button, WPARAM keys, LPARAM l);

  nux::com::EventSource events_;
  nux::gdi::Surface picture_;  // premultiplied alpha
  ULONG refs_ = 1;
};

}  // namespace nux::controls::detail
