// The byte-substitution cipher of the wire format and of archive headers.
// Stateless and position-independent: a stream may be processed in chunks.
#pragma once

namespace kest2d {
namespace cipher {

// Plain bytes to wire bytes (the send table).
void Encrypt(unsigned char* buffer, unsigned long length);
// Wire or archive bytes to plain bytes (the receive table).
void Decrypt(unsigned char* buffer, unsigned long length);
// The tables themselves, for tools and tests.
const unsigned char* SendTable();
const unsigned char* ReceiveTable();

}  // namespace cipher
}  // namespace kest2d
