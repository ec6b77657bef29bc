// The ".pak" archive reader. An archive is an 8-byte header and a directory of
// 524-byte records, both enciphered with the receive table of the cipher,
// followed by one zlib stream per entry. The directory is read once; entries
// are inflated on demand from the archive, which stays open.
//
// Reads use positional I/O on the open file, so several threads may read one
// archive at once; Open and Close wait for running reads.
//
// The reader reports on standard output (printf), not to the log.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <shared_mutex>
#include <string>

namespace kest2d {

struct PakFileHeader {
    char tag[4];    // "PAK" and one byte that is not examined
    int32_t count;  // number of directory records; zero or below: none
};

struct PakFileEntry {
    char name[512];         // "\" separated relative path; NUL-terminated unless it fills the field
    int32_t offset;         // start of the entry's zlib stream in the file
    uint32_t uncompressed;  // inflated size
    uint32_t compressed;    // size of the zlib stream
};

namespace archive {

constexpr unsigned PAK_HEADER_SIZE = 8;
constexpr unsigned PAK_ENTRY_SIZE = 524;
constexpr unsigned PAK_NAME_SIZE = 512;
constexpr unsigned INFLATE_CHUNK = 16384;
// Deflate cannot expand a stream by more than this factor.
constexpr unsigned MAX_INFLATE_RATIO = 1032;
// A directory that claims more records than the file holds is reported
// record by record up to this many times, then once in summary.
constexpr unsigned MAX_MISSING_REPORTS = 8;

// 32-bit little-endian fields.
inline uint32_t ReadU32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
inline int32_t ReadI32(const unsigned char* p) { return static_cast<int32_t>(ReadU32(p)); }

// Prints the message of a record that could not be read `missing` times, or
// a bounded number of times and then one summary line.
void ReportMissingRecords(long long missing);

// Where compressed bytes come from: a stdio stream from its current position,
// or a file descriptor from a given offset by positional reads (which share no
// file position between threads).
class InflateInput {
public:
    explicit InflateInput(FILE* file) : mFile(file) {}
    InflateInput(int fd, int64_t offset) : mFd(fd), mOffset(offset) {}
    // Bytes read (0 at the end of the file), or -1 on a read error.
    long Read(unsigned char* buffer, size_t count);

private:
    FILE* mFile = nullptr;
    int mFd = -1;
    int64_t mOffset = 0;
};

// Inflates one zlib stream of at most `compressed` bytes into `destination`,
// which holds `capacity` bytes; output beyond the capacity is never written
// and makes the stream fail with Z_DATA_ERROR. 0 on success, else a zlib
// status (Z_ERRNO for a read error). `produced` receives the bytes written.
int InflateToMemory(InflateInput& input, unsigned char* destination, unsigned long capacity, unsigned long compressed,
                    unsigned long* produced);
// The same into a stdio stream; more than `limit` bytes of output fail with
// Z_DATA_ERROR, a write error with Z_ERRNO.
int InflateToFile(InflateInput& input, FILE* output, unsigned long compressed, unsigned long limit,
                  unsigned long* produced);

// Why an entry's recorded place and sizes cannot be trusted, or null when
// they fit inside a file of `fileSize` bytes and within deflate's ratio.
const char* CheckEntryBounds(int64_t offset, unsigned long compressed, unsigned long uncompressed, int64_t fileSize);

// The open file of an archive reader, shared by the ".pak" and ".spr"
// readers: reads take the lock shared, opening and closing take it alone.
class ArchiveFile {
public:
    void Close();
    bool IsOpen() const;

protected:
    ArchiveFile() = default;
    ~ArchiveFile() = default;
    void CloseLocked();
    // With the lock held alone: closes what was open, opens `path` and reads
    // and deciphers its `size`-byte header into `head`. False (with its
    // message) when the file cannot be opened or is too short.
    bool OpenHeaderLocked(const std::string& path, unsigned char* head, size_t size);
    // The tag and the record count that begin every deciphered header.
    template <typename Header>
    static void ReadTagAndCount(const unsigned char* head, Header& header) {
        std::memcpy(header.tag, head, 4);
        header.count = ReadI32(head + 4);
    }
    // True when the header begins with the three letters of `tag`; otherwise
    // reports a file of the wrong type.
    static bool HasTag(const unsigned char* head, const char* tag);
    // Where an entry lies: offset, inflated size and stream size, the last 12
    // bytes of its `size`-byte record.
    template <typename Entry>
    static void ReadEntryPlace(const unsigned char* record, size_t size, Entry& entry) {
        entry.offset = ReadI32(record + size - 12);
        entry.uncompressed = ReadU32(record + size - 8);
        entry.compressed = ReadU32(record + size - 4);
    }
    // Reads and deciphers up to `count` directory records of `size` bytes
    // from the current position, handing each to `take`; a record that
    // cannot be read ends the directory (every later one is missing too,
    // however many the header claims).
    template <typename Take>
    void ReadRecordsLocked(int32_t count, unsigned char* record, size_t size, Take take) {
        for (int32_t i = 0; i < count; ++i) {
            if (std::fread(record, 1, size, mFile) != size) {
                ReportMissingRecords(static_cast<long long>(count) - i);
                break;
            }
            DecipherRecord(record, size);
            take(record);
        }
    }
    // With the lock held: inflates the entry `name` stored at `offset` into a
    // new[] array of `uncompressed` bytes, reporting each step; null when
    // its bounds cannot be trusted or the stream is damaged.
    unsigned char* InflateEntryLocked(const char* name, int64_t offset, unsigned long compressed,
                                      unsigned long uncompressed, unsigned long* size) const;

    FILE* mFile = nullptr;
    int64_t mFileSize = 0;
    mutable std::shared_mutex mLock;

private:
    static void DecipherRecord(unsigned char* record, size_t size);
};

}  // namespace archive

class CKesPackager : public archive::ArchiveFile {
public:
    explicit CKesPackager(int flag);
    ~CKesPackager();
    CKesPackager(const CKesPackager&) = delete;
    CKesPackager& operator=(const CKesPackager&) = delete;

    bool Open(std::string path);

    bool IsFileExist(std::string name) const;
    // The inflated entry in a new[] array owned by the caller; null when the
    // name is missing (size set to 0) or the entry cannot be read (size untouched).
    unsigned char* GetFileData(std::string name, unsigned long* size);

    // Writes every entry, inflated, below `folder` (the folder that was
    // current when the reader was made, when empty). Refuses an archive with
    // any name that could leave the folder; each file is written under a
    // temporary name and renamed into place.
    bool ExtractAllFiles(std::string folder);
    // Creates the missing folders of `relativePath` ("\" separated; its last
    // part is a file name) below `base` (the remembered folder when empty).
    bool CreateFileDirectory(std::string base, std::string relativePath);

    // Whether a name may be written below a folder: no empty, "." or ".."
    // part, no leading separator, no drive colon, "/" or control character.
    static bool IsSafeEntryName(const std::string& name);

    static int InflateFileToFile(FILE* input, FILE* output, unsigned long compressed, unsigned long* produced,
                                 unsigned long limit);
    static int InflateFileToMemory(FILE* input, unsigned char* destination, unsigned long compressed,
                                   unsigned long* produced, unsigned long capacity);

    int GetFlag() const { return mFlag; }
    const PakFileHeader& GetHeader() const { return mHeader; }
    const std::map<std::string, PakFileEntry>& GetEntries() const { return mEntries; }
    const std::string& GetRememberedFolder() const { return mRememberedFolder; }

private:
    bool ExtractEntry(const std::string& target, const std::string& name, const PakFileEntry& entry);

    std::string mRememberedFolder;
    int mFlag;
    PakFileHeader mHeader;
    std::map<std::string, PakFileEntry> mEntries;
};

}  // namespace kest2d
