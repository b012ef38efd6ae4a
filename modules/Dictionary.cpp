#include "Dictionary.h"

#include "DictLangItem.h"
#include "DictLangItem2.h"
#include "DictLangItem3.h"
#include "Globals.h"
#include "NUXSV.h"

namespace {

struct Language {
  UINT button;
  const char16_t* column;
  CRuntimeClass* (*rowClass)();
  POINT editPosition;  // client pixels
};

CRuntimeClass* EnglishRows() { return RUNTIME_CLASS(CDictLangItem); }
CRuntimeClass* GermanRows() { return RUNTIME_CLASS(CDictLangItem2); }
CRuntimeClass* FrenchRows() { return RUNTIME_CLASS(CDictLangItem3); }

const Language kLanguages[3] = {
    {IDC_DICT_ENGLISH, u"DC_ADC_EN", &EnglishRows, {34, 29}},
    {IDC_DICT_GERMAN, u"DC_ADC_DE", &GermanRows, {231, 29}},
    {IDC_DICT_FRENCH, u"DC_ADC_FR", &FrenchRows, {430, 29}},
};

// The typed text as the start of a LIKE pattern that matches it literally: quotes doubled, so
// that an apostrophe stays part of the word, and the pattern characters bracketed.
CString LiteralPattern(const CString& text) {
  CString pattern;
  for (int i = 0; i < text.GetLength(); ++i) {
    const WCHAR c = text[i];
    if (c == u'\'') {
      pattern += u"''";
    } else if (c == u'*' || c == u'?' || c == u'#' || c == u'[') {
      pattern += u'[';
      pattern += c;
      pattern += u']';
    } else {
      pattern += c;
    }
  }
  return pattern;
}

}  // namespace

BEGIN_MESSAGE_MAP(CDictionary, CNUXDialog)
  ON_EN_CHANGE(IDC_DICT_EDIT, &CDictionary::OnChangeSearchEdit)
  ON_WM_CLOSE()
  ON_MESSAGE(WM_LISTWND_CLICK, &CDictionary::OnClickList)
END_MESSAGE_MAP()

BEGIN_EVENTSINK_MAP(CDictionary, CNUXDialog)
  ON_EVENT(CDictionary, IDC_DICT_CLOSE, DISPID_CLICK, CDictionary::OnClickClose, VTS_NONE)
  ON_EVENT(CDictionary, IDC_DICT_ENGLISH, DISPID_CLICK, CDictionary::OnClickEnglish, VTS_NONE)
  ON_EVENT(CDictionary, IDC_DICT_GERMAN, DISPID_CLICK, CDictionary::OnClickGerman, VTS_NONE)
  ON_EVENT(CDictionary, IDC_DICT_FRENCH, DISPID_CLICK, CDictionary::OnClickFrench, VTS_NONE)
  ON_EVENT(CDictionary, IDC_DICT_PICTURE, DISPID_MOUSEDOWN, CDictionary::OnMouseDownPicture,
           VTS_I2 VTS_I2 VTS_I4 VTS_I4)
  ON_EVENT(CDictionary, IDC_DICT_PICTURE, DISPID_MOUSEMOVE, CDictionary::OnMouseMovePicture,
           VTS_I2 VTS_I2 VTS_I4 VTS_I4)
  ON_EVENT(CDictionary, IDC_DICT_PICTURE, DISPID_MOUSEUP, CDictionary::OnMouseUpPicture, VTS_I2 VTS_I2 VTS_I4 VTS_I4)
END_EVENTSINK_MAP()

CDictionary::CDictionary(CWnd* pParent) : CNUXDialog(IDD_DICTIONARY, pParent), m_pList(nullptr) {}

CDictionary::~CDictionary() {
  // A window destroyed without WM_CLOSE (the library's end) took the list's window with it;
  // the object is still ours.
  delete m_pList;
  m_pList = nullptr;
}

CDictionary* CDictionary::Open(CWnd* pParent) {
  nuxsv::Globals& g = nuxsv::G();
  if (g.dictionary != nullptr) return static_cast<CDictionary*>(g.dictionary);
  auto* dictionary = new CDictionary(nullptr);
  g.dictionary = dictionary;
  if (!dictionary->CreatePlaced(pParent, u"Dictionary", reinterpret_cast<CNUXDialog**>(&g.dictionary))) {
    if (g.dictionary == dictionary) g.dictionary = nullptr;
    delete dictionary;
    return nullptr;
  }
  return dictionary;
}

void CDictionary::DoDataExchange(CDataExchange* pDX) {
  CNUXDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_DICT_EDIT, m_editSearch);
  DDX_Control(pDX, IDC_DICT_ENGLISH, m_btnEnglish);
  DDX_Control(pDX, IDC_DICT_FRENCH, m_btnFrench);
  DDX_Control(pDX, IDC_DICT_GERMAN, m_btnGerman);
}

BOOL CDictionary::OnInitDialog() {
  CNUXDialog::OnInitDialog();
  m_editSearch.SetFontAndColors(u"MS Sans Serif", 8, 400, RGB(0, 0, 0), 0xD9D9D9, 0x666666, 0xCCCCCC);
  SetLanguage(kEnglish);
  return TRUE;
}

void CDictionary::DestroyList() {
  if (m_pList == nullptr) return;
  m_pList->DestroyWindow();
  delete m_pList;
  m_pList = nullptr;
}

void CDictionary::SetLanguage(int nLanguage) {
  if (nLanguage < kEnglish || nLanguage > kFrench) return;
  const Language& language = kLanguages[nLanguage - 1];
  m_nLanguage = nLanguage;
  DestroyList();

  m_btnEnglish.SetState(language.button == IDC_DICT_ENGLISH ? 0 : 1);
  m_btnGerman.SetState(language.button == IDC_DICT_GERMAN ? 0 : 1);
  m_btnFrench.SetState(language.button == IDC_DICT_FRENCH ? 0 : 1);
  m_strLanguageColumn = language.column;

  m_editSearch.SetWindowPos(nullptr, language.editPosition.x, language.editPosition.y, 0, 0,
                            SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

  m_pList = new CListWnd;
  m_pList->m_crBackground = 0x8A8F8C;
  m_pList->CreateFromDlgItem(GetContentDatabase(),
                             u"SELECT * FROM SV_MODULE WHERE ID_TPL LIKE 'dict' ORDER BY " + m_strLanguageColumn, u"ID",
                             u"proper_name", 1, 1, 1, this, IDC_DICT_LIST, 0, language.rowClass());
  OnChangeSearchEdit();
}

void CDictionary::OnChangeSearchEdit() {
  if (m_pList == nullptr || m_pList->GetSafeHwnd() == nullptr) return;
  CString text;
  m_editSearch.GetWindowText(text);
  CString criteria;
  criteria.Format(u"%s LIKE '%s*'", static_cast<LPCWSTR>(m_strLanguageColumn),
                  static_cast<LPCWSTR>(LiteralPattern(text)));
  m_pList->FindFirst(criteria, TRUE);
}

LRESULT CDictionary::OnClickList(WPARAM wParam, LPARAM lParam) {
  (void)wParam;
  CString condition;
  condition.Format(u"ID=%li", long(lParam));
  NUXSV_OpenAstroDict(GetParent(), condition, nullptr);
  return 0;
}

void CDictionary::OnClose() {
  DestroyList();
  CNUXDialog::OnClose();
}

void CDictionary::OnClickClose() { OnClose(); }
void CDictionary::OnClickEnglish() { SetLanguage(kEnglish); }
void CDictionary::OnClickGerman() { SetLanguage(kGerman); }
void CDictionary::OnClickFrench() { SetLanguage(kFrench); }

void CDictionary::OnMouseDownPicture(short nButton, short nShift, long x, long y) {
  (void)nButton;
  (void)nShift;
  StartMove(int(x), int(y));
}

void CDictionary::OnMouseMovePicture(short nButton, short nShift, long x, long y) {
  (void)nButton;
  (void)nShift;
  MoveTo(int(x), int(y));
}

void CDictionary::OnMouseUpPicture(short nButton, short nShift, long x, long y) {
  (void)nButton;
  (void)nShift;
  (void)x;
  (void)y;
  StopMove();
}
