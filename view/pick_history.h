// The radii picked in the drawing view, as steps of their own: undo goes
// back through the picks to the text the user last typed into 半径, redo
// forward again. Typing starts afresh; the edit's own undo covers typing.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace q836 {

class PickHistory {
 public:
  /// A pick is about to change 半径 from `current` to `picked`.
  void Picked(const std::string& current, const std::string& picked) {
    if (!Follows(current)) {  // typed since the last pick: a new series
      texts_.assign(1, current);
      at_ = 0;
    }
    texts_.resize(at_ + 1);
    texts_.push_back(picked);
    ++at_;
  }
  /// The text one step back from `current`, where 半径 shows a step of the
  /// picks and there is one before it; none otherwise.
  std::optional<std::string> Undo(const std::string& current) {
    if (!Follows(current) || at_ == 0) return std::nullopt;
    return texts_[--at_];
  }
  /// The text one step forward from `current`; none where there is none.
  std::optional<std::string> Redo(const std::string& current) {
    if (!Follows(current) || at_ + 1 >= texts_.size()) return std::nullopt;
    return texts_[++at_];
  }

 private:
  bool Follows(const std::string& current) const {
    return !texts_.empty() && texts_[at_] == current;
  }

  std::vector<std::string> texts_;  // the typed text, then each pick
  size_t at_ = 0;                   // the step 半径 shows
};

}  // namespace q836
