// UTF-8 <-> UTF-16 for window texts and paths.
#pragma once

#include <string>
#include <string_view>

namespace q836 {

/// UTF-16 text from UTF-8.
std::wstring Utf16(std::string_view utf8);
/// UTF-8 text from UTF-16.
std::string Utf8(std::wstring_view utf16);

}  // namespace q836
