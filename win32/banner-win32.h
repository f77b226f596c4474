// The banner strip: a web browser control that shows the banner page.
#pragma once

#include <windows.h>

#include <string>

namespace q836 {

/// Fills `panel` with a browser control navigating once to `url`. Any
/// failure is swallowed: the strip then stays an empty panel.
void StartBannerBrowser(HWND panel, const std::wstring& url);

}  // namespace q836
