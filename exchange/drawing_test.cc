#include "exchange/drawing.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "exchange/output.h"

namespace q836 {
namespace {

class DrawingTest : public ::testing::Test {
 protected:
  void SetUp() override { InitDrawingTables(); }
};

TEST_F(DrawingTest, InitGivesTheDefaults) {
  EXPECT_EQ(LineCount + CircleCount + TextCount + OrderCount + OutLineCount, 0);
  for (double scale : GroupScale) EXPECT_EQ(scale, 1.0);
  EXPECT_EQ(PaperWidth, 1189.0);
  EXPECT_EQ(PaperHeight, 841.0);
  for (int i = 1; i <= 10; ++i) {
    EXPECT_EQ(TextTypes[i].Width, 3.0);
    EXPECT_EQ(TextTypes[i].Height, 3.0);
    EXPECT_EQ(TextTypes[i].Spacing, 0.0);
    EXPECT_EQ(TextTypes[i].Color, 2);
  }
  EXPECT_EQ(CurFontName, "<\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e>");
  EXPECT_TRUE(FirstFontName.empty());
  EXPECT_EQ(PendingDimLine.Header.LineColor, 1);
  EXPECT_EQ(PendingDimLine.X2, 1.0);
}

TEST_F(DrawingTest, StorageGrowsInChunksOfAThousand) {
  struct Step {
    int32_t count;
    int32_t storage;
  } steps[] = {{1, 1000}, {1000, 1000}, {1001, 2000}, {2000, 2000}, {2001, 3000}};
  int32_t appended = 0;
  for (const Step& step : steps) {
    while (appended < step.count) {
      AppendEntry(Circles, CircleCount).Radius = appended;
      AddToOrder(kCircle, appended);
      EmitLine("x");
      ++appended;
    }
    EXPECT_EQ(Circles.Storage(), step.storage) << step.count;
    EXPECT_EQ(Order.Storage(), step.storage) << step.count;
    EXPECT_EQ(OutLines.Storage(), step.storage) << step.count;
  }
  // Entries never move: every record holds what was written into it.
  for (int32_t i = 0; i < CircleCount; ++i) ASSERT_EQ(Circles[i].Radius, i);
  // A bulk enlargement sets the storage exactly; a later append still grows it.
  Points.SetStorage(5);
  PointCount = 5;
  EXPECT_EQ(Points.Storage(), 5);
  AppendEntry(Points, PointCount);
  EXPECT_GE(Points.Storage(), PointCount);
}

// Storage is not cleared in advance, so the entry an append hands out must be
// cleared by the append itself, also where an earlier entry stood.
TEST_F(DrawingTest, AppendedEntriesAreZeroFilledAfterShrinking) {
  AppendEntry(Points, PointCount) = {{1, 2, 3, 4, 5, 6, 7}, 8, 9};
  AppendEntry(Points, PointCount) = {{1, 2, 3, 4, 5, 6, 7}, 8, 9};
  PointCount = 1;
  TJwwEntPoint& reused = AppendEntry(Points, PointCount);
  EXPECT_EQ(reused.X, 0.0);
  EXPECT_EQ(reused.Header.Hhp, 0);
  Points.SetStorage(0);
  PointCount = 0;
  TJwwEntPoint& fresh = AppendEntry(Points, PointCount);
  EXPECT_EQ(fresh.Y, 0.0);
  EXPECT_EQ(fresh.Header.Marks, 0);
}

// The index of a kind is built when one of its records is first dropped;
// items added afterwards, and items set in bulk, must be found too, and the
// first item naming a record is the one dropped.
TEST_F(DrawingTest, DropFromOrderFindsItemsAddedAfterTheFirstDrop) {
  AddToOrder(kCircle, 0);
  AddToOrder(kLine, 0);
  DropFromOrder(kCircle, 0);
  AddToOrder(kCircle, 1);
  AddToOrder(kCircle, 1);  // a second item naming the same record
  Order.SetStorage(OrderCount + 1);
  SetOrderItem(OrderCount++, kCircle, 2);
  DropFromOrder(kCircle, 1);
  DropFromOrder(kCircle, 2);
  EXPECT_EQ(Order[0].Kind, kDropped);
  EXPECT_EQ(Order[1].Kind, kLine);
  EXPECT_EQ(Order[2].Kind, kDropped);
  EXPECT_EQ(Order[3].Kind, kCircle);
  EXPECT_EQ(Order[4].Kind, kDropped);
}

// The bulk drop marks exactly the items DropFromOrder marks, record by
// record: the first item naming each picked record, duplicates, kinds not
// picked and out-of-range indexes untouched; two kinds in one pass.
TEST_F(DrawingTest, OrderDropMatchesDropFromOrder) {
  std::mt19937 random(7);
  for (int round = 0; round < 20; ++round) {
    InitDrawingTables();
    const int32_t count = 1 + static_cast<int32_t>(random() % 50);
    const int32_t arcs = 1 + static_cast<int32_t>(random() % 50);
    for (int i = 0; i < 3000; ++i) {
      const int32_t kind = random() % 3 == 0 ? kArc : random() % 5 == 0 ? kText : kCircle;
      AddToOrder(kind, static_cast<int32_t>(random() % (count + 5)) - 2);
    }
    auto pick = [&](int32_t i) { return (i * 7 + round) % 3 != 0; };
    auto pickArc = [&](int32_t i) { return (i + round) % 2 == 0; };
    std::vector<TJwwOrderItem> original, expected;
    for (int32_t i = 0; i < OrderCount; ++i) original.push_back(Order[i]);
    for (int32_t i = 0; i < count; ++i) {
      if (pick(i)) DropFromOrder(kCircle, i);
    }
    for (int32_t i = 0; i < OrderCount; ++i) expected.push_back(Order[i]);
    // The same Order again, dropped in bulk.
    auto again = [&] {
      InitDrawingTables();
      for (const TJwwOrderItem& item : original) AddToOrder(item.Kind, item.Index);
    };
    again();
    OrderDrop circles;
    circles.Pick(kCircle, count, pick);
    circles.Apply();
    for (int32_t i = 0; i < OrderCount; ++i) {
      ASSERT_EQ(Order[i].Kind, expected[static_cast<size_t>(i)].Kind) << round << " at " << i;
    }
    // Circles and arcs at once, against both dropped record by record.
    again();
    for (int32_t i = 0; i < count; ++i) {
      if (pick(i)) DropFromOrder(kCircle, i);
    }
    for (int32_t i = 0; i < arcs; ++i) {
      if (pickArc(i)) DropFromOrder(kArc, i);
    }
    expected.clear();
    for (int32_t i = 0; i < OrderCount; ++i) expected.push_back(Order[i]);
    again();
    OrderDrop drop;
    drop.Pick(kCircle, count, pick);
    drop.Pick(kArc, arcs, pickArc);
    drop.Apply();
    for (int32_t i = 0; i < OrderCount; ++i) {
      ASSERT_EQ(Order[i].Kind, expected[static_cast<size_t>(i)].Kind) << round << " at " << i;
    }
  }
}

TEST_F(DrawingTest, DropFromOrderChangesOnlyTheNamedItem) {
  AddToOrder(kCircle, 0);
  AddToOrder(kArc, 0);
  AddToOrder(kCircle, 1);
  DropFromOrder(kCircle, 5);  // not in Order
  DropFromOrder(kText, 0);
  EXPECT_EQ(Order[0].Kind, kCircle);
  EXPECT_EQ(Order[1].Kind, kArc);
  EXPECT_EQ(Order[2].Kind, kCircle);
  DropFromOrder(kCircle, 1);
  EXPECT_EQ(Order[0].Kind, kCircle);
  EXPECT_EQ(Order[1].Kind, kArc);
  EXPECT_EQ(Order[2].Kind, kDropped);
  EXPECT_EQ(Order[2].Index, 1);
  DropFromOrder(kCircle, 1);  // already dropped: nothing else changes
  EXPECT_EQ(Order[0].Kind, kCircle);
}

TEST_F(DrawingTest, ResetAttrStateKeepsMarksAndHhp) {
  CurLayerGroup = 3;
  CurLineColor = 5;
  CurMarks = 4;
  CurHhp = 9;
  LgPending = CcPending = SolidColorPending = false;
  ResetAttrState();
  EXPECT_EQ(CurLayerGroup, 0);
  EXPECT_EQ(CurLineColor, 1);
  EXPECT_EQ(CurMarks, 4);
  EXPECT_EQ(CurHhp, 9);
  for (bool pending : {LgPending, LyPending, LcPending, LtPending, LwPending, CnPending, CcPending,
                       FontPending, PnPending, SolidColorPending}) {
    EXPECT_TRUE(pending);
  }
}

}  // namespace
}  // namespace q836
