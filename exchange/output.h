// The output side of the library: lines are gathered in OutLines and
// written to the exchange file in one pass when the dialog closes.
#pragma once

#include <string>
#include <string_view>

#include "exchange/file_system.h"

namespace q836 {

/// Appends one line to OutLines, cut to at most 255 bytes of whole characters.
void EmitLine(std::string_view text);

/// Appends a text or dimension keyword line, which the file writer joins
/// with the stored line after it (the text itself).
void EmitKeywordLine(std::string_view text);

/// Writes OutLines (or the single line "hq" when there are none) to `path`,
/// each line ended by CR LF. The target ends up either complete or absent.
bool WriteExchangeFile(const std::string& path, FileSystem& fs = DiskFileSystem());

}  // namespace q836
