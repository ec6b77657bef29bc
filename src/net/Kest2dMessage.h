// The messages exchanged with the game server: a 16-bit message id followed by
// fields that both sides read and write in an agreed order. All multi-byte
// integers are big-endian. A message has no header, length or checksum of its
// own: the socket client carries one message per receive.
//
// Field forms:
//   byte   1 byte, read as 0..255
//   short  2 bytes, read as 0..65535
//   long   4 bytes, read as a signed 32-bit value
//   string with length (length argument negative): a short n, then n bytes
//   string of fixed width w (length argument w >= 0): w bytes, zero-padded;
//          read back up to the first NUL
#pragma once

#include <cstdint>
#include <string>

namespace kest2d {

// Reads the fields of a received message. It does not own its bytes. Reads
// never throw: past the end a number reads as -1 and a string as "", and the
// position moves on all the same.
class CKesMessageIn {
public:
    CKesMessageIn() = default;
    // The id is the first two bytes (65535 when there are fewer), the read
    // position starts after them. Only the low 16 bits of `length` are kept;
    // a negative length is taken as 0.
    CKesMessageIn(const char* data, int length);

    int getId() const { return mId; }
    int getLength() const { return mLength; }
    // Length minus position: negative after reads past the end.
    int getUnreadLength() const { return static_cast<int>(mLength) - static_cast<int>(mPosition); }

    int readByte();
    int readShort();
    int readLong();
    // length < 0: the string is preceded by its length as a short; otherwise
    // exactly `length` bytes, cut at the first NUL. A failed read returns ""
    // and leaves the position past the end, so every later read fails too.
    std::string readString(int length);

private:
    // Moves the position on by `n`, never beyond what getUnreadLength can tell.
    void advance(uint64_t n);
    bool available(uint64_t n) const { return static_cast<uint64_t>(mPosition) + n <= mLength; }

    const char* mData = nullptr;
    uint16_t mLength = 0;
    uint16_t mId = 0;
    // Wider than the length: reads past the end must not wrap back into it.
    uint32_t mPosition = 0;
};

// Builds an outgoing message in a growable buffer of at most 2^31 bytes: a
// write that would pass that throws std::length_error, saying so with the
// numbers, and writes nothing.
class CKesMessageOut {
public:
    CKesMessageOut();
    // Starts the message with its id (a short).
    explicit CKesMessageOut(int id);
    ~CKesMessageOut();
    CKesMessageOut(const CKesMessageOut& other);
    CKesMessageOut& operator=(const CKesMessageOut& other);

    void writeByte(int value);
    void writeShort(int value);
    void writeLong(int value);
    // length < 0: a short with the text's length, then the text. A text over
    // 65535 bytes is cut to the longest head of at most 65535 bytes that keeps
    // its two-byte characters whole, and a warning is logged.
    // length >= 0: exactly `length` bytes, the text cut or zero-padded.
    void writeString(const std::string& text, int length);

    char* getData() const { return mBuffer; }
    unsigned int getLength() const { return mLength; }
    unsigned int getCapacity() const { return mCapacity; }
    // Back to an empty message of the initial capacity.
    void clear();

    enum : unsigned int { INITIAL_CAPACITY = 16, MAX_STRING_LENGTH = 65535 };

private:
    void expand(unsigned int needed);
    void append(const void* bytes, unsigned int count);

    char* mBuffer = nullptr;
    uint32_t mLength = 0;
    uint32_t mCapacity = 0;
};

}  // namespace kest2d
