// Waiting for the download workers: they run on real time while the test's
// frame runs on the virtual clock.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

#include "platform/KesWindow.h"

namespace kest2d {
namespace test {

// Pumps the loop until `done` holds, for at most `ms` real milliseconds.
inline bool PumpUntil(const std::function<bool()>& done, int ms = 10000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        platform::PumpMessages();
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return done();
}

}  // namespace test
}  // namespace kest2d
