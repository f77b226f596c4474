#include "tool/form1.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <vector>

#include "exchange/drawing.h"
#include "tests/memory_file_system.h"
#include "text/text_convert.h"
#include "tool/headless_host.h"

namespace q836 {
namespace {

const char kExchange[] = "C:\\CAD\\JWC_TEMP.TXT";
const char kSettings[] = "C:\\CAD\\q836.dat";
const char kTypical[] = "lg0\r\nly1\r\nlc2\r\nlt1\r\nlw0\r\nci 10 20 0.05\r\nci 30 40 5\r\n";

struct Key : EscapeKey {
  bool down = false;
  bool IsDown() override { return down; }
};

class FormTest : public ::testing::Test {
 protected:
  FormTest() : host("C:\\CAD\\q836.exe", key, fs), form(host) {}

  // Shows the form on `exchange`, applies `edit` to the controls, presses OK.
  std::string RunOk(
      const std::string& exchange, const std::function<void()>& edit = [] {}) {
    Show(exchange);
    edit();
    form.Button1Click();
    EXPECT_TRUE(host.destroyed);
    return fs.files[kExchange];
  }
  void Show(const std::string& exchange) {
    fs.files[kExchange] = exchange;
    form.FormShow();
  }
  // Only the given check boxes set, plain points.
  void Only(std::initializer_list<Control> boxes) {
    for (Control c : {Control::CheckBox1, Control::CheckBox2, Control::CheckBox3,
                      Control::CheckBox4, Control::CheckBox5}) {
      host.SetChecked(c, false);
    }
    for (Control c : boxes) host.SetChecked(c, true);
  }

  MemoryFileSystem fs;
  Key key;
  HeadlessHost host;
  TForm1 form;
};

TEST_F(FormTest, WorkedExampleWithPointsAndMarkers) {
  EXPECT_EQ(RunOk(kTypical,
                  [&] {
                    Only({Control::CheckBox1});
                    host.SetText(Control::Edit1, "0.1");
                  }),
            "hd\r\nlg0\r\nly1\r\nlc2\r\nlt1\r\nlw0\r\nci 30 40 5\r\npn2\r\npt 10 20\r\n");
}

TEST_F(FormTest, MarkersTakeShapeAndMagnification) {
  const std::string out = RunOk(kTypical, [&] {
    Only({Control::CheckBox1});
    host.SetChecked(Control::RadioButton1, false);
    host.SetChecked(Control::RadioButton2, true);
    host.SetItemIndex(Control::ComboBox1, 4);  // □
    host.SetText(Control::Edit2, "2");
  });
  EXPECT_NE(out.find("pn2\r\npt 10 20 2 0 -5\r\n"), std::string::npos) << out;
}

TEST_F(FormTest, ShowFillsTheControlsFromTheSettings) {
  fs.files[kSettings] = "15\r\n-30\r\n0\r\n1\r\n0\r\n1\r\n0.25\r\n5\r\n3\r\n1\r\n0\r\n1\r\n";
  Show("ci 0 0 1\nci 0 0 2\nci 0 0 1 0 0 1 1\nsc 0 0 1 1 0 0 0 0\nso 0 0 1 1 0 0 0 0.5\n");
  EXPECT_EQ(host.Text(Control::LabelA1), "円数：2 円弧数：1 円ソリッド数：2");
  EXPECT_EQ(host.Left(), 15);
  EXPECT_EQ(host.Top(), -30);
  EXPECT_FALSE(host.Checked(Control::CheckBox1));
  EXPECT_TRUE(host.Checked(Control::CheckBox2));
  EXPECT_EQ(host.Text(Control::Edit1), "0.25");
  EXPECT_FALSE(host.Checked(Control::RadioButton1));
  EXPECT_TRUE(host.Checked(Control::RadioButton2));
  EXPECT_EQ(host.ItemIndex(Control::ComboBox1), 5);
  EXPECT_EQ(host.Text(Control::Edit2), "3");
  EXPECT_TRUE(host.Checked(Control::CheckBox3));
  EXPECT_FALSE(host.Checked(Control::CheckBox4));
  EXPECT_TRUE(host.Checked(Control::CheckBox5));
  EXPECT_EQ(form.ExeFolder, "C:\\CAD\\");
}

TEST_F(FormTest, DefaultsShowAsShortNumbers) {
  Show("");
  EXPECT_EQ(host.Text(Control::Edit1), "0.1");
  EXPECT_EQ(host.Text(Control::Edit2), "1");
  EXPECT_TRUE(host.Checked(Control::RadioButton1));
  EXPECT_FALSE(host.Checked(Control::RadioButton2));
}

TEST_F(FormTest, RadioButtonsFormOneGroup) {
  for (const char* flags : {"1\r\n1\r\n", "0\r\n0\r\n"}) {
    fs.files[kSettings] = std::string("0\r\n0\r\n1\r\n1\r\n") + flags + "1\r\n0\r\n1\r\n";
    HeadlessHost other("C:\\CAD\\q836.exe", key, fs);
    TForm1 second(other);
    fs.files[kExchange] = "ci 1 1 0.5\n";
    second.FormShow();
    // What is shown is what OK does: markers.
    EXPECT_FALSE(other.Checked(Control::RadioButton1)) << flags;
    EXPECT_TRUE(other.Checked(Control::RadioButton2)) << flags;
    second.Button1Click();
    EXPECT_NE(fs.files[kExchange].find("pt 1 1 1 0 -1"), std::string::npos) << flags;
  }
}

TEST_F(FormTest, RadiusLimitIsInclusiveAndClamped) {
  struct Case {
    const char* edit;
    double saved;
    bool converts2;  // a circle of radius 2 is converted
  } cases[] = {{"2", 2, true},          {"1.9999999", 1.9999999, false},
               {"0", 1e-6, false},      {"", 1e-6, false},
               {"abc", 1e-6, false},    {"0,5", 1e-6, false},
               {"200000000", 1e8, true}};
  for (const Case& c : cases) {
    MemoryFileSystem disk;
    HeadlessHost h("C:\\CAD\\q836.exe", key, disk);
    TForm1 f(h);
    disk.files[kExchange] = "ci 5 5 2\nci 6 6 0.000001\n";
    f.FormShow();
    h.SetText(Control::Edit1, c.edit);
    f.Button1Click();
    const std::string out = disk.files[kExchange];
    EXPECT_EQ(out.find("ci 5 5 2") == std::string::npos, c.converts2) << c.edit;
    EXPECT_NE(out.find("pt 6 6"), std::string::npos) << c.edit;  // 1e-6 is always within
    TForm1Settings saved;
    LoadSettings(saved, kSettings, disk);
    EXPECT_EQ(saved.RadiusLimit, c.saved) << c.edit;
  }
}

// A figure is converted when lower limit <= radius <= limit; a blank lower
// limit is none, and one that is no number refuses OK.
TEST_F(FormTest, LowerLimitNarrowsTheRange) {
  const char* const radii[] = {"-1", "0", "0.05", "0.3", "0.5", "0.7"};
  struct Case {
    const char* from;
    const char* limit;
    const char* converted;  // one letter a radius, in the order above: y converted
    bool refused;
  } cases[] = {
      {"", "0.5", "yyyyyn", false},     {"\xe3\x80\x80 ", "0.5", "yyyyyn", false},
      {"0.3", "0.5", "nnnyyn", false},  {"0.5", "0.5", "nnnnyn", false},
      {"0", "0.3", "nyyynn", false},    {"-1", "0.05", "yyynnn", false},
      {"0.6", "0.5", "nnnnnn", false},  {"0.05", "1e9", "nnyyyy", false},
      {"abc", "0.5", "nnnnnn", true},   {"0.3mm", "0.5", "nnnnnn", true},
      {"1e999", "0.5", "nnnnnn", true}, {"-1e999", "0.5", "nnnnnn", true},
  };
  for (const Case& c : cases) {
    MemoryFileSystem disk;
    HeadlessHost h("C:\\CAD\\q836.exe", key, disk);
    TForm1 f(h);
    std::string in;
    for (const char* r : radii) in += std::string("ci 1 ") + r + " " + r + "\n";
    disk.files[kExchange] = in;
    f.FormShow();
    h.SetText(Control::Edit3, c.from);
    h.SetText(Control::Edit1, c.limit);
    std::vector<PreviewLine> preview = f.Preview();
    f.Button1Click();
    EXPECT_EQ(f.Refused(), c.refused) << c.from;
    EXPECT_EQ(h.Disabled(Control::Button1), c.refused) << c.from;
    if (c.refused) {
      EXPECT_EQ(h.focused, Control::Edit3) << c.from;
      EXPECT_TRUE(preview.at(0).Warning) << c.from;
      continue;
    }
    const std::string out = disk.files[kExchange];
    for (size_t i = 0; i < std::size(radii); ++i) {
      const std::string point = std::string("pt 1 ") + radii[i] + "\r\n";
      EXPECT_EQ(out.find(point) != std::string::npos, c.converted[i] == 'y')
          << c.from << " " << radii[i] << "\n"
          << out;
    }
    TForm1Settings saved;
    LoadSettings(saved, kSettings, disk);
    EXPECT_EQ(saved.RadiusFrom.has_value(), IsDecimalText(c.from)) << c.from;
  }
}

// With the originals kept every figure is written back where it was, and
// the points or markers follow as they would without.
TEST_F(FormTest, KeptOriginalsStayBesideTheirPoints) {
  const std::string drawing =
      "lc10 255\nsc 1 1 0.05 1 0 0 0 0\nlc10\nlw3\nci 2 2 0.05\nci 2 2 0.06 0 1 0.5 0\nlc4\nlw0\n"
      "se 3 3 0.05 1 0 0 0 0\nso 4 4 0.05 1 0 0 0 0.01\nsg 5 5 0.05 1 0 0 0 0.01\n0 0 9 9\n";
  for (bool markers : {false, true}) {
    auto choose = [&](HeadlessHost& h, bool keep) {
      for (Control c : {Control::CheckBox1, Control::CheckBox2, Control::CheckBox3,
                        Control::CheckBox4, Control::CheckBox5})
        h.SetChecked(c, true);
      SetRadioGroupButton(h, markers ? Control::RadioButton2 : Control::RadioButton1, true);
      h.SetChecked(Control::CheckBox6, keep);
    };
    std::string runs[3];  // nothing chosen, converted, converted and kept
    for (int run = 0; run < 3; ++run) {
      MemoryFileSystem disk;
      HeadlessHost h("C:\\CAD\\q836.exe", key, disk);
      TForm1 f(h);
      disk.files[kExchange] = drawing;
      f.FormShow();
      choose(h, run == 2);
      if (run == 0) h.SetText(Control::Edit1, "0.01");
      f.Button1Click();
      runs[run] = disk.files[kExchange];
    }
    const std::string& untouched = runs[0];
    const std::string& converted = runs[1];
    const std::string& kept = runs[2];
    // Everything of the untouched drawing comes first, in its order...
    ASSERT_EQ(kept.substr(0, untouched.size()), untouched) << kept;
    // ...then the six results, as the plain conversion writes them after
    // the same last line in the same state.
    const std::string results = kept.substr(untouched.size());
    const size_t tail = converted.find("0 0 9 9\r\n");
    ASSERT_NE(tail, std::string::npos) << converted;
    EXPECT_EQ(results, converted.substr(tail + 9)) << results;
    EXPECT_EQ(std::count(results.begin(), results.end(), '\n'), 11) << results;
    EXPECT_NE(results.find(markers ? "pt 5 5 1 0 -1\r\n" : "pt 5 5\r\n"), std::string::npos);
  }
}

TEST_F(FormTest, MagnificationZeroIsWrittenAsOne) {
  const std::string out = RunOk("ci 1 1 0.01\n", [&] {
    host.SetChecked(Control::RadioButton2, true);
    host.SetChecked(Control::RadioButton1, false);
    host.SetText(Control::Edit2, "0");
    host.SetItemIndex(Control::ComboBox1, -1);  // no shape selected: code 0
  });
  EXPECT_NE(out.find("pt 1 1 1 0 0\r\n"), std::string::npos) << out;
  TForm1Settings saved;
  LoadSettings(saved, kSettings, fs);
  EXPECT_EQ(saved.Magnification, 1e-9);
}

TEST_F(FormTest, SolidColourRuleAndCarriedAttributes) {
  const std::string out = RunOk(
      "lc10 255\nsc 1 1 0.05 1 0 0 0 0\nlc10\nlw3\nci 2 2 0.05\nci 2 2 0.06\nlc4\nlw0\n"
      "se 3 3 0.05 1 0 0 0 0\nso 4 4 0.05 1 0 0 0 0.01\nsg 5 5 0.05 1 0 0 0 0.01\n",
      [&] {
        Only({Control::CheckBox1, Control::CheckBox3, Control::CheckBox4, Control::CheckBox5});
      });
  EXPECT_EQ(out,
            "hd\r\nlg0\r\nly0\r\npn10\r\nlw3\r\npt 2 2\r\npt 2 2\r\npn1\r\nlw0\r\npt 1 "
            "1\r\npn4\r\npt 3 3\r\n"
            "pt 4 4\r\npt 5 5\r\n");
}

TEST_F(FormTest, NewPointsFollowTheFileInTableOrder) {
  const std::string out = RunOk("ci 1 1 1 0 0 1 1\n0 0 9 9\nci 2 2 0.01\n", [&] {
    Only({Control::CheckBox1, Control::CheckBox2});
    host.SetText(Control::Edit1, "1");
  });
  const size_t line = out.find("0 0 9 9"), circle = out.find("pt 2 2"), arc = out.find("pt 1 1");
  EXPECT_LT(line, circle);
  EXPECT_LT(circle, arc);
  EXPECT_EQ(out.find("ci "), std::string::npos);
}

TEST_F(FormTest, NothingChosenOrNothingMatchingLeavesTheTables) {
  Show("ci 1 1 0.01\nci 2 2 0.01 0 0 1 1\n0 0 1 1\n");
  Only({});
  const int32_t orderBefore = OrderCount;
  form.Button1Click();
  EXPECT_EQ(OrderCount, orderBefore);
  EXPECT_EQ(PointCount + MarkerCount, 0);
  EXPECT_EQ(fs.files[kExchange],
            "hd\r\nlg0\r\nly0\r\nlc1\r\nlt1\r\nlw0\r\nci 1 1 0.01\r\nci 2 2 0.01 0 0 1 1\r\n"
            "0 0 1 1\r\n");
}

TEST_F(FormTest, CancelWritesHqAndKeepsTheSettings) {
  fs.files[kSettings] = "1\n2\n";
  Show(kTypical);
  form.Button2Click();
  EXPECT_EQ(fs.files[kExchange], "hq\r\n");
  EXPECT_EQ(fs.files[kSettings], "1\n2\n");
  form.Close();  // closing twice writes once
  EXPECT_TRUE(host.destroyed);
}

// Whatever reads the drawing beside the form (the window's view, on
// threads of its own) hears of it before OK converts the tables and before
// a close frees them.
TEST_F(FormTest, TheHostHearsBeforeTheDrawingChanges) {
  for (const bool ok : {true, false}) {
    HeadlessHost local("C:\\CAD\\q836.exe", key, fs);
    TForm1 localForm(local);
    std::vector<int32_t> pointsWhenTold;
    local.onDrawingChanging = [&] { pointsWhenTold.push_back(PointCount); };
    fs.files[kExchange] = kTypical;
    localForm.FormShow();
    local.SetChecked(Control::CheckBox1, true);
    local.SetText(Control::Edit1, "1");
    ok ? localForm.Button1Click() : localForm.Button2Click();
    ASSERT_FALSE(pointsWhenTold.empty()) << ok;
    EXPECT_EQ(pointsWhenTold.front(), 0) << ok;  // before the conversion adds the point
    EXPECT_EQ(PointCount, ok ? 1 : 0) << ok;
  }
}

TEST_F(FormTest, MissingExchangeFileGivesZeroCounts) {
  form.FormShow();
  EXPECT_EQ(host.Text(Control::LabelA1), "円数：0 円弧数：0 円ソリッド数：0");
  EXPECT_FALSE(form.LoadFailed());
  form.Button1Click();
  EXPECT_EQ(fs.files[kExchange], "hd\r\nlg0\r\nly0\r\n");
}

TEST_F(FormTest, AFailedReadIsNeverWrittenBackInPart) {
  Show("ci 1 1 1\nci 2 2 1e400\nci 3 3 3\n");
  EXPECT_TRUE(form.LoadFailed());
  EXPECT_EQ(host.Text(Control::LabelA1), "JWC_TEMP.TXTを読み込めませんでした（2行目）");
  EXPECT_TRUE(host.Disabled(Control::Button1));
  form.Button1Click();  // disabled: nothing happens
  EXPECT_FALSE(host.destroyed);
  form.Close();
  EXPECT_EQ(fs.files[kExchange], "hq\r\n");
}

// A file that cannot be opened at all names its reason, and no line.
TEST_F(FormTest, AFileThatCannotBeOpenedSaysWhyWithoutALine) {
  fs.unreadable[kExchange] = true;
  Show(kTypical);
  EXPECT_TRUE(form.LoadFailed());
  EXPECT_FALSE(form.ExchangeMissing());
  EXPECT_EQ(host.Text(Control::LabelA1),
            "JWC_TEMP.TXTを読み込めませんでした（読み取りが許可されていません）");
  EXPECT_TRUE(host.Disabled(Control::Button1));
}

// OK refuses a number beyond a double before anything is saved, names the
// field and puts the focus into it; corrected, OK runs.
TEST_F(FormTest, OverflowInAnEditBoxIsRefusedBeforeAnythingIsSaved) {
  std::vector<std::string> messages;
  host.onMessage = [&](const std::string& text) { messages.push_back(text); };
  Show(kTypical);
  for (const auto& [edit, message] : {std::pair{Control::Edit1, "半径の値が大きすぎます。"},
                                      {Control::Edit2, "倍率の値が大きすぎます。"}}) {
    messages.clear();
    host.focused.reset();
    host.SetText(edit, "1e400");
    form.Button1Click();
    EXPECT_TRUE(form.Refused());
    EXPECT_EQ(messages, std::vector<std::string>{message});
    EXPECT_EQ(host.focused, edit);
    EXPECT_FALSE(host.destroyed);
    EXPECT_EQ(fs.files.count(kSettings), 0u);
    EXPECT_EQ(fs.files[kExchange], kTypical);
    host.SetText(edit, "1");
  }
  form.Button1Click();  // the dialog stays usable
  EXPECT_FALSE(form.Refused());
  EXPECT_EQ(fs.files[kExchange].substr(0, 4), "hd\r\n");
}

// ESC stops the write-back and changes nothing in the drawing, the host's
// current layer included.
TEST_F(FormTest, EscapeDuringTheWriteBackWritesHq) {
  key.down = true;
  EXPECT_EQ(RunOk("lg2\nly3\nci 1 1 1\n"), "hq\r\n");
  TForm1Settings saved;
  LoadSettings(saved, kSettings, fs);  // saved before the conversion
  EXPECT_EQ(saved.SavedLeft, 0);
  // The choices, the view shown, no lower limit, the originals not kept.
  EXPECT_EQ(fs.files[kSettings],
            "0\r\n0\r\n1\r\n1\r\n1\r\n0\r\n0.1\r\n0\r\n1\r\n0\r\n0\r\n0\r\n1\r\n\r\n0\r\n");
}

TEST_F(FormTest, StatusCaptionsInOrder) {
  std::vector<std::string> captions;
  host.onStatus = [&](const std::string& c) { captions.push_back(c); };
  RunOk(kTypical);
  EXPECT_EQ(captions, (std::vector<std::string>{
                          "円数：2 円弧数：0 円ソリッド数：0", "処理中です", "円データ参照中です",
                          "円弧・楕円データ参照中です", "円ソリッドデータ参照中です",
                          "円周ソリッドデータ参照中です", "円環ソリッドデータ参照中です",
                          "処理中(ESC:中断)：1／3", "ファイル生成中です"}));
}

// The write-back reports every 100 entities; the label shows a report only
// when 100 ms have passed since the last one it showed (the first always).
TEST_F(FormTest, ProgressRepaintsAreSpacedInTime) {
  struct ClockHost : HeadlessHost {
    using HeadlessHost::HeadlessHost;
    int64_t Milliseconds() override { return now += 30; }  // each report 30 ms later
    int64_t now = 0;
  } clocked("C:\\CAD\\q836.exe", key, fs);
  TForm1 run(clocked);
  std::string drawing;
  for (int i = 0; i < 1000; ++i) drawing += "ci 1 1 " + std::to_string(i + 1) + "\r\n";
  fs.files[kExchange] = drawing;
  std::vector<std::string> progress;
  clocked.onStatus = [&](const std::string& c) {
    if (c.rfind("処理中(", 0) == 0) progress.push_back(c);
  };
  run.FormShow();
  run.Button1Click();
  // Reports at 1, 101, ..., 901, 30 ms apart: shown at 0, 120, 240 ms, ...
  EXPECT_EQ(progress,
            (std::vector<std::string>{"処理中(ESC:中断)：1／1000", "処理中(ESC:中断)：401／1000",
                                      "処理中(ESC:中断)：801／1000"}));
}

TEST_F(FormTest, NoBannerRequestWithoutABaseUrl) {
  Show("");
  EXPECT_TRUE(host.bannerUrl.empty());
}

// Fails every single operation of a whole OK run in turn (creating, writing,
// syncing, closing and renaming the settings file and the exchange file):
// each time the exchange file and the settings file are each the complete
// new one or exactly the old one, and nothing else is left.
// ESC after blocks of the new file were already written: the new file is
// given up, and closing writes "hq", without the closing layer lines (the
// current layer at the stop differs from the first one).
TEST_F(FormTest, EscapeDuringTheWriteGivesUpTheNewFile) {
  struct LateKey : EscapeKey {
    int polls = 0;
    bool IsDown() override { return ++polls > 500; }  // after 50 000 entities
  } late;
  HeadlessHost lateHost("C:\\CAD\\q836.exe", late, fs);
  TForm1 run(lateHost);
  std::string exchange = "lg2\r\nly5\r\n";
  for (int i = 0; i < 100000; ++i) {
    if (i == 10000) exchange += "ly7\r\n";
    exchange += "0 0 1 " + std::to_string(i) + "\r\n";
  }
  fs.files[kExchange] = exchange;
  run.FormShow();
  run.Button1Click();
  EXPECT_EQ(fs.files[kExchange], "hq\r\n");
  EXPECT_EQ(fs.files.size(), 2u);  // the exchange and settings files, no temporary file
  EXPECT_GT(late.polls, 500);
}

// The memo says what OK does: every attribute, line width included, is kept
// (the batch file asks the host to read line widths back). Its words stay,
// in lines no wider than 10 full-width characters, which fit beside its
// scroll bar at every DPI.
TEST(FormTexts, TheMemoSaysTheLineWidthIsKept) {
  std::vector<std::string> lines;
  const std::string_view memo = kMemoText;
  for (size_t start = 0;;) {
    const size_t end = memo.find("\r\n", start);
    lines.emplace_back(memo.substr(start, end - start));
    if (end == std::string_view::npos) break;
    start = end + 2;
  }
  EXPECT_EQ(lines.size(), 36u);
  EXPECT_EQ(lines[1], "　レイヤ、線色は");
  EXPECT_EQ(lines[2], "　同じ状態にします");
  EXPECT_EQ(lines[3], "　線幅も同じにします");
  EXPECT_EQ(memo.find("「0」"), std::string_view::npos);
  for (const std::string& line : lines) {
    int columns = 0;  // a full-width character takes two columns
    for (size_t i = 0; i < line.size(); ++i) {
      const unsigned char c = static_cast<unsigned char>(line[i]);
      if (c < 0x80) ++columns;
      if (c >= 0xE0) columns += 2, i += 2;
    }
    EXPECT_LE(columns, 20) << line;
  }
  // The words, whatever the wrapping: the text without line ends and
  // indents is the one the memo has always said.
  std::string words;
  for (const std::string& line : lines) {
    words += line.starts_with("　") ? line.substr(3) : line;
  }
  EXPECT_EQ(words,
            "◇レイヤグループレイヤ、線色は同じ状態にします線幅も同じにします◇円ソリッドには扇形・"
            "弓形・円外側のソリッド図形も含みます。◇円周ソリッドには円弧状も含みます。◇円環ソリッ"
            "ドには円弧状も含みます。◆ブロック図形内のものは処理出来ませんので御注意下さい。ブロッ"
            "ク編集内で行う場合には、本ソフトをJw_cadのインストール・フォルダに配置して実行を行って"
            "下さい。◆ウイルス／セキュリティソフト／セキュリティ設定の画面が表示され、許可／遮断を"
            "問い合わせてきた場合には「許可」を選択して下さい。");
}

// A file that cannot be written is told, with its reason; a settings file
// that cannot be written does not stop the conversion.
TEST_F(FormTest, FailedWritesAreToldWithTheirReason) {
  struct Case {
    const char* name;
    int failAt;  // operation of the OK run that fails: 1-5 the settings file, 6-10 the exchange
                 // file
    FileError error;
    std::vector<std::string> messages;
    bool converted;
    int retries = 0;  // times the user answers 再試行 when the file is in use
    std::function<void(MemoryFileSystem&)> setUp = nullptr;
  } cases[] = {
      {"settings",
       2,
       FileError::kAccessDenied,
       {"設定ファイルq836.datを書き込めませんでした（書き込みが許可されていません）。"
        "今回の設定は次回に引き継がれません。"},
       true},
      {"settings folder",
       1,
       FileError::kAccessDenied,
       {"設定ファイルq836.datを書き込めませんでした（保存先のフォルダにファイルを作ることが許"
        "可されていません）。今回の設定は次回に引き継がれません。"},
       true},
      // キャンセル in the retry box ends it: no second box.
      {"exchange full", 6, FileError::kDiskFull, {}, false},
      {"exchange full, then freed", 6, FileError::kDiskFull, {}, true, 1},
      {"exchange held", 10, FileError::kInUse, {}, false},
      {"exchange held, then closed", 10, FileError::kInUse, {}, true, 1},
      {"exchange read-only",
       0,
       FileError::kNone,
       {"JWC_TEMP.TXTを書き込めませんでした（読み取り専用のファイルです。ファイルのプロパティで"
        "読み取り専用を外すと書き込めます）。図面は変更されていません。"},
       false,
       0,
       [](MemoryFileSystem& d) { d.readOnly[kExchange] = true; }},
      {"metadata",
       0,
       FileError::kNone,
       {"設定ファイルq836.datを書き込めませんでした（ファイルのアクセス許可や属性を引き継げませ"
        "ん）。今回の設定は次回に引き継がれません。",
        "JWC_TEMP.TXTを書き込めませんでした（ファイルのアクセス許可や属性を引き継げません）。"
        "図面は変更されていません。"},
       false,
       0,
       [](MemoryFileSystem& d) {
         d.files[kSettings] = "old";
         d.metadataFails = true;
       }},
      {"settings unreadable",
       0,
       FileError::kNone,
       {"設定ファイルq836.datを読み込めませんでした（読み取りが許可されていません）。"
        "既定の設定で開きます。設定ファイルは書き換えません。"},
       true,
       0,
       [](MemoryFileSystem& d) {
         d.files[kSettings] = "old";
         d.unreadable[kSettings] = true;
       }},
  };
  // What OK writes when nothing fails.
  std::string converted;
  {
    MemoryFileSystem disk;
    disk.files[kExchange] = kTypical;
    HeadlessHost h("C:\\CAD\\q836.exe", key, disk);
    TForm1 f(h);
    f.FormShow();
    f.Button1Click();
    converted = disk.files[kExchange];
  }
  for (const Case& c : cases) {
    MemoryFileSystem disk;
    disk.files[kExchange] = kTypical;
    if (c.setUp) c.setUp(disk);
    HeadlessHost h("C:\\CAD\\q836.exe", key, disk);
    std::vector<std::string> messages, questions;
    h.onMessage = [&](const std::string& text) { messages.push_back(text); };
    int retries = c.retries;
    h.onRetry = [&](const std::string& text) {
      questions.push_back(text);
      return retries-- > 0;
    };
    TForm1 f(h);
    f.FormShow();
    disk.operations = 0;  // counted from OK on
    disk.failAt = c.failAt;
    disk.failError = c.error;
    f.Button1Click();
    EXPECT_EQ(messages, c.messages) << c.name;
    EXPECT_EQ(f.ExchangeWritten(), c.converted) << c.name;
    // A file that could not be written stays exactly as the host wrote it;
    // one written after a retry holds exactly what OK writes.
    EXPECT_EQ(disk.files[kExchange], c.converted ? converted : std::string(kTypical)) << c.name;
    // An unreadable settings file is never overwritten.
    if (disk.unreadable.count(kSettings)) {
      EXPECT_EQ(disk.files[kSettings], "old") << c.name;
    }
    // The user is asked when the file is in use or the disk full, and
    // only then.
    const bool asked = c.error == FileError::kInUse || c.error == FileError::kDiskFull;
    EXPECT_EQ(questions.size(), asked ? 1u : 0u) << c.name;
    if (!questions.empty()) {
      EXPECT_EQ(questions[0],
                c.error == FileError::kInUse
                    ? "JWC_TEMP.TXTを書き込めませんでした（ほかのプログラムが使用中です）。"
                      "ほかのプログラムを閉じてから［再試行］を押してください。"
                    : "JWC_TEMP.TXTを書き込めませんでした（ディスクの空き容量が足りません）。"
                      "ディスクの空きを増やしてから［再試行］を押してください。")
          << c.name;
    }
    EXPECT_TRUE(h.destroyed) << c.name;
    for (const auto& [name, bytes] : disk.files) {
      EXPECT_FALSE(name.ends_with(".q836-new")) << c.name << ": left " << name;
    }
  }
}

TEST(FaultInjection, EveryFailedFileOperationLeavesWholeFilesOnly) {
  std::string exchange = kTypical;
  // Over 1 MiB of output: blocks are written while the write-back goes on.
  for (int i = 0; i < 100000; ++i) exchange += "0 0 1 " + std::to_string(i) + "\r\n";
  const std::string oldSettings = "9\r\n9\r\n";
  auto run = [&](MemoryFileSystem& fs, int retries = 0) {
    fs.files[kExchange] = exchange;
    fs.files[kSettings] = oldSettings;
    Key key;
    HeadlessHost host("C:\\CAD\\q836.exe", key, fs);
    host.onRetry = [&](const std::string&) { return retries-- > 0; };
    TForm1 form(host);
    form.FormShow();
    form.Button1Click();
    return std::make_pair(form.SettingsSaved(), form.ExchangeWritten());
  };
  MemoryFileSystem clean;
  ASSERT_EQ(run(clean), std::make_pair(true, true));
  const std::string newExchange = clean.files[kExchange];
  const std::string newSettings = clean.files[kSettings];
  const int points = clean.operations;
  ASSERT_GE(points, 10);
  for (int failAt = 1; failAt <= points; ++failAt) {
    MemoryFileSystem fs;
    fs.failAt = failAt;
    const auto [settingsSaved, exchangeWritten] = run(fs);
    EXPECT_TRUE(exchangeWritten ? fs.files[kExchange] == newExchange
                                : fs.files[kExchange] == exchange)
        << failAt;
    EXPECT_TRUE(settingsSaved ? fs.files[kSettings] == newSettings
                              : fs.files[kSettings] == oldSettings)
        << failAt;
    EXPECT_EQ(fs.files.size(), 2u) << "a file was left or lost at operation " << failAt;
    EXPECT_FALSE(settingsSaved && exchangeWritten) << failAt;
    // The user frees space and answers 再試行: the exchange file is made
    // anew, exactly as without the failure, whichever step failed.
    MemoryFileSystem freed;
    freed.failAt = failAt;
    EXPECT_TRUE(run(freed, 1).second) << failAt;
    EXPECT_TRUE(freed.files[kExchange] == newExchange) << failAt;
    EXPECT_EQ(freed.files.size(), 2u) << failAt;
  }
  std::printf("fault points injected: %d\n", points);
}

}  // namespace
}  // namespace q836
