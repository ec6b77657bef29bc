// The ".spr" sprite archive reader: a 20-byte header (frame size and speed)
// and a directory of 280-byte frame records, both enciphered with the receive
// table of the cipher, followed by one zlib stream per frame, each inflating
// to a complete image file. Frames are inflated by index on demand.
//
// Like the ".pak" reader it reports on standard output (printf).
#pragma once

#include <cstdint>
#include <cstdio>
#include <shared_mutex>
#include <string>
#include <vector>

#include "resource/Kest2dPackager.h"

namespace kest2d {

struct SprFileHeader {
    char tag[4];     // "SPR" and one byte that is not examined
    int32_t count;   // number of frame records; zero or below: none
    int32_t width;   // frame width in pixels
    int32_t height;  // frame height in pixels
    int32_t speed;   // each frame stays for more than speed x 8 milliseconds
};

struct SprFileEntry {
    char name[264];       // frame name (messages only); always NUL-terminated once read
    unsigned char shown;  // 0: the frame stays in the animation but is not drawn
    unsigned char pad[3];
    int32_t offset;         // start of the frame's zlib stream in the file
    uint32_t uncompressed;  // inflated size
    uint32_t compressed;    // size of the zlib stream
};

namespace archive {
constexpr unsigned SPR_HEADER_SIZE = 20;
constexpr unsigned SPR_ENTRY_SIZE = 280;
constexpr unsigned SPR_NAME_SIZE = 264;
}  // namespace archive

class CKesSprPackager : public archive::ArchiveFile {
public:
    CKesSprPackager();
    ~CKesSprPackager();
    CKesSprPackager(const CKesSprPackager&) = delete;
    CKesSprPackager& operator=(const CKesSprPackager&) = delete;

    // Reads the header and appends the archive's records to the entries held.
    bool Open(std::string path);
    // Close (of the base) closes the file; the header and entries stay.

    // Null when the index is negative or not below the number of entries held.
    SprFileEntry* GetEntry(int index);
    // The inflated frame in a new[] array owned by the caller, or null (also
    // after Close).
    unsigned char* GetFrameData(int index, unsigned long* size);

    const SprFileHeader& GetHeader() const { return mHeader; }
    int GetFrameWidth() const { return mHeader.width; }
    int GetFrameHeight() const { return mHeader.height; }
    int GetSpeed() const { return mHeader.speed; }
    int GetEntryCount() const { return static_cast<int>(mEntries.size()); }
    // Drops the entries held (before another archive is opened).
    void ClearEntries();

private:
    SprFileHeader mHeader;
    std::vector<SprFileEntry> mEntries;
};

}  // namespace kest2d
