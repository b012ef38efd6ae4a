// Module states: which binary's application object and resources the class library works
// with at a given moment. Every binary that holds class-library code (the program, each
// shared library of ours) has one state; the calling thread has a current one, the program's
// unless an AFX_MANAGE_STATE guard switched it.
//
//   extern "C" int MyExport() {
//     AFX_MANAGE_STATE(AfxGetStaticModuleState());  // this library's resources and app object
//     ...
//   }
//
// Windows created while a state is current remember it, and their messages are handled with
// it current again, so a library's window finds the library's resources whenever it runs.
#pragma once

#include "base/types.h"
#include "mfc/object.h"

class CWinApp;

struct AFX_MODULE_STATE {
  HINSTANCE m_hCurrentInstanceHandle = nullptr;  // the binary's module handle
  HINSTANCE m_hCurrentResourceHandle = nullptr;  // where resources are read (AfxSetResourceHandle)
  CWinApp* m_pCurrentWinApp = nullptr;           // the binary's application object, if any
  BOOL m_bDLL = FALSE;                           // a shared library's state
  BOOL m_bInitDone = FALSE;                      // a library's InitInstance ran and succeeded
};

// The calling thread's current module state.
AFX_MODULE_STATE* AFXAPI AfxGetModuleState();
// The state of the binary that holds `address` (the program's for an address in no binary).
AFX_MODULE_STATE* AFXAPI AfxModuleStateOfAddress(const void* address);
// The state of a loaded module; nullptr when it has none yet.
AFX_MODULE_STATE* AFXAPI AfxFindModuleState(HMODULE module);

// The module state of the binary this call is compiled into.
static inline AFX_MODULE_STATE* AfxGetStaticModuleState() {
  static const char anchor = 0;
  static AFX_MODULE_STATE* state = AfxModuleStateOfAddress(&anchor);
  return state;
}

// Makes a state current for the guard's lifetime.
class AFX_MAINTAIN_STATE2 {
 public:
  explicit AFX_MAINTAIN_STATE2(AFX_MODULE_STATE* pNewState);
  ~AFX_MAINTAIN_STATE2();
  AFX_MAINTAIN_STATE2(const AFX_MAINTAIN_STATE2&) = delete;
  AFX_MAINTAIN_STATE2& operator=(const AFX_MAINTAIN_STATE2&) = delete;

 private:
  AFX_MODULE_STATE* m_pPrevState;
};
#define AFX_MANAGE_STATE(p) AFX_MAINTAIN_STATE2 _ctlState(p)

// The current state's application object, module and resource module.
CWinApp* AFXAPI AfxGetApp();
HINSTANCE AFXAPI AfxGetInstanceHandle();
