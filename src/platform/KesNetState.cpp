#include "platform/KesNetState.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <sys/socket.h>

#include <atomic>

namespace kest2d {
namespace platform {

namespace {
std::atomic<int> gOverride{-1};
}

void SetConnectedStateOverride(int state) { gOverride = state < 0 ? -1 : (state ? 1 : 0); }

bool InternetGetConnectedState(DWORD* flags, DWORD /*reserved*/) {
    if (flags) *flags = 0;
    const int forced = gOverride.load();
    if (forced >= 0) return forced == 1;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return false;
    bool connected = false;
    for (ifaddrs* a = list; a && !connected; a = a->ifa_next) {
        if (!a->ifa_addr || (a->ifa_flags & IFF_LOOPBACK) || !(a->ifa_flags & IFF_UP)) continue;
        const int family = a->ifa_addr->sa_family;
        if ((family == AF_INET || family == AF_INET6) && (a->ifa_flags & IFF_RUNNING)) connected = true;
    }
    ::freeifaddrs(list);
    return connected;
}

}  // namespace platform
}  // namespace kest2d
