#include "exchange/reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "exchange/write_back.h"
#include "tests/drawing_fixture.h"
#include "text/text_convert.h"

namespace q836 {
namespace {

std::vector<std::string> Split(std::string_view line) {
  ExchangeWords words;
  SplitExchangeLine(line, words);
  std::vector<std::string> out;
  for (size_t i = 0; i < words.Count(); ++i) out.emplace_back(words[i]);
  return out;
}

TEST(SplitExchangeLine, CutsWordsByTheByteRules) {
  using W = std::vector<std::string>;
  struct Case {
    std::string line;
    W words;
  } cases[] = {
      {"ci 1 2 3", {"ci", "1", "2", "3"}},
      {"  ci\t1   2 ", {"ci", "1", "2", ""}},  // a trailing blank counts
      {"ch 1 2 3 4 \"a b  c", {"ch", "1", "2", "3", "4", "a b  c"}},
      {"file=C:\\my dir\\x.jww", {"file=C:\\my dir\\x.jww"}},
      {"cn\"$Font Name", {"cn$Font Name"}},
      {"a\x81\x40"
       "b c",
       {"a\x81\x40"
        "b",
        "c"}},                              // a full-width space is no separator
      {"ab\x82", {"ab"}},                   // a lone lead byte at the end is dropped
      {"\x82\x22x y", {"\x82\x22x", "y"}},  // a quote as trail byte stays
      {"a\x01\x1f"
       "b\xfe\xff c",
       {"ab", "c"}},  // control bytes, 0xFE, 0xFF dropped
      {"x\"a\tb",
       {"xa"
        "b"}},  // a TAB once splitting is off is dropped
      {"\xa0\xdf\x7f", {"\xa0\xdf\x7f"}},
      {"", {""}},
  };
  for (const Case& c : cases) EXPECT_EQ(Split(c.line), c.words) << c.line;
}

TEST(SplitExchangeLine, KeepsTheTrueCountBeyondThirtyTwoWords) {
  std::string line;
  for (int i = 0; i < 40; ++i) line += "w" + std::to_string(i) + " ";
  ExchangeWords words;
  SplitExchangeLine(line, words);
  EXPECT_EQ(words.Count(), 41u);
  EXPECT_EQ(words[31], "w31");
  EXPECT_EQ(words[32], "");
}

using ReaderTest = DrawingFixture;

TEST_F(ReaderTest, IgnoresLinesNoRuleTakes) {
  ASSERT_TRUE(Load("\n   \t \n\x01\x02\nci 1 2 3 \nsl 1 2 3 4 5\nunknown\nhn 1 2\n"));
  EXPECT_EQ(OrderCount, 0);
}

TEST_F(ReaderTest, WordCountsDecideTheRule) {
  ASSERT_TRUE(Load("pt 1 2 \nhn 5 6 7\nhn 1 2 3 4\na b c d\nci 1 2 3\nci 1 2 3 4 5 6 7\n"));
  ASSERT_EQ(LineCount, 3);
  EXPECT_EQ(Lines[0].X1, 0.0);  // "pt" reads as 0
  EXPECT_EQ(Lines[0].Y1, 1.0);
  EXPECT_EQ(Lines[0].X2, 2.0);
  EXPECT_EQ(Lines[0].Y2, 0.0);
  EXPECT_EQ(Lines[1].X1, 0.0);
  EXPECT_EQ(Lines[1].Y2, 7.0);
  EXPECT_EQ(HnValues[3], 4.0);
  EXPECT_EQ(Lines[2].X1 + Lines[2].Y1 + Lines[2].X2 + Lines[2].Y2, 0.0);
  EXPECT_EQ(CircleCount, 1);
  EXPECT_EQ(ArcCount, 1);
  EXPECT_EQ(Arcs[0].P7, 7.0);
  ASSERT_EQ(OrderCount, 5);
  EXPECT_EQ(Order[3].Kind, kCircle);
  EXPECT_EQ(Order[4].Kind, kArc);
}

TEST_F(ReaderTest, LayerLinesReadOneHexDigit) {
  struct Case {
    const char* word;
    int32_t group;
  } cases[] = {{"lgA", 10}, {"lg12", 1}, {"lgZ", 0}, {"lgf", 15}, {"lg", 0}, {"lg-1", 0}};
  for (const Case& c : cases) {
    InitDrawingTables();
    ASSERT_TRUE(Load(std::string(c.word) + " 7\nly3 4\n"));
    EXPECT_EQ(CurLayerGroup, c.group) << c.word;
    EXPECT_EQ(GroupStatus[c.group], 7) << c.word;
    EXPECT_EQ(LayerStatus[c.group * 16 + 3], 4) << c.word;
  }
}

TEST_F(ReaderTest, FirstValuesComeFromTheFirstLineOfEachKind) {
  ASSERT_TRUE(
      Load("lg2\nly3\nlc4\nlt5\nlw6\ncn0 1.5 2.5 0.5 7\n"
           "lg4\nly5\nlc6\nlt7\nlw8\ncn3\ncn$\ncn$Gothic\ncn$Other\n"));
  EXPECT_EQ(FirstLayerGroup, 2);
  EXPECT_EQ(FirstLayer, 3);
  EXPECT_EQ(FirstLineColor, 4);
  EXPECT_EQ(FirstLineType, 5);
  EXPECT_EQ(FirstLineWidth, 6);
  EXPECT_EQ(FirstTextType, 0);
  EXPECT_EQ(FirstTextWidth, 1.5);
  EXPECT_EQ(FirstTextHeight, 2.5);
  EXPECT_EQ(FirstTextSpacing, 0.5);
  EXPECT_EQ(FirstTextColor, 7);
  EXPECT_EQ(FirstFontName, "Gothic");  // the empty cn$ line leaves it unset
  EXPECT_EQ(CurFontName, "Other");
  EXPECT_EQ(CurLayerGroup, 4);
  EXPECT_EQ(CurTextType, 3);
  EXPECT_EQ(CurTextWidth, 1.5);  // cn3 keeps the explicit size
}

TEST_F(ReaderTest, LineColourTenCarriesTheSolidColour) {
  ASSERT_TRUE(Load("lc10 5\n"));
  EXPECT_EQ(CurLineColor, 10);
  EXPECT_EQ(CurSolidColor, 5);
  ASSERT_TRUE(Load("lc10\nlc5 9\n"));
  EXPECT_EQ(CurLineColor, 5);
  EXPECT_EQ(CurSolidColor, 5);
}

TEST_F(ReaderTest, FontNameAfterAQuoteKeepsItsBlanks) {
  ASSERT_TRUE(Load("cn\"$My Font\n"));
  EXPECT_EQ(CurFontName, "My Font");
  ASSERT_TRUE(Load("cn$My Font\n"));
  EXPECT_EQ(CurFontName, "My");
}

TEST_F(ReaderTest, TextCcAndMarks) {
  ASSERT_TRUE(Load("cc9\nz1\nz3\nci 0 0 1\nci 0 0 2\ncc57\n"));
  EXPECT_EQ(Circles[0].Header.Marks, 5);
  EXPECT_EQ(Circles[1].Header.Marks, 0);
  EXPECT_EQ(CurTextCc, 5);
}

TEST_F(ReaderTest, IndicatedPointsAndCarriedValues) {
  ASSERT_TRUE(Load("hp12ln 1.5 2.5\nhp12ln 1.5 2.5\nhp0 1 1\nhp100 1 1\nhp5- 3 4\nhp7 1\n"));
  EXPECT_TRUE(HpPoints[12].Defined);
  EXPECT_EQ(HpPoints[12].Kind, 2);
  EXPECT_EQ(HpPoints[12].X, 1.5);
  EXPECT_EQ(HpPoints[5].Kind, 1);
  EXPECT_EQ(HpPoints[5].Y, 4.0);
  EXPECT_FALSE(HpPoints[7].Defined);  // too few words
  EXPECT_EQ(HpCount, 3);
  ASSERT_TRUE(Load("hhp7ci\n"));
  EXPECT_EQ(CurHhp, 7);
  ASSERT_TRUE(Load("hhp7-\n"));
  EXPECT_EQ(CurHhp, 0);
  ASSERT_TRUE(Load("hhp42\nci 0 0 1\n"));
  EXPECT_EQ(Circles[CircleCount - 1].Header.Hhp, 42);
}

TEST_F(ReaderTest, HeaderValuesAndFileName) {
  std::string hs = "hs";
  for (int i = 1; i <= 16; ++i) hs += " " + std::to_string(i);
  ASSERT_TRUE(Load("file=C:\\a b\\c.jww\nhk 2.5\n" + hs +
                   "\nhzs 420 297\nhcw 1 2 3 4 5 6 7 8 9 10\nhcc 1 2 3 4 5 6 7 8 9 10\nbz\n"
                   "lgn\x82\xa0 x\nlg1\nly2\nlynname\n"));
  EXPECT_EQ(DrawingFileName, "C:\\a b\\c.jww");
  EXPECT_EQ(HkValue, 2.5);
  EXPECT_EQ(GroupScale[15], 16.0);
  EXPECT_EQ(PaperWidth, 420.0);
  EXPECT_EQ(TextTypes[10].Width, 10.0);
  EXPECT_EQ(TextTypes[4].Color, 4);
  EXPECT_TRUE(BzFlag);
  EXPECT_EQ(GroupName[0], "\x82\xa0");
  EXPECT_EQ(LayerName[1 * 16 + 2], "name");
}

TEST_F(ReaderTest, TextsTakeTheirSizeFromTheTextType) {
  ASSERT_TRUE(
      Load("hcw 1 2 3.5 4 5 6 7 8 9 10\nhcc 1 2 6 4 5 6 7 8 9 10\nlc9\ncn3\ncc2\n"
           "ch 1 2 3 4 \"two words\ncv 1 2 3 4 two words\ncn0 1 2 3 8\nc2 5 6 7 8 x\n"));
  ASSERT_EQ(TextCount, 3);
  EXPECT_EQ(Texts[0].Variant, 0);
  EXPECT_EQ(Texts[0].Width, 3.5);
  EXPECT_EQ(Texts[0].Header.LineColor, 6);
  EXPECT_EQ(Texts[0].Cc, 2);
  EXPECT_EQ(Texts[0].Text.View(), "two words");
  EXPECT_EQ(Texts[0].FontName.View(), CurFontName);
  EXPECT_EQ(Texts[1].Text.View(), "two");
  EXPECT_EQ(Texts[2].Variant, 9);
  EXPECT_EQ(Texts[2].Width, 1.0);
  EXPECT_EQ(Texts[2].Header.LineColor, 8);
  EXPECT_EQ(Texts[2].P4, 8.0);
}

TEST_F(ReaderTest, LongTextsKeepWholeCharacters) {
  ASSERT_TRUE(Load("ch 1 2 3 4 \"" + std::string(300, 'a') + "\n"));
  EXPECT_EQ(Texts[0].Text.View(), std::string(255, 'a'));
  ASSERT_TRUE(Load("ch 1 2 3 4 \"" + std::string(254, 'a') + "\x82\xa0" + "zz\n"));
  EXPECT_EQ(Texts[1].Text.View(), std::string(254, 'a'));
}

TEST_F(ReaderTest, PointsAndMarkersTakeThePointColour) {
  ASSERT_TRUE(Load("lc3\npn5\npt 1 2\npt 1 2 3 4 -6\nBL 7 8 \"name x\n"));
  EXPECT_EQ(Points[0].Header.LineColor, 5);
  EXPECT_EQ(Markers[0].Header.LineColor, 5);
  EXPECT_EQ(Markers[0].Scale, 3.0);
  EXPECT_EQ(Markers[0].Code, -6);
  EXPECT_EQ(Blocks[0].Name, "name x");
  EXPECT_EQ(Blocks[0].Header.LineColor, 3);
}

TEST_F(ReaderTest, SolidCornersAreReduced) {
  struct Case {
    const char* line;
    int32_t kind;
    std::vector<double> corners;
  } cases[] = {
      {"sl 1 2 3 4", kSolid2, {1, 2, 3, 4}},
      {"sl 0 0 0 0 5 5", kSolid2, {0, 0, 5, 5}},
      {"sl 0 0 0.00000000001 0 5 5", kSolid2, {0, 0, 5, 5}},
      {"sl 0 0 0.000000001 0 5 5", kSolid3, {0, 0, 0.000000001, 0, 5, 5}},
      {"sl 0 0 5 5 5 5", kSolid2, {0, 0, 5, 5}},
      {"sl 0 0 5 5 0 0", kSolid3, {0, 0, 5, 5, 0, 0}},
      {"sl 0 0 0 0 0 0 9 9", kSolid2, {0, 0, 9, 9}},
      {"sl 0 0 5 5 5 5 5 5", kSolid2, {0, 0, 5, 5}},
      {"sl 0 0 0 0 5 5 5 5", kSolid2, {0, 0, 5, 5}},
      {"sl 0 0 1 0 1 1 0 0", kSolid3, {0, 0, 1, 0, 1, 1}},
      {"sl 0 0 1 0 0 0 2 2", kSolid3, {0, 0, 1, 0, 2, 2}},
      {"sl 0 0 0 0 1 1 2 0", kSolid3, {0, 0, 1, 1, 2, 0}},
      {"sl 0 0 1 0 1 1 0 1 99", kSolid4, {0, 0, 1, 0, 1, 1, 0, 1}},
  };
  for (const Case& c : cases) {
    InitDrawingTables();
    ASSERT_TRUE(Load(std::string("lc10 7\n") + c.line + "\n"));
    ASSERT_EQ(OrderCount, 1) << c.line;
    EXPECT_EQ(Order[0].Kind, c.kind) << c.line;
    std::vector<double> got;
    if (c.kind == kSolid2) {
      const auto& s = Solids2[0];
      got = {s.X1, s.Y1, s.X2, s.Y2};
      EXPECT_EQ(s.SolidColor, 7);
    } else if (c.kind == kSolid3) {
      const auto& s = Solids3[0];
      got = {s.X1, s.Y1, s.X2, s.Y2, s.X3, s.Y3};
    } else {
      const auto& s = Solids4[0];
      got = {s.X1, s.Y1, s.X2, s.Y2, s.X3, s.Y3, s.X4, s.Y4};
    }
    EXPECT_EQ(got, c.corners) << c.line;
  }
}

TEST_F(ReaderTest, CircleTypeSolids) {
  ASSERT_TRUE(
      Load("lc10 3\nsc 1 2 3 4 5 6 7 100\nse 1 2 3 4 5 6 7 5\nso 1 2 3 4 5 6 7 8\n"
           "sg 1 2 3 4 5 6 7 8 9\n"));
  EXPECT_EQ(CircleSolids[0].Code, 100);
  EXPECT_EQ(CircleSolids[0].SolidColor, 3);
  EXPECT_EQ(RimSolids[0].Code, 5);
  EXPECT_EQ(RingSolids[0].P8, 8.0);
  EXPECT_EQ(RingSolids2[0].Radius, 3.0);
  EXPECT_EQ(Order[3].Kind, kRingSolid2);
}

TEST_F(ReaderTest, DimensionTakesTheHeldLine) {
  ASSERT_TRUE(Load("lc2\nmsg\nz1\n0 0 10 0\n0 0 20 0\nlc5\ncs 1 2 3 4 \"20\n"));
  EXPECT_EQ(LineCount, 0);
  ASSERT_EQ(DimCount, 1);
  ASSERT_EQ(OrderCount, 1);
  EXPECT_EQ(Order[0].Kind, kDim);
  EXPECT_EQ(Dims[0].Line.X2, 20.0);
  EXPECT_EQ(Dims[0].Line.Header.LineColor, 2);
  EXPECT_EQ(Dims[0].Line.Header.Marks, 0);  // z1 went to the first held line
  EXPECT_EQ(Dims[0].Header.LineColor, 5);
  EXPECT_EQ(Dims[0].Text.Variant, 2);
  EXPECT_EQ(Dims[0].Text.Text.View(), "20");
  // Without a held line the dimension takes the default one; "#" ends the context.
  ASSERT_TRUE(Load("msg\ncs 1 2 3 4 x\nmsg\n#\ncs 1 2 3 4 y\n"));
  EXPECT_EQ(Dims[1].Line.X2, 20.0);  // the line held before
  EXPECT_EQ(TextCount, 1);
}

TEST_F(ReaderTest, DefaultHeldLineOfAFreshDrawing) {
  ASSERT_TRUE(Load("msg\ncs 1 2 3 4 x\n"));
  EXPECT_EQ(Dims[0].Line.X2, 1.0);
  EXPECT_EQ(Dims[0].Line.Header.LineType, 1);
}

TEST_F(ReaderTest, PolylineContext) {
  ASSERT_TRUE(
      Load("pl\n0 0 1 1\n1 1 2 2\nlc3\n2 2 3 3\npl\nhk 1\nz2\n3 3 4 4\nci 0 0 1\n5 5 6 6\n"));
  ASSERT_EQ(LineCount, 5);
  EXPECT_EQ(Lines[0].Polyline, 1);
  EXPECT_EQ(Lines[1].Polyline, 1);
  EXPECT_EQ(Lines[2].Polyline, 0);
  EXPECT_EQ(Lines[3].Polyline, 2);  // header and mark lines leave it open
  EXPECT_EQ(Lines[3].Header.Marks, 2);
  EXPECT_EQ(Lines[4].Polyline, 0);
}

TEST_F(ReaderTest, LineEndsAndEndOfFileMark) {
  ASSERT_TRUE(Load("ci 1 2 3\r\nci 5\r6 7 8\nci 9 9 9"));
  ASSERT_EQ(CircleCount, 3);
  EXPECT_EQ(Circles[1].X, 56.0);  // a lone CR is removed before words are cut
  EXPECT_EQ(Circles[2].Radius, 9.0);
  ASSERT_TRUE(
      Load("ci 1 1 1\n\x1a"
           "ci 2 2 2\n"));
  EXPECT_EQ(CircleCount, 4);
  ASSERT_TRUE(
      Load("ci 1\x1a 1 1\n\r\x1a"
           "ci 2 2 2\n"));  // not at a line start
  EXPECT_EQ(CircleCount, 6);
  ASSERT_TRUE(
      Load("\x1a"
           "ci 1 1 1\n"));
  EXPECT_EQ(CircleCount, 6);
  // A lead byte before a lone CR pairs with the byte after it.
  ASSERT_TRUE(Load("ch 1 2 3 4 \x82\r\xa0\n"));
  EXPECT_EQ(Texts[0].Text.View(), "\x82\xa0");
}

TEST_F(ReaderTest, OverflowEndsTheLoadAndKeepsTheRecord) {
  EXPECT_FALSE(Load("ci 1 2 3\nci 4 5 1e400\nci 7 8 9\n"));
  EXPECT_EQ(failedLine, 2);
  ASSERT_EQ(CircleCount, 2);
  EXPECT_EQ(Circles[1].X, 4.0);
  EXPECT_EQ(Circles[1].Radius, 0.0);
  EXPECT_EQ(OrderCount, 2);
  // Solids compare corners before appending.
  EXPECT_FALSE(Load("sl 0 0 1 1 1e400 2\n"));
  EXPECT_EQ(Solid3Count + Solid2Count, 0);
}

TEST_F(ReaderTest, NumbersAreReadOnlyWhenARuleReadsThem) {
  EXPECT_TRUE(Load("ci 1 2 1e400 9\nhp0 1e400 1\nlc10 1e400\npt 1 2 3 4 1e400\n"));
  EXPECT_EQ(CurSolidColor, 0);
  EXPECT_EQ(Markers[0].Code, 0);
}

TEST_F(ReaderTest, MissingFolderAndFailingFiles) {
  int64_t line = -1;
  FileError reason = FileError::kOther;
  EXPECT_FALSE(LoadExchangeFile("absent", &line, fs, &reason));
  EXPECT_EQ(line, 0);
  EXPECT_EQ(reason, FileError::kFileMissing);
  fs.files["locked"] = "ci 1 1 1\n";
  fs.unreadable["locked"] = true;
  EXPECT_FALSE(LoadExchangeFile("locked", &line, fs, &reason));
  EXPECT_EQ(line, 0);  // not opened: no line was read
  EXPECT_EQ(reason, FileError::kAccessDenied);
  fs.failReadAfter = 12;
  fs.files["JWC_TEMP.TXT"] = "ci 1 1 1\nci 2 2 2\nci 3 3 3\n";
  EXPECT_FALSE(LoadExchangeFile("JWC_TEMP.TXT", &line, fs, &reason));
  EXPECT_EQ(CircleCount, 1);
  EXPECT_EQ(line, 2);
  EXPECT_EQ(reason, FileError::kIoError);
  fs.failReadAfter = -1;
  fs.files["JWC_TEMP.TXT"] = "ci 1 1 1\nci 1e400 1 1\n";
  EXPECT_FALSE(LoadExchangeFile("JWC_TEMP.TXT", &line, fs, &reason));
  EXPECT_EQ(line, 2);
  EXPECT_EQ(reason, FileError::kNone);  // the line failed, not the disk
  EXPECT_FALSE(LoadExchangeFile("/", &line, DiskFileSystem(), &reason));  // a folder says so
  EXPECT_EQ(line, 0);
  EXPECT_EQ(reason, FileError::kFolderInTheWay);
  // A stop request ends the load before the next block.
  const auto circles = CircleCount;
  InterruptFileWaits();
  EXPECT_FALSE(LoadExchangeFile("JWC_TEMP.TXT", &line, fs, &reason));
  InterruptFileWaits(false);
  EXPECT_EQ(reason, FileError::kInterrupted);
  EXPECT_EQ(CircleCount, circles);
}

TEST_F(ReaderTest, LinesLongerThanAReadBlock) {
  std::string text(3 << 20, 'x');
  ASSERT_TRUE(Load("ch 1 2 3 4 \"" + text + "\r\nci 1 2 3\n"));
  EXPECT_EQ(Texts[0].Text.View().size(), 255u);
  EXPECT_EQ(CircleCount, 1);
}

TEST_F(ReaderTest, EachTextKeepsItsOwnFont) {
  ASSERT_TRUE(
      Load("cn$A\nch 0 0 1 0 a\ncn$B\nch 0 0 1 0 b\ncn$A\nch 0 0 1 0 c\n"
           "cn\"$" +
           std::string(300, 'f') + "\nch 0 0 1 0 d\n"));
  EXPECT_EQ(Texts[0].FontName.View(), "A");
  EXPECT_EQ(Texts[1].FontName.View(), "B");
  EXPECT_EQ(Texts[2].FontName.View(), "A");
  EXPECT_EQ(Texts[3].FontName.View(), std::string(255, 'f'));
  InitDrawingTables();  // a new drawing starts with no names
  ASSERT_TRUE(Load("ch 0 0 1 0 e\n"));
  EXPECT_EQ(Texts[0].FontName.View(), CurFontName);
}

// A drawing of every kind of line the cutting treats apart, far larger than
// the first read: CR LF, LF, a CR inside a line, empty lines, blanks and
// TABs, 40 words, two-byte characters, a 0x1A inside a line, unused numbers
// beyond a double, a text line longer than a block, and runs of very short
// lines that fill a block's room for words.
std::string MixedDrawing(unsigned seed, size_t bytes) {
  static const char* const kLines[] = {
      "ci 1.5 -2.25 0.05\r\n",
      "ci 3 4 5 0 90 1 0\n",
      "pl\r\n",
      "0 0 10 10\r\n",
      "#\n",
      "ci 5\r6 7 8\n",
      "\r\n",
      "\n",
      "  \t ci\t9 9 9 \r\n",
      "lg3 1\r\nly4\r\nlc2\r\n",
      "ch 1 2 3 4 \"\x82\xa0\x83\x41 text\r\n",
      "cn$\x82\x6c\x82\x72 A\r\n",
      "ci 1\x1a 1 1\n",
      "ci 1 2 1e400 9\n",
      "sl 0 0 1 1 2 2 3 3\r\n",
      "pt 1 2\n",
      "file=C:\\a\\b.jww\r\n",
      "lc10 255\r\nsc 1 2 0.05 1 0 0 0 0\r\n",
      "hp1 5 6\n",
      "cn0 2 2.5 0 3\r\nch 5 6 7 8 \"x\r\n",
      "0 0 1 1 2 2 3 3 4 4 5 5 6 6 7 7 8 8 9 9 10 10 11 11 12 12 13 13 14 14 15 15 16 16 "
      "17 17 18 18 19 19\r\n",
      "ci +5 5. .5 -0 00012 1.2.3 -- 12abc 1234567890123456 -.25e1 \r\n",
      // Words that end within eight bytes, or just do not.
      "ci 1234567 12345678 1234.567 .25 7. -.5 +12.5 . 0012 1.5e3 9.9.9 123456.7\r\n",
      "0.5 -1234567 765.4321 9999999\n",
      // Four words that are, or only look like, a bare line.
      "#9 1 2 3\n",
      "x1 2 3 4\r\n",
      "+1 .5 -3 4.\n",
      "5 6 7 \r\n",
  };
  std::mt19937 random(seed);
  std::string content;
  while (content.size() < bytes) {
    constexpr auto kLineCount = std::size(kLines);
    const auto pick = random() % (kLineCount + 18);
    if (pick < kLineCount) {
      content += kLines[pick];
    } else if (pick < kLineCount + 2) {
      for (int k = 0; k < 500; ++k) content += "1 2 3 4\n";
    } else if (pick == kLineCount + 2) {
      content += "ch 0 0 1 0 \"" + std::string(40000, 'y') + "\r\n";
    } else {
      content += "ci " + std::to_string(random() % 100000) + "." + std::to_string(random() % 100) +
                 " -" + std::to_string(random() % 1000) + " 0.0" + std::to_string(random() % 9) +
                 "\r\n";
    }
  }
  return content;
}

// What the drawing holds, as the write-back gives it.
std::vector<std::string> Written() {
  ResetAttrState();
  WriteAllEntities(-1, -1, -1, -1, -1, -1, -1, 0, nullptr, nullptr);
  std::vector<std::string> lines = TakeLines();
  lines.push_back("order " + std::to_string(OrderCount));
  return lines;
}

// The same lines applied one at a time, as the rules say: the input ends at
// a 0x1A that starts a line, CRs are dropped. Gives the number of lines.
int64_t ApplyLineByLine(const std::string& content) {
  int64_t lines = 0;
  for (size_t p = 0; p < content.size() && content[p] != '\x1a';) {
    const size_t lf = content.find('\n', p);
    std::string line = content.substr(p, lf == std::string::npos ? lf : lf - p);
    line.erase(std::remove(line.begin(), line.end(), '\r'), line.end());
    ++lines;
    ParseExchangeLine(line);
    if (lf == std::string::npos) break;
    p = lf + 1;
  }
  return lines;
}

TEST_F(ReaderTest, ReadingAheadAppliesExactlyTheLinesOneAtATime) {
  struct Case {
    const char* name;
    size_t bytes;
    std::string end;  // what follows the mixed lines
    long failReadAfter;
  } cases[] = {
      {"small", 3000, "", -1},
      {"exactly the first block", 0, std::string(16383, 'z') + "\n", -1},
      {"large", 400000, "ci 1 2 3", -1},
      {"ended by 0x1A", 300000,
       "\n\x1a"
       "ci 8 8 8\n",
       -1},
      {"a number beyond a double", 300000, "\nci 4 5 1e400\nci 7 8 9\n", -1},
      {"a read that fails", 300000, "", 250000},
  };
  for (const Case& c : cases) {
    for (unsigned seed : {1u, 2u, 3u}) {
      const std::string content = MixedDrawing(seed, c.bytes) + c.end;
      fs.failReadAfter = c.failReadAfter;
      InitDrawingTables();
      const bool loaded = Load(content);
      const std::vector<std::string> got = Written();
      fs.failReadAfter = -1;

      InitDrawingTables();
      int64_t expectedLine = -1;
      bool expectLoaded = true;
      if (c.failReadAfter >= 0) {
        // Only the lines ended before the failed read are applied.
        const std::string read = content.substr(0, static_cast<size_t>(c.failReadAfter));
        expectedLine = ApplyLineByLine(read.substr(0, read.rfind('\n') + 1)) + 1;
        expectLoaded = false;
      } else {
        try {
          ApplyLineByLine(content);
        } catch (const FloatOverflowError&) {
          expectLoaded = false;
          expectedLine =
              std::count(content.begin(), content.begin() + content.find("1e400\nci 7"), '\n') + 1;
        }
      }
      const std::vector<std::string> expected = Written();
      EXPECT_EQ(loaded, expectLoaded) << c.name << " " << seed;
      EXPECT_EQ(failedLine, expectedLine) << c.name << " " << seed;
      EXPECT_EQ(got, expected) << c.name << " " << seed;
    }
  }
}

}  // namespace
}  // namespace q836
