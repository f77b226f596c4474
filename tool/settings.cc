#include "tool/settings.h"

#include <cstring>
#include <memory>
#include <string_view>

#include "exchange/entity_formatters.h"
#include "exchange/line_builder.h"
#include "text/text_convert.h"

namespace q836 {

std::string SettingsFileName(const std::string& executablePath) {
  const size_t folderEnd = executablePath.find_last_of("\\/");
  const size_t nameStart = folderEnd == std::string::npos ? 0 : folderEnd + 1;
  const size_t dot = executablePath.rfind('.');
  if (dot == std::string::npos || dot < nameStart) return executablePath + ".dat";
  return executablePath.substr(0, dot) + ".dat";
}

double ClampRadiusLimit(double value) {
  if (value < kMinRadiusLimit) value = kMinRadiusLimit;
  if (value > kMaxRadiusLimit) value = kMaxRadiusLimit;
  return value;
}

double MarkerScaleOf(std::string_view text) {
  return WrittenMarkerScale(ClampMagnification(TextToFloat(text)));
}

double ClampMagnification(double value) {
  if (value < kMinMagnification) value = kMinMagnification;
  if (value > kMaxMagnification) value = kMaxMagnification;
  return value;
}

namespace {

// Reads what the file holds up to the first 0x1A (the end of the file).
// `error` tells why a read failed part way; kNone when none did.
std::string ReadSettingsBytes(InputFile& file, FileSystem& fs, FileError& error) {
  std::string bytes;
  char buffer[4096];
  auto failed = [&] {
    if (error != FileError::kNone) return;
    error = fs.FailureReason();
  };
  error = FileError::kNone;
  for (;;) {
    const std::ptrdiff_t got = file.Read(buffer, sizeof buffer);
    if (got < 0) {
      failed();
      break;
    }
    if (got == 0) break;
    const char* eof = static_cast<const char*>(std::memchr(buffer, '\x1a', got));
    bytes.append(buffer, eof ? eof - buffer : got);
    if (eof || bytes.size() > (size_t{1} << 20)) break;  // fifteen short lines are all we read
  }
  if (!file.Close()) failed();
  return bytes;
}

// Lines of the settings text: LF or CR LF ends a line, a lone CR is dropped.
class LineCursor {
 public:
  explicit LineCursor(std::string_view bytes) : bytes_(bytes) {}
  bool AtEnd() const { return position_ >= bytes_.size(); }
  /// The next line; past the end a line reads as empty.
  void Next(std::string& line) {
    line.clear();
    while (position_ < bytes_.size() && bytes_[position_] != '\n') {
      if (bytes_[position_] != '\r') line.push_back(bytes_[position_]);
      ++position_;
    }
    if (position_ < bytes_.size()) ++position_;  // the LF
  }

 private:
  std::string_view bytes_;
  size_t position_ = 0;
};

// The lines of a whole settings file, in their order; a file that ends
// early leaves the rest at their defaults.
void LoadLines(TForm1Settings& s, std::string_view bytes) {
  LineCursor lines(bytes);
  std::string line;
  try {
    lines.Next(line);
    s.SavedLeft = TextToInt(line);
    lines.Next(line);
    s.SavedTop = TextToInt(line);
    lines.Next(line);
    s.UseCircles = TextToBool(line);
    lines.Next(line);
    s.UseArcs = TextToBool(line);
    lines.Next(line);
    s.AsPoint = TextToBool(line);
    lines.Next(line);
    s.AsMarker = TextToBool(line);
    lines.Next(line);
    s.RadiusLimit = ClampRadiusLimit(TextToFloat(line));
    lines.Next(line);
    const int32_t index = TextToInt(line);
    s.MarkerIndex = index < 0 ? 0 : index > kLastMarkerIndex ? kLastMarkerIndex : index;
    lines.Next(line);
    s.Magnification = ClampMagnification(TextToFloat(line));
    if (lines.AtEnd()) return;  // a nine-line file is complete
    lines.Next(line);
    s.UseCircleSolids = TextToBool(line);
    lines.Next(line);
    s.UseRimSolids = TextToBool(line);
    lines.Next(line);
    s.UseRingSolids = TextToBool(line);
    if (lines.AtEnd()) return;  // written before the drawing view existed: shown
    lines.Next(line);
    s.ShowView = TextToBool(line);
    if (lines.AtEnd()) return;  // written before the lower limit existed: none
    lines.Next(line);
    // Only a number is a lower limit: anything else would take one for 0.
    if (IsDecimalText(line)) s.RadiusFrom = TextToFloat(line);
    lines.Next(line);
    s.KeepOriginals = TextToBool(line);
  } catch (const FloatOverflowError&) {
    // A number beyond a double's range is a failed read: reading stops here.
  }
}

}  // namespace

FileError LoadSettings(TForm1Settings& s, const std::string& fileName, FileSystem& fs) {
  s = TForm1Settings{};
  FileSystem::OpenResult opened;
  std::unique_ptr<InputFile> file = fs.OpenForReading(fileName, &opened);
  if (!file) {
    if (opened == FileSystem::OpenResult::kMissing) return FileError::kNone;
    return fs.FailureReason();
  }
  FileError error;
  const std::string bytes = ReadSettingsBytes(*file, fs, error);
  // Part of a file is not the user's settings: the defaults stand.
  if (error != FileError::kNone) return error;
  LoadLines(s, bytes);
  return FileError::kNone;
}

bool SaveSettings(const TForm1Settings& s, const std::string& fileName, FileSystem& fs,
                  FileError* error) {
  return SaveSettings(s, fs.ResolveForWriting(fileName), fs, error);
}

bool SaveSettings(const TForm1Settings& s, const WriteTarget& target, FileSystem& fs,
                  FileError* error) {
  AtomicFileWriter out(fs, target);
  auto line = [&out](const LineBuilder& text) {
    out.Write(text.View());
    out.Write("\r\n", 2);
  };
  line(LineBuilder().Int(s.SavedLeft));
  line(LineBuilder().Int(s.SavedTop));
  line(LineBuilder().Add(BoolToText(s.UseCircles)));
  line(LineBuilder().Add(BoolToText(s.UseArcs)));
  line(LineBuilder().Add(BoolToText(s.AsPoint)));
  line(LineBuilder().Add(BoolToText(s.AsMarker)));
  line(LineBuilder().Real(s.RadiusLimit));
  line(LineBuilder().Int(s.MarkerIndex));
  line(LineBuilder().Real(s.Magnification));
  line(LineBuilder().Add(BoolToText(s.UseCircleSolids)));
  line(LineBuilder().Add(BoolToText(s.UseRimSolids)));
  line(LineBuilder().Add(BoolToText(s.UseRingSolids)));
  line(LineBuilder().Add(BoolToText(s.ShowView)));
  LineBuilder from;
  if (s.RadiusFrom) from.Real(*s.RadiusFrom);
  line(from);
  line(LineBuilder().Add(BoolToText(s.KeepOriginals)));
  const bool ok = out.Commit();
  if (error) *error = out.Error();
  return ok;
}

}  // namespace q836
