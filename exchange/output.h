// The output side of the library: lines are gathered in OutLines and
// written to the exchange file in one pass when the dialog closes.
#pragma once

#include <string>
#include <string_view>

#include "exchange/file_system.h"
#include "exchange/number_line.h"

namespace q836 {

/// Appends one line to OutLines, cut to at most 255 bytes of whole characters.
void EmitLine(std::string_view text);

/// Appends a line of numbers, as EmitLine or, when it joins the next,
/// EmitKeywordLine would.
void EmitNumberLine(const NumberLine& line);

/// Writes `line` into `buffer` (room for NumberLine::kMaxBytes) and gives it
/// as an output line stores it: at most 255 bytes of whole characters.
std::string_view NumberLineText(const NumberLine& line, char* buffer);

/// Appends a line of numbers to OutLines, never through the formatting
/// thread; one that joins no line after it is built where it is kept.
void StoreNumberLine(const NumberLine& line);

/// Appends a text or dimension keyword line, which the file writer joins
/// with the stored line after it (the text itself).
void EmitKeywordLine(std::string_view text);

/// Writes OutLines (or the single line "hq" when there are none) to `path`,
/// each line ended by CR LF. The target ends up either complete or exactly as
/// it was (the host's own file starts with "hq": left alone, it changes
/// nothing); `error` gets the reason of a failure. `retry` is asked when
/// the target is in use at the last step.
bool WriteExchangeFile(const std::string& path, FileSystem& fs = DiskFileSystem(),
                       FileError* error = nullptr,
                       const AtomicFileWriter::RetryQuestion& retry = nullptr);
/// The same for a target found out earlier, its folder held since.
bool WriteExchangeFile(const WriteTarget& target, FileSystem& fs, FileError* error = nullptr,
                       const AtomicFileWriter::RetryQuestion& retry = nullptr);

/// Gives up a new exchange file begun by BeginExchangeFile: its temporary
/// file is deleted and the target stays as it was.
void AbandonExchangeFile();

/// Announces that OutLines will be written to `target`: from now on each full
/// block of lines is written to the new file at once, on a second thread,
/// and released, so that a large write-back neither holds all its lines nor
/// waits for the disk at the end. When no thread can be started, the blocks
/// are written on the calling thread. WriteExchangeFile with the same target
/// finishes the file; emptying OutLines (ESC) gives it up, leaving the
/// target as it was. The bytes written are the same as without it.
void BeginExchangeFile(const WriteTarget& target, FileSystem& fs);

}  // namespace q836
