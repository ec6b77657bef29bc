// The millisecond tick count and Sleep of the platform layer. Tests switch to a
// virtual clock, on which Sleep advances time instead of blocking, so loops and
// timers run deterministically.
#pragma once

#include "platform/KesWinTypes.h"

namespace kest2d {

// Milliseconds since an arbitrary start, wrapping at 2^32, never 0.
DWORD GetTickCount();
// Blocks the calling thread (real clock) or advances the virtual clock.
void Sleep(DWORD ms);

// True when `a` is at or after `b` on the wrapping 32-bit tick scale.
inline bool TickReached(DWORD a, DWORD b) { return static_cast<int32_t>(a - b) >= 0; }

namespace platform {
// Switches the process to a virtual clock starting at `start` (test use).
void UseVirtualClock(DWORD start = 1000);
// Back to the real clock.
void UseRealClock();
bool IsVirtualClock();
// Moves the virtual clock forward (no effect on the real clock).
void AdvanceClock(DWORD ms);
}  // namespace platform

}  // namespace kest2d
