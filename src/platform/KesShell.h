// Handing an address to the desktop: what the system shell's "open" does for
// a web address or a document.
#pragma once

#include <functional>
#include <string>

namespace kest2d {
namespace platform {

// Asks the desktop to open `address` (GBK text) with its default program,
// without waiting for it. False when no opener could be started.
bool OpenUrl(const std::string& address);

// Replaces what OpenUrl does (tests record the addresses instead of starting
// a program); an empty function restores the desktop opener.
using UrlOpener = std::function<bool(const std::string& address)>;
void SetUrlOpener(UrlOpener opener);

}  // namespace platform
}  // namespace kest2d
