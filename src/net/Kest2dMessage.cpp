#include "net/Kest2dMessage.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sstream>
#include <stdexcept>

#include "frame/Kest2dLogger.h"

namespace kest2d {

namespace {
const uint32_t kMaxPosition = 0x7FFFFFFF;
// The most bytes a message being written holds, its id included.
const uint32_t kMaxMessageBytes = 0x80000000u;

// A field of `count` more bytes must fit under the limit; the error says how
// many were asked for, how many the message holds and the limit.
void CheckRoom(uint32_t length, uint64_t count) {
    if (count <= kMaxMessageBytes - length) return;
    std::ostringstream os;
    os << "a field of " << count << " bytes does not fit: the message holds " << length << " bytes and at most "
       << kMaxMessageBytes;
    throw std::length_error(os.str());
}
}  // namespace

// ---- CKesMessageIn ----

CKesMessageIn::CKesMessageIn(const char* data, int length)
    : mData(data), mLength(static_cast<uint16_t>(length < 0 ? 0 : length)), mId(0xFFFF), mPosition(2) {
    if (!mData) mLength = 0;
    if (mLength >= 2)
        mId = static_cast<uint16_t>((static_cast<unsigned char>(mData[0]) << 8) | static_cast<unsigned char>(mData[1]));
}

void CKesMessageIn::advance(uint64_t n) {
    uint64_t p = static_cast<uint64_t>(mPosition) + n;
    mPosition = static_cast<uint32_t>(p > kMaxPosition ? kMaxPosition : p);
}

int CKesMessageIn::readByte() {
    int value = -1;
    if (available(1)) value = static_cast<unsigned char>(mData[mPosition]);
    advance(1);
    return value;
}

int CKesMessageIn::readShort() {
    int value = -1;
    if (available(2)) {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(mData + mPosition);
        value = (p[0] << 8) | p[1];
    }
    advance(2);
    return value;
}

int CKesMessageIn::readLong() {
    int value = -1;
    if (available(4)) {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(mData + mPosition);
        uint32_t v = (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
                     (static_cast<uint32_t>(p[2]) << 8) | p[3];
        value = static_cast<int32_t>(v);
    }
    advance(4);
    return value;
}

std::string CKesMessageIn::readString(int length) {
    int64_t n = length;
    if (n < 0) n = readShort();  // -1 when the short itself is missing
    if (n < 0 || !available(static_cast<uint64_t>(n))) {
        mPosition = static_cast<uint32_t>(mLength) + 1;
        return std::string();
    }
    if (n == 0) return std::string();  // an empty reader has no bytes to search at all
    const char* start = mData + mPosition;
    const void* nul = std::memchr(start, 0, static_cast<size_t>(n));
    size_t size = nul ? static_cast<size_t>(static_cast<const char*>(nul) - start) : static_cast<size_t>(n);
    advance(static_cast<uint64_t>(n));
    return std::string(start, size);
}

// ---- CKesMessageOut ----

CKesMessageOut::CKesMessageOut() {
    mBuffer = static_cast<char*>(std::malloc(INITIAL_CAPACITY));
    if (!mBuffer) throw std::bad_alloc();
    mCapacity = INITIAL_CAPACITY;
}

CKesMessageOut::CKesMessageOut(int id) : CKesMessageOut() { writeShort(id); }

CKesMessageOut::~CKesMessageOut() { std::free(mBuffer); }

CKesMessageOut::CKesMessageOut(const CKesMessageOut& other) : CKesMessageOut() {
    append(other.mBuffer, other.mLength);
}

CKesMessageOut& CKesMessageOut::operator=(const CKesMessageOut& other) {
    if (this != &other) {
        mLength = 0;
        append(other.mBuffer, other.mLength);
    }
    return *this;
}

void CKesMessageOut::expand(unsigned int needed) {
    if (mCapacity >= needed) return;
    CheckRoom(0, needed);
    uint32_t capacity = mCapacity ? mCapacity : INITIAL_CAPACITY;
    while (capacity < needed) capacity *= 2;
    char* grown = static_cast<char*>(std::realloc(mBuffer, capacity));
    if (!grown) throw std::bad_alloc();
    mBuffer = grown;
    mCapacity = capacity;
}

void CKesMessageOut::append(const void* bytes, unsigned int count) {
    if (count == 0) return;
    CheckRoom(mLength, count);
    expand(mLength + count);
    std::memcpy(mBuffer + mLength, bytes, count);
    mLength += count;
}

void CKesMessageOut::writeByte(int value) {
    unsigned char b = static_cast<unsigned char>(value & 0xFF);
    append(&b, 1);
}

void CKesMessageOut::writeShort(int value) {
    unsigned char b[2] = {static_cast<unsigned char>((value >> 8) & 0xFF), static_cast<unsigned char>(value & 0xFF)};
    append(b, 2);
}

void CKesMessageOut::writeLong(int value) {
    uint32_t v = static_cast<uint32_t>(value);
    unsigned char b[4] = {static_cast<unsigned char>(v >> 24), static_cast<unsigned char>(v >> 16),
                          static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)};
    append(b, 4);
}

void CKesMessageOut::writeString(const std::string& text, int length) {
    if (length < 0) {
        size_t size = text.size();
        if (size > MAX_STRING_LENGTH) {
            // The longest head that fits the length field and ends on a
            // character boundary (a byte with its top bit set starts a pair).
            size_t cut = 0;
            while (cut < size) {
                size_t step = (static_cast<unsigned char>(text[cut]) & 0x80) ? 2 : 1;
                if (cut + step > MAX_STRING_LENGTH) break;
                cut += step;
            }
            if (CKesLogger::admits(WARN)) {
                std::ostringstream os;
                os << "消息字符串长 " << size << " 字节, 超过 " << MAX_STRING_LENGTH << ", 截为 " << cut << " 字节";
                CKesLogger::output(os.str(), WARN);
            }
            size = cut;
        }
        CheckRoom(mLength, 2 + static_cast<uint64_t>(size));  // the length and the text, or neither
        writeShort(static_cast<int>(size));
        append(text.data(), static_cast<unsigned int>(size));
        return;
    }
    unsigned int width = static_cast<unsigned int>(length);
    unsigned int copied = static_cast<unsigned int>(std::min<size_t>(text.size(), width));
    CheckRoom(mLength, width);
    expand(mLength + width);
    append(text.data(), copied);
    if (width > copied) {
        std::memset(mBuffer + mLength, 0, width - copied);
        mLength += width - copied;
    }
}

void CKesMessageOut::clear() {
    char* shrunk = static_cast<char*>(std::realloc(mBuffer, INITIAL_CAPACITY));
    if (shrunk) {
        mBuffer = shrunk;
        mCapacity = INITIAL_CAPACITY;
    }
    mLength = 0;
}

}  // namespace kest2d
