#include "platform/KesDebugOutput.h"

#include <cstdio>
#include <cstdlib>

namespace kest2d {
namespace platform {

namespace {
DebugOutputSink g_sink = nullptr;
void* g_sinkUser = nullptr;
}  // namespace

void DebugOutput(const char* text) {
    if (text == nullptr) return;
    if (g_sink != nullptr) {
        g_sink(text, g_sinkUser);
        return;
    }
    static const bool toStderr = std::getenv("KEST2D_DEBUG_OUTPUT") != nullptr;
    if (toStderr) std::fputs(text, stderr);
}

void SetDebugOutputSink(DebugOutputSink sink, void* user) {
    g_sink = sink;
    g_sinkUser = sink != nullptr ? user : nullptr;
}

}  // namespace platform
}  // namespace kest2d
