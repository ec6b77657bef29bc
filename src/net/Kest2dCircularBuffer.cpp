#include "net/Kest2dCircularBuffer.h"

#include <cstdlib>
#include <cstring>

namespace kest2d {

bool CKesCircularBuffer::Allocate(unsigned int size) {
    Release();
    if (size == 0) return false;
    mStart = static_cast<char*>(std::malloc(size));
    if (!mStart) return false;
    mEnd = mStart + size;
    Reset();
    return true;
}

void CKesCircularBuffer::Release() {
    std::free(mStart);
    mStart = mEnd = mA = mB = nullptr;
    mSizeA = mSizeB = 0;
}

void CKesCircularBuffer::Reset() {
    mA = mStart;
    mSizeA = 0;
    mB = nullptr;
    mSizeB = 0;
}

unsigned int CKesCircularBuffer::FreeSpace() {
    if (!mStart) return 0;
    if (mB) return static_cast<unsigned int>(mA - (mB + mSizeB));
    unsigned int after = static_cast<unsigned int>(mEnd - (mA + mSizeA));
    unsigned int before = static_cast<unsigned int>(mA - mStart);
    if (after >= before) return after;
    mB = mStart;
    mSizeB = 0;
    return before;
}

char* CKesCircularBuffer::WritePosition() const { return mB ? mB + mSizeB : mA + mSizeA; }

void CKesCircularBuffer::Commit(unsigned int n) {
    if (mB)
        mSizeB += n;
    else
        mSizeA += n;
}

bool CKesCircularBuffer::Read(char* destination, unsigned int n) {
    if (!mStart || static_cast<unsigned long long>(mSizeA) + mSizeB < n) return false;
    unsigned int fromA = n < mSizeA ? n : mSizeA;
    if (fromA) std::memcpy(destination, mA, fromA);
    mA += fromA;
    mSizeA -= fromA;
    unsigned int fromB = n - fromA;
    if (fromB) {
        std::memcpy(destination + fromA, mB, fromB);
        mB += fromB;
        mSizeB -= fromB;
    }
    if (mSizeA == 0) {
        if (mB && mSizeB) {
            std::memmove(mStart, mB, mSizeB);
            mA = mStart;
            mSizeA = mSizeB;
        } else {
            mA = mStart;
        }
        mB = nullptr;
        mSizeB = 0;
    }
    return true;
}

}  // namespace kest2d
