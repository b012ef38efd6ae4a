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
  // The looks of a button or check box, in the order of their frames in a strip.
  enum Look { kNormal = 0, kHot = 1, kPressed = 2, kUnavailable = 3 };

  virtual ~ZrControl();
  // One dispatch member; DISP_E_MEMBERNOTFOUND for ids the control does not have.
  virtual HRESULT Member(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result) = 0;
  // Paints the whole client area.
  virtual void Paint(HDC dc, const RECT& client) = 0;
  // A left press and release inside (or Space): FALSE when no Click is to be fired.
  virtual BOOL OnClicked() { return TRUE; }
  // Whether the control answers the pointer and Space with looks and clicks (the image only
  // fires the mouse events).
  virtual bool Pushable() const { return true; }
  // Whether the action behind the control can be taken (the button's state 1).
  virtual bool Available() const { return true; }

  // The single argument of a method or property put as the given type; false when missing or
  // not convertible.
  static bool Argument(DISPPARAMS* params, VARTYPE vt, VARIANT* out);
  // Loads a picture through the picture source; an empty or unreadable one leaves no picture.
  bool LoadPicture(const std::u16string& name);
  bool HasPicture() const { return !picture_.empty(); }
  const nux::gdi::Surface& Picture() const { return picture_; }
  // Frame n of a strip of `count` frames side by side, drawn at (0, 0) at its own size, or
  // stretched over the whole control with `fit`.
  void DrawFrame(HDC dc, int n, int count, bool fit);
  // Frames of the strip for a control of the client's width.
  int FrameCount(const RECT& client) const;
  // The look to show now.
  Look CurrentLook() const;
  // Frame of `look` in a strip of `count` frames holding `looks` looks from frame `first`.
  static int FrameOfLook(Look look, int first, int looks);
  // A plain face: filled, framed (lighter when hot), sunken while pressed, its caption centred
  // in `text` (dimmed when unavailable).
  void DrawFace(HDC dc, const RECT& client, const RECT& text, Look look);
  // The focus look over what is drawn, while the control has the focus.
  void DrawFocus(HDC dc, const RECT& client);
  void Redraw();
  // Repaints at once: the hot and pressed looks follow the pointer without waiting for a pump.
  void RedrawNow();

  HWND window_ = nullptr;
  bool pressed_ = false;    // the left button went down here and is held
  bool inside_ = false;     // while pressed: the pointer is over the control
  bool hot_ = false;        // the pointer is over the control (leave tracking in force)
  bool keyPressed_ = false; // Space went down while focused and is held
  bool focused_ = false;
  std::u16string pictureName_;

 private:
  static LRESULT CALLBACK WndProc(HWND h, UINT msg, WPARAM w, LPARAM l);
  LRESULT Handle(UINT msg, WPARAM w, LPARAM l);
  void FireMouse(DISPID id, short button, WPARAM keys, LPARAM l);
  // Ends a press by Space or by the pointer without a click.
  void CancelPress();
  void SetHot(bool hot);
  void FireClick();

  nux::com::EventSource events_;
  nux::gdi::Surface picture_;  // premultiplied alpha
  ULONG refs_ = 1;
};

}  // namespace nux::controls::detail
