// CDictionary: the dictionary's word list. All dictionary entries in alphabetical order of one
// language (English, German or French, chosen with three buttons), each row showing the head
// word in the three languages; typing into the edit moves the list to the first entry that
// begins with the text, and a click opens the entry's page in the main reference window. There
// is at most one; it owns itself and clears the library's slot when it is destroyed.
#pragma once

#include "Button1.h"
#include "Image1.h"
#include "ListWnd.h"
#include "NUXDialog.h"
#include "NUXEdit.h"

// Template and control ids of the word list.
enum {
  IDD_DICTIONARY = 184,
  IDC_DICT_PICTURE = 1025,
  IDC_DICT_CLOSE = 1027,
  IDC_DICT_LIST = 1033,
  IDC_DICT_EDIT = 1059,
  IDC_DICT_ENGLISH = 1124,
  IDC_DICT_GERMAN = 1125,
  IDC_DICT_FRENCH = 1126,
};

class CDictionary : public CNUXDialog {
 public:
  enum { kEnglish = 1, kGerman = 2, kFrench = 3 };

  explicit CDictionary(CWnd* pParent);
  ~CDictionary() override;

  // Makes the window (placement "Dictionary") unless one exists; the existing or new window,
  // or NULL when it could not be made.
  static CDictionary* Open(CWnd* pParent);

  // Rebuilds the list in the language (1 English, 2 German, 3 French; any other number
  // changes nothing) and moves it to the typed text.
  void SetLanguage(int nLanguage);
  // Moves the list to the first entry whose head word begins with the typed text.
  afx_msg void OnChangeSearchEdit();
  // Opens the clicked entry's page.
  afx_msg LRESULT OnClickList(WPARAM wParam, LPARAM lParam);

  int GetLanguage() const { return m_nLanguage; }
  CListWnd* GetList() const { return m_pList; }

  CNUXEdit m_editSearch;
  CButton1 m_btnEnglish;
  CButton1 m_btnFrench;
  CButton1 m_btnGerman;
  CListWnd* m_pList;  // owned; NULL when none exists
  CString m_strLanguageColumn;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;

  afx_msg void OnClose();
  void OnClickClose();
  void OnClickEnglish();
  void OnClickGerman();
  void OnClickFrench();
  void OnMouseDownPicture(short nButton, short nShift, long x, long y);
  void OnMouseMovePicture(short nButton, short nShift, long x, long y);
  void OnMouseUpPicture(short nButton, short nShift, long x, long y);

  DECLARE_MESSAGE_MAP()
  DECLARE_EVENTSINK_MAP()

 private:
  // Destroys the list's window and deletes it.
  void DestroyList();

  int m_nLanguage = 0;
};
