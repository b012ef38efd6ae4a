// OLE drag and drop, the part of it the system uses: data objects that hand global memory
// blocks out by clipboard format, drop sources, drop targets registered on windows, and the
// modal drag loop DoDragDrop.
//
// The drag loop runs on the calling thread. It takes the mouse capture (on a hidden window of
// its own) and reads the thread's mouse and keyboard messages itself; every other message
// (timers, paints, posted messages) is dispatched as usual. After each mouse or key message it
// asks the source whether to go on (IDropSource::QueryContinueDrag with Escape and the button
// and modifier state); on each move it finds the window under the cursor and walks up from it
// to the first window with a registered target, which gets DragEnter / DragOver / DragLeave,
// and the source gets GiveFeedback with the effect the target allows (held to the source's
// allowed effects). A drop with a target that accepts (an effect other than none) calls its
// Drop and gives DRAGDROP_S_DROP with the effect it answered; otherwise DRAGDROP_S_CANCEL.
//
// Tests drive the loop with injected input (testing.h); SetDragLoopStartHook lets them queue
// it once the loop has begun.
#pragma once

#include <functional>

#include "base/types.h"
#include "com/unknown.h"

typedef WORD CLIPFORMAT;

// Standard clipboard formats used by the system.
#ifndef CF_TEXT
#define CF_TEXT 1
#define CF_UNICODETEXT 13
#endif

// Registers (once per name, without regard to case) a private clipboard format; the number
// lies in 0xC000 to 0xFFFF. 0 for an empty name.
UINT RegisterClipboardFormatW(LPCWSTR lpszFormat);
#define RegisterClipboardFormat RegisterClipboardFormatW

typedef DWORD DROPEFFECT;
#define DROPEFFECT_NONE 0
#define DROPEFFECT_COPY 1
#define DROPEFFECT_MOVE 2
#define DROPEFFECT_LINK 4
#define DROPEFFECT_SCROLL 0x80000000

#define DRAGDROP_S_DROP ((HRESULT)0x00040100L)
#define DRAGDROP_S_CANCEL ((HRESULT)0x00040101L)
#define DRAGDROP_S_USEDEFAULTCURSORS ((HRESULT)0x00040102L)
#define DRAGDROP_E_NOTREGISTERED ((HRESULT)0x80040100L)
#define DRAGDROP_E_ALREADYREGISTERED ((HRESULT)0x80040101L)
#define DRAGDROP_E_INVALIDHWND ((HRESULT)0x80040102L)
#define DV_E_FORMATETC ((HRESULT)0x80040064L)
#define DV_E_TYMED ((HRESULT)0x80040069L)

#define DVASPECT_CONTENT 1
#define TYMED_NULL 0
#define TYMED_HGLOBAL 1

typedef struct tagFORMATETC {
  CLIPFORMAT cfFormat;
  void* ptd;  // target device: always NULL here
  DWORD dwAspect;
  LONG lindex;
  DWORD tymed;
} FORMATETC, *LPFORMATETC;

typedef struct tagSTGMEDIUM {
  DWORD tymed;
  HGLOBAL hGlobal;
  IUnknown* pUnkForRelease;
} STGMEDIUM, *LPSTGMEDIUM;

// Frees the medium's block (unless pUnkForRelease owns it, which is released instead).
void ReleaseStgMedium(LPSTGMEDIUM pMedium);

typedef struct _POINTL {
  LONG x;
  LONG y;
} POINTL;

extern const IID IID_IDataObject;
extern const IID IID_IDropSource;
extern const IID IID_IDropTarget;

// The data of a drag: the formats and media it offers. GetData gives the caller a medium of its
// own (a copy of the block) to free with ReleaseStgMedium.
struct IDataObject : public IUnknown {
  STDMETHOD(GetData)(FORMATETC* pformatetcIn, STGMEDIUM* pmedium) = 0;
  STDMETHOD(QueryGetData)(FORMATETC* pformatetc) = 0;

 protected:
  ~IDataObject() = default;
};
typedef IDataObject* LPDATAOBJECT;

struct IDropSource : public IUnknown {
  // S_OK goes on, DRAGDROP_S_DROP drops, DRAGDROP_S_CANCEL ends without a drop.
  STDMETHOD(QueryContinueDrag)(BOOL fEscapePressed, DWORD grfKeyState) = 0;
  // DRAGDROP_S_USEDEFAULTCURSORS lets the loop set its standard cursor for the effect.
  STDMETHOD(GiveFeedback)(DWORD dwEffect) = 0;

 protected:
  ~IDropSource() = default;
};
typedef IDropSource* LPDROPSOURCE;

// grfKeyState holds MK_LBUTTON, MK_RBUTTON, MK_MBUTTON, MK_SHIFT and MK_CONTROL; points are in
// screen coordinates; *pdwEffect comes in as the source's allowed effects and goes out as the
// target's answer.
struct IDropTarget : public IUnknown {
  STDMETHOD(DragEnter)(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) = 0;
  STDMETHOD(DragOver)(DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) = 0;
  STDMETHOD(DragLeave)() = 0;
  STDMETHOD(Drop)(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) = 0;

 protected:
  ~IDropTarget() = default;
};
typedef IDropTarget* LPDROPTARGET;

// A window's drop target (a reference is held until RevokeDragDrop or the window's end).
// DRAGDROP_E_INVALIDHWND for no window, DRAGDROP_E_ALREADYREGISTERED for a second one,
// E_INVALIDARG for no target.
HRESULT RegisterDragDrop(HWND hwnd, LPDROPTARGET pDropTarget);
// DRAGDROP_E_NOTREGISTERED when the window has none.
HRESULT RevokeDragDrop(HWND hwnd);

// The modal drag loop (above). *pdwEffect receives the effect of the drop (DROPEFFECT_NONE for
// a cancelled drag). E_INVALIDARG for a missing data object, source or effect pointer.
HRESULT DoDragDrop(LPDATAOBJECT pDataObj, LPDROPSOURCE pDropSource, DWORD dwOKEffects, LPDWORD pdwEffect);

namespace nux::com {

// Called on the dragging thread each time a drag loop has begun (capture taken, before the
// first message is read); an empty function removes it.
void SetDragLoopStartHook(std::function<void()> hook);
// True while a drag loop runs on the calling thread.
bool InDragLoop();

}  // namespace nux::com
