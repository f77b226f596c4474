#include "exchange/font_names.h"

#include <deque>
#include <string>
#include <unordered_map>

#include "exchange/stored_text.h"
#include "text/sjis.h"

namespace q836 {

namespace {

std::deque<std::string>& Names() {
  static std::deque<std::string> names{std::string()};
  return names;
}

std::unordered_map<std::string_view, uint32_t>& Lookup() {
  static std::unordered_map<std::string_view, uint32_t> lookup;
  return lookup;
}

// The last name stored, so that runs of texts in one font cost one compare.
uint32_t lastIndex = 0;

}  // namespace

void FontNameRef::Assign(std::string_view name) {
  name = name.substr(0, WholeCharPrefix(name, kShortStringCapacity));
  std::deque<std::string>& names = Names();
  if (names[lastIndex] != name) {
    auto found = Lookup().find(name);
    if (found != Lookup().end()) {
      lastIndex = found->second;
    } else {
      names.emplace_back(name);
      lastIndex = static_cast<uint32_t>(names.size() - 1);
      Lookup().emplace(names.back(), lastIndex);
    }
  }
  Index = lastIndex;
}

std::string_view FontNameRef::View() const { return Names()[Index]; }

void ReleaseFontNames() {
  Lookup().clear();
  Names().resize(1);
  lastIndex = 0;
}

}  // namespace q836
