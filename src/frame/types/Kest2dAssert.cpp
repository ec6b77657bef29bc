#include "frame/types/Kest2dAssert.h"

#include <cstdio>
#include <cstdlib>

namespace kest2d {
void KesAssertFailed(const char* expression, const char* source, int line) {
    std::fprintf(stderr, "Assertion failed: %s, file %s, line %d\n", expression, source, line);
    std::fflush(stderr);
    std::abort();
}
}  // namespace kest2d
