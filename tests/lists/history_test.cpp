#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AstroDictHistory.h"

namespace {

std::u16string Cond(const sAstroDictHistory& r) { return r.szCondition; }

sAstroDictHistory H(const char16_t* condition, int scroll = 0) {
  sAstroDictHistory r;
  r.SetCondition(condition);
  r.nScrollPos = scroll;
  return r;
}

std::vector<std::u16string> Entries(CAstroDictHistory& h) {
  std::vector<std::u16string> out;
  for (UINT i = 0; i < h.GetCount(); ++i) {
    sAstroDictHistory r{};
    EXPECT_TRUE(h.GetAt(int(i), r));
    out.push_back(Cond(r));
  }
  return out;
}

// Runs a script of history operations: "+x" pushes condition x, "<" steps back, ">" steps
// forward, "#" pushes entries 1..20 ("e1".."e20"), "0" removes all.
struct Step {
  const char* op;
  BOOL result;
  std::u16string got;  // condition copied out by a step ("" when none)
  std::vector<std::u16string> entries;
  int current;
  BOOL back, forward;
};

std::vector<std::u16string> E(int from, int to) {
  std::vector<std::u16string> v;
  for (int i = from; i <= to; ++i) {
    std::string s = "e" + std::to_string(i);
    v.push_back(std::u16string(s.begin(), s.end()));
  }
  return v;
}

std::vector<std::u16string> Cat(std::vector<std::u16string> a, const std::vector<std::u16string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

void RunScript(const char* what, const std::vector<Step>& steps) {
  SCOPED_TRACE(what);
  CAstroDictHistory h;
  EXPECT_EQ(h.m_nCurrent, -1);
  EXPECT_EQ(h.m_nLimit, 20u);
  for (const Step& s : steps) {
    SCOPED_TRACE(s.op);
    sAstroDictHistory out = H(u"untouched");
    BOOL result = FALSE;
    const std::string op = s.op;
    if (op[0] == '+') {
      result = h.Add(H(std::u16string(op.begin() + 1, op.end()).c_str()));
    } else if (op == "<") {
      result = h.Back(out);
    } else if (op == ">") {
      result = h.Forward(out);
    } else if (op == "#") {
      result = TRUE;
      for (const auto& c : E(1, 20)) result = result && h.Add(H(c.c_str()));
    } else if (op == "0") {
      h.RemoveAll();
      result = TRUE;
    }
    EXPECT_EQ(result, s.result);
    if (op == "<" || op == ">") {
      EXPECT_EQ(Cond(out), s.result ? s.got : u"untouched");
    }
    EXPECT_EQ(Entries(h), s.entries);
    EXPECT_EQ(h.m_nCurrent, s.current);
    EXPECT_EQ(h.CanGoBack(), s.back);
    EXPECT_EQ(h.CanGoForward(), s.forward);
  }
}

TEST(History, PushAndStepRules) {
  RunScript("first push", {
                        {"+a", TRUE, u"", {u"a"}, 0, FALSE, FALSE},
                        {"<", FALSE, u"", {u"a"}, 0, FALSE, FALSE},
                        {">", FALSE, u"", {u"a"}, 0, FALSE, FALSE},
                        {"+a", TRUE, u"", {u"a", u"a"}, 1, TRUE, FALSE},  // never compared
                    });
  RunScript("step back twice from five, then push", {
                                                  {"+a", TRUE, u"", {u"a"}, 0, FALSE, FALSE},
                                                  {"+b", TRUE, u"", {u"a", u"b"}, 1, TRUE, FALSE},
                                                  {"+c", TRUE, u"", {u"a", u"b", u"c"}, 2, TRUE, FALSE},
                                                  {"+d", TRUE, u"", {u"a", u"b", u"c", u"d"}, 3, TRUE, FALSE},
                                                  {"+e", TRUE, u"", {u"a", u"b", u"c", u"d", u"e"}, 4, TRUE, FALSE},
                                                  {"<", TRUE, u"d", {u"a", u"b", u"c", u"d", u"e"}, 3, TRUE, TRUE},
                                                  {"<", TRUE, u"c", {u"a", u"b", u"c", u"d", u"e"}, 2, TRUE, TRUE},
                                                  {">", TRUE, u"d", {u"a", u"b", u"c", u"d", u"e"}, 3, TRUE, TRUE},
                                                  {"<", TRUE, u"c", {u"a", u"b", u"c", u"d", u"e"}, 2, TRUE, TRUE},
                                                  {"+x", TRUE, u"", {u"a", u"b", u"c", u"x"}, 3, TRUE, FALSE},
                                              });
  RunScript("back to the first entry, then push", {
                                                {"+a", TRUE, u"", {u"a"}, 0, FALSE, FALSE},
                                                {"+b", TRUE, u"", {u"a", u"b"}, 1, TRUE, FALSE},
                                                {"<", TRUE, u"a", {u"a", u"b"}, 0, FALSE, TRUE},
                                                {"<", FALSE, u"", {u"a", u"b"}, 0, FALSE, TRUE},
                                                {"+c", TRUE, u"", {u"a", u"c"}, 1, TRUE, FALSE},
                                            });
  RunScript("the 21st push drops the first", {
                                           {"#", TRUE, u"", E(1, 20), 19, TRUE, FALSE},
                                           {"+x", TRUE, u"", Cat(E(2, 20), {u"x"}), 19, TRUE, FALSE},
                                           {"<", TRUE, u"e20", Cat(E(2, 20), {u"x"}), 18, TRUE, TRUE},
                                           // stepped back from a full history: no entry is lost
                                           {"+y", TRUE, u"", Cat(E(2, 20), {u"y"}), 19, TRUE, FALSE},
                                           {"0", TRUE, u"", {}, -1, FALSE, FALSE},
                                           {"+z", TRUE, u"", {u"z"}, 0, FALSE, FALSE},
                                       });
}

TEST(History, CurrentEntryKeepsItsScrollPosition) {
  CAstroDictHistory h;
  sAstroDictHistory r{};
  EXPECT_FALSE(h.GetCurrent(r));
  EXPECT_FALSE(h.SetCurrent(H(u"x")));
  ASSERT_TRUE(h.Add(H(u"ID=1")));
  ASSERT_TRUE(h.Add(H(u"ID=2")));
  ASSERT_TRUE(h.GetCurrent(r));
  r.nScrollPos = 480;
  ASSERT_TRUE(h.SetCurrent(r));
  ASSERT_TRUE(h.Back(r));
  ASSERT_TRUE(h.Forward(r));
  EXPECT_EQ(Cond(r), u"ID=2");
  EXPECT_EQ(r.nScrollPos, 480);
}

TEST(History, ConditionsThatDoNotFitAreRefusedNotCut) {
  sAstroDictHistory r = H(u"ID=1");
  // 511 characters fit before the terminator; one more would be cut into another condition.
  const CString fits = CString(u' ', 506) + u"ID=12";
  EXPECT_TRUE(r.SetCondition(fits));
  EXPECT_EQ(Cond(r), std::u16string(fits.GetString()));
  EXPECT_FALSE(r.SetCondition(CString(u' ', 507) + u"ID=12"));
  EXPECT_EQ(Cond(r), u"");
  EXPECT_TRUE(r.SetCondition(u"ID=2"));
  EXPECT_EQ(Cond(r), u"ID=2");
  EXPECT_EQ(r.szCondition[5], 0);  // the rest of the field is cleared
}

}  // namespace
