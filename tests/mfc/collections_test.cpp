// Arrays, lists addressed by POSITION, and maps.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "mfc/collections.h"

namespace {

template <class Array>
std::vector<int> ArrayItems(const Array& a) {
  std::vector<int> v;
  for (INT_PTR i = 0; i < a.GetSize(); ++i) v.push_back(int(a[i]));
  return v;
}

template <class List>
std::vector<int> ListItems(List& list) {
  std::vector<int> v;
  for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) v.push_back(list.GetNext(pos));
  return v;
}

bool ThrowsInvalidArg(void (*f)()) {
  try {
    f();
  } catch (CException* e) {
    bool ok = e->IsKindOf(RUNTIME_CLASS(CInvalidArgException));
    e->Delete();
    return ok;
  }
  return false;
}

TEST(CArray, GrowInsertRemove) {
  CArray<int, int> a;
  EXPECT_TRUE(a.IsEmpty());
  EXPECT_EQ(a.GetUpperBound(), -1);
  EXPECT_EQ(a.Add(1), 0);
  EXPECT_EQ(a.Add(2), 1);
  a.InsertAt(1, 9, 2);
  EXPECT_EQ(ArrayItems(a), (std::vector<int>{1, 9, 9, 2}));
  a.InsertAt(6, 7);  // past the end: the gap is filled with zeros
  EXPECT_EQ(ArrayItems(a), (std::vector<int>{1, 9, 9, 2, 0, 0, 7}));
  a.RemoveAt(1, 2);
  EXPECT_EQ(ArrayItems(a), (std::vector<int>{1, 2, 0, 0, 7}));
  a.SetAtGrow(6, 5);
  EXPECT_EQ(ArrayItems(a), (std::vector<int>{1, 2, 0, 0, 7, 0, 5}));
  a.SetSize(2);
  EXPECT_EQ(ArrayItems(a), (std::vector<int>{1, 2}));
  a.ElementAt(0) = 4;
  a[1] += 10;
  EXPECT_EQ(a.GetAt(0), 4);
  EXPECT_EQ(a.GetData()[1], 12);
  CArray<int, int> b;
  b.Copy(a);
  EXPECT_EQ(b.Append(a), 2);
  EXPECT_EQ(ArrayItems(b), (std::vector<int>{4, 12, 4, 12}));
  b.Append(b);  // appending to itself doubles it
  EXPECT_EQ(b.GetCount(), 8);
  b.InsertAt(1, &a);
  EXPECT_EQ(b.GetAt(1), 4);
  EXPECT_EQ(b.GetAt(2), 12);
  b.RemoveAll();
  EXPECT_EQ(b.GetData(), nullptr);
}

TEST(CArray, AddOfOwnElementSurvivesGrowth) {
  CStringArrayW a;
  a.Add(u"first");
  for (int i = 0; i < 50; ++i) a.Add(a[0]);  // the argument lives in the array being grown
  EXPECT_EQ(a.GetSize(), 51);
  EXPECT_EQ(a[50], u"first");
  a.SetAtGrow(80, a[1]);
  EXPECT_EQ(a[80], u"first");
  EXPECT_TRUE(a[79].IsEmpty());
}

TEST(CArray, IndexesOutOfRangeThrow) {
  EXPECT_TRUE(ThrowsInvalidArg([] {
    CDWordArray a;
    a.Add(1);
    a.GetAt(1);
  }));
  EXPECT_TRUE(ThrowsInvalidArg([] {
    CByteArray a;
    a[-1];
  }));
  EXPECT_TRUE(ThrowsInvalidArg([] {
    CUIntArray a;
    a.SetSize(2);
    a.RemoveAt(1, 2);
  }));
}

TEST(CTypedPtrArray, HoldsTypedPointers) {
  int x = 1, y = 2;
  CTypedPtrArray<CPtrArray, int*> a;
  a.Add(&x);
  a.Add(&y);
  EXPECT_EQ(*a[1], 2);
  a[0] = &y;
  EXPECT_EQ(a.GetAt(0), &y);
}

TEST(CList, IterateByPositionWhileRemoving) {
  CList<int, int> list;
  for (int i = 1; i <= 6; ++i) list.AddTail(i);
  // Remove the even elements while walking: take the position before GetNext moves it on.
  for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
    POSITION current = pos;
    if (list.GetNext(pos) % 2 == 0) list.RemoveAt(current);
  }
  EXPECT_EQ(ListItems(list), (std::vector<int>{1, 3, 5}));
  EXPECT_EQ(list.GetCount(), 3);

  // A kept position stays valid while other elements go.
  POSITION five = list.Find(5);
  list.RemoveHead();
  list.RemoveAt(list.Find(3));
  EXPECT_EQ(list.GetAt(five), 5);
  EXPECT_EQ(list.GetHeadPosition(), five);
  EXPECT_EQ(list.GetTailPosition(), five);

  // Backwards.
  list.AddHead(4);
  list.AddTail(6);
  std::vector<int> back;
  for (POSITION pos = list.GetTailPosition(); pos != nullptr;) back.push_back(list.GetPrev(pos));
  EXPECT_EQ(back, (std::vector<int>{6, 5, 4}));
}

TEST(CList, InsertFindAndEnds) {
  CStringListW list;
  POSITION b = list.AddTail(CStringW(u"b"));
  list.InsertBefore(b, CStringW(u"a"));
  list.InsertAfter(b, CStringW(u"c"));
  list.InsertBefore(nullptr, CStringW(u"head"));
  list.InsertAfter(nullptr, CStringW(u"tail"));
  list.AddTail(CStringW(u"b"));
  EXPECT_EQ(list.GetCount(), 6);
  EXPECT_EQ(list.GetHead(), u"head");
  EXPECT_EQ(list.GetTail(), u"b");
  POSITION firstB = list.Find(CStringW(u"b"));
  EXPECT_EQ(firstB, b);
  POSITION secondB = list.Find(CStringW(u"b"), firstB);
  EXPECT_EQ(secondB, list.GetTailPosition());
  EXPECT_EQ(list.Find(CStringW(u"zz")), nullptr);
  EXPECT_EQ(list.GetAt(list.FindIndex(2)), u"b");
  EXPECT_EQ(list.FindIndex(6), nullptr);
  EXPECT_EQ(list.FindIndex(-1), nullptr);
  list.SetAt(list.FindIndex(0), CStringW(u"HEAD"));
  EXPECT_EQ(list.RemoveHead(), u"HEAD");
  EXPECT_EQ(list.RemoveTail(), u"b");
  EXPECT_EQ(list.GetTail(), u"tail");

  CStringListW other;
  other.AddTail(CStringW(u"x"));
  other.AddTail(CStringW(u"y"));
  list.AddHead(&other);
  EXPECT_EQ(list.GetHead(), u"x");
  EXPECT_EQ(list.GetAt(list.FindIndex(1)), u"y");
  list.RemoveAll();
  EXPECT_TRUE(list.IsEmpty());
  EXPECT_EQ(list.GetHeadPosition(), nullptr);
  EXPECT_TRUE(ThrowsInvalidArg([] {
    CPtrList empty;
    empty.GetHead();
  }));
}

TEST(CTypedPtrList, HoldsTypedPointers) {
  int x = 1, y = 2;
  CTypedPtrList<CPtrList, int*> list;
  list.AddTail(&x);
  list.AddHead(&y);
  POSITION pos = list.GetHeadPosition();
  EXPECT_EQ(*list.GetNext(pos), 2);
  EXPECT_EQ(*list.GetNext(pos), 1);
  EXPECT_EQ(pos, nullptr);
}

TEST(CMap, LookupSetRemoveAndIterate) {
  CMap<int, int, CStringW, const CStringW&> map;
  for (int i = 0; i < 500; ++i) map[i] = CStringW(u"v") + CStringW(char16_t(u'0' + i % 10), 1);
  EXPECT_EQ(map.GetCount(), 500);
  CStringW value;
  EXPECT_TRUE(map.Lookup(123, value));
  EXPECT_EQ(value, u"v3");
  EXPECT_FALSE(map.Lookup(500, value));
  map.SetAt(123, CStringW(u"changed"));
  EXPECT_TRUE(map.Lookup(123, value));
  EXPECT_EQ(value, u"changed");
  EXPECT_EQ(map.GetCount(), 500);
  for (int i = 0; i < 500; i += 2) EXPECT_TRUE(map.RemoveKey(i));
  EXPECT_FALSE(map.RemoveKey(0));
  EXPECT_EQ(map.GetCount(), 250);

  std::set<int> seen;
  POSITION pos = map.GetStartPosition();
  while (pos != nullptr) {
    int key;
    map.GetNextAssoc(pos, key, value);
    EXPECT_EQ(key % 2, 1);
    seen.insert(key);
  }
  EXPECT_EQ(seen.size(), 250u);
  EXPECT_NE(map.PLookup(7), nullptr);
  EXPECT_EQ(map.PLookup(8), nullptr);
  map.RemoveAll();
  EXPECT_TRUE(map.IsEmpty());
  EXPECT_EQ(map.GetStartPosition(), nullptr);
}

TEST(CMap, StringKeysAreCaseSensitive) {
  CMapStringToStringW map;
  map[u"Key"] = u"upper";
  map.SetAt(u"key", u"lower");
  CStringW value;
  EXPECT_TRUE(map.Lookup(u"Key", value));
  EXPECT_EQ(value, u"upper");
  EXPECT_TRUE(map.Lookup(u"key", value));
  EXPECT_EQ(value, u"lower");
  EXPECT_FALSE(map.Lookup(u"KEY", value));

  CMapStringToPtrA pointers;
  int x = 5;
  pointers.SetAt("x", &x);
  void* p = nullptr;
  EXPECT_TRUE(pointers.Lookup("x", p));
  EXPECT_EQ(p, &x);
  POSITION pos = pointers.GetStartPosition();
  CStringA key;
  pointers.GetNextAssoc(pos, key, p);
  EXPECT_EQ(key, "x");
  EXPECT_EQ(pos, nullptr);

  CMapWordToPtr words;
  words[WORD(7)] = &x;
  EXPECT_TRUE(words.Lookup(7, p));
  CMapPtrToPtr ptrs;
  ptrs[&x] = &key;
  EXPECT_TRUE(ptrs.Lookup(&x, p));
  EXPECT_EQ(p, &key);

  CTypedPtrMap<CMapStringToPtrW, CStringW, int*> typed;
  typed[u"n"] = &x;
  int* found = nullptr;
  EXPECT_TRUE(typed.Lookup(u"n", found));
  EXPECT_EQ(*found, 5);
}

}  // namespace
