// Reads an exchange file into the drawing tables and nothing else: the
// reader's share of a run, for the benchmark.
//   load_only JWC_TEMP.TXT
#include <cstdio>

#include "exchange/drawing.h"
#include "exchange/reader.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: load_only JWC_TEMP.TXT\n", stderr);
    return 2;
  }
  q836::InitDrawingTables();
  int64_t failedLine = 0;
  const bool ok = q836::LoadExchangeFile(argv[1], &failedLine);
  std::printf("%d entities\n", q836::OrderCount);
  return ok ? 0 : 1;
}
