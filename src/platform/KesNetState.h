// Whether the machine has a network connection, for features that only try
// the network when one is there.
#pragma once

#include "platform/KesWinTypes.h"

namespace kest2d {
namespace platform {

// True when a network interface other than the loopback one is up and has
// an address. `flags` (may be null) receives 0; `reserved` is ignored.
bool InternetGetConnectedState(DWORD* flags, DWORD reserved);

// Test use: -1 asks the system again, 0 reports no connection, 1 reports one.
void SetConnectedStateOverride(int state);

}  // namespace platform
}  // namespace kest2d
