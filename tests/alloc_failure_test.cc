// Makes the N-th allocation of a whole run fail, for every N of a run on a
// small drawing and on one of 100 000 entities, through the real form
// with the headless host and an in-memory disk. After each, the run either
// is exactly the run without a failure, or it ended as running out of memory
// must end: the exchange file as it was or "hq", the settings file old or
// new, nothing else on the disk, and the user told once.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "tests/memory_file_system.h"
#include "tool/form1.h"
#include "tool/headless_host.h"

namespace {

// Only allocations of the thread that runs the form are counted: the
// in-memory disk's writes on the writer thread stand for a real disk, which
// allocates nothing.
thread_local bool counting = false;
long allocations = 0;
long failAt = 0;

bool InjectFailure() {
  if (!counting) return false;
  return ++allocations == failAt;
}

void* Allocate(std::size_t size) {
  if (InjectFailure()) return nullptr;
  return std::malloc(size ? size : 1);
}

void* AllocateAligned(std::size_t size, std::align_val_t align) {
  if (InjectFailure()) return nullptr;
  const std::size_t a = static_cast<std::size_t>(align);
  return std::aligned_alloc(a, (size + a - 1) / a * a);
}

}  // namespace

void* operator new(std::size_t size) {
  void* p = Allocate(size);
  if (!p) throw std::bad_alloc();
  return p;
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new(std::size_t size, std::align_val_t align) {
  void* p = AllocateAligned(size, align);
  if (!p) throw std::bad_alloc();
  return p;
}
void* operator new[](std::size_t size, std::align_val_t align) { return operator new(size, align); }
void* operator new(std::size_t size, std::align_val_t align, const std::nothrow_t&) noexcept {
  return AllocateAligned(size, align);
}
void* operator new[](std::size_t size, std::align_val_t align, const std::nothrow_t&) noexcept {
  return AllocateAligned(size, align);
}
// Every allocation above comes from malloc or aligned_alloc, so free
// releases each (the compiler cannot see that through the replacement).
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }

namespace q836 {
namespace {

const char kExchange[] = "C:\\CAD\\JWC_TEMP.TXT";
const char kSettings[] = "C:\\CAD\\q836.dat";

struct NoKey : EscapeKey {
  bool IsDown() override { return false; }
};

// The progress line shows at most every 100 ms of the host's clock: a clock
// that moves 30 ms a look makes the run's allocations the same, however
// busy the machine.
struct SteadyHost : HeadlessHost {
  using HeadlessHost::HeadlessHost;
  int64_t Milliseconds() override { return now += 30; }
  int64_t now = 0;
};

struct Outcome {
  std::string exchange, settings;
  size_t files = 0;
  std::vector<std::string> messages;
  bool outOfMemory = false, destroyed = false;
  long allocations = 0;
};

// One whole run: show, preview, OK. `fail` 0 injects nothing. The first
// run of a process allocates a few things once; the reference run is the
// second.
Outcome RunOnce(const std::string& exchange, const std::string& settings, long fail) {
  MemoryFileSystem fs;
  fs.files[kExchange] = exchange;
  fs.files[kSettings] = settings;
  NoKey key;
  SteadyHost host("C:\\CAD\\q836.exe", key, fs);
  Outcome outcome;
  outcome.messages.reserve(4);
  host.onMessage = [&](const std::string& text) { outcome.messages.push_back(text); };
  TForm1 form(host);
  allocations = 0;
  failAt = fail;
  counting = true;
  form.FormShow();
  if (!form.Closed()) form.Preview();
  if (!form.Closed()) form.Button1Click();
  counting = false;
  outcome.allocations = allocations;
  outcome.exchange = fs.files[kExchange];
  outcome.settings = fs.files[kSettings];
  outcome.files = fs.files.size();
  outcome.outOfMemory = form.OutOfMemory();
  outcome.destroyed = host.destroyed;
  return outcome;
}

// Checks the run that failed at allocation `n` against the clean run.
void Check(const Outcome& got, const Outcome& clean, const std::string& exchange,
           const std::string& settings, long n) {
  EXPECT_GE(got.allocations, n) << "the run never reached allocation " << n;
  EXPECT_TRUE(got.destroyed) << n;
  EXPECT_EQ(got.files, 2u) << "a file was left beside, allocation " << n;
  if (!got.outOfMemory) {
    // The failure was absorbed (no writer thread: the blocks were written
    // on the form's thread); the run is the clean one.
    EXPECT_EQ(got.exchange, clean.exchange) << n;
    EXPECT_EQ(got.settings, clean.settings) << n;
    EXPECT_TRUE(got.messages.empty()) << n;
    return;
  }
  EXPECT_TRUE(got.exchange == exchange || got.exchange == "hq\r\n")
      << "allocation " << n << " left " << got.exchange.substr(0, 40);
  EXPECT_TRUE(got.settings == settings || got.settings == clean.settings) << n;
  EXPECT_EQ(got.messages, std::vector<std::string>{std::string(kOutOfMemoryMessage)}) << n;
}

std::string Drawing(int entities) {
  std::string exchange = "lg0\r\nly1\r\nlc2\r\nlt1\r\nlw0\r\n";
  for (int i = 0; i < entities; ++i) {
    const std::string n = std::to_string(i);
    switch (i % 5) {
      case 0:
        exchange += "ci " + n + " 0 0.05\r\n";
        break;
      case 1:
        exchange += "ci " + n + " 0 5 0 90 1 0\r\n";
        break;
      case 2:
        exchange += "ch " + n + " 0 1 0 \"テキスト" + n + "\r\n";
        break;
      case 3:
        exchange += "sc " + n + " 0 0.05 1 0 0 0 0\r\n";
        break;
      default:
        exchange += "0 0 1 " + n + "\r\n";
    }
  }
  return exchange;
}

const char kSettingsFile[] = "10\r\n20\r\n1\r\n1\r\n0\r\n1\r\n0.1\r\n2\r\n1\r\n1\r\n1\r\n1\r\n";

TEST(AllocationFailure, EveryAllocationOfARunOnASmallDrawing) {
  const std::string exchange = Drawing(60), settings = kSettingsFile;
  RunOnce(exchange, settings, 0);
  const Outcome clean = RunOnce(exchange, settings, 0);
  ASSERT_FALSE(clean.outOfMemory);
  ASSERT_EQ(clean.exchange.substr(0, 4), "hd\r\n");
  ASSERT_GT(clean.allocations, 50);
  long ended = 0;
  for (long n = 1; n <= clean.allocations; ++n) {
    const Outcome got = RunOnce(exchange, settings, n);
    Check(got, clean, exchange, settings, n);
    ended += got.outOfMemory;
  }
  EXPECT_GT(ended, 0);
  std::printf("small drawing: %ld allocations, each failed in turn; %ld ended the run\n",
              clean.allocations, ended);
}

// The large drawing's storage grows in few, large steps and its exchange
// file is written while the write-back goes on: every allocation is tried
// here too.
TEST(AllocationFailure, EveryAllocationOfARunOnALargeDrawing) {
  const std::string exchange = Drawing(100000), settings = kSettingsFile;
  RunOnce(exchange, settings, 0);
  const Outcome clean = RunOnce(exchange, settings, 0);
  ASSERT_FALSE(clean.outOfMemory);
  long ended = 0;
  for (long n = 1; n <= clean.allocations; ++n) {
    const Outcome got = RunOnce(exchange, settings, n);
    Check(got, clean, exchange, settings, n);
    ended += got.outOfMemory;
  }
  std::printf("large drawing: %ld allocations, each failed in turn; %ld ended the run\n",
              clean.allocations, ended);
}

}  // namespace
}  // namespace q836
