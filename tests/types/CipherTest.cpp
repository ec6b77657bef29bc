#include <gtest/gtest.h>

#include <set>
#include <string>

#include "net/KesCipher.h"

using namespace kest2d;

TEST(Cipher, TablesArePermutationsWithoutFixedPointsAndInverse) {
    const unsigned char* recv = cipher::ReceiveTable();
    const unsigned char* send = cipher::SendTable();
    std::set<int> seen;
    bool involution = true;
    for (int b = 0; b < 256; ++b) {
        seen.insert(recv[b]);
        EXPECT_NE(b, recv[b]);
        EXPECT_EQ(b, send[recv[b]]);
        involution = involution && recv[recv[b]] == b;
    }
    EXPECT_EQ(256u, seen.size());
    EXPECT_FALSE(involution);
}

TEST(Cipher, RoundTripChunksAndEmptyInput) {
    std::string plain;
    for (int i = 0; i < 512; ++i) plain.push_back(static_cast<char>(i));
    std::string wire = plain;
    cipher::Encrypt(reinterpret_cast<unsigned char*>(&wire[0]), wire.size());
    EXPECT_NE(plain, wire);
    std::string whole = wire, pieces = wire;
    cipher::Decrypt(reinterpret_cast<unsigned char*>(&whole[0]), whole.size());
    cipher::Decrypt(reinterpret_cast<unsigned char*>(&pieces[0]), 100);
    cipher::Decrypt(reinterpret_cast<unsigned char*>(&pieces[100]), pieces.size() - 100);
    EXPECT_EQ(plain, whole);
    EXPECT_EQ(plain, pieces);
    // Deciphering with the wrong table does not give the plain text back.
    std::string wrong = plain;
    cipher::Decrypt(reinterpret_cast<unsigned char*>(&wrong[0]), wrong.size());
    cipher::Decrypt(reinterpret_cast<unsigned char*>(&wrong[0]), wrong.size());
    EXPECT_NE(plain, wrong);
    unsigned char one = 0xFF;
    cipher::Decrypt(&one, 0);
    EXPECT_EQ(0xFF, one);
    cipher::Decrypt(nullptr, 10);
}
