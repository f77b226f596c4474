// Fuzz target: any bytes as JWC_TEMP.TXT. The reader must neither crash nor
// trip a sanitizer, whatever it is given.
#include <cstddef>
#include <cstdint>
#include <string>

#include "exchange/drawing.h"
#include "exchange/reader.h"
#include "tests/memory_file_system.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  q836::MemoryFileSystem fs;
  fs.files["JWC_TEMP.TXT"].assign(reinterpret_cast<const char*>(data), size);
  q836::InitDrawingTables();
  int64_t failedLine = 0;
  q836::LoadExchangeFile("JWC_TEMP.TXT", &failedLine, fs);
  q836::FreeDrawingTables();
  return 0;
}
