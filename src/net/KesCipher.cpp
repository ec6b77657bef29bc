#include "net/KesCipher.h"

#include <array>

namespace kest2d {
namespace cipher {

namespace {

// The receive table is b -> 167 b + 13 (mod 256): a permutation (167 is odd)
// without fixed points (166 b = -13 has no solution) that is not its own
// inverse; the send table is its inverse.
struct Tables {
    std::array<unsigned char, 256> send{};
    std::array<unsigned char, 256> receive{};
    Tables() {
        for (unsigned b = 0; b < 256; ++b) {
            unsigned char r = static_cast<unsigned char>((b * 167u + 13u) & 0xFFu);
            receive[b] = r;
            send[r] = static_cast<unsigned char>(b);
        }
    }
};

const Tables& T() {
    static const Tables tables;
    return tables;
}

void Substitute(unsigned char* buffer, unsigned long length, const unsigned char* table) {
    if (!buffer || length == 0) return;
    for (unsigned long i = 0; i < length; ++i) buffer[i] = table[buffer[i]];
}

}  // namespace

void Encrypt(unsigned char* buffer, unsigned long length) { Substitute(buffer, length, T().send.data()); }
void Decrypt(unsigned char* buffer, unsigned long length) { Substitute(buffer, length, T().receive.data()); }
const unsigned char* SendTable() { return T().send.data(); }
const unsigned char* ReceiveTable() { return T().receive.data(); }

}  // namespace cipher
}  // namespace kest2d
