// Fuzzes the ".pak" and ".spr" readers. The input is taken as the plain
// (deciphered) archive: the header and the directory records it describes are
// enciphered before the file is written, so that the fuzzer reaches the
// record fields and the zlib data directly. The first byte chooses the format.
//
//   ./fuzz_archive -max_total_time=300 -max_len=65536 corpus/
//
// The readers need only their own sources, the cipher and the path helpers,
// so the target can also be built by hand with one command (clang cannot compile the engine's
// GBK literals, which only change the text of the readers' reports):
//   clang++ -std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined -Isrc fuzz/archive.cpp
//     src/resource/Kest2dPackager.cpp src/resource/Kest2dSprPackager.cpp src/net/KesCipher.cpp
//     src/platform/KesFiles.cpp -lz -o fuzz_archive
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "resource/Kest2dPackager.h"
#include "resource/Kest2dSprPackager.h"
#include "net/KesCipher.h"

namespace {

std::string TempPath() {
    static std::string path = "/tmp/kest2d-fuzz-archive-" + std::to_string(::getpid());
    return path;
}

void EncipherDirectory(std::string& bytes, size_t headerSize, size_t recordSize) {
    if (bytes.size() < headerSize) {
        kest2d::cipher::Encrypt(reinterpret_cast<unsigned char*>(&bytes[0]), bytes.size());
        return;
    }
    int32_t count = kest2d::archive::ReadI32(reinterpret_cast<const unsigned char*>(bytes.data()) + 4);
    size_t records = count > 0 ? static_cast<size_t>(count) : 0;
    size_t end = headerSize + records * recordSize;
    if (records > bytes.size() || end > bytes.size()) end = bytes.size();
    kest2d::cipher::Encrypt(reinterpret_cast<unsigned char*>(&bytes[0]), end);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The readers' reports would drown the fuzzer's own output.
    if (!std::freopen("/dev/null", "w", stdout)) return 0;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    bool spr = data[0] & 1;
    std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    EncipherDirectory(bytes, spr ? 20 : 8, spr ? 280 : 524);
    std::string path = TempPath();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);

    if (spr) {
        kest2d::CKesSprPackager reader;
        if (reader.Open(path)) {
            for (int i = 0; i < reader.GetEntryCount() && i < 16; ++i) {
                unsigned long n = 0;
                delete[] reader.GetFrameData(i, &n);
            }
        }
        reader.Close();
        unsigned long n = 0;
        delete[] reader.GetFrameData(0, &n);
    } else {
        kest2d::CKesPackager reader(1);
        if (reader.Open(path)) {
            int k = 0;
            for (const auto& kv : reader.GetEntries()) {
                if (k++ == 16) break;
                unsigned long n = 0;
                delete[] reader.GetFileData(kv.first, &n);
                (void)kest2d::CKesPackager::IsSafeEntryName(kv.first);
            }
        }
    }
    return 0;
}
