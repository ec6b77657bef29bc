#include "platform/KesClock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace kest2d {

namespace {
std::atomic<bool> gVirtual{false};
std::atomic<DWORD> gVirtualNow{1000};

DWORD RealTicks() {
    using namespace std::chrono;
    static const steady_clock::time_point start = steady_clock::now();
    const auto ms = duration_cast<milliseconds>(steady_clock::now() - start).count();
    // Start well away from 0 so that a tick of 0 never reads as "unset".
    return static_cast<DWORD>(static_cast<uint64_t>(ms) + 1000u);
}
}  // namespace

DWORD GetTickCount() {
    DWORD t = gVirtual ? gVirtualNow.load() : RealTicks();
    return t == 0 ? 1 : t;
}

void Sleep(DWORD ms) {
    if (gVirtual) {
        gVirtualNow += ms;
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

namespace platform {
void UseVirtualClock(DWORD start) {
    gVirtualNow = start;
    gVirtual = true;
}
void UseRealClock() { gVirtual = false; }
bool IsVirtualClock() { return gVirtual; }
void AdvanceClock(DWORD ms) {
    if (gVirtual) gVirtualNow += ms;
}
}  // namespace platform

}  // namespace kest2d
