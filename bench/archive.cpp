// LoadResource from a ".pak" archive against reading and inflating the same
// bytes with zlib directly: a 64 MiB archive of 64 entries of 1 MiB each.
//
// The readers report every inflate with printf; those lines go to /dev/null
// here while the results go to the real standard output.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "KesPackWriter.h"
#include "frame/Kest2dBaseFrame.h"
#include "resource/Kest2dPackager.h"
#include "platform/KesFiles.h"

namespace {

const int kEntries = 64;
const size_t kEntrySize = 1 << 20;

std::string EntryBytes(int i) {
    // Text-like bytes that compress about 3:1, like scripts and layouts.
    std::string s(kEntrySize, '\0');
    unsigned x = 12345u + static_cast<unsigned>(i) * 7919u;
    for (size_t k = 0; k < s.size(); ++k) {
        x = x * 1103515245u + 12345u;
        s[k] = "etaoin shrdlu\r\n<>=\"/cmfwyp"[(x >> 16) % 27];
    }
    return s;
}

struct Fixture {
    std::string folder;
    std::string pak;
    std::vector<std::string> names;
    std::unique_ptr<kest2d::CKesPackager> direct;  // for offsets and sizes only
    kest2d::CKesBaseFrame* frame = nullptr;

    Fixture() {
        char tmpl[] = "/tmp/kest2d-bench-XXXXXX";
        folder = mkdtemp(tmpl);
        pak = folder + "/bench.pak";
        std::vector<kest2d::pack::PakItem> items;
        for (int i = 0; i < kEntries; ++i) {
            names.push_back("data\\entry" + std::to_string(i) + ".bin");
            items.push_back({names.back(), EntryBytes(i)});
        }
        kest2d::pack::WriteBytes(pak, kest2d::pack::BuildPak(items));
        direct.reset(new kest2d::CKesPackager(1));
        direct->Open(pak);
        frame = new kest2d::CKesBaseFrame(nullptr);
        frame->AddPackager(pak);
    }
};

Fixture* gFixture = nullptr;

Fixture& F() {
    if (!gFixture) gFixture = new Fixture();
    return *gFixture;
}

void RemoveFixture() {
    if (!gFixture) return;
    delete gFixture->frame;
    gFixture->direct.reset();
    ::unlink(gFixture->pak.c_str());
    ::rmdir(gFixture->folder.c_str());
    delete gFixture;
    gFixture = nullptr;
}

void BM_LoadResourceFromArchive(benchmark::State& state) {
    Fixture& f = F();
    size_t bytes = 0;
    for (auto _ : state) {
        for (const std::string& name : f.names) {
            unsigned long size = 0;
            void* d = f.frame->LoadResource(name.c_str(), &size);
            if (!d || size != kEntrySize) state.SkipWithError("LoadResource failed");
            benchmark::DoNotOptimize(d);
            delete[] static_cast<unsigned char*>(d);
            bytes += size;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_LoadResourceFromArchive)->Unit(benchmark::kMillisecond);

// The baseline: read each compressed block with pread and inflate it with
// zlib's one-call uncompress into a buffer of the final size.
void BM_ReadAndInflateWithZlib(benchmark::State& state) {
    Fixture& f = F();
    int fd = ::open(f.pak.c_str(), O_RDONLY);
    size_t bytes = 0;
    std::vector<unsigned char> in;
    for (auto _ : state) {
        for (const std::string& name : f.names) {
            const kest2d::PakFileEntry& e = f.direct->GetEntries().at(name);
            in.resize(e.compressed);
            if (::pread(fd, in.data(), e.compressed, e.offset) != static_cast<ssize_t>(e.compressed))
                state.SkipWithError("read failed");
            unsigned char* out = new unsigned char[e.uncompressed];
            uLongf produced = e.uncompressed;
            if (uncompress(out, &produced, in.data(), e.compressed) != Z_OK || produced != kEntrySize)
                state.SkipWithError("inflate failed");
            benchmark::DoNotOptimize(out);
            delete[] out;
            bytes += produced;
        }
    }
    ::close(fd);
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_ReadAndInflateWithZlib)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // Results on the original standard output; the readers' lines to /dev/null.
    int results = ::dup(1);
    std::fflush(stdout);
    int devnull = ::open("/dev/null", O_WRONLY);
    ::dup2(devnull, 1);
    ::close(devnull);
    std::ofstream out("/dev/fd/" + std::to_string(results));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::ConsoleReporter reporter;
    reporter.SetOutputStream(&out);
    reporter.SetErrorStream(&out);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    RemoveFixture();
    return 0;
}
