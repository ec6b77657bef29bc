#include "frame/Kest2dLifetime.h"

#include <unordered_map>

namespace kest2d {
namespace lifetime {

namespace {

struct Entry {
    Kind kind;
    unsigned starts;
    unsigned long serial;
};

unsigned long gSerials = 0;

// Never destroyed: elements may end during the program's exit.
std::unordered_map<const void*, Entry>& Live() {
    static auto* live = new std::unordered_map<const void*, Entry>();
    return *live;
}

EndObserver gObserver = nullptr;

}  // namespace

void Begin(const void* object, Kind kind) {
    auto [it, added] = Live().try_emplace(object, Entry{kind, 0, 0});
    // An object that ended without telling (it cannot, but a stale entry must
    // not pass for the new object) is replaced.
    if (!added && it->second.kind != kind) it->second = Entry{kind, 0, 0};
    if (it->second.starts++ == 0) it->second.serial = ++gSerials;
}

void End(const void* object) {
    auto& live = Live();
    auto it = live.find(object);
    if (it == live.end()) return;
    if (--it->second.starts > 0) return;
    const Kind kind = it->second.kind;
    live.erase(it);
    if (gObserver) gObserver(object, kind);
}

bool IsLive(const void* object, Kind kind) { return Serial(object, kind) != 0; }

unsigned long Serial(const void* object, Kind kind) {
    const auto& live = Live();
    auto it = live.find(object);
    return it != live.end() && it->second.kind == kind ? it->second.serial : 0;
}

void SetEndObserver(EndObserver observer) { gObserver = observer; }

}  // namespace lifetime
}  // namespace kest2d
