#include "tool/form1.h"

#include <new>
#include <string_view>

#include "exchange/drawing.h"
#include "exchange/line_builder.h"
#include "exchange/output.h"
#include "exchange/reader.h"
#include "exchange/write_back.h"
#include "text/number_text.h"
#include "text/text_convert.h"
#include "tool/convert_table.h"

#ifndef Q836_BANNER_BASE_URL
#define Q836_BANNER_BASE_URL ""
#endif

namespace q836 {

namespace {

std::string FolderOf(const std::string& path) {
  const size_t end = path.find_last_of("\\/");
  return end == std::string::npos ? std::string() : path.substr(0, end + 1);
}

std::string_view NameOf(std::string_view path) {
  const size_t end = path.find_last_of("\\/");
  return end == std::string_view::npos ? path : path.substr(end + 1);
}

// "NAMEを書き込めませんでした（REASON）。" for the file at `path`.
std::string CannotWrite(std::string_view path, FileError error) {
  std::string text(NameOf(path));
  text += "を書き込めませんでした（";
  text += FileErrorText(error);
  text += "）。";
  return text;
}

// "NAMEを読み込めませんでした（N行目）" for a line that failed, with "：REASON"
// after the line number when the disk failed; without a line (0), the
// reason alone.
std::string CannotRead(std::string_view path, int64_t line, FileError reason) {
  std::string text(NameOf(path));
  text += "を読み込めませんでした（";
  if (line > 0) {
    text += std::to_string(line);
    text += "行目";
    if (reason != FileError::kNone) text += "：";
  }
  if (reason != FileError::kNone) text += ReadErrorText(reason);
  text += "）";
  return text;
}

// Adapts the status label to the write-back's progress target. The
// write-back reports every 100 entities; a repaint costs far more than
// writing 100 entities, so the label shows the progress at most every
// kProgressMilliseconds (the first report always), which still moves it
// several times a second.
class LabelProgress : public ProgressControl {
 public:
  static constexpr int64_t kProgressMilliseconds = 100;

  explicit LabelProgress(FormHost& host) : host_(host) {}
  void SetCaptionAndRepaint(std::string_view caption) override {
    const int64_t now = host_.Milliseconds();
    if (shown_ && now - last_ < kProgressMilliseconds) return;
    shown_ = true;
    last_ = now;
    host_.SetText(Control::LabelA1, caption);
    host_.Repaint(Control::LabelA1);
  }

 private:
  FormHost& host_;
  bool shown_ = false;
  int64_t last_ = 0;
};

}  // namespace

void TForm1::Caption(std::string_view text) {
  host_.SetText(Control::LabelA1, text);
  host_.Repaint(Control::LabelA1);
}

void SetRadioGroupButton(FormHost& host, Control button, bool checked) {
  host.SetChecked(button, checked);
  if (checked) {
    host.SetChecked(button == Control::RadioButton1 ? Control::RadioButton2 : Control::RadioButton1,
                    false);
  }
}

void TForm1::FormShow() {
  Guarded([this] { Show(); });
}

void TForm1::Show() {
  InitDrawingTables();
  const std::string exePath = host_.ExecutablePath();
  ExeFolder = FolderOf(exePath);
  if (PathOverride) {
    paths_ = *PathOverride;
  } else {
    paths_ = {ExeFolder + "JWC_TEMP.TXT", ExeFolder + "JWC_TEMP.TXT", SettingsFileName(exePath)};
  }
  FileSystem& fs = host_.Files();
  // Where the files go is settled now: a folder swapped later on (even
  // while the selection loads) can make a write fail, never move it.
  if (!paths_.ExchangeOut.empty()) exchangeTarget_ = fs.ResolveForWriting(paths_.ExchangeOut);
  if (!paths_.Settings.empty()) settingsTarget_ = fs.ResolveForWriting(paths_.Settings);
  int64_t failedLine = 0;
  FileError readError = FileError::kNone;
  // A file that exists but cannot be read to its end must not be written
  // back in part: the host would replace the whole selection with it.
  const bool loaded = LoadExchangeFile(paths_.ExchangeIn, &failedLine, fs, &readError);
  exchangeMissing_ = !loaded && readError == FileError::kFileMissing;
  loadFailed_ = !loaded && !exchangeMissing_;
  ResetAttrState();
  if (paths_.Settings.empty()) {
    static_cast<TForm1Settings&>(*this) = TForm1Settings{};
  } else {
    const FileError settingsError = LoadSettings(*this, paths_.Settings, fs);
    settingsUnreadable_ = settingsError != FileError::kNone;
    if (settingsUnreadable_) {
      host_.ShowMessage("設定ファイル" + CannotRead(paths_.Settings, 0, settingsError) +
                        "。既定の設定で開きます。設定ファイルは書き換えません。");
    }
  }
  host_.MoveTo(SavedLeft, SavedTop);
  host_.SetChecked(Control::CheckBox1, UseCircles);
  host_.SetChecked(Control::CheckBox2, UseArcs);
  host_.SetText(Control::Edit1, NumberToText(RadiusLimit));
  // OK makes points only when AsPoint alone is set; the buttons show that,
  // markers included when the file sets neither or both.
  SetRadioGroupButton(host_, AsPoint && !AsMarker ? Control::RadioButton1 : Control::RadioButton2,
                      true);
  host_.SetItemIndex(Control::ComboBox1, MarkerIndex);
  host_.SetText(Control::Edit2, NumberToText(Magnification));
  host_.SetChecked(Control::CheckBox3, UseCircleSolids);
  host_.SetChecked(Control::CheckBox4, UseRimSolids);
  host_.SetChecked(Control::CheckBox5, UseRingSolids);
  host_.SetText(Control::Edit3, RadiusFrom ? NumberToText(*RadiusFrom) : std::string());
  host_.SetChecked(Control::CheckBox6, KeepOriginals);

  LineBuilder status;
  if (loadFailed_) {
    status.Add(CannotRead(paths_.ExchangeIn, failedLine, readError));
    host_.SetEnabled(Control::Button1, false);
  } else {
    status.Add("円数：").Int(CircleCount).Add(" 円弧数：").Int(ArcCount).Add(" 円ソリッド数：");
    status.Int(CircleSolidCount + RimSolidCount + RingSolidCount + RingSolid2Count);
  }
  Caption(status.View());

  const std::string_view base = Q836_BANNER_BASE_URL;
  if (!base.empty()) {
    BannerUrl = std::string(base) + "/pr/";
    host_.StartBanner(BannerUrl);
  }
}

std::vector<PreviewLine> TForm1::Preview() {
  std::vector<PreviewLine> lines;
  if (loadFailed_ || closed_) return lines;
  if (!radiiBuilt_) {
    radiiBuilt_ = true;
    try {
      radii_.emplace().Build();
    } catch (const std::bad_alloc&) {
      // The preview only shows: without the index it counts by a pass
      // over the tables and leaves the radius line out.
      radii_.reset();
    }
  }
  Guarded([&] {
    lines = ConversionPreview(host_, radii_ ? &*radii_ : nullptr);
    // OK is offered only while it can run.
    host_.SetEnabled(Control::Button1, !UnreadableEdit(host_));
  });
  return lines;
}

void TForm1::Button1Click() {
  if (loadFailed_ || closed_) return;
  std::optional<Control> unreadable;
  Guarded([&] { unreadable = UnreadableEdit(host_); });
  if (closed_) return;
  refused_ = unreadable.has_value();
  if (refused_) {
    // Nothing has changed: the user corrects the field and presses OK again.
    host_.ShowMessage(*unreadable == Control::Edit1   ? "半径の値が大きすぎます。"
                      : *unreadable == Control::Edit2 ? "倍率の値が大きすぎます。"
                      : ReadLowerLimit(host_.Text(Control::Edit3)).state ==
                              LowerLimitText::kTooLarge
                          ? "下限の値が大きすぎます。"
                          : "下限が数値ではありません。空欄にすると下限なしになります。");
    host_.FocusText(*unreadable);
    return;
  }
  host_.DrawingChanging();
  Guarded([this] { Convert(); });
  Close();
}

void TForm1::Convert() {
  SavedLeft = host_.Left();
  SavedTop = host_.Top();
  // The drawing view marks figures by the same reading of the controls.
  const ConversionChoice choice = ChoiceFromControls(host_);
  UseCircles = choice.chosen[kCircleCandidates];
  UseArcs = choice.chosen[kArcCandidates];
  RadiusLimit = choice.limit;
  AsPoint = choice.asPoint;
  AsMarker = !AsPoint;
  MarkerIndex = choice.markerIndex;
  Magnification = choice.magnification;
  UseCircleSolids = choice.chosen[kCircleSolidCandidates];
  UseRimSolids = choice.chosen[kRimSolidCandidates];
  UseRingSolids = choice.chosen[kRingSolidCandidates];
  RadiusFrom.reset();
  if (choice.HasFrom()) RadiusFrom = choice.from;
  KeepOriginals = choice.keepOriginals;
  if (!paths_.Settings.empty() && !settingsUnreadable_) {
    FileError error = FileError::kNone;
    settingsSaved_ = SaveSettings(*this, settingsTarget_, host_.Files(), &error);
    if (!settingsSaved_) {
      // The conversion goes on: only the next run's defaults are lost.
      host_.ShowMessage("設定ファイル" + CannotWrite(paths_.Settings, error) +
                        "今回の設定は次回に引き継がれません。");
    }
  }

  Caption("処理中です");
  if (!KeepOriginals) {
    // The converted figures leave Order in one pass for every kind.
    OrderDrop drop;
    if (UseCircles) PickConverted(*this, kCircle, Circles, CircleCount, drop);
    if (UseArcs) PickConverted(*this, kArc, Arcs, ArcCount, drop);
    if (UseCircleSolids) PickConverted(*this, kCircleSolid, CircleSolids, CircleSolidCount, drop);
    if (UseRimSolids) PickConverted(*this, kRimSolid, RimSolids, RimSolidCount, drop);
    if (UseRingSolids) {
      PickConverted(*this, kRingSolid, RingSolids, RingSolidCount, drop);
      PickConverted(*this, kRingSolid2, RingSolids2, RingSolid2Count, drop);
    }
    drop.Apply();
  }
  Caption("円データ参照中です");
  if (UseCircles) ConvertTable(*this, Circles, CircleCount, false);
  Caption("円弧・楕円データ参照中です");
  if (UseArcs) ConvertTable(*this, Arcs, ArcCount, false);
  Caption("円ソリッドデータ参照中です");
  if (UseCircleSolids) ConvertTable(*this, CircleSolids, CircleSolidCount, true);
  Caption("円周ソリッドデータ参照中です");
  if (UseRimSolids) ConvertTable(*this, RimSolids, RimSolidCount, true);
  Caption("円環ソリッドデータ参照中です");
  if (UseRingSolids) {
    ConvertTable(*this, RingSolids, RingSolidCount, true);
    ConvertTable(*this, RingSolids2, RingSolid2Count, true);
  }
  converted_ = true;
  ReleaseOrderIndex();  // the write-back reads Order alone
  WriteBack();
  Caption("ファイル生成中です");
}

void TForm1::WriteBack() {
  // The lines go to the new exchange file while they are produced; closing
  // completes it (ESC gives it up).
  BeginExchangeFile(exchangeTarget_, host_.Files());
  EmitLine("hd");
  LabelProgress progress(host_);
  WriteAllEntities(-1, -1, -1, -1, -1, -1, -1, 0, &progress, &host_.Escape());
}

void TForm1::Close() {
  if (closed_) return;
  closed_ = true;
  Guarded([this] { FormClose(); });
  if (!outOfMemory_) host_.DestroyWindow();
}

void TForm1::FormClose() {
  FileError error = FileError::kNone;
  // The user may make the write possible and try again: close the program
  // that holds the file (the new content waits beside it meanwhile), or
  // free space on a full disk (the new content is made anew). キャンセル
  // was the answer: nothing more is said.
  bool declined = false;
  auto retry = [&](FileError reason) {
    if (!host_.CanAsk()) return false;
    declined = !host_.AskRetry(CannotWrite(paths_.ExchangeOut, reason) +
                               (reason == FileError::kDiskFull
                                    ? "ディスクの空きを増やしてから［再試行］を押してください。"
                                    : "ほかのプログラムを閉じてから［再試行］を押してください。"));
    return !declined;
  };
  for (;;) {
    exchangeWritten_ = WriteExchangeFile(exchangeTarget_, host_.Files(), &error, retry);
    if (exchangeWritten_ || declined || error != FileError::kDiskFull || !retry(error)) break;
    if (converted_ && OutLineCount > 0) {
      // The blocks written are gone: the same lines once more, from the
      // same attribute state (after ESC there are none: "hq" again).
      ClearOutLines();
      ResetAttrState();
      WriteBack();
    }
  }
  host_.DrawingChanging();
  FreeDrawingTables();
  radii_.reset();
  if (!exchangeWritten_ && !declined) {
    host_.ShowMessage(CannotWrite(paths_.ExchangeOut, error) + "図面は変更されていません。");
  }
}

template <typename Step>
void TForm1::Guarded(Step step) {
  try {
    step();
  } catch (const std::bad_alloc&) {
    EndOutOfMemory();
  }
}

void TForm1::EndOutOfMemory() noexcept {
  if (outOfMemory_) return;
  outOfMemory_ = true;
  closed_ = true;
  exchangeWritten_ = false;
  try {
    // Releasing the tables first gives back the memory the rest needs.
    host_.DrawingChanging();
    AbandonExchangeFile();
    FreeDrawingTables();
    radii_.reset();
    if (!paths_.ExchangeOut.empty()) {
      if (exchangeTarget_.path.empty() && exchangeTarget_.kind != WriteTarget::Kind::kFailed) {
        WriteExchangeFile(paths_.ExchangeOut, host_.Files());  // not found out before
      } else {
        WriteExchangeFile(exchangeTarget_, host_.Files());
      }
    }
  } catch (...) {
    // The exchange file stays as it was: never a partial one.
  }
  try {
    host_.ShowMessage(kOutOfMemoryMessage);
  } catch (...) {
  }
  host_.DestroyWindow();
}

}  // namespace q836
