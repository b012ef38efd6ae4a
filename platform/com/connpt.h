// Connection points: how an object fires events (calls on an outgoing dispatch interface) to
// the sinks that connected to it, and EventSource, a ready connection-point container for an
// object with one outgoing interface.
#pragma once

#include <utility>
#include <vector>

#include "com/oleauto.h"
#include "com/unknown.h"

struct IConnectionPointContainer;

extern const IID IID_IConnectionPointContainer;
extern const IID IID_IConnectionPoint;

#define CONNECT_E_NOCONNECTION ((HRESULT)0x80040200L)
#define CONNECT_E_ADVISELIMIT ((HRESULT)0x80040201L)
#define CONNECT_E_CANNOTCONNECT ((HRESULT)0x80040202L)

struct IConnectionPoint : public IUnknown {
  STDMETHOD(GetConnectionInterface)(IID* pIID) = 0;
  STDMETHOD(GetConnectionPointContainer)(IConnectionPointContainer** ppCPC) = 0;
  // The sink is asked for the event interface, then for IDispatch; CONNECT_E_CANNOTCONNECT
  // when it offers neither. Cookies start at 1.
  STDMETHOD(Advise)(IUnknown* pUnkSink, DWORD* pdwCookie) = 0;
  STDMETHOD(Unadvise)(DWORD dwCookie) = 0;  // CONNECT_E_NOCONNECTION for an unknown cookie

 protected:
  ~IConnectionPoint() = default;
};

struct IConnectionPointContainer : public IUnknown {
  // CONNECT_E_NOCONNECTION for an interface without a connection point.
  STDMETHOD(FindConnectionPoint)(REFIID riid, IConnectionPoint** ppCP) = 0;

 protected:
  ~IConnectionPointContainer() = default;
};

namespace nux::com {

// The connection point of one outgoing interface, for an object to own. The object answers
// IID_IConnectionPointContainer in its QueryInterface with container(), and passes its own
// AddRef/Release in as `owner` so the point keeps the object alive while handed out.
class EventSource {
 public:
  EventSource(IUnknown* owner, const IID& eventIid);
  ~EventSource();  // releases the sinks still connected
  EventSource(const EventSource&) = delete;
  EventSource& operator=(const EventSource&) = delete;

  IConnectionPointContainer* container();
  // Calls Invoke(dispid, DISPATCH_METHOD) on every connected sink, the arguments given in the
  // order of the event's parameters (they are reversed for DISPPARAMS, as events expect).
  // Sinks that connect or leave during a call are taken into account for the next one.
  void Fire(DISPID dispid, std::vector<VARIANT> args = {});
  size_t sinkCount() const { return sinks_.size(); }

 private:
  class Point;
  class Container;
  IUnknown* owner_;
  IID iid_;
  Point* point_;
  Container* container_;
  DWORD nextCookie_ = 1;
  std::vector<std::pair<DWORD, IDispatch*>> sinks_;
};

}  // namespace nux::com
