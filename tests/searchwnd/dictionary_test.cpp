// The dictionary word list on a small content table: its languages, the typed text that
// moves the list, entries opened, and its end.
#include "DictLangItem.h"
#include "DictLangItem2.h"
#include "DictLangItem3.h"
#include "Dictionary.h"
#include "Globals.h"
#include "searchwnd_fixture.h"
#include "testing/testing.h"

namespace swtest {
namespace {

class WordList : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    dict_ = CDictionary::Open(&host_);
    ASSERT_NE(dict_, nullptr);
    nux::testing::AdvanceAndPump(50);
  }

  void Type(const std::u16string& text) {
    dict_->m_editSearch.SetFocus();
    nux::testing::TypeText(text);
    nux::testing::PumpMessages();
  }

  CListWnd& List() const { return *dict_->GetList(); }
  std::vector<long> Keys() const {
    std::vector<long> keys;
    for (int i = 0; i < List().m_nRows; ++i) keys.push_back(List().m_rows[i].nKey);
    return keys;
  }
  // The edit's top-left corner in the dialog's client area.
  std::pair<int, int> EditPosition() const {
    CRect rc;
    dict_->m_editSearch.GetWindowRect(&rc);
    dict_->ScreenToClient(&rc);
    return {rc.left, rc.top};
  }

  CDictionary* dict_ = nullptr;
};

TEST_F(WordList, OpensInEnglishWithTheDictionaryEntriesOnly) {
  EXPECT_EQ(nuxsv::G().dictionary, dict_);
  EXPECT_EQ(CDictionary::Open(&host_), dict_);
  EXPECT_EQ(dict_->GetLanguage(), CDictionary::kEnglish);
  EXPECT_EQ(U8(dict_->m_strLanguageColumn), "DC_ADC_EN");
  // Template code dict in any case; "dctb" and "xyz" are no dictionary entries. An empty edit
  // goes to the first entry that has an English head word.
  EXPECT_EQ(Keys(), (std::vector<long>{1, 10, 2, 9}));
  EXPECT_EQ(List().m_rows[0].pItem->GetRuntimeClass(), RUNTIME_CLASS(CDictLangItem));
  EXPECT_EQ(List().m_crBackground, COLORREF(0x8A8F8C));
  // In place of the hidden placeholder.
  CRect placeholder, list;
  dict_->GetDlgItem(IDC_DICT_LIST)->GetWindowRect(&placeholder);
  List().GetWindowRect(&list);
  EXPECT_EQ(list, placeholder);
  EXPECT_EQ(EditPosition(), std::make_pair(34, 29));
}

TEST_F(WordList, TypingMovesTheListToTheFirstEntryBeginningWithTheText) {
  Type(u"b");
  EXPECT_EQ(FirstKey(List()), 2);
  Type(u"arnard's");  // an apostrophe is part of the word
  EXPECT_EQ(FirstKey(List()), 2);
  Type(u"q");  // no entry: the list stays
  EXPECT_EQ(FirstKey(List()), 2);

  for (const char16_t* text : {u"z", u"Z", u"*", u"[", u"#"}) {
    dict_->m_editSearch.SetWindowText(u"an");
    nux::testing::PumpMessages();
    ASSERT_EQ(FirstKey(List()), 1);
    dict_->m_editSearch.SetWindowText(text);
    nux::testing::PumpMessages();
    // Letters find their entry in any case; pattern characters are plain characters here.
    EXPECT_EQ(FirstKey(List()), text[0] == u'z' || text[0] == u'Z' ? 9 : 1) << U8(text);
  }
}

TEST_F(WordList, TypedWordsWithUmlautsFindTheirEntryInEveryLetterCase) {
  db_->Execute(u"INSERT INTO SV_MODULE VALUES (11, 'dict', 'dict', '\u00c4quator', 'Der Himmels\u00e4quator.', "
               u"'Celestial equator', '\u00c4quator', '\u00c9quateur c\u00e9leste')");
  ClickItem(dict_, IDC_DICT_GERMAN);
  // The entry sorts beside the A words: Andromedagalaxie, Äquator, Barnards Pfeilstern ...
  EXPECT_EQ(Keys(), (std::vector<long>{1, 11, 2, 10, 9}));
  for (const char16_t* text : {u"\u00e4quator", u"\u00c4QUATOR", u"\u00e4Q", u"\u00c4"}) {
    dict_->m_editSearch.SetWindowText(u"z");
    nux::testing::PumpMessages();
    ASSERT_EQ(FirstKey(List()), 9);
    dict_->m_editSearch.SetWindowText(text);
    nux::testing::PumpMessages();
    EXPECT_EQ(FirstKey(List()), 11) << U8(text);
  }
  // Typed through the keyboard as well.
  dict_->m_editSearch.SetWindowText(u"");
  Type(u"\u00c4qu");
  EXPECT_EQ(FirstKey(List()), 11);
}

TEST_F(WordList, ChangingTheLanguageRebuildsTheListAtTheTypedText) {
  Type(u"Kom");  // no English entry: stays at the top
  EXPECT_EQ(FirstKey(List()), 1);
  struct Case {
    int language;
    int button;
    const char* column;
    CRuntimeClass* rows;
    std::pair<int, int> edit;
    std::vector<long> keys;
  };
  const Case cases[] = {
      {CDictionary::kGerman, IDC_DICT_GERMAN, "DC_ADC_DE", RUNTIME_CLASS(CDictLangItem2), {231, 29}, {1, 2, 10, 9}},
      {CDictionary::kFrench, IDC_DICT_FRENCH, "DC_ADC_FR", RUNTIME_CLASS(CDictLangItem3), {430, 29}, {10, 2, 1}},
      {CDictionary::kEnglish, IDC_DICT_ENGLISH, "DC_ADC_EN", RUNTIME_CLASS(CDictLangItem), {34, 29}, {1, 10, 2, 9}},
  };
  dict_->m_editSearch.SetWindowText(u"");
  nux::testing::PumpMessages();
  for (const Case& c : cases) {
    CListWnd* old = dict_->GetList();
    ClickItem(dict_, c.button);
    EXPECT_EQ(dict_->GetLanguage(), c.language);
    EXPECT_EQ(U8(dict_->m_strLanguageColumn), c.column);
    EXPECT_NE(dict_->GetList(), nullptr);
    (void)old;
    EXPECT_EQ(Keys(), c.keys) << c.column;
    EXPECT_EQ(List().m_rows[0].pItem->GetRuntimeClass(), c.rows) << c.column;
    EXPECT_EQ(EditPosition(), c.edit) << c.column;
  }

  // The typed text is kept and found in the new language.
  dict_->m_editSearch.SetWindowText(u"son");
  nux::testing::PumpMessages();
  ClickItem(dict_, IDC_DICT_GERMAN);
  EXPECT_EQ(FirstKey(List()), 10);
  // The language shown again rebuilds the same way; numbers outside the three change nothing.
  dict_->SetLanguage(CDictionary::kGerman);
  EXPECT_EQ(FirstKey(List()), 10);
  for (int language : {0, 4, -1}) {
    CListWnd* list = dict_->GetList();
    dict_->SetLanguage(language);
    EXPECT_EQ(dict_->GetList(), list);
    EXPECT_EQ(dict_->GetLanguage(), CDictionary::kGerman);
  }
}

TEST_F(WordList, KeyPressesScrollTheWordsAndKeepTheSelection) {
  for (int i = 1; i <= 60; ++i) {
    CString sql;
    sql.Format(u"INSERT INTO SV_MODULE VALUES (%d, 'dict', 'dict', 'Word %02d', '', 'Word %02d', NULL, NULL)",
               100 + i, i, i);
    db_->Execute(sql);
  }
  dict_->SetLanguage(CDictionary::kGerman);  // a new language reads the table again
  dict_->SetLanguage(CDictionary::kEnglish);
  nux::testing::PumpMessages();
  CListWnd& list = List();
  ASSERT_GT(list.m_pRecordset->GetRecordCount(), 60);
  EXPECT_GT(ClickRowAndScroll(list, 2,
                              {{VK_DOWN, -8},
                               {VK_DOWN, -16},
                               {VK_NEXT, -144},
                               {VK_NEXT, -272},
                               {VK_PRIOR, -144},
                               {VK_UP, -136},
                               {VK_HOME, -136},
                               {VK_END, -136}}),
            0);
}

TEST_F(WordList, AClickedEntryOpensItsPageWithoutWords) {
  Type(u"barn");
  ASSERT_EQ(FirstKey(List()), 2);
  RECT rc{};
  List().m_rows[0].pItem->GetWindowRect(&rc);
  nux::testing::MouseMove(rc.left + 5, rc.top + 5);
  nux::testing::Click(rc.left + 5, rc.top + 5);
  nux::testing::AdvanceAndPump(50);
  ASSERT_EQ(OpenedPages().size(), 1u);
  EXPECT_EQ(OpenedPages()[0].parent, &host_);
  EXPECT_EQ(nux::ToUtf8(OpenedPages()[0].condition), "ID=2");
  EXPECT_FALSE(OpenedPages()[0].hasWords);
}

TEST_F(WordList, ClosingDestroysTheListThenTheWindow) {
  HWND list = List().GetSafeHwnd();
  ClickItem(dict_, IDC_DICT_CLOSE);
  EXPECT_EQ(nuxsv::G().dictionary, nullptr);
  EXPECT_FALSE(::IsWindow(list));

  // Open again and end as the library's end does (no close message): nothing is left behind.
  dict_ = CDictionary::Open(&host_);
  ASSERT_NE(dict_, nullptr);
  nuxsv::DestroyReferenceWindows();
  EXPECT_EQ(nuxsv::G().dictionary, nullptr);
}

}  // namespace
}  // namespace swtest
