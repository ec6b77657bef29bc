// The rasteriser's worker pool: made once for the process with one participant
// per core (the drawing thread plus hardware_concurrency() - 1 threads), handing
// out bands to whoever is free; the threads sleep on a condition variable
// between flushes.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/KesRasterInternal.h"

namespace kest2d {
namespace platform {
namespace raster {

namespace {

class Pool {
public:
    static Pool& Get() {
        static Pool* pool = new Pool();  // never destroyed: its threads sleep until the process ends
        return *pool;
    }
    // Participants: the calling thread plus the pool's threads.
    int Workers() const { return static_cast<int>(mThreads.size()) + 1; }

    // Runs fn(ctx, band) for every band 0 .. bands - 1 and returns when all are
    // done. The caller draws too, and whoever is free takes the next band, so
    // a worker the system has not woken yet holds nothing up.
    void Run(int bands, void (*fn)(void*, int), void* ctx) {
        if (bands <= 1 || Workers() <= 1) {
            for (int b = 0; b < bands; ++b) fn(ctx, b);
            return;
        }
        uint32_t generation;
        {
            std::lock_guard<std::mutex> lock(mMutex);
            mFn = fn;
            mCtx = ctx;
            mBands = bands;
            mFinished = 0;
            generation = ++mGeneration;
            mNext.store(static_cast<uint64_t>(generation) << 32, std::memory_order_release);
        }
        mWake.notify_all();
        Work(generation, fn, ctx, bands);
        std::unique_lock<std::mutex> lock(mMutex);
        mDone.wait(lock, [&] { return mFinished == mBands; });
    }

private:
    Pool() {
        const unsigned cores = std::thread::hardware_concurrency();
        const int threads = cores > 1 ? static_cast<int>(std::min(cores, 64u)) - 1 : 0;
        for (int i = 0; i < threads; ++i) mThreads.emplace_back([this] { Loop(); });
        for (std::thread& t : mThreads) t.detach();
    }

    // Takes bands of job `generation` until none is left.
    void Work(uint32_t generation, void (*fn)(void*, int), void* ctx, int bands) {
        int done = 0;
        for (;;) {
            uint64_t v = mNext.load(std::memory_order_acquire);
            if (static_cast<uint32_t>(v >> 32) != generation || static_cast<int>(v & 0xFFFFFFFFu) >= bands) break;
            if (!mNext.compare_exchange_weak(v, v + 1, std::memory_order_acq_rel)) continue;
            fn(ctx, static_cast<int>(v & 0xFFFFFFFFu));
            ++done;
        }
        if (done == 0) return;
        std::lock_guard<std::mutex> lock(mMutex);
        mFinished += done;
        if (mFinished == mBands) mDone.notify_all();
    }

    void Loop() {
        uint32_t seen = 0;
        std::unique_lock<std::mutex> lock(mMutex);
        for (;;) {
            mWake.wait(lock, [&] { return mGeneration != seen; });
            seen = mGeneration;
            void (*fn)(void*, int) = mFn;
            void* ctx = mCtx;
            const int bands = mBands;
            lock.unlock();
            Work(seen, fn, ctx, bands);
            lock.lock();
        }
    }

    std::mutex mMutex;
    std::condition_variable mWake, mDone;
    std::vector<std::thread> mThreads;
    uint32_t mGeneration = 0;
    std::atomic<uint64_t> mNext{0};  // generation << 32 | next band
    void (*mFn)(void*, int) = nullptr;
    void* mCtx = nullptr;
    int mBands = 0, mFinished = 0;
};

}  // namespace

int PoolWorkers() { return Pool::Get().Workers(); }

void PoolRun(int bands, void (*fn)(void*, int), void* ctx) { Pool::Get().Run(bands, fn, ctx); }

}  // namespace raster
}  // namespace platform
}  // namespace kest2d
