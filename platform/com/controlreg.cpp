// The registry of hostable controls.
#include "com/controlreg.h"

#include <cstring>
#include <map>
#include <mutex>

#include "base/wstr.h"

namespace nux::com {
namespace {

struct GuidLess {
  bool operator()(const GUID& a, const GUID& b) const { return std::memcmp(&a, &b, sizeof(GUID)) < 0; }
};

struct Registry {
  std::mutex mutex;
  std::map<GUID, ControlClass, GuidLess> classes;
};

Registry& TheRegistry() {
  static auto* r = new Registry;
  return *r;
}

}  // namespace

void RegisterControlClass(const ControlClass& cls) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.classes[cls.clsid] = cls;
}

void UnregisterControlClass(REFCLSID clsid) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.classes.erase(clsid);
}

std::optional<ControlClass> FindControlClass(REFCLSID clsid) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto it = r.classes.find(clsid);
  if (it == r.classes.end()) return std::nullopt;
  return it->second;
}

HRESULT ControlClsidFromProgID(LPCOLESTR progId, CLSID* clsid) {
  if (!progId || !clsid) return E_POINTER;
  {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    for (auto& [id, cls] : r.classes) {
      if (!cls.progId.empty() && _wcsicmp(cls.progId.c_str(), progId) == 0) {
        *clsid = id;
        return S_OK;
      }
    }
  }
  return CLSIDFromProgID(progId, clsid);
}

HRESULT CreateRegisteredControl(REFCLSID clsid, const ControlSite& site, ControlInstance* out) {
  if (!out) return E_POINTER;
  *out = ControlInstance{};
  std::optional<ControlClass> cls = FindControlClass(clsid);
  if (!cls || !cls->create) return REGDB_E_CLASSNOTREG;
  ControlInstance made = cls->create(site);
  if (!made.window || !made.control) {
    if (made.control) made.control->Release();
    if (made.window && IsWindow(made.window)) DestroyWindow(made.window);
    return E_FAIL;
  }
  *out = made;
  return S_OK;
}

}  // namespace nux::com
