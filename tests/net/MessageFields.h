// A message holding a field of every width the protocol writes, shared by the
// network tests and the message fuzz target's seeds.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "net/Kest2dMessage.h"

namespace kest2d {
namespace test {

// A byte, a short and a long past the signed range of their widths, then each
// string at its width (-1: with its length in front).
inline void WriteEveryWidth(CKesMessageOut& m, const std::vector<std::pair<std::string, int>>& strings) {
    m.writeByte(200);
    m.writeShort(40000);
    m.writeLong(-123456);
    for (const auto& s : strings) m.writeString(s.first, s.second);
}

}  // namespace test
}  // namespace kest2d
