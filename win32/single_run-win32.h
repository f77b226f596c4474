// One dialog per drawing: a second run on the same exchange file brings the
// first one's dialog to the front instead of opening another over it.
#pragma once

#include <windows.h>

#include <string>

namespace q836 {

class SingleRun {
 public:
  /// Claims the exchange file at `path` (a named mutex on its full path).
  explicit SingleRun(const std::wstring& path);
  ~SingleRun();
  SingleRun(const SingleRun&) = delete;
  SingleRun& operator=(const SingleRun&) = delete;

  /// Whether no other run holds the file.
  bool First() const { return first_; }
  /// Marks the dialog of the first run, so that a later run can find it.
  void Mark(HWND dialog) const;
  /// For a later run: brings the first run's dialog to the front at once
  /// (its caption flashes) and shows nothing of its own.
  void ShowFirst() const;

 private:
  std::wstring key_;  // from the full path, the same in every run on the file
  HANDLE mutex_ = nullptr;
  bool first_ = true;
};

}  // namespace q836
