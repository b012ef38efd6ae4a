// The class library's side of OLE drag and drop (com/dragdrop.h): COleDataSource, which caches
// global memory blocks by clipboard format and starts a drag with them, and COleDropSource,
// whose virtual members answer the drag loop.
#pragma once

#include <vector>

#include "com/dragdrop.h"
#include "mfc/cmdtarget.h"
#include "mfc/geometry.h"

class CWnd;

class COleDropSource : public CCmdTarget {
  DECLARE_DYNAMIC(COleDropSource)

 public:
  COleDropSource();
  ~COleDropSource() override;

  // Escape, or no mouse button held any more: DRAGDROP_S_CANCEL for Escape, DRAGDROP_S_DROP
  // for a released button; S_OK otherwise.
  virtual SCODE QueryContinueDrag(BOOL bEscapePressed, DWORD dwKeyState);
  // DRAGDROP_S_USEDEFAULTCURSORS: the drag loop's standard cursors.
  virtual SCODE GiveFeedback(DROPEFFECT dropEffect);
  // Called before the loop starts: TRUE (drag) while a mouse button is still held, FALSE
  // when it was released already (no drag then).
  virtual BOOL OnBeginDrag(CWnd* pWnd);

  // The interface the drag loop calls (no reference counting of this object).
  IDropSource* GetInterface() { return &m_xDropSource; }

 private:
  struct XDropSource : public IDropSource {
    COleDropSource* owner = nullptr;
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
    STDMETHOD_(ULONG, AddRef)() override { return 1; }
    STDMETHOD_(ULONG, Release)() override { return 1; }
    STDMETHOD(QueryContinueDrag)(BOOL fEscapePressed, DWORD grfKeyState) override {
      return owner->QueryContinueDrag(fEscapePressed, grfKeyState);
    }
    STDMETHOD(GiveFeedback)(DWORD dwEffect) override { return owner->GiveFeedback(dwEffect); }
  } m_xDropSource;
};

class COleDataSource : public CCmdTarget {
  DECLARE_DYNAMIC(COleDataSource)

 public:
  COleDataSource();
  ~COleDataSource() override;  // frees every cached block

  // Takes the block (the data source owns it from now on) and offers it under the format; a
  // block cached before under the same format is freed and replaced.
  void CacheGlobalData(CLIPFORMAT cfFormat, HGLOBAL hGlobal, LPFORMATETC lpFormatEtc = nullptr);
  // Frees every cached block.
  void Empty();

  // Runs the drag loop with this data and the source (a default one when NULL); the drop's
  // effect, DROPEFFECT_NONE when the drag was cancelled or did not begin. The start rectangle
  // is not used: the drag begins at once while a button is held.
  DROPEFFECT DoDragDrop(DWORD dwEffects = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK,
                        LPCRECT lpRectStartDrag = nullptr, COleDropSource* pDropSource = nullptr);

  IDataObject* GetInterface() { return &m_xDataObject; }

 private:
  struct Entry {
    CLIPFORMAT format;
    HGLOBAL block;
  };
  std::vector<Entry> m_entries;

  struct XDataObject : public IDataObject {
    COleDataSource* owner = nullptr;
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
    STDMETHOD_(ULONG, AddRef)() override { return 1; }
    STDMETHOD_(ULONG, Release)() override { return 1; }
    // A copy of the cached block, the caller's to free.
    STDMETHOD(GetData)(FORMATETC* pformatetcIn, STGMEDIUM* pmedium) override;
    STDMETHOD(QueryGetData)(FORMATETC* pformatetc) override;
  } m_xDataObject;
};
