// The desktop's own way of opening a web page, for the menu's web page item.
#pragma once

#include <string>

namespace korvanta {

// Starts the desktop's own opener (xdg-open, or the Windows shell) for `address` without a shell
// and without waiting.
void openWithDesktopOpener(const std::string& address);

}  // namespace korvanta
