// Shared set-up for tests that load an exchange file from memory.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exchange/drawing.h"
#include "exchange/reader.h"
#include "tests/memory_file_system.h"

namespace q836 {

class DrawingFixture : public ::testing::Test {
 protected:
  void SetUp() override { InitDrawingTables(); }
  void TearDown() override { FreeDrawingTables(); }

  /// Loads `content` as the exchange file; returns LoadExchangeFile's result.
  bool Load(const std::string& content) {
    fs.files["JWC_TEMP.TXT"] = content;
    failedLine = -1;
    return LoadExchangeFile("JWC_TEMP.TXT", &failedLine, fs);
  }

  MemoryFileSystem fs;
  int64_t failedLine = -1;
};

}  // namespace q836

namespace q836 {

/// The stored output lines, in order.
inline std::vector<std::string> StoredLines() {
  std::vector<std::string> lines;
  OutLines.ForEach([&](std::string_view line, bool) { lines.emplace_back(line); });
  return lines;
}

/// Output lines from `first` on, emptying OutLines afterwards.
inline std::vector<std::string> TakeLines() {
  std::vector<std::string> lines = StoredLines();
  ClearOutLines();
  return lines;
}

}  // namespace q836
