// The write-back driver: re-emits every entity still listed in Order, in
// file order, with its attribute lines, then restores the first layer group
// and layer of the file.
#pragma once

#include <cstdint>
#include <string_view>

namespace q836 {

/// Where the driver shows its progress: a caption that can be repainted at once.
class ProgressControl {
 public:
  virtual ~ProgressControl() = default;
  /// Sets the caption (UTF-8) and repaints it before returning.
  virtual void SetCaptionAndRepaint(std::string_view caption) = 0;
};

/// The key that stops the write-back.
class EscapeKey {
 public:
  virtual ~EscapeKey() = default;
  /// True while the key is down at the moment of the call.
  virtual bool IsDown() = 0;
};

/// Emits the whole drawing. An override outside its range (or -1) lets each
/// entity keep its own value; ESC, polled every 100 items, empties OutLines.
void WriteAllEntities(int32_t GroupOverride, int32_t LayerOverride, int32_t ColorOverride,
                      int32_t LineTypeOverride, int32_t WidthOverride, int32_t TextColorOverride,
                      int32_t CcOverride, int32_t SolidColorValue, ProgressControl* progress,
                      EscapeKey* escape);

/// Drawings of this many items or more have their numbers written as text
/// on a second thread, where there is a second processor (the same bytes).
extern int32_t BackgroundFormatItems;

}  // namespace q836
