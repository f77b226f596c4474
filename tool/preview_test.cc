#include "tool/preview.h"

#include <gtest/gtest.h>

#include <string>

#include "exchange/drawing.h"
#include "tests/memory_file_system.h"
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
  std::string Text() { return PreviewText(form.Preview(), "\n"); }

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
       "半径「abc」は数値として読めないため 0.000001 として扱います"},
      {"1e9", true, true, true, true, true, true,
       "変換対象：円 3、円弧・楕円 1、円ソリッド 1、円周ソリッド 1、\n"
       "　　　　　円環ソリッド 2 → 点マーカー□\n"
       "半径「1e9」は 100000000 より大きいため 100000000 として扱います"},
      {"-1", true, false, false, false, false, false,
       "変換対象：円 0（変換される図形はありません）\n"
       "半径「-1」は 0.000001 より小さいため 0.000001 として扱います"},
      {"", true, false, false, false, false, false,
       "変換対象：円 0（変換される図形はありません）\n"
       "半径「」は数値として読めないため 0.000001 として扱います"},
      {"０．５", true, false, false, false, false, false,
       "変換対象：円 0（変換される図形はありません）\n"
       "半径「０．５」は数値として読めないため 0.000001 として扱います"},
      {"1e-400", true, false, false, false, false, false,
       "変換対象：円 0（変換される図形はありません）\n"
       "半径「1e-400」は 0.000001 より小さいため 0.000001 として扱います"},
      {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", true, false, false, false, false, false,
       "変換対象：円 0（変換される図形はありません）\n"
       "半径「aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa」は数値として読めないため\n"
       "　　0.000001 として扱います"},
      // The limits themselves are taken as typed.
      {"0.000001", true, false, false, false, false, false,
       "変換対象：円 0（変換される図形はありません）"},
      {"1e8", true, false, false, false, false, false, "変換対象：円 3 → 点"},
      {"5", false, false, false, false, false, false, "変換対象：0（対象図形が選ばれていません）"},
      {"1e400", true, false, false, false, false, false,
       "半径の値が大きすぎて読めないため、OKできません"},
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
      {"1e400", "1", "半径の値が大きすぎて読めないため、OKできません", false},
      {"5", "-1e999", "倍率の値が大きすぎて読めないため、OKできません", false},
      {"1e400", "1e400",
       "半径の値が大きすぎて読めないため、OKできません\n"
       "倍率の値が大きすぎて読めないため、OKできません",
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

TEST_F(PreviewTest, WarnsOfBlockInsertionsAndWrapsWithinTheStrip) {
  Show(std::string(kDrawing) + "BL 0 0 blk1\r\nBL 1 1 blk2\r\n");
  Boxes(true, true, true, true, true);
  host.SetText(Control::Edit1, "1e8");
  const std::vector<PreviewLine> lines = form.Preview();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_FALSE(lines[1].Warning);
  EXPECT_TRUE(lines[2].Warning);
  EXPECT_EQ(lines[2].Text, "注意：ブロック図形 2 個が選択範囲にあり、OKで消去されます。");
  EXPECT_EQ(lines[3].Text, "　　　作図し直されません。キャンセルして選択し直せます。");
  for (const PreviewLine& line : lines) {
    size_t columns = 0;
    for (unsigned char b : line.Text) columns += b < 0x80 ? 1 : (b & 0xC0) != 0x80 ? 2 : 0;
    EXPECT_LE(columns, kPreviewColumns) << line.Text;
  }
}

TEST_F(PreviewTest, AFailedReadShowsNothing) {
  Show("BL 0 0 b\r\nci 1 1 1e400\r\n");
  ASSERT_TRUE(form.LoadFailed());
  EXPECT_TRUE(form.Preview().empty());
}

}  // namespace
}  // namespace q836
