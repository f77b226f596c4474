#include "exchange/output.h"

#include "exchange/drawing.h"
#include "text/sjis.h"

namespace q836 {

void EmitLine(std::string_view text) {
  OutLines.Append(OutLineCount, text.substr(0, WholeCharPrefix(text, kShortStringCapacity)), false);
}

void EmitKeywordLine(std::string_view text) {
  OutLines.Append(OutLineCount, text.substr(0, WholeCharPrefix(text, kShortStringCapacity)), true);
}

bool WriteExchangeFile(const std::string& path, FileSystem& fs) {
  AtomicFileWriter out(fs, path);
  if (OutLineCount == 0) {
    out.Write("hq\r\n");
    return out.Commit();
  }
  for (int32_t i = 0; i < OutLineCount; ++i) {
    out.Write(OutLines[i]);
    // A text keyword line and its text form one line of the file.
    if (OutLines.JoinsNext(i)) {
      if (i + 1 >= OutLineCount) break;
      ++i;
      out.Write(OutLines[i]);
    }
    out.Write("\r\n", 2);
  }
  return out.Commit();
}

}  // namespace q836
