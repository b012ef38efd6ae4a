#include <gtest/gtest.h>

#include "gdi/gdi.h"

using nux::gdi::Region;

namespace {

std::vector<RECT> RectsOf(HRGN rgn) { return nux::gdi::RegionFromHandle(rgn)->rects(); }

bool Same(const std::vector<RECT>& a, const std::vector<RECT>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].left != b[i].left || a[i].top != b[i].top || a[i].right != b[i].right || a[i].bottom != b[i].bottom)
      return false;
  return true;
}

struct CombineCase {
  const char* name;
  RECT a, b;
  int mode;
  int kind;
  std::vector<RECT> rects;
};

TEST(Region, CombineGivesCanonicalBands) {
  const CombineCase cases[] = {
      {"and overlap", {0, 0, 10, 10}, {5, 5, 15, 15}, RGN_AND, SIMPLEREGION, {{5, 5, 10, 10}}},
      {"and disjoint", {0, 0, 10, 10}, {10, 0, 20, 10}, RGN_AND, NULLREGION, {}},
      {"or side by side merges", {0, 0, 10, 10}, {10, 0, 20, 10}, RGN_OR, SIMPLEREGION, {{0, 0, 20, 10}}},
      {"or stacked merges", {0, 0, 10, 10}, {0, 10, 10, 20}, RGN_OR, SIMPLEREGION, {{0, 0, 10, 20}}},
      {"or overlap", {0, 0, 10, 10}, {5, 5, 15, 15}, RGN_OR, COMPLEXREGION,
       {{0, 0, 10, 5}, {0, 5, 15, 10}, {5, 10, 15, 15}}},
      {"diff hole", {0, 0, 30, 30}, {10, 10, 20, 20}, RGN_DIFF, COMPLEXREGION,
       {{0, 0, 30, 10}, {0, 10, 10, 20}, {20, 10, 30, 20}, {0, 20, 30, 30}}},
      {"diff all", {5, 5, 10, 10}, {0, 0, 20, 20}, RGN_DIFF, NULLREGION, {}},
      {"xor", {0, 0, 10, 10}, {5, 0, 15, 10}, RGN_XOR, COMPLEXREGION, {{0, 0, 5, 10}, {10, 0, 15, 10}}},
      {"copy", {1, 2, 3, 4}, {0, 0, 0, 0}, RGN_COPY, SIMPLEREGION, {{1, 2, 3, 4}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    HRGN a = CreateRectRgnIndirect(&c.a), b = CreateRectRgnIndirect(&c.b), d = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(CombineRgn(d, a, b, c.mode), c.kind);
    EXPECT_TRUE(Same(RectsOf(d), c.rects));
    DeleteObject(a);
    DeleteObject(b);
    DeleteObject(d);
  }
}

TEST(Region, SamePixelsCompareEqualHoweverBuilt) {
  // An L shape built from two different pairs of rectangles.
  Region one = Region::Combine(Region(RECT{0, 0, 10, 5}), Region(RECT{0, 5, 5, 10}), RGN_OR);
  Region two = Region::Combine(Region(RECT{0, 0, 5, 10}), Region(RECT{5, 0, 10, 5}), RGN_OR);
  EXPECT_TRUE(one == two);
  HRGN a = nux::gdi::CreateRgnFromRegion(one), b = nux::gdi::CreateRgnFromRegion(two);
  EXPECT_TRUE(EqualRgn(a, b));
  // Removing and re-adding a piece gives the same region again.
  Region three = one;
  three.subtract(RECT{2, 2, 4, 4});
  EXPECT_FALSE(three == one);
  three.unite(RECT{2, 2, 4, 4});
  EXPECT_TRUE(three == one);
  DeleteObject(a);
  DeleteObject(b);
}

TEST(Region, PointsAndRectanglesUseExclusiveEdges) {
  HRGN r = CreateRectRgn(10, 20, 30, 40);
  EXPECT_TRUE(PtInRegion(r, 10, 20));
  EXPECT_TRUE(PtInRegion(r, 29, 39));
  EXPECT_FALSE(PtInRegion(r, 30, 25));
  EXPECT_FALSE(PtInRegion(r, 15, 40));
  RECT touching{30, 20, 40, 40}, inside{29, 39, 31, 41}, empty{15, 25, 15, 30};
  EXPECT_FALSE(RectInRegion(r, &touching));
  EXPECT_TRUE(RectInRegion(r, &inside));
  EXPECT_FALSE(RectInRegion(r, &empty));

  EXPECT_EQ(OffsetRgn(r, -15, 5), SIMPLEREGION);
  RECT box;
  EXPECT_EQ(GetRgnBox(r, &box), SIMPLEREGION);
  EXPECT_EQ(box.left, -5);
  EXPECT_EQ(box.top, 25);
  EXPECT_EQ(box.right, 15);
  EXPECT_EQ(box.bottom, 45);

  // An inverted rectangle is normalised; an empty one is the empty region.
  HRGN inv = CreateRectRgn(30, 40, 10, 20), none = CreateRectRgn(5, 5, 5, 9);
  EXPECT_EQ(GetRgnBox(inv, &box), SIMPLEREGION);
  EXPECT_EQ(box.left, 10);
  EXPECT_EQ(GetRgnBox(none, &box), NULLREGION);
  EXPECT_EQ(box.right, 0);
  DeleteObject(r);
  DeleteObject(inv);
  DeleteObject(none);
}

TEST(Region, CombineIntoOneOfItsSourcesAndRejectsBadHandles) {
  HRGN a = CreateRectRgn(0, 0, 10, 10), b = CreateRectRgn(5, 0, 20, 10);
  EXPECT_EQ(CombineRgn(a, a, b, RGN_OR), SIMPLEREGION);
  RECT box;
  GetRgnBox(a, &box);
  EXPECT_EQ(box.right, 20);
  DeleteObject(b);
  EXPECT_EQ(CombineRgn(a, a, b, RGN_OR), ERROR);  // b is gone
  EXPECT_EQ(CombineRgn(a, a, a, 99), ERROR);
  EXPECT_FALSE(PtInRegion(b, 6, 6));
  DeleteObject(a);
}

}  // namespace
