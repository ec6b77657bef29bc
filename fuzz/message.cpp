// Reads fields of every form from arbitrary bytes, the way a script reads a
// message from a hostile server. The first bytes of the input choose the
// reads; the rest is the message.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "net/Kest2dMessage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    size_t ops = data[0] % 32;
    if (size < 1 + ops) return 0;
    const uint8_t* plan = data + 1;
    // A copy of exactly the message bytes, so any read past them is caught.
    std::vector<char> bytes(data + 1 + ops, data + size);
    kest2d::CKesMessageIn m(bytes.empty() ? nullptr : bytes.data(), static_cast<int>(bytes.size()));
    int lengths[] = {-1, 0, 1, 2, 7, 255, 65535, 65536, 0x7FFFFFFF, -0x7FFFFFFF};
    for (size_t i = 0; i < ops; ++i) {
        switch (plan[i] % 5) {
        case 0: m.readByte(); break;
        case 1: m.readShort(); break;
        case 2: m.readLong(); break;
        case 3: m.readString(lengths[(plan[i] / 5) % 10]); break;
        default: {
            kest2d::CKesMessageIn copy;
            copy = m;
            copy.readString(-1);
            break;
        }
        }
        m.getUnreadLength();
    }
    return 0;
}
