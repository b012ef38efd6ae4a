#include "mfc/modstate.h"

#include <dlfcn.h>

#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "res/resources.h"

namespace {

std::mutex g_statesMutex;
// States live as long as the process: a window or thread of an unloaded library may still
// point at its state, and a library loaded again at the same address takes its state back.
std::map<uintptr_t, std::unique_ptr<AFX_MODULE_STATE>>& States() {
  static auto* states = new std::map<uintptr_t, std::unique_ptr<AFX_MODULE_STATE>>;
  return *states;
}

thread_local AFX_MODULE_STATE* t_current = nullptr;

uintptr_t ProgramBase() { return reinterpret_cast<uintptr_t>(GetModuleHandleW(nullptr)); }

AFX_MODULE_STATE* StateFor(uintptr_t base) {
  std::lock_guard<std::mutex> lock(g_statesMutex);
  auto& slot = States()[base];
  if (!slot) {
    slot = std::make_unique<AFX_MODULE_STATE>();
    slot->m_hCurrentInstanceHandle = reinterpret_cast<HINSTANCE>(base);
    slot->m_hCurrentResourceHandle = reinterpret_cast<HINSTANCE>(base);
    slot->m_bDLL = base != ProgramBase();
  }
  return slot.get();
}

AFX_MODULE_STATE* ProgramState() {
  static AFX_MODULE_STATE* state = StateFor(ProgramBase());
  return state;
}

}  // namespace

AFX_MODULE_STATE* AFXAPI AfxModuleStateOfAddress(const void* address) {
  Dl_info info;
  std::memset(&info, 0, sizeof info);
  uintptr_t base = 0;
  if (address && dladdr(address, &info)) base = reinterpret_cast<uintptr_t>(info.dli_fbase);
  if (!base || base == ProgramBase()) return ProgramState();
  return StateFor(base);
}

AFX_MODULE_STATE* AFXAPI AfxFindModuleState(HMODULE module) {
  uintptr_t base = reinterpret_cast<uintptr_t>(module);
  if (!base || base == ProgramBase()) return ProgramState();
  std::lock_guard<std::mutex> lock(g_statesMutex);
  auto it = States().find(base);
  return it == States().end() ? nullptr : it->second.get();
}

AFX_MODULE_STATE* AFXAPI AfxGetModuleState() { return t_current ? t_current : ProgramState(); }

AFX_MAINTAIN_STATE2::AFX_MAINTAIN_STATE2(AFX_MODULE_STATE* pNewState) : m_pPrevState(t_current) {
  if (pNewState) t_current = pNewState;
}

AFX_MAINTAIN_STATE2::~AFX_MAINTAIN_STATE2() { t_current = m_pPrevState; }

CWinApp* AFXAPI AfxGetApp() { return AfxGetModuleState()->m_pCurrentWinApp; }

HINSTANCE AFXAPI AfxGetInstanceHandle() { return AfxGetModuleState()->m_hCurrentInstanceHandle; }

HINSTANCE AFXAPI AfxGetResourceHandle() {
  HINSTANCE h = AfxGetModuleState()->m_hCurrentResourceHandle;
  return h != nullptr ? h : GetModuleHandleW(nullptr);
}

void AFXAPI AfxSetResourceHandle(HINSTANCE hInstResource) {
  AfxGetModuleState()->m_hCurrentResourceHandle = hInstResource;
}
