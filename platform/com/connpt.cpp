// EventSource: one connection point and its container for objects that fire events.
#include "com/connpt.h"

namespace nux::com {

class EventSource::Point final : public IConnectionPoint {
 public:
  explicit Point(EventSource* s) : s_(s) {}
  ULONG STDMETHODCALLTYPE AddRef() override { return s_->owner_->AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return s_->owner_->Release(); }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IConnectionPoint) return E_NOINTERFACE;
    *ppv = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
    if (!iid) return E_POINTER;
    *iid = s_->iid_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** cpc) override {
    if (!cpc) return E_POINTER;
    *cpc = s_->container();
    (*cpc)->AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
    if (!sink || !cookie) return E_POINTER;
    *cookie = 0;
    IDispatch* d = nullptr;
    if (FAILED(sink->QueryInterface(s_->iid_, reinterpret_cast<void**>(&d))) || !d) {
      d = nullptr;
      if (FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d))) || !d) return CONNECT_E_CANNOTCONNECT;
    }
    *cookie = s_->nextCookie_++;
    s_->sinks_.emplace_back(*cookie, d);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
    for (auto it = s_->sinks_.begin(); it != s_->sinks_.end(); ++it) {
      if (it->first != cookie) continue;
      IDispatch* d = it->second;
      s_->sinks_.erase(it);
      d->Release();
      return S_OK;
    }
    return CONNECT_E_NOCONNECTION;
  }

 private:
  EventSource* s_;
};

class EventSource::Container final : public IConnectionPointContainer {
 public:
  explicit Container(EventSource* s) : s_(s) {}
  ULONG STDMETHODCALLTYPE AddRef() override { return s_->owner_->AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return s_->owner_->Release(); }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IConnectionPointContainer) {
      if (!ppv) return E_POINTER;
      *ppv = static_cast<IConnectionPointContainer*>(this);
      AddRef();
      return S_OK;
    }
    return s_->owner_->QueryInterface(riid, ppv);
  }
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** cp) override {
    if (!cp) return E_POINTER;
    *cp = nullptr;
    if (riid != s_->iid_) return CONNECT_E_NOCONNECTION;
    *cp = s_->point_;
    (*cp)->AddRef();
    return S_OK;
  }

 private:
  EventSource* s_;
};

EventSource::EventSource(IUnknown* owner, const IID& eventIid)
    : owner_(owner), iid_(eventIid), point_(new Point(this)), container_(new Container(this)) {}

EventSource::~EventSource() {
  auto sinks = std::move(sinks_);
  sinks_.clear();
  for (auto& [cookie, d] : sinks) d->Release();
  delete point_;
  delete container_;
}

IConnectionPointContainer* EventSource::container() { return container_; }

void EventSource::Fire(DISPID dispid, std::vector<VARIANT> args) {
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  // A snapshot with references: a sink may disconnect while it handles the event.
  auto sinks = sinks_;
  for (auto& [cookie, d] : sinks) d->AddRef();
  for (auto& [cookie, d] : sinks) {
    d->Invoke(dispid, GUID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    d->Release();
  }
}

}  // namespace nux::com
