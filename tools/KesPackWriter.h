// Writes ".pak" and ".spr" archives for tests, fixtures and the sample game.
// Not part of the engine: the engine only reads archives.
//
// ".pak": 8-byte header ("PAK", one spare byte, entry count), then one
// 524-byte record per entry (512-byte name, data offset, uncompressed size,
// compressed size), both enciphered with the send table so that the engine's
// receive table recovers them; then the zlib streams, in record order.
// ".spr": 20-byte header ("SPR", spare byte, frame count, width, height,
// speed), 280-byte records (264-byte name, shown flag, 3 spare bytes, offset,
// uncompressed size, compressed size), then the zlib streams.
// All integers are 32-bit little-endian.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kest2d {
namespace pack {

struct PakItem {
    std::string name;  // "\" separated relative path, at most 511 bytes
    std::string data;
};

struct SprFrame {
    std::string name;  // at most 263 bytes
    std::string data;  // a complete image file
    bool shown = true;
};

// The zlib stream (RFC 1950) of `data`.
std::string Deflate(const std::string& data, int level = 9);

// Little-endian field and the enciphering of header and records.
void PutU32(std::string& out, uint32_t value);
std::string Encipher(std::string plain);

// One enciphered header or record, with every field given as is (for
// well-formed archives and for deliberately broken ones).
std::string PakHeader(int32_t count, const char tag[3] = "PAK");
// `nameField` is copied into the 512-byte field (cut to 512, NUL-padded).
std::string PakRecord(const std::string& nameField, int32_t offset, uint32_t uncompressed, uint32_t compressed);
std::string SprHeader(int32_t count, int32_t width, int32_t height, int32_t speed, const char tag[3] = "SPR");
std::string SprRecord(const std::string& nameField, bool shown, int32_t offset, uint32_t uncompressed,
                      uint32_t compressed);

// Whole archives in memory. Names longer than their field are refused with
// an empty result and a message in `error` when one is given.
std::string BuildPak(const std::vector<PakItem>& items, std::string* error = nullptr);
std::string BuildSpr(const std::vector<SprFrame>& frames, int32_t width, int32_t height, int32_t speed,
                     std::string* error = nullptr);

bool WriteBytes(const std::string& path, const std::string& bytes);
// Every file below `folder` (names relative to it with "\" separators, in
// byte order), packed into `pakPath`.
bool PackFolder(const std::string& folder, const std::string& pakPath, std::string* error = nullptr);
// Reads the images and packs them as frames named after their file names.
bool PackSprites(const std::vector<std::string>& images, int32_t width, int32_t height, int32_t speed,
                 const std::string& sprPath, std::string* error = nullptr);

}  // namespace pack
}  // namespace kest2d
