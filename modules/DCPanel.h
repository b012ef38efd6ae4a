// CDCPanel: the dictionary's side panel: the head words of the dictionary in a list, a seek
// edit that moves the list to the typed word, and a button whose menu offers the dictionary's
// tables.
#pragma once

#include "Button1.h"
#include "ListWnd.h"
#include "NUXEdit.h"
#include "Panel.h"

class CDCPanel : public CPanel {
 public:
  explicit CDCPanel(CWnd* pParent);
  ~CDCPanel() override;

  void Update(long lContentID, const CString& strObjectID, int bRefill) override;

  CNUXEdit m_editSeek;
  CButton1 m_btnTables;
  CListWnd m_list;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void SetupLayout(CCtrlLayout* pLayout) override;

  afx_msg void OnChangeSeekEdit();
  afx_msg LRESULT OnClickList(WPARAM wParam, LPARAM lParam);
  void OnClickTables();
  DECLARE_MESSAGE_MAP()
  DECLARE_EVENTSINK_MAP()
};
