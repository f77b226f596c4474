#include "tool/settings.h"

#include <cstring>
#include <memory>
#include <string_view>

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

double ClampMagnification(double value) {
  if (value < 1e-9) value = 1e-9;
  if (value > 1e8) value = 1e8;
  return value;
}

namespace {

// Reads what the file holds up to the first 0x1A (the end of the file).
// `complete` is false when a read failed part way.
std::string ReadSettingsBytes(InputFile& file, bool& complete) {
  std::string bytes;
  char buffer[4096];
  complete = true;
  for (;;) {
    const std::ptrdiff_t got = file.Read(buffer, sizeof buffer);
    if (got < 0) {
      complete = false;
      break;
    }
    if (got == 0) break;
    const char* eof = static_cast<const char*>(std::memchr(buffer, '\x1a', got));
    bytes.append(buffer, eof ? eof - buffer : got);
    if (eof || bytes.size() > (size_t{1} << 20)) break;  // twelve short lines are all we read
  }
  if (!file.Close()) complete = false;
  return bytes;
}

// Lines of the settings text: LF or CR LF ends a line, a lone CR is dropped.
class LineCursor {
 public:
  LineCursor(std::string_view bytes, bool complete) : bytes_(bytes), complete_(complete) {}
  bool AtEnd() const { return position_ >= bytes_.size(); }
  /// The next line; false when a failed read cut it off.
  bool Next(std::string& line) {
    line.clear();
    while (position_ < bytes_.size() && bytes_[position_] != '\n') {
      if (bytes_[position_] != '\r') line.push_back(bytes_[position_]);
      ++position_;
    }
    if (position_ < bytes_.size()) {
      ++position_;  // the LF
      return true;
    }
    return complete_;  // past the end a line reads as empty, unless a read failed
  }

 private:
  std::string_view bytes_;
  bool complete_;
  size_t position_ = 0;
};

}  // namespace

void LoadSettings(TForm1Settings& s, const std::string& fileName, FileSystem& fs) {
  s = TForm1Settings{};
  FileSystem::OpenResult opened;
  std::unique_ptr<InputFile> file = fs.OpenForReading(fileName, &opened);
  if (!file) return;
  bool complete;
  const std::string bytes = ReadSettingsBytes(*file, complete);
  LineCursor lines(bytes, complete);
  std::string line;
  try {
    if (!lines.Next(line)) return;
    s.SavedLeft = TextToInt(line);
    if (!lines.Next(line)) return;
    s.SavedTop = TextToInt(line);
    if (!lines.Next(line)) return;
    s.UseCircles = TextToBool(line);
    if (!lines.Next(line)) return;
    s.UseArcs = TextToBool(line);
    if (!lines.Next(line)) return;
    s.AsPoint = TextToBool(line);
    if (!lines.Next(line)) return;
    s.AsMarker = TextToBool(line);
    if (!lines.Next(line)) return;
    s.RadiusLimit = ClampRadiusLimit(TextToFloat(line));
    if (!lines.Next(line)) return;
    const int32_t index = TextToInt(line);
    s.MarkerIndex = index < 0 ? 0 : index > kLastMarkerIndex ? kLastMarkerIndex : index;
    if (!lines.Next(line)) return;
    s.Magnification = ClampMagnification(TextToFloat(line));
    if (lines.AtEnd()) return;  // a nine-line file is complete
    if (!lines.Next(line)) return;
    s.UseCircleSolids = TextToBool(line);
    if (!lines.Next(line)) return;
    s.UseRimSolids = TextToBool(line);
    if (!lines.Next(line)) return;
    s.UseRingSolids = TextToBool(line);
  } catch (const FloatOverflowError&) {
    // A number beyond a double's range is a failed read: reading stops here.
  }
}

bool SaveSettings(const TForm1Settings& s, const std::string& fileName, FileSystem& fs,
                  FileError* error) {
  AtomicFileWriter out(fs, fileName);
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
  const bool ok = out.Commit();
  if (error) *error = out.Error();
  return ok;
}

}  // namespace q836
