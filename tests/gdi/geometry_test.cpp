#include <gtest/gtest.h>

#include "mfc/geometry.h"

namespace {

TEST(Geometry, RectArithmetic) {
  CRect r(10, 20, 50, 80);
  EXPECT_EQ(r.Width(), 40);
  EXPECT_EQ(r.Height(), 60);
  EXPECT_EQ(r.CenterPoint(), CPoint(30, 50));
  EXPECT_TRUE(r.PtInRect(CPoint(10, 20)));
  EXPECT_FALSE(r.PtInRect(CPoint(50, 20)));
  EXPECT_FALSE(r.PtInRect(CPoint(10, 80)));
  r.TopLeft().Offset(1, 1);
  EXPECT_EQ(r, CRect(11, 21, 50, 80));
  r.InflateRect(1, 1);
  r.DeflateRect(0, 0, 10, 20);
  EXPECT_EQ(r, CRect(10, 20, 41, 61));
  r.MoveToXY(0, 0);
  EXPECT_EQ(r, CRect(0, 0, 31, 41));
  CRect inv(5, 5, 1, 1);
  EXPECT_TRUE(inv.IsRectEmpty());
  inv.NormalizeRect();
  EXPECT_EQ(inv, CRect(1, 1, 5, 5));
}

TEST(Geometry, IntersectUnionSubtract) {
  struct Case {
    const char* name;
    CRect a, b, intersect, unite;
    BOOL overlaps;
  };
  const Case cases[] = {
      {"overlap", {0, 0, 10, 10}, {5, 5, 15, 15}, {5, 5, 10, 10}, {0, 0, 15, 15}, TRUE},
      {"touching", {0, 0, 10, 10}, {10, 0, 20, 10}, {0, 0, 0, 0}, {0, 0, 20, 10}, FALSE},
      {"empty b", {0, 0, 10, 10}, {3, 3, 3, 9}, {0, 0, 0, 0}, {0, 0, 10, 10}, FALSE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CRect i, u;
    EXPECT_EQ(i.IntersectRect(&c.a, &c.b), c.overlaps);
    EXPECT_EQ(i, c.intersect);
    u.UnionRect(&c.a, &c.b);
    EXPECT_EQ(u, c.unite);
    EXPECT_EQ(c.a & c.b, c.intersect);
    EXPECT_EQ(c.a | c.b, c.unite);
  }
  CRect s, a(0, 0, 10, 10), left(0, 0, 4, 10), middle(3, 3, 6, 6);
  EXPECT_TRUE(s.SubtractRect(&a, &left));
  EXPECT_EQ(s, CRect(4, 0, 10, 10));
  EXPECT_TRUE(s.SubtractRect(&a, &middle));  // a hole cannot be cut: a stays
  EXPECT_EQ(s, a);
  EXPECT_FALSE(s.SubtractRect(&a, &a));
  EXPECT_TRUE(s.IsRectNull());
}

TEST(Geometry, PointsAndSizes) {
  CPoint p(3, 4);
  p += CSize(1, 1);
  EXPECT_EQ(p, CPoint(4, 5));
  EXPECT_EQ(p - CPoint(1, 1), CSize(3, 4));
  // A packed point keeps its sign, as screen coordinates left of the primary monitor need.
  CPoint packed(static_cast<DWORD>(MAKELONG(static_cast<WORD>(-5), 7)));
  EXPECT_EQ(packed, CPoint(-5, 7));
  CRect r(CPoint(1, 2), CSize(3, 4));
  EXPECT_EQ(r, CRect(1, 2, 4, 6));
  EXPECT_EQ(r + CPoint(1, 1), CRect(2, 3, 5, 7));
}

}  // namespace
