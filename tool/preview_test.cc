#include "tool/preview.h"

#include <gtest/gtest.h>

#include <string>

#include "exchange/drawing.h"
#include "tests/memory_file_system.h"
#include "text/number_text.h"
#include "text/text_convert.h"
#include "tool/form1.h"
#include "tool/headless_host.h"

namespace q836 {
namespace {

const char kExchange[] = "C:\\CAD\\JWC_TEMP.TXT";
// Circles of radius 0.05, 5 and 50; an arc of 1; solids of each kind of 2;
// a ring solid of the second form of 3.
const char kDrawing[] =
    "lg0\r\nly1\r\nci 10 20 0.05\r\nci 30 40 5\r\nci 1 1 50\r\nci 1 1 1 0 0 1 1\r\n"
    "sc 0 0 2 1 0 6.28 0 0\r\nse 0 0 2 1 0 6.28 0 0\r\nso 0 0 2 1 0 6.28 0 1\r\n"
    "sg 0 0 3 1 0 6.28 0 1\r\n";

struct NoKey : EscapeKey {
  bool IsDown() override { return false; }
};

class PreviewTest : public ::testing::Test {
 protected:
  PreviewTest() : host("C:\\CAD\\q836.exe", key, fs), form(host) {}

  void Show(const std::string& exchange) {
    fs.files[kExchange] = exchange;
    form.PathOverride = RunPaths{kExchange, kExchange, ""};
    form.FormShow();
  }
  void Boxes(bool circles, bool arcs, bool circleSolids, bool rimSolids, bool ringSolids) {
    host.SetChecked(Control::CheckBox1, circles);
    host.SetChecked(Control::CheckBox2, arcs);
    host.SetChecked(Control::CheckBox3, circleSolids);
    host.SetChecked(Control::CheckBox4, rimSolids);
    host.SetChecked(Control::CheckBox5, ringSolids);
  }
  // The preview's lines; the radius line only when asked for.
  std::string Text(bool withRadii = false) {
    std::vector<PreviewLine> lines = form.Preview();
    if (!withRadii) {
      // The radius line and its continuations, indented by three blanks.
      std::erase_if(lines, [](const PreviewLine& l) {
        return l.Text.starts_with("半径：") ||
               (l.Text.starts_with("　　　") && !l.Text.starts_with("　　　　"));
      });
    }
    return PreviewText(lines, "\n");
  }

  MemoryFileSystem fs;
  NoKey key;
  HeadlessHost host;
  TForm1 form;
};

TEST_F(PreviewTest, CountsWhatOkConvertsIntoWhat) {
  const struct {
    const char* radius;
    bool circles, arcs, circleSolids, rimSolids, ringSolids, marker;
    const char* text;
  } cases[] = {
      {"0.1", true, true, false, false, false, false, "変換対象：円 1、円弧・楕円 0 → 点"},
      {"5", true, false, false, false, false, false, "変換対象：円 2 → 点"},
      {"1", false, true, false, false, false, true, "変換対象：円弧・楕円 1 → 点マーカー□"},
      {"2", false, false, true, true, true, false,
       "変換対象：円ソリッド 1、円周ソリッド 1、円環ソリッド 1 → 点"},
      {"3", false, false, false, false, true, false, "変換対象：円環ソリッド 2 → 点"},
      // Read as OK reads it: not a number is 0, clamped up to 1e-6; the
      // strip says which radius OK uses then.
      {"abc", true, true, true, true, true, false,
       "変換対象：円 0、円弧・楕円 0、円ソリッド 0、円周ソリッド 0、\n"
       "　　　　　円環ソリッド 0（変換される図形はありません）\n"
       "半径「abc」は数値でないため 0.000001 として扱います"},
      {"1e9", true, true, true, true, true, true,
       "変換対象：円 3、円弧・楕円 1、円ソリッド 1、円周ソリッド 1、\n"
       "　　　　　円環ソリッド 2 → 点マーカー□\n"
       "半径「1e9」は大きすぎるため 100000000 として扱います"},
      {"-1", true, false, false, false, false, false,
       "変換対象：円 0（変換される図形はありません）\n"
       "半径「-1」は小さすぎるため 0.000001 として扱います"},
      {"", true, false, false, false, false, false,
       "変換対象：円 0（変換される図形はありません）\n"
       "半径が空欄のため 0.000001 として扱います"},
      {"　 ", true, false, false, false, false, false,
       "変換対象：円 0（変換される図形はありません）\n"
       "半径が空欄のため 0.000001 として扱います"},
      {"０．５", true, false, false, false, false, false,
       "変換対象：円 0（変換される図形はありません）\n"
       "半径「０．５」は数値でないため 0.000001 として扱います"},
      {"1e-400", true, false, false, false, false, false,
       "変換対象：円 0（変換される図形はありません）\n"
       "半径「1e-400」は小さすぎるため 0.000001 として扱います"},
      {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", true, false, false, false, false, false,
       "変換対象：円 0（変換される図形はありません）\n"
       "半径「aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa」は数値でないため\n"
       "　　0.000001 として扱います"},
      // The limits themselves are taken as typed.
      {"0.000001", true, false, false, false, false, false,
       "変換対象：円 0（変換される図形はありません）"},
      {"1e8", true, false, false, false, false, false, "変換対象：円 3 → 点"},
      {"5", false, false, false, false, false, false, "変換対象：0（対象図形が選ばれていません）"},
      {"1e400", true, false, false, false, false, false,
       "半径の値が大きすぎて読めないため、ＯＫできません"},
  };
  for (const auto& c : cases) {
    Show(kDrawing);
    Boxes(c.circles, c.arcs, c.circleSolids, c.rimSolids, c.ringSolids);
    host.SetText(Control::Edit1, c.radius);
    SetRadioGroupButton(host, c.marker ? Control::RadioButton2 : Control::RadioButton1, true);
    host.SetItemIndex(Control::ComboBox1, 4);
    EXPECT_EQ(Text(), c.text) << c.radius;
    FreeDrawingTables();
  }
}

// A lower limit narrows the count to its range and is never guessed; with
// the originals kept the count line says so.
TEST_F(PreviewTest, CountsWithinTheLowerLimitAndSaysWhatStays) {
  const struct {
    const char* from;
    const char* radius;
    bool keep;
    const char* text;
  } cases[] = {
      {"1", "5", false, "変換対象：円 1、円弧・楕円 1 → 点"},
      {"5", "5", false, "変換対象：円 1、円弧・楕円 0 → 点"},
      {"-5", "0.05", false, "変換対象：円 1、円弧・楕円 0 → 点"},
      {"", "5", true, "変換対象：円 2、円弧・楕円 1 → 点（元の図形も残します）"},
      {"6", "5", false, "変換対象：0（下限 6 が半径 5 より大きく、変換されません）"},
      {"abc", "5", false, "下限「abc」は数値でないため、ＯＫできません"},
      {"1e999", "5", false, "下限の値が大きすぎて読めないため、ＯＫできません"},
      {"1e999", "1e999", false,
       "半径の値が大きすぎて読めないため、ＯＫできません\n"
       "下限の値が大きすぎて読めないため、ＯＫできません"},
  };
  for (const auto& c : cases) {
    Show(kDrawing);
    Boxes(true, true, false, false, false);
    host.SetText(Control::Edit3, c.from);
    host.SetText(Control::Edit1, c.radius);
    host.SetChecked(Control::CheckBox6, c.keep);
    EXPECT_EQ(Text(), c.text) << c.from;
    const std::vector<PreviewLine> lines = form.Preview();
    EXPECT_EQ(lines.at(0).Warning, std::string(c.text).find("下限") != std::string::npos ||
                                       std::string(c.text).find("半径の値") != std::string::npos)
        << c.from;
    FreeDrawingTables();
  }
  // Among every other warning a lower limit above the limit still says so,
  // in one line, and the strip holds them all.
  std::string blocks = "ci 0 0 1\r\n";
  for (int i = 0; i < 100; ++i) blocks += "BL 0 0 \"b\r\n";
  Show(blocks);
  const std::string longText(32, 'a');
  host.SetText(Control::Edit1, longText);
  host.SetText(Control::Edit2, longText);
  host.SetText(Control::Edit3, "123456789012345");
  SetRadioGroupButton(host, Control::RadioButton2, true);
  const std::vector<PreviewLine> crowded = form.Preview();
  EXPECT_LE(crowded.size(), kPreviewLines);
  EXPECT_EQ(crowded.at(0).Text, "変換対象：0（下限が半径より大きく、変換されません）");
  EXPECT_TRUE(crowded.at(0).Warning);
  FreeDrawingTables();
}

// With a lower limit the radius line shows the radii below it, those OK
// converts, and those above the limit, "…" where some are left out.
TEST_F(PreviewTest, ShowsTheRadiiAroundBothLimits) {
  std::string drawing = "ci 0 0 0.05\r\nci 0 0 0.05\r\n";
  for (int r = 1; r <= 10; ++r) drawing += "ci 0 0 " + std::to_string(r) + "\r\n";
  const struct {
    const char* from;
    const char* radius;
    const char* line;
  } cases[] = {
      {"2", "9", "半径：0.05×2 1×1 ｜ 2×1 3×1 4×1 … 7×1 8×1 9×1 ｜ 10×1"},
      // The line wraps: its first line ends before 10.
      {"2", "7", "半径：0.05×2 1×1 ｜ 2×1 3×1 4×1 5×1 6×1 7×1 ｜ 8×1 9×1"},
      {"2", "8", "半径：0.05×2 1×1 ｜ 2×1 3×1 4×1 … 6×1 7×1 8×1 ｜ 9×1"},
      {"1", "3", "半径：0.05×2 ｜ 1×1 2×1 3×1 ｜ 4×1 5×1 6×1 …"},
      {"0.01", "0.05", "半径：｜ 0.05×2 ｜ 1×1 2×1 3×1 …"},
      {"1.5", "1.6", "半径：0.05×2 1×1 ｜ ｜ 2×1 3×1 4×1 …"},
      {"4", "3", "半径：… 1×1 2×1 3×1 ｜ 4×1 5×1 6×1 …"},  // none in range: the limit alone
  };
  Show(drawing);
  Boxes(true, false, false, false, false);
  for (const auto& c : cases) {
    host.SetText(Control::Edit3, c.from);
    host.SetText(Control::Edit1, c.radius);
    std::string line;
    for (const PreviewLine& l : form.Preview()) {
      if (l.Text.starts_with("半径：")) line = l.Text;
    }
    EXPECT_EQ(line, c.line) << c.from << " " << c.radius;
  }
}

// 倍率: whenever the markers OK writes take another scale than the text
// reads as, a red line names the text and the scale written; the stated
// scale is the one OK then writes. In point mode, which uses no scale, none.
TEST_F(PreviewTest, TellsTheScaleOkWritesForMarkers) {
  const struct {
    const char* scale;
    bool marker;
    const char* warning;  // empty: none
  } cases[] = {
      {"2", true, ""},
      {"1e8", true, ""},
      {"100000000", true, ""},
      {"1.00000001e-8", true, ""},
      {"0.5", true, ""},
      {"1e-8", true, "倍率「1e-8」は小さすぎるため 1 で作図します"},
      {"0.00000001", true, "倍率「0.00000001」は小さすぎるため 1 で作図します"},
      {"5e-9", true, "倍率「5e-9」は小さすぎるため 1 で作図します"},
      {"1E-9", true, "倍率「1E-9」は小さすぎるため 1 で作図します"},
      {"0.000000001", true, "倍率「0.000000001」は小さすぎるため 1 で作図します"},
      {"9.99e-10", true, "倍率「9.99e-10」は小さすぎるため 1 で作図します"},
      {"-1e-9", true, "倍率「-1e-9」は小さすぎるため 1 で作図します"},
      {"abc", true, "倍率「abc」は数値でないため 1 で作図します"},
      {"0", true, "倍率「0」は小さすぎるため 1 で作図します"},
      {"-1", true, "倍率「-1」は小さすぎるため 1 で作図します"},
      {"", true, "倍率が空欄のため 1 で作図します"},
      {"２", true, "倍率「２」は数値でないため 1 で作図します"},
      {"2倍", true, "倍率「2倍」は数値でないため 1 で作図します"},
      {"1,5", true, "倍率「1,5」は数値でないため 1 で作図します"},
      {"1e9", true, "倍率「1e9」は大きすぎるため 100000000 で作図します"},
      {"100000001", true, "倍率「100000001」は大きすぎるため 100000000 で作図します"},
      {"abc", false, ""},
      {"", false, ""},
  };
  for (const auto& c : cases) {
    MemoryFileSystem disk;
    HeadlessHost local("C:\\CAD\\q836.exe", key, disk);
    TForm1 run(local);
    disk.files[kExchange] = "ci 10 20 0.05\r\n";
    run.PathOverride = RunPaths{kExchange, kExchange, ""};
    run.FormShow();
    local.SetText(Control::Edit1, "5");
    local.SetText(Control::Edit2, c.scale);
    SetRadioGroupButton(local, c.marker ? Control::RadioButton2 : Control::RadioButton1, true);
    std::string warnings;
    for (const PreviewLine& line : run.Preview()) {
      if (line.Warning) warnings += line.Text;
    }
    EXPECT_EQ(warnings, c.warning) << c.scale << (c.marker ? " markers" : " points");
    EXPECT_FALSE(local.Disabled(Control::Button1)) << c.scale;  // OK runs with the value told
    run.Button1Click();
    if (!c.marker) continue;
    // The scale of the marker line OK wrote: the stated one, or the text's.
    const std::string& out = disk.files[kExchange];
    const size_t at = out.find("pt 10 20 ");
    ASSERT_NE(at, std::string::npos) << c.scale;
    const std::string written = out.substr(at + 9, out.find(' ', at + 9) - at - 9);
    std::string stated = NumberToText(TextToFloat(c.scale));
    const std::string_view tail = " で作図します";
    if (!warnings.empty()) {
      ASSERT_TRUE(warnings.ends_with(tail)) << warnings;
      const std::string told = warnings.substr(0, warnings.size() - tail.size());
      stated = told.substr(told.rfind(' ') + 1);
    }
    EXPECT_EQ(written, stated) << c.scale;
  }
}

// The counts are exactly the figures that OK then turns into points.
TEST_F(PreviewTest, TheCountIsTheNumberOfPointsOkWrites) {
  for (const char* radius : {"0.05", "0.0499999", "2", "3", "49.9", "50", "-1", "0"}) {
    TForm1 run(host);
    fs.files[kExchange] = kDrawing;
    run.PathOverride = RunPaths{kExchange, kExchange, ""};
    run.FormShow();
    Boxes(true, true, true, true, true);
    host.SetText(Control::Edit1, radius);
    int total = 0;
    for (const PreviewLine& line : run.Preview()) {
      if (line.Text.starts_with("半径")) continue;  // radii and counts of each
      for (size_t at = 0; (at = line.Text.find(' ', at)) != std::string::npos; ++at) {
        total += std::atoi(line.Text.c_str() + at + 1);
      }
    }
    run.Button1Click();
    const std::string& out = fs.files[kExchange];
    int points = 0;
    for (size_t at = 0; (at = out.find("\r\npt ", at)) != std::string::npos; ++at) ++points;
    EXPECT_EQ(total, points) << radius;
  }
}

// A number beyond a double in either edit box: the strip says which field
// OK cannot read instead of the conversion, and OK is offered again as soon
// as both can be read.
TEST_F(PreviewTest, SaysWhichFieldOkCannotReadAndOffersOkOnlyWhenItCan) {
  const struct {
    const char* radius;
    const char* scale;
    const char* text;
    bool okEnabled;
  } cases[] = {
      {"1e400", "1", "半径の値が大きすぎて読めないため、ＯＫできません", false},
      {"5", "-1e999", "倍率の値が大きすぎて読めないため、ＯＫできません", false},
      {"1e400", "1e400",
       "半径の値が大きすぎて読めないため、ＯＫできません\n"
       "倍率の値が大きすぎて読めないため、ＯＫできません",
       false},
      {"5", "1e300", "変換対象：円 2 → 点", true},  // clamped by OK, no refusal
  };
  Show(kDrawing);
  Boxes(true, false, false, false, false);
  for (const auto& c : cases) {
    host.SetText(Control::Edit1, c.radius);
    host.SetText(Control::Edit2, c.scale);
    EXPECT_EQ(Text(), c.text) << c.radius << " " << c.scale;
    EXPECT_EQ(host.Disabled(Control::Button1), !c.okEnabled) << c.radius << " " << c.scale;
    for (const PreviewLine& line : form.Preview()) {
      EXPECT_EQ(line.Warning, !c.okEnabled) << line.Text;
    }
  }
}

size_t Columns(const std::string& text) {
  size_t columns = 0;
  for (unsigned char b : text) columns += b < 0x80 ? 1 : (b & 0xC0) != 0x80 ? 2 : 0;
  return columns;
}

TEST_F(PreviewTest, WarnsOfBlockInsertionsAndWrapsWithinTheStrip) {
  Show(std::string(kDrawing) + "BL 0 0 blk1\r\nBL 1 1 blk2\r\n");
  Boxes(true, true, true, true, true);
  host.SetText(Control::Edit1, "1e8");
  const std::vector<PreviewLine> lines = form.Preview();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_FALSE(lines[1].Warning);
  EXPECT_FALSE(lines[2].Warning);  // the radii
  EXPECT_TRUE(lines[3].Warning);
  EXPECT_EQ(lines[3].Text, "ブロック図形2個はＯＫで消え作図されません。キャンセルで選び直し");
  for (const PreviewLine& line : lines) EXPECT_LE(Columns(line.Text), kPreviewColumns) << line.Text;
}

// The radius line: the distinct radii of the chosen kinds nearest to the
// limit, up to three on each side of the bar, "…" where more lie beyond;
// equal radii of different kinds are one entry; a radius equal to the limit
// is converted, so it stands left of the bar.
TEST_F(PreviewTest, ShowsTheRadiiOnBothSidesOfTheLimit) {
  // Circles 0.05 x2, 0.1, 0.3 x3, 0.5, 2.5, 5 x2, 7; arcs 0.3, 5, 9;
  // circle solids 0.3; ring solids of both forms 0.05 and 100000000.
  const std::string drawing =
      "ci 0 0 0.05\r\nci 0 0 0.05\r\nci 0 0 0.1\r\nci 0 0 0.3\r\nci 0 0 0.3\r\nci 0 0 0.3\r\n"
      "ci 0 0 0.5\r\nci 0 0 2.5\r\nci 0 0 5\r\nci 0 0 5\r\nci 0 0 7\r\n"
      "ci 0 0 0.3 0 0 1 1\r\nci 0 0 5 0 0 1 1\r\nci 0 0 9 0 0 1 1\r\n"
      "sc 0 0 0.3 1 0 6.28 0 0\r\nsg 0 0 0.05 1 0 6.28 0 1\r\nso 0 0 100000000 1 0 6.28 0 1\r\n";
  const struct {
    const char* name;
    const char* radius;
    bool circles, arcs, circleSolids, ringSolids;
    const char* line;  // empty: no radius line
  } cases[] = {
      {"both sides, more on each", "0.6", true, true, false, false,
       "半径：… 0.1×1 0.3×4 0.5×1 ｜ 2.5×1 5×3 7×1 …"},
      {"exactly three below", "0.4", true, false, false, false,
       "半径：0.05×2 0.1×1 0.3×3 ｜ 0.5×1 2.5×1 5×2 …"},
      {"only below", "1000", true, false, false, false, "半径：… 2.5×1 5×2 7×1 ｜"},
      {"only above", "0.01", true, false, false, false, "半径：｜ 0.05×2 0.1×1 0.3×3 …"},
      {"at the limit counts as converted", "0.3", true, false, false, false,
       "半径：0.05×2 0.1×1 0.3×3 ｜ 0.5×1 2.5×1 5×2 …"},
      {"kinds merged", "5", true, true, true, false, "半径：… 0.5×1 2.5×1 5×3 ｜ 7×1 9×1"},
      {"kinds merged below", "0.3", true, true, true, false,
       "半径：0.05×2 0.1×1 0.3×5 ｜ 0.5×1 2.5×1 5×3 …"},
      {"arcs only", "0.3", false, true, false, false, "半径：0.3×1 ｜ 5×1 9×1"},
      {"limit clamped up", "0", true, false, false, true, "半径：｜ 0.05×3 0.1×1 0.3×3 …"},
      {"limit clamped down", "1e9", false, false, false, true, "半径：0.05×1 100000000×1 ｜"},
      {"unreadable text", "abc", false, false, false, true, "半径：｜ 0.05×1 100000000×1"},
      {"no candidates of the chosen kinds", "1", false, false, true, false, "半径：0.3×1 ｜"},
      {"nothing chosen", "1", false, false, false, false, ""},
      {"a number beyond a double", "1e400", true, true, true, true, ""},
  };
  Show(drawing);
  for (const auto& c : cases) {
    Boxes(c.circles, c.arcs, c.circleSolids, false, c.ringSolids);
    host.SetText(Control::Edit1, c.radius);
    std::string line;
    for (const PreviewLine& l : form.Preview()) {
      if (l.Text.starts_with("半径：")) line = l.Text;
    }
    EXPECT_EQ(line, c.line) << c.name;
  }
}

// Kinds switched off and on again give the same line; a selection without
// candidates has no radius line.
TEST_F(PreviewTest, RadiusLineFollowsTheChosenKinds) {
  Show(kDrawing);
  Boxes(true, false, false, false, false);
  host.SetText(Control::Edit1, "1");
  const std::string circles = Text(true);
  Boxes(false, false, false, false, false);
  EXPECT_EQ(Text(true), "変換対象：0（対象図形が選ばれていません）");
  Boxes(true, false, false, false, false);
  EXPECT_EQ(Text(true), circles);
  EXPECT_EQ(circles, "変換対象：円 1 → 点\n半径：0.05×1 ｜ 5×1 50×1");
  FreeDrawingTables();
  TForm1 empty(host);
  fs.files[kExchange] = "lg0\r\n0 0 1 1\r\n";
  empty.PathOverride = RunPaths{kExchange, kExchange, ""};
  empty.FormShow();
  Boxes(true, true, true, true, true);
  for (const PreviewLine& l : empty.Preview()) EXPECT_FALSE(l.Text.starts_with("半径：")) << l.Text;
}

// The worst case fits the strip: all five kinds, long radii and counts,
// blocks, a clamped radius. No line is wider than the strip, and there are
// no more lines than it holds; radii farthest from the limit give way.
TEST_F(PreviewTest, TheWorstCaseFitsTheStrip) {
  std::string drawing;
  for (const char* kind : {"ci 0 0 ", "sc 0 0 ", "se 0 0 ", "so 0 0 "}) {
    for (const char* r :
         {"123456.789012345", "123457.789012345", "123458.789012345", "123459.789012345",
          "223456.789012345", "323456.789012345", "423456.789012345", "523456.789012345"}) {
      const std::string tail = kind[0] == 'c' ? "" : " 1 0 6.28 0 0";
      for (int i = 0; i < 3; ++i) drawing += kind + std::string(r) + tail + "\r\n";
    }
  }
  drawing += "ci 0 0 123456.789012345 0 0 1 1\r\n";
  for (int i = 0; i < 1234; ++i) drawing += "BL 0 0 b\r\n";
  Show(drawing);
  Boxes(true, true, true, true, true);
  SetRadioGroupButton(host, Control::RadioButton2, true);
  for (const char* radius : {"200000", "123459", "abcdefghijklmnop", "0"}) {
    host.SetText(Control::Edit1, radius);
    const std::vector<PreviewLine> lines = form.Preview();
    EXPECT_LE(lines.size(), kPreviewLines) << radius;
    bool radii = false;
    for (const PreviewLine& line : lines) {
      EXPECT_LE(Columns(line.Text), kPreviewColumns) << line.Text;
      radii = radii || line.Text.starts_with("半径：");
    }
    EXPECT_TRUE(radii) << radius;
  }
  host.SetText(Control::Edit1, "200000");
  EXPECT_EQ(Text(true),
            "変換対象：円 12、円弧・楕円 1、円ソリッド 12、円周ソリッド 12、\n"
            "　　　　　円環ソリッド 12 → 点マーカー＊\n"
            "半径：… 123457.789012345×12 123458.789012345×12\n"
            "　　　123459.789012345×12 ｜ 223456.789012345×12\n"
            "　　　323456.789012345×12 423456.789012345×12 …\n"
            "ブロック図形1234個はＯＫで消え作図されません。\n"
            "　キャンセルで選び直し");
}

// The fullest states: all five kinds with seven-digit counts, sixteen
// full-width characters in both edits, block insertions with a seven-digit
// count. Every warning is there whole, the lines that inform give way, and
// no more lines than the strip holds, none wider than it.
TEST_F(PreviewTest, NoWarningIsEverCut) {
  std::string drawing;
  drawing.reserve(size_t{64} << 20);
  for (const char* line : {"ci 0 0 1\r\n", "ci 0 0 1 0 0 1 1\r\n", "sc 0 0 1 1 0 6.28 0 0\r\n",
                           "se 0 0 1 1 0 6.28 0 0\r\n", "so 0 0 1 1 0 6.28 0 0\r\n"}) {
    for (int i = 0; i < 1000000; ++i) drawing += line;
  }
  for (int i = 0; i < 1000000; ++i) drawing += "BL 0 0 b\r\n";
  Show(drawing);
  Boxes(true, true, true, true, true);
  const std::string sixteen = "ａｂｃｄｅｆｇｈｉｊｋｌｍｎｏｐ";
  const struct {
    std::string radius, scale;
    bool marker;
    size_t warnings;  // red lines expected, every one whole
  } cases[] = {
      {sixteen, sixteen, true, 6},  // 2 + 2 + the block warning's 2
      {sixteen, "1", true, 4},
      {"1", sixteen, true, 4},
      {sixteen, sixteen, false, 4},  // no scale line for points
      {"", "", true, 4},
      {"1", "1", true, 2},
      {"1e400", "1e400", true, 4},
  };
  for (const auto& c : cases) {
    host.SetText(Control::Edit1, c.radius);
    host.SetText(Control::Edit2, c.scale);
    SetRadioGroupButton(host, c.marker ? Control::RadioButton2 : Control::RadioButton1, true);
    const std::vector<PreviewLine> lines = form.Preview();
    const std::string all = PreviewText(lines, "\n");
    EXPECT_LE(lines.size(), kPreviewLines) << all;
    size_t warnings = 0;
    for (const PreviewLine& line : lines) {
      EXPECT_LE(Columns(line.Text), kPreviewColumns) << line.Text;
      warnings += line.Warning;
    }
    EXPECT_EQ(warnings, c.warnings) << all;
    EXPECT_NE(all.find("ブロック図形1000000個はＯＫで消え作図されません。\n　キャンセルで選び直し"),
              std::string::npos)
        << all;
    if (c.radius != "1e400") {
      // The counts, shortened where the warnings need the room.
      EXPECT_TRUE(lines[0].Text.starts_with("変換対象：")) << all;
      EXPECT_NE(lines[0].Text.find(c.radius == "1" ? "1000000" : "0"), std::string::npos) << all;
    }
  }
  host.SetText(Control::Edit1, sixteen);
  host.SetText(Control::Edit2, sixteen);
  SetRadioGroupButton(host, Control::RadioButton2, true);
  EXPECT_EQ(Text(true),
            "変換対象：計 0（円0 弧0 円ソ0 周ソ0 環ソ0）\n"
            "半径「" +
                sixteen +
                "」は数値でないため\n"
                "　　0.000001 として扱います\n"
                "倍率「" +
                sixteen +
                "」は数値でないため\n"
                "　　1 で作図します\n"
                "ブロック図形1000000個はＯＫで消え作図されません。\n"
                "　キャンセルで選び直し");
}

TEST_F(PreviewTest, AFailedReadShowsNothing) {
  Show("BL 0 0 b\r\nci 1 1 1e400\r\n");
  ASSERT_TRUE(form.LoadFailed());
  EXPECT_TRUE(form.Preview().empty());
}

}  // namespace
}  // namespace q836
