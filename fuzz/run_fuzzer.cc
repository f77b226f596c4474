// Fuzz target: one whole run. The input is a settings file and an exchange
// file separated by a line "====" (or an exchange file alone); it is loaded,
// converted and written, and the output must keep the file's invariants:
// every line at most 255 bytes (a text keyword line joined with its text at
// most twice that), no line ending on a lone lead byte, and further passes
// (read back, nothing converted, written) that agree: the second and third
// pass write the same entity lines, and the third and fourth the same bytes.
// (A figure that the writer drops as degenerate leaves its attribute lines,
// and the next reader takes its first layer group from them, so the closing
// layer lines of the second pass may still change once.)
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tests/memory_file_system.h"
#include "text/sjis.h"
#include "text/text_convert.h"
#include "tool/form1.h"
#include "tool/headless_host.h"

namespace {

struct NoKey : q836::EscapeKey {
  bool IsDown() override { return false; }
};

[[noreturn]] void Violation(const char* what, std::string_view line) {
  std::fprintf(stderr, "invariant violated: %s: [%.*s]\n", what, static_cast<int>(line.size()),
               line.data());
  std::abort();
}

bool IsTextKeywordLine(std::string_view line) {
  static constexpr std::string_view kKeys[] = {"ch ", "cv ", "cs ", "cr ", "co ",
                                               "cp ", "ct ", "ck ", "cz ", "c2 "};
  for (std::string_view k : kKeys) {
    if (line.substr(0, 3) == k && line.find(" \"") != std::string_view::npos) return true;
  }
  return false;
}

void CheckLines(std::string_view file) {
  while (!file.empty()) {
    const size_t end = file.find("\r\n");
    const std::string_view line = file.substr(0, end);
    file = end == std::string_view::npos ? std::string_view() : file.substr(end + 2);
    if (line.size() > 255 && !(line.size() <= 510 && IsTextKeywordLine(line))) {
      Violation("line longer than 255 bytes", line);
    }
    size_t i = 0;
    while (i < line.size()) {
      if (q836::IsLeadByte(static_cast<unsigned char>(line[i]))) {
        if (i + 1 == line.size()) Violation("line ends on a lone lead byte", line);
        i += 2;
      } else {
        ++i;
      }
    }
  }
}

// Whether a line is an attribute line: lg ly lc lt lw cn cc pn z1..z5.
bool IsAttributeLine(std::string_view line) {
  if (line.size() < 2) return false;
  const char a = line[0], b = line[1];
  switch (a) {
    case 'l':
      return b == 'g' || b == 'y' || b == 'c' || b == 't' || b == 'w';
    case 'c':
      return (b == 'n' || b == 'c') && !IsTextKeywordLine(line);
    case 'p':
      return b == 'n';
    case 'z':
      return b >= '1' && b <= '5';
  }
  return false;
}

// The lines of a file without its attribute lines.
std::string EntityLines(std::string_view file) {
  std::string out;
  out.reserve(file.size());
  while (!file.empty()) {
    const size_t end = file.find("\r\n");
    const std::string_view line = file.substr(0, end);
    file = end == std::string_view::npos ? std::string_view() : file.substr(end + 2);
    if (IsAttributeLine(line)) continue;
    out.append(line).append("\n");
  }
  return out;
}

// One run of the tool on `exchange`; `convert` false leaves every check box off.
// Returns false when the file could not be read to its end.
bool Run(const std::string& exchange, const std::string* settings, bool convert, std::string& out) {
  q836::MemoryFileSystem fs;
  fs.files["in"] = exchange;
  if (settings) fs.files["s.dat"] = *settings;
  NoKey key;
  q836::HeadlessHost host("C:\\q836\\q836.exe", key, fs);
  q836::TForm1 form(host);
  form.PathOverride = q836::RunPaths{"in", "out", settings ? "s.dat" : ""};
  form.FormShow();
  if (form.LoadFailed()) return false;
  if (!convert) {
    for (q836::Control c :
         {q836::Control::CheckBox1, q836::Control::CheckBox2, q836::Control::CheckBox3,
          q836::Control::CheckBox4, q836::Control::CheckBox5}) {
      host.SetChecked(c, false);
    }
  }
  form.Button1Click();  // the edit boxes hold what the settings gave: always readable
  out = fs.files["out"];
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t separator = input.find("\n====\n");
  std::string settings, exchange;
  if (separator != std::string_view::npos) {
    settings = input.substr(0, separator);
    exchange = input.substr(separator + 6);
  } else {
    exchange = input;
  }
  std::string first, second, third, fourth;
  if (!Run(exchange, separator != std::string_view::npos ? &settings : nullptr, true, first)) {
    return 0;  // nothing is written for a file that cannot be read
  }
  CheckLines(first);
  if (!Run(first, nullptr, false, second)) Violation("output cannot be read back", first);
  if (!Run(second, nullptr, false, third)) Violation("second pass cannot be read back", second);
  if (EntityLines(second) != EntityLines(third)) Violation("second and third pass differ", second);
  if (!Run(third, nullptr, false, fourth)) Violation("third pass cannot be read back", third);
  if (third != fourth) Violation("third and fourth pass differ", third);
  return 0;
}
