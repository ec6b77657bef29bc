#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "net/Kest2dCircularBuffer.h"
#include "net/Kest2dMessage.h"

using namespace kest2d;

namespace {

std::string Hex(const char* data, unsigned n) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned i = 0; i < n; ++i) {
        unsigned char b = static_cast<unsigned char>(data[i]);
        if (i) out += ' ';
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::string Hex(CKesMessageOut& m) { return Hex(m.getData(), m.getLength()); }

}  // namespace

TEST(Message, EveryFieldFormRoundTrips) {
    CKesMessageOut out(0x1234);
    out.writeByte(0);
    out.writeByte(255);
    out.writeByte(0x1FF);  // only the low 8 bits
    out.writeShort(0);
    out.writeShort(65535);
    out.writeShort(-2);  // low 16 bits
    out.writeLong(0);
    out.writeLong(INT_MIN);
    out.writeLong(INT_MAX);
    out.writeLong(-1);
    out.writeString("with length", -1);
    out.writeString("", -1);
    out.writeString("fixed", 8);
    out.writeString("cut to four", 4);
    out.writeString("\xc4\xe3\xba\xc3", -1);  // two GBK characters

    CKesMessageIn in(out.getData(), static_cast<int>(out.getLength()));
    EXPECT_EQ(0x1234, in.getId());
    EXPECT_EQ(static_cast<int>(out.getLength()), in.getLength());
    EXPECT_EQ(0, in.readByte());
    EXPECT_EQ(255, in.readByte());
    EXPECT_EQ(255, in.readByte());
    EXPECT_EQ(0, in.readShort());
    EXPECT_EQ(65535, in.readShort());
    EXPECT_EQ(65534, in.readShort());
    EXPECT_EQ(0, in.readLong());
    EXPECT_EQ(INT_MIN, in.readLong());
    EXPECT_EQ(INT_MAX, in.readLong());
    EXPECT_EQ(-1, in.readLong());
    EXPECT_EQ("with length", in.readString(-1));
    EXPECT_EQ("", in.readString(-1));
    EXPECT_EQ("fixed", in.readString(8));
    EXPECT_EQ("cut ", in.readString(4));
    EXPECT_EQ("\xc4\xe3\xba\xc3", in.readString(-1));
    EXPECT_EQ(0, in.getUnreadLength());
    EXPECT_EQ(-1, in.readByte());
}

TEST(Message, WrittenBytesAreBigEndianWithoutTerminators) {
    CKesMessageOut id(258);
    EXPECT_EQ("01 02", Hex(id));

    CKesMessageOut m;
    m.writeShort(0x0102);
    m.writeLong(0x03040506);
    EXPECT_EQ("01 02 03 04 05 06", Hex(m));

    CKesMessageOut a, b, c;
    a.writeString("abcdef", 4);
    b.writeString("ab", 4);
    c.writeString("ab", -1);
    EXPECT_EQ("61 62 63 64", Hex(a));
    EXPECT_EQ("61 62 00 00", Hex(b));
    EXPECT_EQ("00 02 61 62", Hex(c));
}

TEST(Message, CapacityDoublesAndClearShrinks) {
    CKesMessageOut m;
    EXPECT_EQ(16u, m.getCapacity());
    for (int i = 0; i < 17; ++i) m.writeByte(i);
    EXPECT_EQ(32u, m.getCapacity());
    EXPECT_EQ(17u, m.getLength());
    m.writeString(std::string(100, 'x'), 100);
    EXPECT_EQ(128u, m.getCapacity());
    m.clear();
    EXPECT_EQ(16u, m.getCapacity());
    EXPECT_EQ(0u, m.getLength());
    m.writeShort(7);
    EXPECT_EQ("00 07", Hex(m));
}

TEST(Message, CopiesOwnTheirBuffers) {
    CKesMessageOut a(1);
    a.writeString("payload", -1);
    CKesMessageOut b(a);
    CKesMessageOut c;
    c = a;
    a.clear();
    a.writeByte(9);
    EXPECT_EQ(Hex(b), Hex(c));
    EXPECT_EQ("00 01 00 07 70 61 79 6C 6F 61 64", Hex(b));
}

TEST(Message, ShortMessagesHaveIdFFFF) {
    const char one[] = {0x7F};
    CKesMessageIn m(one, 1);
    EXPECT_EQ(65535, m.getId());
    EXPECT_EQ(1, m.getLength());
    EXPECT_EQ(-1, m.getUnreadLength());  // the position starts at 2
    EXPECT_EQ(-1, m.readByte());
    EXPECT_EQ(-1, m.readShort());
    EXPECT_EQ(-1, m.readLong());
    EXPECT_EQ("", m.readString(0));

    CKesMessageIn empty;
    EXPECT_EQ(0, empty.getLength());
    EXPECT_EQ(-1, empty.readByte());

    const char ffff[] = {'\xff', '\xff', '\xff', '\xff', '\xff', '\xff'};
    CKesMessageIn full(ffff, 4);
    EXPECT_EQ(65535, full.getId());
    EXPECT_EQ(65535, full.readShort());
    EXPECT_EQ(-1, full.readShort());  // a real 65535 is never negative, a shortage is
}

TEST(Message, ReadsPastTheEndFailAndMoveOn) {
    const char data[] = {0, 1, '\xff', '\xff', '\xff', '\xff', 5};
    CKesMessageIn m(data, 7);
    EXPECT_EQ(-1, m.readLong());  // FF FF FF FF: the value -1
    EXPECT_EQ(1, m.getUnreadLength());
    EXPECT_EQ(-1, m.readShort());  // one byte left: a shortage
    EXPECT_EQ(-1, m.getUnreadLength());
    EXPECT_EQ(-1, m.readByte());
    EXPECT_EQ(-2, m.getUnreadLength());

    CKesMessageIn n(data, 7);
    n.readLong();
    EXPECT_EQ(5, n.readByte());
    EXPECT_EQ(-1, n.readByte());
}

TEST(Message, FailedStringReadsStayFailed) {
    const char nul[] = {0, 9, 'a', 'b', 0, 'c', 'd'};
    CKesMessageIn m(nul, 7);
    EXPECT_EQ("ab", m.readString(5));  // cut at the NUL, position moves by 5
    EXPECT_EQ(0, m.getUnreadLength());

    const char good[] = {0, 9, 0, 3, 'a', 'b', 'c'};
    CKesMessageIn g(good, 7);
    EXPECT_EQ("abc", g.readString(-1));

    const char bad[] = {0, 9, 0, 5, 'a', 'b', 'c'};
    CKesMessageIn b(bad, 7);
    EXPECT_EQ("", b.readString(-1));
    EXPECT_EQ(-1, b.getUnreadLength());  // position = length + 1
    EXPECT_EQ(-1, b.readByte());
    EXPECT_EQ("", b.readString(0));
    EXPECT_EQ(-1, b.getUnreadLength());  // strings keep it at length + 1

    const char noLength[] = {0, 9, 0};
    CKesMessageIn s(noLength, 3);
    EXPECT_EQ("", s.readString(-1));  // the length short itself is missing
    EXPECT_EQ(-1, s.getUnreadLength());
}

TEST(Message, PositionAndLengthsNeverWrap) {
    const char data[] = {0, 1, 'x', 'y'};
    CKesMessageIn m(data, 4);
    // 65536 failed reads used to bring a 16-bit position back to the start.
    for (int i = 0; i < 70000; ++i) EXPECT_EQ(-1, m.readLong()) << i;
    EXPECT_EQ(-1, m.readByte());
    EXPECT_LT(m.getUnreadLength(), 0);

    // position + length compared on full values, not 16 bits.
    CKesMessageIn big(data, 4);
    EXPECT_EQ("", big.readString(65535));
    EXPECT_EQ("", big.readString(INT_MAX));
    CKesMessageIn huge(data, 4);
    EXPECT_EQ("", huge.readString(INT_MAX));
    EXPECT_EQ(-1, huge.readByte());

    // A negative length reads as an empty message, not as 65535 bytes.
    CKesMessageIn negative(data, -1);
    EXPECT_EQ(0, negative.getLength());
    EXPECT_EQ(65535, negative.getId());
    EXPECT_EQ(-1, negative.readByte());

    // Only the low 16 bits of a length are kept.
    std::string longer(70000, 'a');
    CKesMessageIn low(longer.data(), 70000);
    EXPECT_EQ(70000 - 65536, low.getLength());
}

TEST(Message, OverlongLengthPrefixedStringsAreCutOnACharacterBoundary) {
    std::string ascii(70000, 'a');
    CKesMessageOut a;
    a.writeString(ascii, -1);
    ASSERT_EQ(2u + 65535u, a.getLength());
    EXPECT_EQ("FF FF", Hex(a.getData(), 2));

    // 'x' then two-byte characters end exactly at 65535 bytes; two-byte
    // characters alone would be split there, so 65534 bytes go.
    std::string gbk = "x";
    while (gbk.size() < 70000) gbk += "\xc4\xe3";
    CKesMessageOut g;
    g.writeString(gbk, -1);
    ASSERT_EQ(2u + 65535u, g.getLength());
    std::string two = "\xc4\xe3";
    gbk = "";
    while (gbk.size() < 70000) gbk += two;
    CKesMessageOut h;
    h.writeString(gbk, -1);
    ASSERT_EQ(2u + 65534u, h.getLength());
    EXPECT_EQ("FF FE", Hex(h.getData(), 2));
    EXPECT_EQ('\xe3', h.getData()[h.getLength() - 1]);

    // Exactly 65535 bytes are kept whole.
    CKesMessageOut e;
    e.writeString(std::string(65535, 'b'), -1);
    EXPECT_EQ(2u + 65535u, e.getLength());
}

TEST(ReceiveRing, RegionsWrapAndReadInOrder) {
    CKesCircularBuffer ring;
    char out[16];
    EXPECT_EQ(0u, ring.FreeSpace());
    EXPECT_FALSE(ring.Read(out, 1));
    ASSERT_TRUE(ring.Allocate(10));

    ASSERT_EQ(10u, ring.FreeSpace());
    std::memcpy(ring.WritePosition(), "ABCDEFGH", 8);
    ring.Commit(8);
    ASSERT_TRUE(ring.Read(out, 6));
    EXPECT_EQ("ABCDEF", std::string(out, 6));

    // Two bytes after A, six before it: region B starts at the storage start.
    ASSERT_EQ(6u, ring.FreeSpace());
    std::memcpy(ring.WritePosition(), "IJKLM", 5);
    ring.Commit(5);
    EXPECT_EQ(7u, ring.Unread());
    EXPECT_EQ(1u, ring.FreeSpace());  // between the end of B and A
    EXPECT_FALSE(ring.Read(out, 8));
    ASSERT_TRUE(ring.Read(out, 4));  // the rest of A, then the start of B
    EXPECT_EQ("GHIJ", std::string(out, 4));
    // A ran empty: what was left of B moved to the start and became A.
    EXPECT_EQ(3u, ring.Unread());
    EXPECT_EQ(7u, ring.FreeSpace());
    ASSERT_TRUE(ring.Read(out, 3));
    EXPECT_EQ("KLM", std::string(out, 3));
    EXPECT_EQ(10u, ring.FreeSpace());

    std::memcpy(ring.WritePosition(), "xyz", 3);
    ring.Commit(3);
    ring.Reset();
    EXPECT_EQ(0u, ring.Unread());
    EXPECT_EQ(10u, ring.FreeSpace());
}
