// The registry of ActiveX controls that windows can host (CWnd::CreateControl, and controls
// named by class id in dialog templates).
//
// A control implementation registers its class once (for instance from a static object of
// its source file, or from an init function the host calls):
//
//   nux::com::ControlClass cls;
//   cls.clsid = CLSID_MyButton;              // what CreateControl and templates name
//   cls.progId = u"Maker.MyButton.1";         // optional: CreateControl by ProgID
//   cls.eventsIid = DIID_MyButtonEvents;      // optional: its outgoing (event) interface
//   cls.create = [](const nux::com::ControlSite& site) -> nux::com::ControlInstance {
//     auto* control = new MyButton;           // an IDispatch (and IConnectionPointContainer)
//     HWND w = control->CreateWindowIn(site.parent, site.rect, site.id, site.style);
//     return {w, control};                    // the caller gets the one reference
//   };
//   nux::com::RegisterControlClass(cls);
//
// The factory makes the control's window as a child of site.parent with the given rectangle
// (parent client pixels), style, control id and window name, and returns that window and the
// control object's IUnknown with one reference for the container; {nullptr, nullptr} when it
// fails. The object must answer IID_IDispatch: the container calls its members by dispatch id
// (CWnd::InvokeHelper). When it fires events, it answers IID_IConnectionPointContainer and
// offers a connection point for eventsIid (nux::com::EventSource does both); the container
// connects an IDispatch sink there and receives each event as Invoke(dispid, DISPATCH_METHOD)
// with the parameters in DISPPARAMS order (reversed). The control's window may be destroyed
// by the container at any time (DestroyWindow of the window or its parent); the container
// then lets go of its reference.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "com/unknown.h"
#include "ui/window.h"

namespace nux::com {

struct ControlSite {
  HWND parent = nullptr;
  RECT rect{};
  UINT id = 0;
  DWORD style = WS_CHILD | WS_VISIBLE;
  std::u16string windowName;
};

struct ControlInstance {
  HWND window = nullptr;
  IUnknown* control = nullptr;  // one reference, the caller's
};

using ControlFactory = std::function<ControlInstance(const ControlSite& site)>;

struct ControlClass {
  CLSID clsid{};
  std::u16string progId;  // compared without case; may be empty
  IID eventsIid{};        // GUID_NULL: the control fires no events
  ControlFactory create;
};

// Registers a control class; a class registered again under the same class id replaces the
// earlier registration.
void RegisterControlClass(const ControlClass& cls);
void UnregisterControlClass(REFCLSID clsid);
std::optional<ControlClass> FindControlClass(REFCLSID clsid);
// The class id of a ProgID: a registered control's, else the registry's (CLSIDFromProgID).
HRESULT ControlClsidFromProgID(LPCOLESTR progId, CLSID* clsid);
// Makes a control of a registered class; REGDB_E_CLASSNOTREG for an unknown class id, E_FAIL
// when the factory fails.
HRESULT CreateRegisteredControl(REFCLSID clsid, const ControlSite& site, ControlInstance* out);

}  // namespace nux::com
