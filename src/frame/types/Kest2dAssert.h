// Engine assertions: checked in every build. A broken precondition prints the
// condition with its source and line and ends the process.
#pragma once

namespace kest2d {
[[noreturn]] void KesAssertFailed(const char* expression, const char* source, int line);
}

#define KES_ASSERT(cond, source) \
    ((cond) ? static_cast<void>(0) : ::kest2d::KesAssertFailed(#cond, source, __LINE__))
