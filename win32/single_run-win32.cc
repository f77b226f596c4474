#include "win32/single_run-win32.h"

#include <cstdint>
#include <cwchar>

#include "exchange/file_system.h"

namespace q836 {

namespace {

// How long a second start looks for the first run's dialog.
constexpr int kWaitForFirstMilliseconds = 5000;

// Window property names are atoms shared by every process of the desktop,
// so another run can ask a window for it.
std::wstring PropertyName(const std::wstring& key) { return L"q836-run-" + key; }

struct Search {
  const wchar_t* property;
  HWND found;
};

BOOL CALLBACK FindMarked(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  wchar_t className[16];
  if (GetClassNameW(window, className, 16) && std::wcscmp(className, L"TForm1") == 0 &&
      GetPropW(window, search->property)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

SingleRun::SingleRun(const std::wstring& path) {
  // The full path, upper-cased as the file system compares names, hashed
  // (FNV-1a) to a name that a mutex and an atom can carry.
  std::wstring full = FullPath(path);
  CharUpperBuffW(full.data(), static_cast<DWORD>(full.size()));
  uint64_t hash = 14695981039346656037ULL;
  for (wchar_t c : full) {
    hash ^= static_cast<uint16_t>(c);
    hash *= 1099511628211ULL;
  }
  wchar_t text[17];
  std::swprintf(text, 17, L"%016llx", static_cast<unsigned long long>(hash));
  key_ = text;
  mutex_ = CreateMutexW(nullptr, FALSE, (L"Local\\q836-run-" + key_).c_str());
  first_ = !(mutex_ && GetLastError() == ERROR_ALREADY_EXISTS);
}

SingleRun::~SingleRun() {
  if (mutex_) CloseHandle(mutex_);
}

void SingleRun::Mark(HWND dialog) const {
  SetPropW(dialog, PropertyName(key_).c_str(), reinterpret_cast<HANDLE>(1));
}

void SingleRun::ShowFirst() const {
  // The first run's dialog comes forward at once, with no box of this run's
  // in the way; a first run still starting gets a few seconds to show it.
  const std::wstring property = PropertyName(key_);
  Search search{property.c_str(), nullptr};
  for (int waited = 0; !search.found && waited <= kWaitForFirstMilliseconds; waited += 50) {
    EnumWindows(FindMarked, reinterpret_cast<LPARAM>(&search));
    if (!search.found) Sleep(50);
  }
  if (!search.found) return;
  HWND owner = GetWindow(search.found, GW_OWNER);
  if (owner && IsIconic(owner)) ShowWindow(owner, SW_RESTORE);
  SetForegroundWindow(search.found);
  FLASHWINFO flash = {sizeof flash, search.found, FLASHW_CAPTION, 3, 0};
  FlashWindowEx(&flash);
}

}  // namespace q836
