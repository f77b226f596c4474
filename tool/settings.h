// The tool's settings file beside its executable: one value a line,
// remembering the dialog's choices, the window position and whether the
// drawing view is shown.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "exchange/file_system.h"

namespace q836 {

/// The dialog's choices, with their defaults.
struct TForm1Settings {
  int32_t SavedLeft = 0;
  int32_t SavedTop = 0;
  bool UseCircles = true;
  bool UseArcs = true;
  bool AsPoint = true;
  bool AsMarker = false;
  double RadiusLimit = 0.1;
  int32_t MarkerIndex = 0;
  double Magnification = 1.0;
  bool UseCircleSolids = false;
  bool UseRimSolids = false;
  bool UseRingSolids = false;
  bool ShowView = true;              // the drawing view beside the controls
  std::optional<double> RadiusFrom;  // the smallest radius converted; none: no lower limit
  bool KeepOriginals = false;        // converted figures stay beside their points
};

/// Last item index of the marker shape list.
inline constexpr int32_t kLastMarkerIndex = 6;

/// The settings file of an executable: its path with the extension replaced by ".dat".
std::string SettingsFileName(const std::string& executablePath);

/// Sets the defaults, then reads the file when it exists. A file that exists
/// but cannot be read to its end leaves the defaults and gives the reason;
/// kNone otherwise.
FileError LoadSettings(TForm1Settings& settings, const std::string& fileName,
                       FileSystem& fs = DiskFileSystem());

/// Writes the fifteen lines; false (and the old file as it was) when writing
/// failed, with the reason in `error`.
bool SaveSettings(const TForm1Settings& settings, const std::string& fileName,
                  FileSystem& fs = DiskFileSystem(), FileError* error = nullptr);
/// The same for a target found out earlier, its folder held since.
bool SaveSettings(const TForm1Settings& settings, const WriteTarget& target, FileSystem& fs,
                  FileError* error = nullptr);

/// The range of RadiusLimit.
inline constexpr double kMinRadiusLimit = 1e-6;
inline constexpr double kMaxRadiusLimit = 1e8;

/// RadiusLimit brought into kMinRadiusLimit .. kMaxRadiusLimit.
double ClampRadiusLimit(double value);
/// The range of Magnification.
inline constexpr double kMinMagnification = 1e-9;
inline constexpr double kMaxMagnification = 1e8;

/// Magnification brought into kMinMagnification .. kMaxMagnification.
double ClampMagnification(double value);
/// The scale OK writes into every marker line for the 倍率 text `text`:
/// read, clamped, and 1 where the writer takes it for too small to draw.
double MarkerScaleOf(std::string_view text);

}  // namespace q836
