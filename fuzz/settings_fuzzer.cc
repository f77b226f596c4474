// Fuzz target: any bytes as the settings file. Loading must leave every
// field in its range; saving and loading again must give the same fields
// (reals as their 15-digit text, which is what the file holds), and a second
// save the same bytes.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/memory_file_system.h"
#include "text/number_text.h"
#include "tool/settings.h"

namespace {

[[noreturn]] void Violation(const char* what) {
  std::fprintf(stderr, "invariant violated: %s\n", what);
  std::abort();
}

void CheckRanges(const q836::TForm1Settings& s) {
  if (!(s.RadiusLimit >= 1e-6 && s.RadiusLimit <= 1e8)) Violation("radius limit out of range");
  if (!(s.Magnification >= 1e-9 && s.Magnification <= 1e8)) Violation("magnification out of range");
  if (s.MarkerIndex < 0 || s.MarkerIndex > q836::kLastMarkerIndex) Violation("marker index");
  if (s.RadiusFrom && !std::isfinite(*s.RadiusFrom)) Violation("lower limit not finite");
}

bool SameFields(const q836::TForm1Settings& a, const q836::TForm1Settings& b) {
  return a.SavedLeft == b.SavedLeft && a.SavedTop == b.SavedTop && a.UseCircles == b.UseCircles &&
         a.UseArcs == b.UseArcs && a.AsPoint == b.AsPoint && a.AsMarker == b.AsMarker &&
         q836::NumberToText(a.RadiusLimit) == q836::NumberToText(b.RadiusLimit) &&
         a.MarkerIndex == b.MarkerIndex &&
         q836::NumberToText(a.Magnification) == q836::NumberToText(b.Magnification) &&
         a.UseCircleSolids == b.UseCircleSolids && a.UseRimSolids == b.UseRimSolids &&
         a.UseRingSolids == b.UseRingSolids &&
         a.RadiusFrom.has_value() == b.RadiusFrom.has_value() &&
         (!a.RadiusFrom ||
          q836::NumberToText(*a.RadiusFrom) == q836::NumberToText(*b.RadiusFrom)) &&
         a.KeepOriginals == b.KeepOriginals;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  q836::MemoryFileSystem fs;
  fs.files["q836.dat"].assign(reinterpret_cast<const char*>(data), size);
  q836::TForm1Settings loaded;
  q836::LoadSettings(loaded, "q836.dat", fs);
  CheckRanges(loaded);
  if (!q836::SaveSettings(loaded, "saved.dat", fs)) Violation("save failed");
  const std::string first = fs.files["saved.dat"];
  q836::TForm1Settings reloaded;
  q836::LoadSettings(reloaded, "saved.dat", fs);
  CheckRanges(reloaded);
  if (!SameFields(loaded, reloaded)) Violation("a save and reload changed a field");
  if (!q836::SaveSettings(reloaded, "saved.dat", fs)) Violation("second save failed");
  if (fs.files["saved.dat"] != first) Violation("a second save wrote other bytes");
  return 0;
}
