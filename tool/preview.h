// What OK would do, worked out from the controls as they stand: the text of
// the strip at the foot of the dialog, and of the batch runner's --preview.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tool/convert_table.h"
#include "tool/form_host.h"
#include "tool/radius_index.h"

namespace q836 {

/// One line of the preview, in UTF-8; a warning is shown so that it stands out.
struct PreviewLine {
  std::string Text;
  bool Warning = false;
};

/// Widest preview line, in columns of the dialog's fixed-pitch font (a
/// full-width character takes two).
inline constexpr size_t kPreviewColumns = 64;
/// Lines the strip holds: enough for every warning at once (the typed radius
/// and scale, two lines each at their longest, and the block insertions)
/// beside one line of counts.
inline constexpr size_t kPreviewLines = 7;

class RadiusIndex;

/// The preview of OK on the loaded drawing for the controls of `host`: how
/// many figures of each chosen kind would be converted, into what, the
/// radii of the chosen kinds on both sides of the limit (with `radii`, the
/// index of the loaded drawing), which radius OK uses when it cannot take
/// the typed one, and a warning when the selection holds block insertions,
/// which the host erases and cannot draw again. Reads every edit box as OK
/// does; when OK would refuse one, says so instead of the conversion. At
/// most kPreviewLines lines. Changes nothing.
std::vector<PreviewLine> ConversionPreview(FormHost& host, const RadiusIndex* radii);

/// What the text of the lower limit (Edit3) says. A lower limit is never
/// guessed: blank is none, and only a number is one.
struct LowerLimitText {
  enum State { kNone, kNumber, kNotNumber, kTooLarge } state = kNone;
  double value = 0.0;  // kNumber: the lower limit
};
LowerLimitText ReadLowerLimit(std::string_view text);

/// The first edit box (Edit1, Edit2, then Edit3) whose text OK cannot read:
/// a number beyond the range of a double, or a lower limit that is no number.
std::optional<Control> UnreadableEdit(FormHost& host);

/// The choices OK reads from the controls: the candidate kinds, the radius
/// range, what the figures become and whether the originals stay.
struct ConversionChoice {
  std::array<bool, kCandidateKinds> chosen{};
  double limit = 0.0;
  double from = -std::numeric_limits<double>::infinity();  // the lower limit, if any
  bool refused = false;  // OK would refuse an edit text: it converts nothing
  bool asPoint = true;
  int32_t markerIndex = 0;
  double magnification = 1.0;
  bool keepOriginals = false;
  /// Whether a lower limit is set.
  bool HasFrom() const { return from != -std::numeric_limits<double>::infinity(); }
  RadiusRange Range() const { return {from, limit}; }
};

/// Reads the controls exactly as OK does.
ConversionChoice ChoiceFromControls(FormHost& host);

/// The lines joined by `separator`.
std::string PreviewText(const std::vector<PreviewLine>& lines, const char* separator);

}  // namespace q836
