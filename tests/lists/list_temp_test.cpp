#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "ListTemp.h"
#include "test_support.h"

namespace {

// A record with padding inside, as the layout records have.
struct Rec {
  int id;
  char tag;
  double value;
};

Rec R(int id) {
  Rec r;
  std::memset(&r, 0, sizeof(r));
  r.id = id;
  r.tag = char('a' + id % 26);
  r.value = id * 0.5;
  return r;
}

std::vector<int> Ids(CListTemp<Rec>& list) {
  std::vector<int> ids;
  for (UINT i = 0; i < list.GetCount(); ++i) {
    Rec r{};
    EXPECT_TRUE(list.GetAt(int(i), r));
    ids.push_back(r.id);
  }
  return ids;
}

void Fill(CListTemp<Rec>& list, std::initializer_list<int> ids) {
  list.RemoveAll();
  for (int id : ids) ASSERT_TRUE(list.Add(R(id)));
}

TEST(ListTemp, OperationsKeepOrderAndRejectIndexesOutOfRange) {
  using L = CListTemp<Rec>;
  const struct {
    const char* what;
    BOOL (*op)(L&);
    BOOL result;
    std::vector<int> after;
  } cases[] = {
      {"insert at the count appends", [](L& l) { return l.InsertAt(3, R(9)); }, TRUE, {1, 2, 3, 9}},
      {"insert past the end appends", [](L& l) { return l.InsertAt(7, R(9)); }, TRUE, {1, 2, 3, 9}},
      {"insert at 0 is the new head", [](L& l) { return l.InsertAt(0, R(9)); }, TRUE, {9, 1, 2, 3}},
      {"insert in the middle", [](L& l) { return l.InsertAt(2, R(9)); }, TRUE, {1, 2, 9, 3}},
      {"negative insert index is past the end", [](L& l) { return l.InsertAt(-1, R(9)); }, TRUE, {1, 2, 3, 9}},
      {"remove the head", [](L& l) { return l.RemoveAt(0); }, TRUE, {2, 3}},
      {"remove the middle", [](L& l) { return l.RemoveAt(1); }, TRUE, {1, 3}},
      {"remove the last", [](L& l) { return l.RemoveAt(2); }, TRUE, {1, 2}},
      {"remove at the count", [](L& l) { return l.RemoveAt(3); }, FALSE, {1, 2, 3}},
      {"remove a negative index", [](L& l) { return l.RemoveAt(-1); }, FALSE, {1, 2, 3}},
      {"set", [](L& l) { return l.SetAt(1, R(9)); }, TRUE, {1, 9, 3}},
      {"set at the count", [](L& l) { return l.SetAt(3, R(9)); }, FALSE, {1, 2, 3}},
      {"set a negative index", [](L& l) { return l.SetAt(-1, R(9)); }, FALSE, {1, 2, 3}},
      {"swap", [](L& l) { return l.Swap(0, 2); }, TRUE, {3, 2, 1}},
      {"swap with itself", [](L& l) { return l.Swap(1, 1); }, FALSE, {1, 2, 3}},
      {"swap out of range", [](L& l) { return l.Swap(0, 3); }, FALSE, {1, 2, 3}},
      {"swap a negative index", [](L& l) { return l.Swap(-1, 0); }, FALSE, {1, 2, 3}},
      {"get a negative index", [](L& l) { Rec r{}; return l.GetAt(-1, r); }, FALSE, {1, 2, 3}},
      {"remove all", [](L& l) { l.RemoveAll(); return TRUE; }, TRUE, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    L list;
    Fill(list, {1, 2, 3});
    EXPECT_EQ(c.op(list), c.result);
    EXPECT_EQ(Ids(list), c.after);
    EXPECT_EQ(list.GetCount(), UINT(c.after.size()));
    // The chain ends where the count says: appending still lands at the end.
    ASSERT_TRUE(list.Add(R(42)));
    std::vector<int> withTail = c.after;
    withTail.push_back(42);
    EXPECT_EQ(Ids(list), withTail);
  }
}

TEST(ListTemp, EmptyListAndNodes) {
  CListTemp<Rec> list;
  CListTemp<Rec>::Node dummy{nullptr, nullptr};
  CListTemp<Rec>::Node* node = &dummy;
  EXPECT_FALSE(list.GetNode(0, node));
  EXPECT_EQ(node, nullptr);
  EXPECT_FALSE(list.RemoveAt(0));
  EXPECT_TRUE(list.InsertAt(5, R(7)));  // an empty list appends whatever the index
  EXPECT_EQ(Ids(list), std::vector<int>{7});
  ASSERT_TRUE(list.GetNode(0, node));
  EXPECT_EQ(node->pRecord->id, 7);
  EXPECT_EQ(node->pNext, nullptr);
}

TEST(ListTemp, CopyToReplacesTheOtherList) {
  CListTemp<Rec> source;
  CListTemp<Rec> target;
  Fill(source, {4, 5, 6});
  Fill(target, {1});
  EXPECT_TRUE(source.CopyTo(&target));
  EXPECT_EQ(Ids(target), (std::vector<int>{4, 5, 6}));
  // The copies are the other list's own: changing one leaves the other alone.
  ASSERT_TRUE(source.SetAt(0, R(8)));
  EXPECT_EQ(Ids(target), (std::vector<int>{4, 5, 6}));

  CListTemp<Rec> empty;
  EXPECT_TRUE(empty.CopyTo(&target));
  EXPECT_EQ(target.GetCount(), 0u);
}

class ListTempFiles : public ::testing::Test {
 protected:
  std::string File(const std::string& bytes) {
    return root_.Write("drive_c/Data/list.dat", bytes);
  }
  nuxtest::ScopedPlatformRoot root_;
};

TEST_F(ListTempFiles, SaveWritesRawRecordsThatLoadBack) {
  CListTemp<Rec> list;
  Fill(list, {1, 2, 3});
  std::filesystem::create_directories(root_.DriveC() + "/Data");
  ASSERT_TRUE(list.Save(u"C:\\Data\\List.dat"));
  const std::string path = root_.path() + "/drive_c/Data/List.dat";
  std::string bytes = nuxtest::ReadFile(path);
  ASSERT_EQ(bytes.size(), 3 * sizeof(Rec));
  const Rec second = R(2);
  EXPECT_EQ(std::memcmp(bytes.data() + sizeof(Rec), &second, sizeof(Rec)), 0);

  CListTemp<Rec> loaded;
  Fill(loaded, {9});
  EXPECT_TRUE(loaded.Load(u"c:\\data\\list.dat"));
  ASSERT_EQ(Ids(loaded), (std::vector<int>{1, 2, 3}));
  for (int i = 0; i < 3; ++i) {
    Rec a{}, b{};
    ASSERT_TRUE(list.GetAt(i, a));
    ASSERT_TRUE(loaded.GetAt(i, b));
    EXPECT_EQ(std::memcmp(&a, &b, sizeof(Rec)), 0);
  }

  // Saving an empty list truncates the file to nothing.
  list.RemoveAll();
  EXPECT_TRUE(list.Save(u"C:\\Data\\List.dat"));
  EXPECT_EQ(nuxtest::ReadFile(path).size(), 0u);
}

TEST_F(ListTempFiles, LoadAcceptsOnlyWholeRecords) {
  std::string three;
  for (int id : {1, 2, 3}) {
    const Rec r = R(id);
    three.append(reinterpret_cast<const char*>(&r), sizeof(r));
  }
  const struct {
    const char* what;
    std::string bytes;
    BOOL result;
    std::vector<int> ids;
  } cases[] = {
      {"three records", three, TRUE, {1, 2, 3}},
      {"three records and one byte", three + "x", FALSE, {}},
      {"less than one record", three.substr(0, 5), FALSE, {}},
      {"empty file", "", TRUE, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    File(c.bytes);
    CListTemp<Rec> list;
    Fill(list, {7, 8});
    EXPECT_EQ(list.Load(u"C:\\Data\\list.dat"), c.result);
    EXPECT_EQ(Ids(list), c.ids);
  }
}

TEST_F(ListTempFiles, FilesThatDoNotOpenFail) {
  File("");
  CListTemp<Rec> list;
  Fill(list, {1});
  EXPECT_FALSE(list.Load(u"C:\\Data\\missing.dat"));
  EXPECT_EQ(list.GetCount(), 0u);  // emptied before the file is tried
  Fill(list, {1});
  EXPECT_FALSE(list.Save(u"C:\\Data"));                // a folder
  EXPECT_FALSE(list.Save(u"C:\\Nowhere\\list.dat"));  // no such folder
  EXPECT_EQ(list.GetCount(), 1u);
}

}  // namespace
