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
  } else {
    OutLines.ForEachBlock([&](std::string_view bytes) { out.Write(bytes); });
  }
  return out.Commit();
}

}  // namespace q836
