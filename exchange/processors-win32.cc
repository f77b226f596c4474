#include <windows.h>

#include <bit>
#include <thread>

#include "exchange/processors.h"

namespace q836 {

unsigned UsableProcessors() {
  DWORD_PTR process = 0, system = 0;
  if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system) && process != 0) {
    return static_cast<unsigned>(std::popcount(static_cast<unsigned long long>(process)));
  }
  const unsigned all = std::thread::hardware_concurrency();
  return all > 0 ? all : 1;
}

}  // namespace q836
