// The debugger output channel: short diagnostic lines meant for an attached
// debugger, not for the log file. Without a sink they are dropped, unless the
// environment variable KEST2D_DEBUG_OUTPUT is set, which sends them to stderr.
#pragma once

namespace kest2d {
namespace platform {

// Hands one text to the debugger output.
void DebugOutput(const char* text);

// Receives every debugger output text (tests); null restores the default.
using DebugOutputSink = void (*)(const char* text, void* user);
void SetDebugOutputSink(DebugOutputSink sink, void* user);

}  // namespace platform
}  // namespace kest2d
