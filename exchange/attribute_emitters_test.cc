#include "exchange/attribute_emitters.h"

#include <gtest/gtest.h>

#include "tests/drawing_fixture.h"

namespace q836 {
namespace {

using Lines_ = std::vector<std::string>;

class EmitterTest : public DrawingFixture {
 protected:
  void SetUp() override {
    DrawingFixture::SetUp();
    ResetAttrState();
  }
};

TEST_F(EmitterTest, LayerGroupAndLayerAreWrittenOnChangeOrWhenDue) {
  EmitLayerGroup(0);
  EmitLayerGroup(0);
  EmitLayer(0);
  EmitLayer(0);
  EmitLayerGroup(2);
  EmitLayer(0);  // a new group always makes the layer due
  EmitLayerGroup(10);
  EmitLayerGroup(15);
  EmitLayer(11);
  EXPECT_EQ(TakeLines(), (Lines_{"lg0", "ly0", "lg2", "ly0", "lgA", "lgF", "lyB"}));
}

TEST_F(EmitterTest, LineWidthNormalisation) {
  FirstLineWidth = 7;
  EmitLineWidth(-1);
  EmitLineWidth(30001);
  EmitLineWidth(-5);  // already 0
  EmitLineWidth(30000);
  EmitLineWidth(-5);
  EXPECT_EQ(TakeLines(), (Lines_{"lw7", "lw0", "lw30000", "lw0"}));
}

TEST_F(EmitterTest, ColoursTypesCcAndPointColour) {
  EmitLineColor(5);
  EmitLineColor(5);
  EmitLineType(2);
  EmitLineType(2);
  EmitTextCc(9);  // out of range: as 0, due anyway
  EmitTextCc(0);
  EmitTextCc(3);
  EmitPointColor(1);
  EmitPointColor(-4);
  EXPECT_EQ(TakeLines(), (Lines_{"lc5", "lt2", "cc0", "cc3", "pn1", "pn-4"}));
}

TEST_F(EmitterTest, SolidColourSharesTheLineColour) {
  EmitSolidColor(255);
  EmitSolidColor(255);       // same value: nothing
  EmitSolidColor(16777216);  // out of range: 0
  EmitLineColor(3);
  EmitSolidColor(0);  // a plain colour between makes it due again
  EmitLineColor(10);  // "lc10" without value after a solid colour line: same colour, nothing
  EmitLineColor(2);
  EmitLineColor(10);
  EmitSolidColor(0);  // a plain lc10 shares the state: same value, nothing
  EXPECT_EQ(TakeLines(), (Lines_{"lc10 255", "lc10 0", "lc3", "lc10 0", "lc2", "lc10"}));
}

TEST_F(EmitterTest, TextTypeWritesFreeSizesOnlyWhenTheyChange) {
  EmitTextType(3, 9, 1, 1, 1);
  EmitTextType(3, 1, 5, 5, 5);  // the sizes of a numbered type do not count
  EmitTextType(0, 1, 2.5, 2.5, 0);
  EmitTextType(0, 1, 2.5, 2.5, 0);
  EmitTextType(0, 2, 2.5, 2.5, 0);
  EXPECT_EQ(TakeLines(), (Lines_{"cn3", "cn0 2.5 2.5 0 1", "cn0 2.5 2.5 0 2"}));
  FirstTextType = 0;
  FirstTextWidth = 4, FirstTextHeight = 5, FirstTextSpacing = 0.5, FirstTextColor = 6;
  EmitTextType(11, 1, 1, 1, 1);  // out of range: the first type and its size
  FirstTextType = 11;
  EmitTextType(-1, 1, 1, 1, 1);  // an out-of-range first type is written as it is
  EXPECT_EQ(TakeLines(), (Lines_{"cn0 4 5 0.5 6", "cn11"}));
}

TEST_F(EmitterTest, FontNameFallsBackToTheFirstName) {
  FirstFontName = "\x82\x6c\x82\x72 \x96\xbe\x92\xa9";  // ＭＳ 明朝
  EmitFontName("");
  EmitFontName("<>");
  EmitFontName("Arial");
  EXPECT_EQ(TakeLines(), (Lines_{"cn\"$\x82\x6c\x82\x72 \x96\xbe\x92\xa9", "cn\"$Arial"}));
  FirstFontName.clear();
  FontPending = true;
  EmitFontName("");
  EXPECT_EQ(TakeLines(), (Lines_{"cn\"$"}));
  // The whole name is remembered, though the line keeps only 255 bytes.
  const std::string longName(300, 'f');
  EmitFontName(longName);
  EXPECT_EQ(CurFontName, longName);
  EmitFontName(longName);
  EXPECT_EQ(TakeLines(), (Lines_{"cn\"$" + std::string(251, 'f')}));
}

TEST_F(EmitterTest, MarksAreAlwaysWritten) {
  struct Case {
    int32_t marks;
    Lines_ lines;
  } cases[] = {
      {24, {"z5"}}, {31, {"z1", "z2", "z3", "z5"}}, {8, {"z4"}}, {0, {}}, {64 + 2, {"z2"}}};
  for (const Case& c : cases) {
    EmitMarks(c.marks);
    EmitMarks(c.marks);
    Lines_ twice = c.lines;
    twice.insert(twice.end(), c.lines.begin(), c.lines.end());
    EXPECT_EQ(TakeLines(), twice) << c.marks;
  }
}

}  // namespace
}  // namespace q836
