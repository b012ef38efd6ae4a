// CCmdTarget: the base of every class that has a message map (windows, threads, the
// application): command routing through the map, and the wait cursor.
#pragma once

#include "base/types.h"
#include "mfc/afxmsg.h"
#include "mfc/object.h"

struct AFX_EVENTSINKMAP;

class CCmdTarget : public CObject {
  DECLARE_DYNAMIC(CCmdTarget)

 public:
  CCmdTarget();
  ~CCmdTarget() override;

  // Routes a command (nCode: the notification code of WM_COMMAND, CN_COMMAND for menus) or a
  // notification (nCode: MAKELONG(code, WM_NOTIFY), pExtra: AFX_NOTIFY) to this object's map.
  // TRUE when a handler took it.
  virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo);

  // The event sink map (olecontrol.h) through which hosted controls' events reach this object.
  const AFX_EVENTSINKMAP* EventSinkMap() const { return GetEventSinkMap(); }

  // Shows the wait cursor until EndWaitCursor (nested calls count).
  void BeginWaitCursor();
  void EndWaitCursor();
  void RestoreWaitCursor();

 protected:
  static const AFX_MSGMAP* PASCAL GetThisMessageMap();
  virtual const AFX_MSGMAP* GetMessageMap() const;
  static const AFX_EVENTSINKMAP* PASCAL GetThisEventSinkMap();
  virtual const AFX_EVENTSINKMAP* GetEventSinkMap() const;

  // Calls the entry of this object's map for (nMessage, nCode, nID), if any; TRUE when handled.
  BOOL DispatchEntry(UINT nMessage, UINT nCode, UINT nID, AFX_MSGCALL& call);

  friend class CWnd;
};
