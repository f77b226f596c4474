// The tool's one dialog, TForm1, as portable logic: what happens when it is
// shown, when OK or Cancel is pressed and when it closes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tool/form_host.h"
#include "tool/preview.h"
#include "tool/radius_index.h"
#include "tool/settings.h"

namespace q836 {

/// Files of one run, when they are not the ones beside the executable.
struct RunPaths {
  std::string ExchangeIn;   // read on showing
  std::string ExchangeOut;  // written on closing
  std::string Settings;     // empty: defaults, nothing saved
};

/// The marker shapes of ComboBox1, in UTF-8.
inline constexpr const char* kMarkerShapes[kLastMarkerIndex + 1] = {"＊", "○", "・", "＋",
                                                                    "□",  "△", "×"};

/// Sets one of the two radio buttons; they form one group, so checking one
/// unchecks the other, as a click does.
void SetRadioGroupButton(FormHost& host, Control button, bool checked);

/// The memo beside the controls (Memo1), in UTF-8, lines ended by CR LF; no
/// line is wider than 10 full-width characters, which the memo shows beside
/// its scroll bar at every DPI.
inline constexpr const char kMemoText[] =
    "◇レイヤグループ\r\n　レイヤ、線色は\r\n　同じ状態にします\r\n　線幅も同じにします\r\n\r\n"
    "◇円ソリッドには\r\n　扇形・弓形・\r\n　円外側のソリッド\r\n　図形も含みます。\r\n"
    "◇円周ソリッドには\r\n　円弧状も含みます。\r\n◇円環ソリッドには\r\n　円弧状も含みます。\r\n"
    "\r\n◆ブロック図形内の\r\n　ものは\r\n　処理出来ませんので\r\n　御注意下さい。\r\n"
    "　ブロック編集内で\r\n　行う場合には、\r\n　本ソフトを\r\n　Jw_cadの\r\n　インストール・\r\n"
    "　フォルダに配置して\r\n　実行を行って\r\n　下さい。\r\n◆ウイルス／\r\n　セキュリティ\r\n"
    "　ソフト／\r\n　セキュリティ\r\n　設定の画面が表示\r\n　され、許可／遮断を\r\n"
    "　問い合わせて\r\n　きた場合には\r\n　「許可」を選択して\r\n　下さい。";

class TForm1 : public TForm1Settings {
 public:
  explicit TForm1(FormHost& host) : host_(host) {}

  /// Loads the exchange file and the settings and fills the controls.
  void FormShow();
  /// OK: reads the controls, saves the settings, converts and writes back,
  /// then closes. An edit text beyond a double is refused before anything
  /// changes: the user is told which field and the focus goes into it.
  void Button1Click();
  /// Cancel: closes the form.
  void Button2Click() { Close(); }
  /// Every way of closing ends here: writes the exchange file once, then the
  /// host destroys the window.
  void Close();

  std::string ExeFolder;
  std::string BannerUrl;
  std::optional<RunPaths> PathOverride;

  /// What OK would do with the controls as they stand; nothing after a
  /// failed read, whose message the status line shows.
  std::vector<PreviewLine> Preview();

  /// The exchange file exists but could not be read to its end.
  bool LoadFailed() const { return loadFailed_; }
  /// There was no exchange file to read.
  bool ExchangeMissing() const { return exchangeMissing_; }
  /// Whether closing wrote the exchange file.
  bool ExchangeWritten() const { return exchangeWritten_; }
  /// Whether OK saved the settings file.
  bool SettingsSaved() const { return settingsSaved_; }
  /// Whether the last OK was refused for an unreadable edit text.
  bool Refused() const { return refused_; }
  /// Whether the run ended because memory ran out.
  bool OutOfMemory() const { return outOfMemory_; }
  /// Whether the form has closed (and written the exchange file, or tried).
  bool Closed() const { return closed_; }

 private:
  void Show();
  void FormClose();
  void Caption(std::string_view text);
  void Convert();
  // Writes the drawing's lines into OutLines, and from there into the new
  // exchange file as they come.
  void WriteBack();
  // Ends the run after an allocation failed: whatever was begun is given
  // up, the exchange file becomes "hq" (or stays as it was), the user is
  // told and the form closes.
  void EndOutOfMemory() noexcept;
  // Runs `step`; an allocation failure in it ends the run.
  template <typename Step>
  void Guarded(Step step);

  FormHost& host_;
  RunPaths paths_;
  // The files written, found out before anything is read: every write goes
  // into the folders as they were then.
  WriteTarget exchangeTarget_, settingsTarget_;
  bool loadFailed_ = false;
  bool exchangeMissing_ = false;
  // The settings file exists but could not be read: it is never overwritten.
  bool settingsUnreadable_ = false;
  bool closed_ = false;
  bool exchangeWritten_ = false;
  bool settingsSaved_ = true;
  bool outOfMemory_ = false;
  bool refused_ = false;
  bool converted_ = false;  // OK converted: the file to write holds the drawing
  // The radii of the candidates, built on the first preview (the tables do
  // not change until OK); empty when they did not fit into memory.
  std::optional<RadiusIndex> radii_;
  bool radiiBuilt_ = false;
};

/// The message shown when the selection does not fit into memory.
inline constexpr std::string_view kOutOfMemoryMessage =
    "選択範囲の図形が多すぎて、使えるメモリに収まりませんでした。図面は変更されていません。";

}  // namespace q836
